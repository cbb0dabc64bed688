// The main window as the session of the device operations: the exchange and the block
// transfer run modally behind the "Czekaj" and "Postęp" boxes, so the operation waits for
// them while the window's loop keeps the link going.
#include "app/lw_dlg.h"
#include "base/readout_part_folder.h"
#include "link/protocol.h"
#include "link/ui/dlg_nv_progress.h"
#include "link/ui/dlg_request.h"

#include <cstring>

const t_transfer_data* CLWDlg::Exchange(int command, const std::uint8_t* data, int length) {
    CDlgRequest& request = RequestDialog();
    request.SetRequest(DeviceAddress(), command, data, length);
    request.DoModal();
    return request.GetReply();
}

void CLWDlg::SendWithoutReply(int command) {
    SendRequest(DeviceAddress(), protocol::kTypeNoReply, command, nullptr, 0, nullptr);
}

bool CLWDlg::ReadBlock(int blockId, std::uint8_t* buffer) {
    CDlgNVProgress& transfer = ProgressDialog();
    transfer.SetRead(blockId);
    // The transfer box has told the user why it failed or stopped.
    if (transfer.DoModal() != IDOK) {
        return false;
    }
    std::memcpy(buffer, transfer.GetData(), protocol::BlockSize(blockId));
    return true;
}

bool CLWDlg::ReadBlockFrom(int blockId, std::uint32_t held, std::uint8_t* buffer,
                           const ChunkFunction& onChunk) {
    CDlgNVProgress& transfer = ProgressDialog();
    transfer.SetReadFrom(blockId, held, buffer, [&](std::uint32_t offset, std::uint32_t count) {
        const std::uint8_t* bytes = transfer.GetData() + offset;
        std::memcpy(buffer + offset, bytes, count);
        if (onChunk) {
            onChunk(offset, bytes, count);
        }
    });
    const INT_PTR result = transfer.DoModal();
    m_portCameBack = result == IDRETRY;
    return result == IDOK;
}

bool CLWDlg::ReadChunkList(int blockId, const std::uint8_t* source, CChunkSource& list,
                           std::uint8_t* buffer) {
    CDlgNVProgress& transfer = ProgressDialog();
    transfer.SetReadList(blockId, source, list);
    const bool read = transfer.DoModal() == IDOK;
    std::memcpy(buffer, transfer.GetData(), protocol::BlockSize(blockId));
    return read;
}

bool CLWDlg::ReadBlockQuietly(int blockId, std::uint8_t* buffer) {
    CDlgRequest& request = RequestDialog();
    request.SetBlockRead(DeviceAddress(), blockId);
    request.DoModal();
    const std::uint8_t* block = request.GetBlock();
    if (block == nullptr) {
        return false;
    }
    std::memcpy(buffer, block, protocol::BlockSize(blockId));
    return true;
}

t_readout_part_folder CLWDlg::ReadoutPartFolder() const {
    return m_partFolder.has_value() ? *m_partFolder : ReadoutPartFolderOf(ProgramDirectory());
}

bool CLWDlg::WriteBlock(int blockId, const std::uint8_t* bytes) {
    CDlgNVProgress& transfer = ProgressDialog();
    transfer.SetWrite(blockId, bytes);
    return transfer.DoModal() == IDOK;
}

bool CLWDlg::AskYesNo(const std::string& question) {
    return AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void CLWDlg::ShowMessage(const std::string& text, MessageIcon icon) {
    AfxMessageBox(text, icon == MessageIcon::Exclamation ? MB_OK | MB_ICONEXCLAMATION : MB_OK);
}
