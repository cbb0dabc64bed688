#pragma once
// CDlgNVProgress: moves one memory block between the device and its own buffer in chunks
// of at most 57 bytes behind the "Postęp" box. DoModal gives IDOK when the whole block
// was read, or written and closed; IDCANCEL when it failed or was aborted ("Przerwij").
// A read chunk without a good reply is asked again (see CBlockTransfer); the box fails only
// when every try of one chunk failed. Read chunks use the queue's per-connection echo check
// and read timing: the check turns away replies of other chunks while the chunk waits, and
// the wait follows the round trips measured.
// Calling order: SetRead or SetWrite, DoModal, then GetData after a read that gave IDOK.
// The walk itself is CBlockTransfer's; the box sends what it names through the queue, hands
// it the replies and shows how far it is.

#include "framework/afx.h"
#include "link/block_transfer.h"
#include "link/protocol.h"
#include "link/reply_handler.h"
#include "link/transfer_data.h"

#include <cstdint>

class CLinkHost;
class CQueue;

class CDlgNVProgress : public CDialog {
public:
    // Sends through queue to the device address of the host's settings; reports on the
    // host's console.
    CDlgNVProgress(CLinkHost& host, CQueue& queue);

    void SetRead(int blockId);
    // Copies BlockSize(blockId) bytes from source.
    void SetWrite(int blockId, const std::uint8_t* source);
    // Start of the buffer (protocol::kRecorderSize bytes).
    const std::uint8_t* GetData() const { return m_transfer.Data(); }

    // Read chunks asked again since the box was made, over all its transfers.
    std::uint32_t Retries() const { return m_retries; }

    static std::uint32_t BlockAddress(int blockId) { return protocol::BlockAddress(blockId); }
    static std::uint32_t BlockSize(int blockId) { return protocol::BlockSize(blockId); }

    void OnReadReply(const t_transfer_data* reply);
    void OnWriteReply(const t_transfer_data* reply);
    void OnCommitReply(const t_transfer_data* reply);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    // Sends the request the walk names, after stepping the bar over its chunk; afterQuiet:
    // once the line has been quiet (a try asked again).
    void SendRequest(bool afterQuiet);
    // Hands the reply, or the time-out (nullptr), being delivered to the walk and follows it.
    void Deliver(const t_transfer_data* reply);
    void Follow(CBlockTransfer::Next next);
    void Fail(const char* message);
    // The block has been read, or written and closed: "koniec transmisji", IDOK.
    void Complete();

    // Running: the box shows a transfer under way; it ends with Complete or OnCancel.
    enum class Activity { Idle, Running };

    CLinkHost& m_host;
    CQueue& m_queue;
    CBlockTransfer m_transfer;
    Activity m_activity = Activity::Idle;
    CProgressCtrl m_progress;
    std::uint32_t m_retries = 0;
};
