#include "link/ui/dlg_request.h"

#include "link/queue.h"
#include "res/resource.h"

#include <algorithm>
#include <cstring>

CDlgRequest::CDlgRequest(CQueue& queue, CBlockTransferDriver& blockRead)
    : CDialog(IDD_REQUEST), m_queue(queue), m_blockRead(blockRead) {}

void CDlgRequest::SetRequest(int deviceAddress, int command, const std::uint8_t* data, int length) {
    const std::size_t n =
        data == nullptr ? 0
                        : std::clamp<std::size_t>(static_cast<std::size_t>(std::max(length, 0)), 0,
                                                  protocol::kMaxData);
    m_message = t_transfer_data{};
    m_message.length = static_cast<std::uint8_t>(n);
    m_message.addressType = MakeAddressType(deviceAddress, protocol::kTypeReply);
    m_message.command = static_cast<std::uint8_t>(command);
    if (n > 0) {
        std::memcpy(m_message.data, data, n);
    }
    m_replyValid = 0;
    m_requestId = 0;
    m_readingBlock = false;
}

void CDlgRequest::SetBlockRead(int deviceAddress, int blockId) {
    m_replyValid = 0;
    m_requestId = 0;
    m_readingBlock = true;
    m_blockAddress = deviceAddress;
    m_blockRead.SetRead(blockId);
}

const std::uint8_t* CDlgRequest::GetBlock() const {
    const CBlockTransfer& walk = m_blockRead.Transfer();
    return m_readingBlock && walk.GetState() == CBlockTransfer::State::Complete ? walk.Data()
                                                                                : nullptr;
}

const t_transfer_data* CDlgRequest::GetReply() const {
    return m_replyValid ? &m_message : nullptr;
}

BOOL CDlgRequest::OnInitDialog() {
    CDialog::OnInitDialog();
    if (m_readingBlock) {
        m_blockRead.Start(m_blockAddress, nullptr, [this] { EndDialog(IDOK); });
        return TRUE;
    }
    m_requestId = m_queue.AddRequest(m_message.Address(), m_message.Type(), m_message.command,
                                     m_message.data, m_message.length,
                                     [this](const t_transfer_data* reply) { OnReply(reply); });
    if (m_requestId == 0) {
        EndDialog(IDOK); // refused: there is nothing to wait for
    }
    return TRUE;
}

void CDlgRequest::OnReply(const t_transfer_data* reply) {
    // Replies and time-outs of an exchange that was left with Enter or Escape still come
    // here; they belong to no exchange now shown.
    if (m_requestId == 0 || m_queue.CurrentDelivery() != m_requestId || !IsModalLoopRunning()) {
        return;
    }
    if (reply != nullptr) {
        m_message = *reply;
        m_replyValid = 1;
    }
    OnOK();
}

void CDlgRequest::OnOK() {
    if (m_readingBlock) {
        // Enter while a block is read: it is not whole, so the read is given up.
        OnCancel();
        return;
    }
    EndDialog(IDOK);
}

void CDlgRequest::OnCancel() {
    if (m_readingBlock) {
        m_blockRead.Abort();
    }
    CDialog::OnCancel();
}
