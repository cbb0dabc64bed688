// "clock": the device time beside the PC's and their difference; with --set the device
// clock set to the PC's local time as "Aktualizuj czas" sets it, with --max-drift only
// when the difference exceeds the limit.

#include "base/device_time.h"
#include "base/text_format.h"
#include "device/device_replies.h"
#include "export/cli_session.h"
#include "export/device_cli_options.h"
#include "export/device_commands.h"
#include "link/protocol.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <ostream>

namespace {

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// A date of the calendar the PC can convert: a wrong one has no difference to the PC.
bool IsCalendarDate(const t_device_time& t) {
    return t.Year() >= 1970 && t.Year() <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysInMonth(t.Year(), t.month) && t.hour < 24 && t.minute < 60 && t.second < 60;
}

std::string DateTimeText(const t_device_time& t) {
    return Format("%04u-%02u-%02u %02u:%02u:%02u", static_cast<unsigned>(t.Year()),
                  static_cast<unsigned>(t.month), static_cast<unsigned>(t.day),
                  static_cast<unsigned>(t.hour), static_cast<unsigned>(t.minute),
                  static_cast<unsigned>(t.second));
}

struct t_clock_reading {
    t_device_time device;
    t_device_time pc;
    std::optional<long long> difference; // device minus PC; none for a wrong device date
};

// Reads the device clock and takes the PC's time right after its reply.
bool ReadClock(CCliSession& session, t_clock_reading& reading) {
    std::size_t size = 0;
    const std::uint8_t* data = ExchangeData(session, protocol::kCmdReadClock, nullptr, 0, size);
    if (data == nullptr) {
        return false;
    }
    if (!ParseClockReply(data, size, reading.device)) {
        session.ShowMessage("Urządzenie nie odpowiada", MessageIcon::Exclamation);
        return false;
    }
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    reading.pc = CalendarToDeviceTime(now);
    reading.difference.reset();
    if (IsCalendarDate(reading.device)) {
        const std::int64_t device = DeviceTimeToCalendar(reading.device);
        if (device != -1) {
            reading.difference = device - now;
        }
    }
    return true;
}

void WriteReading(std::ostream& out, const t_clock_reading& reading) {
    out << "czas urządzenia: " << DateTimeText(reading.device);
    if (!reading.difference) {
        out << " (nieprawidłowa data)";
    }
    out << '\n';
    out << "czas komputera: " << DateTimeText(reading.pc) << '\n';
    if (reading.difference) {
        out << Format("różnica: %+lld s", *reading.difference) << '\n';
    } else {
        out << "różnica: nieznana\n";
    }
}

} // namespace

int RunClock(t_command_context& context) {
    CCliSession& session = context.session;
    const t_device_cli_options& options = context.options;
    t_clock_reading before;
    if (!ReadClock(session, before)) {
        return 1;
    }
    WriteReading(context.out, before);
    if (!options.setClock) {
        return 0;
    }
    // A wrong device date exceeds any limit.
    if (options.maxDriftGiven && before.difference &&
        std::llabs(*before.difference) <= options.maxDriftSeconds) {
        context.out << Format("czas nie ustawiony: różnica nie przekracza %lld s",
                              options.maxDriftSeconds)
                    << '\n';
        return 0;
    }
    const t_device_time now = GetPcTime();
    std::uint8_t payload[protocol::kDeviceTimeSize];
    std::memcpy(payload, &now, sizeof payload);
    std::size_t size = 0;
    if (ExchangeData(session, protocol::kCmdSetClock, payload, sizeof payload, size) == nullptr) {
        return 1;
    }
    context.out << "czas ustawiony\n";
    t_clock_reading after;
    if (!ReadClock(session, after)) {
        return 1;
    }
    WriteReading(context.out, after);
    return 0;
}
