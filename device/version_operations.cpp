// "Wersje", "Aktualizuj czas", "Określ położenie" and "Reset" of the main window.
#include "app/lw_dlg.h"
#include "base/device_time.h"
#include "device/device_exchange.h"
#include "device/device_replies.h"
#include "device/dlg_location.h"
#include "link/protocol.h"

#include <cstring>

namespace {
const char* const kDashes = "----------------------------------------------------";
constexpr std::int32_t kMillimetresPerMetre = 1000;
} // namespace

void CLWDlg::OnVersions() {
    ConsoleWrite("Odczyt wersji", 1);
    const t_transfer_data* reply = ExchangeWithDevice(*this, protocol::kCmdReadVersions);
    ConsoleWrite(std::string(kDashes) + "\r\nWersja terminala : \r\n" + Banner(), 1);
    // A reply without even the version byte is no answer.
    t_versions_reply versions;
    if (reply == nullptr || !ParseVersionsReply(reply->data, ReplyDataLength(*reply), versions)) {
        ShowNoAnswer();
        return;
    }
    ConsoleWrite("Wersja urządzenia : ", 1);
    ConsoleWrite(versions.name, 1);
    ConsoleWrite(FormatVersionSuffix(versions.version), 0);
    ConsoleWrite(kDashes, 1);
}

void CLWDlg::OnSetClock() {
    ConsoleWrite("Odczyt czasu", 1);
    const t_transfer_data* reply = ExchangeWithDevice(*this, protocol::kCmdReadClock);
    // A reply shorter than a date-time is no answer.
    t_device_time deviceTime;
    if (reply == nullptr || !ParseClockReply(reply->data, ReplyDataLength(*reply), deviceTime)) {
        ShowNoAnswer();
        return;
    }
    const std::string question = "Czas w urządzeniu: " + FormatDeviceTime(deviceTime) +
                                 "    \r\n\r\nCzy ustawić czas z komputera PC ?";
    if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    const t_device_time now = GetPcTime();
    std::uint8_t payload[protocol::kDeviceTimeSize];
    std::memcpy(payload, &now, sizeof payload);
    ConsoleWrite("Zapis czasu", 1);
    if (ExchangeWithDevice(*this, protocol::kCmdSetClock, payload, sizeof payload) == nullptr) {
        ShowNoAnswer();
    }
}

void CLWDlg::OnSetPosition() {
    ConsoleWrite("Odczyt położenia", 1);
    const t_transfer_data* reply = ExchangeWithDevice(*this, protocol::kCmdReadPosition);
    // A reply shorter than a position is no answer.
    std::int32_t millimetres = 0;
    if (reply == nullptr ||
        !ParsePositionReply(reply->data, ReplyDataLength(*reply), millimetres)) {
        ShowNoAnswer();
        return;
    }
    CDlgLocation location(this);
    // A negative reading lands far outside 0-9999, so it must be replaced before saving.
    location.m_metres = static_cast<UINT>(millimetres / kMillimetresPerMetre);
    if (location.DoModal() != IDOK) {
        return;
    }
    std::uint8_t payload[protocol::kPositionSize];
    EncodePosition(static_cast<std::int32_t>(location.m_metres) * kMillimetresPerMetre, payload);
    ConsoleWrite("Zapis położenia", 1);
    if (ExchangeWithDevice(*this, protocol::kCmdSetPosition, payload, sizeof payload) == nullptr) {
        ShowNoAnswer();
    }
}

void CLWDlg::OnReset() {
    if (AfxMessageBox("Na pewno?", MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    SendRequest(DeviceAddress(), protocol::kTypeNoReply, protocol::kCmdReset, nullptr, 0, nullptr);
}
