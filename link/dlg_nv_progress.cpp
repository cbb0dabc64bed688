#include "link/dlg_nv_progress.h"

#include "base/byte_order.h"
#include "base/text_format.h"
#include "link/link_host.h"
#include "link/queue.h"
#include "res/resource.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kNoReply = "Urządzenie nie odpowiada";
constexpr const char* kVerifyFailed = "Błąd przy weryfikacji zapisu do pamieci !";
constexpr const char* kBadReply = "Błędna odpowiedź urządzenia";

} // namespace

CDlgNVProgress::CDlgNVProgress(CLinkHost& host, CQueue& queue)
    : CDialog(IDD_NV_PROGRESS), m_host(host), m_queue(queue), m_buffer(protocol::kRecorderSize) {}

std::uint32_t CDlgNVProgress::Send(int command, const std::uint8_t* data, int length,
                                   ReplyHandler handler) {
    return m_queue.AddRequest(m_host.LinkSettings().deviceAddress, protocol::kTypeReply, command,
                              data, length, std::move(handler));
}

void CDlgNVProgress::SetRead(int blockId) {
    m_blockId = blockId;
    m_direction = Direction::Read;
    m_memoryAddress = BlockAddress(blockId);
    m_remaining = BlockSize(blockId);
    m_bufferPosition = 0;
    m_requestId = 0;
}

void CDlgNVProgress::SetWrite(int blockId, const std::uint8_t* source) {
    m_blockId = blockId;
    m_direction = Direction::Write;
    m_memoryAddress = BlockAddress(blockId);
    m_remaining = BlockSize(blockId);
    m_bufferPosition = 0;
    m_requestId = 0;
    if (m_remaining > 0 && source != nullptr) {
        std::memcpy(m_buffer.data(), source, m_remaining);
    }
}

void CDlgNVProgress::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL CDlgNVProgress::OnInitDialog() {
    CDialog::OnInitDialog();
    const int size = static_cast<int>(BlockSize(m_blockId));
    m_host.ConsoleWrite(Format("Transmisja %dB", size), 1);
    m_activity = Activity::Running;
    m_progress.SetRange32(0, size);
    m_progress.SetPos(0);
    if (m_direction == Direction::Read) {
        ReadNextChunk();
    } else {
        WriteNextChunk();
    }
    return TRUE;
}

bool CDlgNVProgress::IsCurrent() const {
    return m_activity == Activity::Running && m_requestId != 0 &&
           m_queue.CurrentDelivery() == m_requestId;
}

void CDlgNVProgress::ReadNextChunk() {
    const std::uint32_t n = std::min<std::uint32_t>(m_remaining, protocol::kChunkData);
    m_progress.SetStep(static_cast<int>(n));
    if (n == 0) {
        Complete();
        return;
    }
    m_progress.StepIt();
    std::uint8_t data[protocol::kChunkHeader];
    WriteU32LE(data, sizeof data, 0, m_memoryAddress);
    data[4] = static_cast<std::uint8_t>(n);
    m_memoryAddress += n;
    m_remaining -= n;
    m_requestedCount = n;
    m_requestId = Send(protocol::kCmdReadChunk, data, sizeof data,
                       [this](const t_transfer_data* reply) { OnReadReply(reply); });
}

bool CDlgNVProgress::TakeReply(const t_transfer_data* reply) {
    if (!IsCurrent()) {
        return false;
    }
    m_requestId = 0;
    if (reply == nullptr) {
        Fail(kNoReply);
        return false;
    }
    return true;
}

void CDlgNVProgress::OnReadReply(const t_transfer_data* reply) {
    if (!TakeReply(reply)) {
        return;
    }
    // The count must be the one asked for, and carried whole by the frame; anything else
    // would leave a gap in the block or read past the frame.
    const std::size_t carried = std::min<std::size_t>(reply->length, protocol::kMaxData);
    if (carried < protocol::kChunkHeader) {
        Fail(kBadReply);
        return;
    }
    const std::uint32_t k = reply->data[4];
    if (k != m_requestedCount || protocol::kChunkHeader + k > carried ||
        m_bufferPosition + k > m_buffer.size()) {
        Fail(kBadReply);
        return;
    }
    std::memcpy(m_buffer.data() + m_bufferPosition, reply->data + protocol::kChunkHeader, k);
    m_bufferPosition += k;
    ReadNextChunk();
}

void CDlgNVProgress::WriteNextChunk() {
    const std::uint32_t n = std::min<std::uint32_t>(m_remaining, protocol::kChunkData);
    m_progress.SetStep(static_cast<int>(n));
    if (n == 0) {
        const std::uint8_t block = static_cast<std::uint8_t>(m_blockId);
        m_requestId = Send(protocol::kCmdCloseWrite, &block, 1,
                           [this](const t_transfer_data* reply) { OnCommitReply(reply); });
        return;
    }
    m_progress.StepIt();
    std::uint8_t data[protocol::kChunkHeader + protocol::kChunkData];
    WriteU32LE(data, sizeof data, 0, m_memoryAddress);
    data[4] = static_cast<std::uint8_t>(n);
    std::memcpy(data + protocol::kChunkHeader, m_buffer.data() + m_bufferPosition, n);
    m_memoryAddress += n;
    m_remaining -= n;
    m_bufferPosition += n;
    m_requestId = Send(protocol::kCmdWriteChunk, data, static_cast<int>(protocol::kChunkHeader + n),
                       [this](const t_transfer_data* reply) { OnWriteReply(reply); });
}

void CDlgNVProgress::OnWriteReply(const t_transfer_data* reply) {
    if (!TakeReply(reply)) {
        return;
    }
    // A confirmation without its status byte confirms nothing.
    if (reply->length < 1 || reply->data[0] != 1) {
        Fail(kVerifyFailed);
        return;
    }
    WriteNextChunk();
}

void CDlgNVProgress::OnCommitReply(const t_transfer_data* reply) {
    if (!TakeReply(reply)) {
        return;
    }
    Complete();
}

void CDlgNVProgress::Complete() {
    m_activity = Activity::Idle;
    m_requestId = 0;
    m_host.ConsoleWrite("koniec transmisji", 1);
    EndDialog(IDOK);
}

void CDlgNVProgress::Fail(const char* message) {
    AfxMessageBox(message, MB_OK);
    OnCancel();
}

void CDlgNVProgress::OnOK() {
    // Enter while the box is shown: the block is not complete, so it is an abort, never
    // a success.
    OnCancel();
}

void CDlgNVProgress::OnCancel() {
    if (m_activity == Activity::Running) {
        m_activity = Activity::Idle;
        m_requestId = 0;
        m_host.ConsoleWrite("Przerwano transmisję", 1);
    }
    EndDialog(IDCANCEL);
}
