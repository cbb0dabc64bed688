// "info": the device's name and version and its live status as the window's status panel
// shows them, one "name: value" line each.

#include "cli/device_commands.h"
#include "device/device_exchange.h"
#include "device/device_replies.h"
#include "device/device_session.h"
#include "device/live_status.h"
#include "link/protocol.h"
#include "link/transfer_data.h"

#include <cctype>
#include <ostream>

namespace {

// The panel's "Name : value" lines as "name: value"; a line without a name is given the
// one passed.
void WritePanelLines(std::ostream& out, const std::string& panel,
                     const std::vector<std::string>& unnamed = {}) {
    std::size_t start = 0;
    std::size_t index = 0;
    while (start < panel.size()) {
        std::size_t end = panel.find("\r\n", start);
        if (end == std::string::npos) {
            end = panel.size();
        }
        const std::string line = panel.substr(start, end - start);
        start = end + 2;
        if (line.empty()) {
            continue;
        }
        std::string name;
        std::string value;
        if (const std::size_t colon = line.find(" : "); colon != std::string::npos) {
            name = line.substr(0, colon);
            value = line.substr(colon + 3);
        } else {
            name = index < unnamed.size() ? unnamed[index] : "";
            value = line;
        }
        ++index;
        if (!name.empty()) {
            name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
        }
        out << name << ": " << value << '\n';
    }
}

} // namespace

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
    out << "nazwa: " << versions.name << '\n';
    out << "wersja: " << static_cast<int>(versions.version) << '\n';
    out << "adres: " << session.DeviceAddress() << '\n';
    out << "rodzaj: " << (status.programmer ? "programator" : "rejestrator") << '\n';
    if (status.programmer) {
        // The panel shows nothing more for a programmer.
        return 0;
    }
    WritePanelLines(out, FormatSpeedPosition(status.speed, status.position),
                    {"Prędkość", "Położenie"});
    WritePanelLines(out, FormatInputs(status));
    WritePanelLines(out, FormatOutputs(status));
    WritePanelLines(out, FormatSupply(status));
    return 0;
}
