// "clock": the device time beside the PC's and their difference; with --set the device
// clock set to the PC's local time as "Aktualizuj czas" sets it, with --max-drift only
// when the difference exceeds the limit.

#include "base/device_time.h"
#include "base/text_format.h"
#include "cli/cli_json.h"
#include "cli/device_cli_options.h"
#include "cli/device_commands.h"
#include "device/device_exchange.h"
#include "device/device_replies.h"
#include "device/device_session.h"
#include "link/protocol.h"
#include "link/transfer_data.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <ostream>

namespace {

// The years the PC's conversion is trusted with: a date outside has no difference to it.
constexpr unsigned kFirstCalendarYear = 1970;
constexpr unsigned kLastCalendarYear = 9999;

struct t_clock_reading {
    t_device_time device;
    t_device_time pc;
    std::optional<long long> difference; // device minus PC; none for a wrong device date
};

// Reads the device clock and takes the PC's time right after its reply.
bool ReadClock(CDeviceSession& session, t_clock_reading& reading) {
    const t_transfer_data* reply = session.Exchange(protocol::kCmdReadClock, nullptr, 0);
    if (reply == nullptr ||
        !ParseClockReply(reply->data, ReplyDataLength(*reply), reading.device)) {
        ShowNoAnswer(session);
        return false;
    }
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    reading.pc = CalendarToDeviceTime(now);
    reading.difference.reset();
    if (IsCalendarDate(reading.device, kFirstCalendarYear, kLastCalendarYear)) {
        const std::int64_t device = DeviceTimeToCalendar(reading.device);
        if (device != -1) {
            reading.difference = device - now;
        }
    }
    return true;
}

void WriteReading(std::ostream& out, const t_clock_reading& reading) {
    out << "czas urządzenia: " << DeviceTimeText(reading.device);
    if (!reading.difference) {
        out << " (nieprawidłowa data)";
    }
    out << '\n';
    out << "czas komputera: " << DeviceTimeText(reading.pc) << '\n';
    if (reading.difference) {
        out << Format("różnica: %+lld s", *reading.difference) << '\n';
    } else {
        out << "różnica: nieznana\n";
    }
}

nlohmann::json ReadingJson(const t_clock_reading& reading) {
    return {{"device_time", DeviceTimeText(reading.device)},
            {"pc_time", DeviceTimeText(reading.pc)},
            {"difference_s",
             reading.difference ? nlohmann::json(*reading.difference) : nlohmann::json(nullptr)}};
}

// The clock's readings as the command prints them: lines as they come, or one JSON object
// once the command has done its work ("set" and "after" added with --set).
class CClockOutput {
public:
    CClockOutput(std::ostream& out, bool json) : m_out(out), m_json(json) {}
    int Done() {
        if (m_json) {
            m_out << JsonText(m_object);
        }
        return 0;
    }
    void Before(const t_clock_reading& reading) {
        if (m_json) {
            m_object = ReadingJson(reading);
            m_object["set"] = false;
        } else {
            WriteReading(m_out, reading);
        }
    }
    void Line(const std::string& text) {
        if (!m_json) {
            m_out << text << '\n';
        }
    }
    void After(const t_clock_reading& reading) {
        if (m_json) {
            m_object["set"] = true;
            m_object["after"] = ReadingJson(reading);
        } else {
            WriteReading(m_out, reading);
        }
    }

private:
    std::ostream& m_out;
    bool m_json;
    nlohmann::json m_object;
};

} // namespace

int RunClock(t_command_context& context) {
    CDeviceSession& session = context.session;
    const t_device_cli_options& options = context.options;
    CClockOutput output(context.out, options.json);
    t_clock_reading before;
    if (!ReadClock(session, before)) {
        return 1;
    }
    output.Before(before);
    if (!options.setClock) {
        return output.Done();
    }
    // A wrong device date exceeds any limit.
    if (options.maxDriftGiven && before.difference &&
        std::llabs(*before.difference) <= options.maxDriftSeconds) {
        output.Line(
            Format("czas nie ustawiony: różnica nie przekracza %lld s", options.maxDriftSeconds));
        return output.Done();
    }
    const t_device_time now = GetPcTime();
    std::uint8_t payload[protocol::kDeviceTimeSize];
    std::memcpy(payload, &now, sizeof payload);
    if (session.Exchange(protocol::kCmdSetClock, payload, sizeof payload) == nullptr) {
        ShowNoAnswer(session);
        return 1;
    }
    output.Line("czas ustawiony");
    t_clock_reading after;
    if (!ReadClock(session, after)) {
        return 1;
    }
    output.After(after);
    return output.Done();
}
