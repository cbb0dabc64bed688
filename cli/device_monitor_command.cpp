// "monitor": the live status as info shows it, one line with the PC's time per poll, until
// the count is reached, a signal comes or the reader of standard output goes away.

#include "base/device_time.h"
#include "base/shown_text.h"
#include "base/steady_time.h"
#include "cli/cli_json.h"
#include "cli/cli_report.h"
#include "cli/device_cli_options.h"
#include "cli/device_commands.h"
#include "cli/device_status_view.h"
#include "cli/shell_session.h"
#include "device/device_exchange.h"
#include "device/device_replies.h"
#include "device/device_session.h"
#include "device/live_status.h"
#include "link/protocol.h"
#include "link/transfer_data.h"

#include <ctime>
#include <ostream>

namespace {

constexpr char kNoAnswerField[] = "brak odpowiedzi";

void WriteLine(std::ostream& out, bool json, const std::string& time, const t_live_status* status) {
    if (json) {
        nlohmann::json object = {{"time", time}, {"answered", status != nullptr}};
        if (status != nullptr) {
            AddStatusJson(*status, object);
        }
        out << JsonText(object, true);
        return;
    }
    out << time;
    if (status == nullptr) {
        out << ' ' << kNoAnswerField << '\n';
        return;
    }
    const char* separator = " ";
    out << separator << "rodzaj: " << (status->programmer ? "programator" : "rejestrator");
    for (const auto& [name, value] : StatusFields(*status)) {
        out << "; " << name << ": " << ShownText(value);
    }
    out << '\n';
}

} // namespace

int RunMonitor(t_command_context& context) {
    CDeviceSession& session = context.session;
    const t_device_cli_options& options = context.options;
    const long long interval = options.intervalMs;
    // Polls keep to the interval from the first one on, however long a reply takes.
    const std::int64_t first = SteadyMs();
    for (long long n = 0; options.count == 0 || n < options.count; ++n) {
        if (n > 0) {
            const std::int64_t due = first + n * interval;
            const std::int64_t left = due - SteadyMs();
            if (!context.shell.Pause(static_cast<int>(left > 0 ? left : 0))) {
                // The link went down (a signal is told by nothing).
                ShowNoAnswer(session);
                return 1;
            }
        }
        const t_transfer_data* reply = session.Exchange(
            protocol::kCmdLiveStatus, kLiveStatusRequest, static_cast<int>(kLiveStatusRequestSize));
        if (context.shell.Interrupted()) {
            return 1;
        }
        t_live_status status;
        const bool answered =
            reply != nullptr && ParseLiveStatus(reply->data, ReplyDataLength(*reply), status);
        WriteLine(context.out, options.json,
                  LocalTimeText(static_cast<std::int64_t>(std::time(nullptr))),
                  answered ? &status : nullptr);
        if (!OutputWritten(context.out, context.report)) {
            return 1;
        }
    }
    return 0;
}
