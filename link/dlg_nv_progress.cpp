#include "link/dlg_nv_progress.h"

#include "base/text_format.h"
#include "link/link_host.h"
#include "link/queue.h"
#include "res/resource.h"

#include <utility>

CDlgNVProgress::CDlgNVProgress(CLinkHost& host, CQueue& queue)
    : CDialog(IDD_NV_PROGRESS), m_host(host), m_queue(queue) {}

void CDlgNVProgress::SetRead(int blockId) {
    m_transfer.SetRead(blockId);
}

void CDlgNVProgress::SetWrite(int blockId, const std::uint8_t* source) {
    m_transfer.SetWrite(blockId, source);
}

void CDlgNVProgress::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL CDlgNVProgress::OnInitDialog() {
    CDialog::OnInitDialog();
    const int size = static_cast<int>(BlockSize(m_transfer.BlockId()));
    m_host.ConsoleWrite(Format("Transmisja %dB", size), 1);
    m_activity = Activity::Running;
    m_progress.SetRange32(0, size);
    m_progress.SetPos(0);
    Follow(m_transfer.Start());
    return TRUE;
}

void CDlgNVProgress::SendRequest() {
    const t_block_request& request = m_transfer.Request();
    // The bar counts a chunk as soon as it is asked for.
    m_progress.SetPos(static_cast<int>(m_transfer.Done() + request.count));
    ReplyHandler handler = [this](const t_transfer_data* reply) { OnReadReply(reply); };
    if (request.command == protocol::kCmdWriteChunk) {
        handler = [this](const t_transfer_data* reply) { OnWriteReply(reply); };
    } else if (request.command == protocol::kCmdCloseWrite) {
        handler = [this](const t_transfer_data* reply) { OnCommitReply(reply); };
    }
    m_transfer.Sent(m_queue.AddRequest(m_host.LinkSettings().deviceAddress, protocol::kTypeReply,
                                       request.command, request.data.data(), request.length,
                                       std::move(handler)));
}

void CDlgNVProgress::Follow(CBlockTransfer::Next next) {
    switch (next) {
    case CBlockTransfer::Next::Send:
        SendRequest();
        break;
    case CBlockTransfer::Next::End:
        if (m_transfer.GetState() == CBlockTransfer::State::Complete) {
            Complete();
        } else {
            Fail(m_transfer.FailureText());
        }
        break;
    case CBlockTransfer::Next::Ignore:
        break;
    }
}

void CDlgNVProgress::Deliver(const t_transfer_data* reply) {
    const std::uint32_t ticket = m_queue.CurrentDelivery();
    Follow(reply != nullptr ? m_transfer.OnReply(ticket, *reply) : m_transfer.OnTimeout(ticket));
}

void CDlgNVProgress::OnReadReply(const t_transfer_data* reply) {
    Deliver(reply);
}

void CDlgNVProgress::OnWriteReply(const t_transfer_data* reply) {
    Deliver(reply);
}

void CDlgNVProgress::OnCommitReply(const t_transfer_data* reply) {
    Deliver(reply);
}

void CDlgNVProgress::Complete() {
    m_activity = Activity::Idle;
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
        m_transfer.Abort();
        m_host.ConsoleWrite("Przerwano transmisję", 1);
    }
    EndDialog(IDCANCEL);
}
