#include "device/device_exchange.h"

#include "link/dlg_request.h"
#include "link/protocol.h"

#include <algorithm>

const t_transfer_data* ExchangeWithDevice(CLWDlg& mainWindow, int command, const std::uint8_t* data,
                                          int length) {
    CDlgRequest& request = mainWindow.RequestDialog();
    request.SetRequest(mainWindow.DeviceAddress(), command, data, length);
    request.DoModal();
    return request.GetReply();
}

std::size_t ReplyDataLength(const t_transfer_data& reply) {
    return std::min<std::size_t>(reply.length, protocol::kMaxData);
}

void ShowNoAnswer() {
    AfxMessageBox("Urządzenie nie odpowiada", MB_OK | MB_ICONEXCLAMATION);
}
