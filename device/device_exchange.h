#pragma once
// The steps every device operation of the main window is made of: one request/reply
// exchange behind the wait box, and the read - edit - write road of a settings block.

#include "app/lw_dlg.h"
#include "link/dlg_nv_progress.h"
#include "link/transfer_data.h"

#include <cstddef>
#include <cstdint>

// Sends the command with its data to the device of the settings record and waits for the
// reply; nullptr when none came. The reply stays valid until the next exchange.
const t_transfer_data* ExchangeWithDevice(CLWDlg& mainWindow, int command,
                                          const std::uint8_t* data = nullptr, int length = 0);
// The data bytes a reply carries, never more than a frame holds.
std::size_t ReplyDataLength(const t_transfer_data& reply);
// "Urządzenie nie odpowiada".
void ShowNoAnswer();

// Reads the block, lets the user edit it in an editor dialog and, on "Zapisz", writes the
// edited record back whole. The editor has a public record m_record of the block's size,
// filled before it runs and read after it closed. Nothing is written when the read did not
// complete or the user left with "Nie zapisuj".
template <class Editor>
void EditSettingsBlock(CLWDlg& mainWindow, int blockId, const char* readText,
                       const char* writeText) {
    mainWindow.ConsoleWrite(readText, 1);
    CDlgNVProgress& transfer = mainWindow.ProgressDialog();
    transfer.SetRead(blockId);
    if (transfer.DoModal() != IDOK) {
        return;
    }
    Editor editor(&mainWindow);
    if (!editor.m_record.Load(transfer.GetData(), CDlgNVProgress::BlockSize(blockId))) {
        return;
    }
    if (editor.DoModal() != IDOK) {
        return;
    }
    mainWindow.ConsoleWrite(writeText, 1);
    transfer.SetWrite(blockId, editor.m_record.Data());
    // A failed write has been reported by the transfer box; nothing is retried.
    transfer.DoModal();
}
