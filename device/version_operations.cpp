// "Wersje", "Aktualizuj czas" and "Reset": operations that need no window.
#include "device/device_exchange.h"
#include "device/device_operations.h"
#include "device/device_replies.h"
#include "device/device_session.h"
#include "base/device_time.h"
#include "link/protocol.h"
#include "link/transfer_data.h"

#include <cstring>

namespace {
const char* const kDashes = "----------------------------------------------------";
} // namespace

void ShowVersions(CDeviceSession& session, const std::string& terminalBanner) {
    session.ConsoleWrite("Odczyt wersji", 1);
    const t_transfer_data* reply = session.Exchange(protocol::kCmdReadVersions, nullptr, 0);
    session.ConsoleWrite(std::string(kDashes) + "\r\nWersja terminala : \r\n" + terminalBanner, 1);
    // A reply without even the version byte is no answer.
    t_versions_reply versions;
    if (reply == nullptr || !ParseVersionsReply(reply->data, ReplyDataLength(*reply), versions)) {
        ShowNoAnswer(session);
        return;
    }
    session.ConsoleWrite("Wersja urządzenia : ", 1);
    session.ConsoleWrite(versions.name, 1);
    session.ConsoleWrite(FormatVersionSuffix(versions.version), 0);
    session.ConsoleWrite(kDashes, 1);
}

void UpdateClock(CDeviceSession& session) {
    session.ConsoleWrite("Odczyt czasu", 1);
    const t_transfer_data* reply = session.Exchange(protocol::kCmdReadClock, nullptr, 0);
    // A reply shorter than a date-time is no answer.
    t_device_time deviceTime;
    if (reply == nullptr || !ParseClockReply(reply->data, ReplyDataLength(*reply), deviceTime)) {
        ShowNoAnswer(session);
        return;
    }
    const std::string question = "Czas w urządzeniu: " + FormatDeviceTime(deviceTime) +
                                 "    \r\n\r\nCzy ustawić czas z komputera PC ?";
    if (!session.AskYesNo(question)) {
        return;
    }
    const t_device_time now = GetPcTime();
    std::uint8_t payload[protocol::kDeviceTimeSize];
    std::memcpy(payload, &now, sizeof payload);
    session.ConsoleWrite("Zapis czasu", 1);
    if (session.Exchange(protocol::kCmdSetClock, payload, sizeof payload) == nullptr) {
        ShowNoAnswer(session);
    }
}

void ResetDevice(CDeviceSession& session) {
    if (!session.AskYesNo("Na pewno?")) {
        return;
    }
    session.SendWithoutReply(protocol::kCmdReset);
}
