#pragma once
// CDlgNVProgress: moves one memory block between the device and its own buffer in chunks
// of at most 57 bytes behind the "Postęp" box. DoModal gives IDOK when the whole block
// was read, or written and closed; IDCANCEL when it failed or was aborted ("Przerwij").
// A read chunk without a good reply is asked again (see CBlockTransferDriver); the box
// fails only when every try of one chunk failed.
// A readout of the recorder shows under the bar how much is done, the rate and the time
// left; the settings blocks, a few chunks each, show no estimate.
// A readout of the recorder whose port goes away stops, and the box says that it waits for
// the port: DoModal gives IDRETRY once the port is back (the caller continues the readout),
// IDCANCEL on "Przerwij" or when the link ends meanwhile.
// Calling order: SetRead, SetReadFrom or SetWrite, DoModal, then GetData: after a read
// that gave IDOK the whole block, after one that did not the block as far as it came.

#include "framework/afx.h"
#include "link/block_transfer_driver.h"
#include "link/protocol.h"
#include "link/transfer_rate.h"

#include <cstdint>
#include <functional>
#include <memory>

class CLinkHost;

class CDlgNVProgress : public CDialog {
public:
    // The bytes of a read that arrived with one chunk: block offset and count (the bytes
    // are at GetData() + offset).
    using ChunkFunction = std::function<void(std::uint32_t offset, std::uint32_t count)>;

    // Sends through queue to the device address of the host's settings; reports on the
    // host's console.
    // Runs its transfers through driver (the link stack's), which must outlive the box.
    CDlgNVProgress(CLinkHost& host, CBlockTransferDriver& driver);

    void SetRead(int blockId);
    // A read continued after its first `held` bytes, taken from source; onChunk (may be
    // empty) sees each chunk read as it arrives.
    void SetReadFrom(int blockId, std::uint32_t held, const std::uint8_t* source,
                     ChunkFunction onChunk);
    // A read of the chunks list names over the block's bytes from source; the bar and the
    // text under it count the bytes the list plans.
    void SetReadList(int blockId, const std::uint8_t* source, CChunkSource& list);
    // Copies BlockSize(blockId) bytes from source.
    void SetWrite(int blockId, const std::uint8_t* source);
    // Start of the buffer (protocol::kRecorderSize bytes).
    const std::uint8_t* GetData() const { return m_driver.Transfer().Data(); }
    // Bytes of the block read, or written and confirmed, by the last transfer.
    std::uint32_t Done() const { return m_driver.Transfer().Done(); }

    // The link's port went away, came back, or the link ended (from the host).
    void OnPortLost();
    void OnPortBack();
    void OnLinkDown();

    static std::uint32_t BlockAddress(int blockId) { return protocol::BlockAddress(blockId); }
    static std::uint32_t BlockSize(int blockId) { return protocol::BlockSize(blockId); }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    // A request is going out: the bar counts its chunk as soon as it is asked for.
    void OnSending(const t_block_request& request);
    void OnEnded();
    // Hands the chunks read since the last call to m_onChunk.
    void ReportChunks();
    void ShowRate();
    void Fail(const char* message);
    // The block has been read, or written and closed: "koniec transmisji", IDOK.
    void Complete();

    // Running: the box shows a transfer under way; it ends with Complete or OnCancel.
    // AwaitingPort: a recorder readout stopped by a port that went away.
    enum class Activity { Idle, Running, AwaitingPort };

    CLinkHost& m_host;
    CBlockTransferDriver& m_driver;
    Activity m_activity = Activity::Idle;
    CProgressCtrl m_progress;
    CStatic m_rateText;
    ChunkFunction m_onChunk;
    std::uint32_t m_reported = 0;          // bytes handed to m_onChunk (or held before the read)
    std::unique_ptr<CTransferRate> m_rate; // a recorder readout only
};
