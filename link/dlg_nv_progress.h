#pragma once
// CDlgNVProgress: moves one memory block between the device and its own buffer in chunks
// of at most 57 bytes behind the "Postęp" box. DoModal gives IDOK when the whole block
// was read, or written and closed; IDCANCEL when it failed or was aborted ("Przerwij").
// Calling order: SetRead or SetWrite, DoModal, then GetData after a read that gave IDOK.

#include "framework/afx.h"
#include "link/protocol.h"
#include "link/reply_handler.h"
#include "link/transfer_data.h"

#include <cstdint>
#include <vector>

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
    const std::uint8_t* GetData() const { return m_buffer.data(); }

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
    void ReadNextChunk();
    void WriteNextChunk();
    // True when the reply or time-out being delivered belongs to the running transfer.
    bool IsCurrent() const;
    // True when the delivery is the running transfer's reply; a time-out of the running
    // transfer ends it with "Urządzenie nie odpowiada", anything older is ignored.
    bool TakeReply(const t_transfer_data* reply);
    void Fail(const char* message);
    // The block has been read, or written and closed: "koniec transmisji", IDOK.
    void Complete();

    // Which way the block goes.
    enum class Direction { Read, Write };
    // Running: a transfer is under way and its replies are taken.
    enum class Activity { Idle, Running };

    // Sends one request of the running transfer to the device.
    std::uint32_t Send(int command, const std::uint8_t* data, int length, ReplyHandler handler);

    CLinkHost& m_host;
    CQueue& m_queue;
    std::uint32_t m_memoryAddress = 0;
    std::uint32_t m_remaining = 0;
    std::size_t m_bufferPosition = 0;
    std::vector<std::uint8_t> m_buffer;
    int m_blockId = 0;
    Direction m_direction = Direction::Read;
    Activity m_activity = Activity::Idle;
    std::uint32_t m_requestId = 0; // the chunk request now outstanding
    std::uint32_t m_requestedCount = 0;
    CProgressCtrl m_progress;
};
