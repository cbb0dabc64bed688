// "Określ położenie": the position through its editor.
#include "device/device_exchange.h"
#include "device/device_operations.h"
#include "device/device_replies.h"
#include "device/device_session.h"
#include "device/ui/dlg_location.h"
#include "link/protocol.h"
#include "link/transfer_data.h"

namespace {
constexpr std::int32_t kMillimetresPerMetre = 1000;
} // namespace

void EditPosition(CDeviceSession& session) {
    session.ConsoleWrite("Odczyt położenia", 1);
    const t_transfer_data* reply = session.Exchange(protocol::kCmdReadPosition, nullptr, 0);
    // A reply shorter than a position is no answer.
    std::int32_t millimetres = 0;
    if (reply == nullptr ||
        !ParsePositionReply(reply->data, ReplyDataLength(*reply), millimetres)) {
        ShowNoAnswer(session);
        return;
    }
    CDlgLocation location(session.ParentWindow());
    // A negative reading lands far outside 0-9999, so it must be replaced before saving.
    location.m_metres = static_cast<UINT>(millimetres / kMillimetresPerMetre);
    if (location.DoModal() != IDOK) {
        return;
    }
    std::uint8_t payload[protocol::kPositionSize];
    EncodePosition(static_cast<std::int32_t>(location.m_metres) * kMillimetresPerMetre, payload);
    session.ConsoleWrite("Zapis położenia", 1);
    if (session.Exchange(protocol::kCmdSetPosition, payload, sizeof payload) == nullptr) {
        ShowNoAnswer(session);
    }
}
