// "info": the device's name and version and its live status as the window's status panel
// shows them, one "name: value" line each, or as one JSON object.

#include "base/shown_text.h"
#include "cli/cli_json.h"
#include "cli/device_cli_options.h"
#include "cli/device_commands.h"
#include "cli/device_status_view.h"
#include "device/device_exchange.h"
#include "device/device_replies.h"
#include "device/device_session.h"
#include "device/live_status.h"
#include "link/protocol.h"
#include "link/transfer_data.h"

#include <ostream>

int RunInfo(t_command_context& context) {
    CDeviceSession& session = context.session;
    const t_transfer_data* reply = session.Exchange(protocol::kCmdReadVersions, nullptr, 0);
    t_versions_reply versions;
    if (reply == nullptr || !ParseVersionsReply(reply->data, ReplyDataLength(*reply), versions)) {
        ShowNoAnswer(session);
        return 1;
    }
    // The reply is overwritten by the next exchange; the name is already a copy.
    reply = session.Exchange(protocol::kCmdLiveStatus, kLiveStatusRequest,
                             static_cast<int>(kLiveStatusRequestSize));
    t_live_status status;
    if (reply == nullptr || !ParseLiveStatus(reply->data, ReplyDataLength(*reply), status)) {
        ShowNoAnswer(session);
        return 1;
    }
    std::ostream& out = context.out;
    if (context.options.json) {
        nlohmann::json object = {{"name", versions.name},
                                 {"version", versions.version},
                                 {"address", session.DeviceAddress()}};
        AddStatusJson(status, object);
        out << JsonText(object);
        return 0;
    }
    // The name is the device's own text: a terminal must not take it for commands.
    out << "nazwa: " << ShownText(versions.name) << '\n';
    out << "wersja: " << static_cast<int>(versions.version) << '\n';
    out << "adres: " << session.DeviceAddress() << '\n';
    out << "rodzaj: " << (status.programmer ? "programator" : "rejestrator") << '\n';
    for (const auto& [name, value] : StatusFields(status)) {
        out << name << ": " << ShownText(value) << '\n';
    }
    return 0;
}
