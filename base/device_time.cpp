#include "base/device_time.h"

#include "base/text_format.h"

#include <cstring>

static_assert(sizeof(std::time_t) == 8, "device dates need 64-bit calendar time");

t_device_time MakeDeviceTime(int year, int month, int day, int hour, int minute, int second) {
    t_device_time t;
    t.second = static_cast<std::uint8_t>(second);
    t.minute = static_cast<std::uint8_t>(minute);
    t.hour = static_cast<std::uint8_t>(hour);
    t.day = static_cast<std::uint8_t>(day);
    t.month = static_cast<std::uint8_t>(month);
    t.SetYear(static_cast<std::uint16_t>(year));
    return t;
}

bool ReadDeviceTime(const std::uint8_t* data, std::size_t size, std::size_t offset,
                    t_device_time& out) {
    if (offset > size || size - offset < sizeof(t_device_time)) {
        return false;
    }
    std::memcpy(&out, data + offset, sizeof(t_device_time));
    return true;
}

bool WriteDeviceTime(std::uint8_t* data, std::size_t size, std::size_t offset,
                     const t_device_time& time) {
    if (offset > size || size - offset < sizeof(t_device_time)) {
        return false;
    }
    std::memcpy(data + offset, &time, sizeof(t_device_time));
    return true;
}

bool IsLeapYear(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[(month - 1) % 12];
}

bool IsCalendarDate(const t_device_time& time, unsigned firstYear, unsigned lastYear) {
    const unsigned year = time.Year();
    return year >= firstYear && year <= lastYear && time.month >= 1 && time.month <= 12 &&
           time.day >= 1 && time.day <= DaysInMonth(year, time.month) && time.hour < 24 &&
           time.minute < 60 && time.second < 60;
}

namespace {

// The number in at least `width` digits, zeros first.
void AppendPadded(std::string& out, unsigned value, int width) {
    char digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    out.append(static_cast<std::size_t>(width > n ? width - n : 0), '0');
    while (n > 0) {
        out += digits[--n];
    }
}

} // namespace

void AppendDeviceTimeText(std::string& out, const t_device_time& time) {
    // Written digit by digit: a CSV file has one such text for every recorded second.
    AppendPadded(out, time.Year(), 4);
    const unsigned fields[5] = {time.month, time.day, time.hour, time.minute, time.second};
    constexpr char kBefore[5] = {'-', '-', ' ', ':', ':'};
    for (int i = 0; i < 5; ++i) {
        out += kBefore[i];
        AppendPadded(out, fields[i], 2);
    }
}

std::string DeviceTimeText(const t_device_time& time) {
    std::string text;
    text.reserve(19);
    AppendDeviceTimeText(text, time);
    return text;
}

std::string LocalTimeText(std::int64_t calendar) {
    const std::time_t t = static_cast<std::time_t>(calendar);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) {
        return std::string();
    }
    return DeviceTimeText(MakeDeviceTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                         tm.tm_min, tm.tm_sec));
}

std::string FormatDuration(std::uint32_t seconds) {
    return Format("%1u dni , %1u godzin , %1u minut , %1u sekund", seconds / 86400u,
                  (seconds % 86400u) / 3600u, (seconds % 3600u) / 60u, seconds % 60u);
}

std::string FormatDeviceTime(const t_device_time& time) {
    return Format("%d.%02d.%02d  %d:%02d.%02d", time.Year(), time.month, time.day, time.hour,
                  time.minute, time.second);
}

std::int64_t DeviceTimeToCalendar(const t_device_time& time) {
    // Before 1970 the conversion's answer is not dependable (and -1 is its failure value).
    if (time.Year() < 1970) {
        return -1;
    }
    std::tm tm{};
    tm.tm_sec = time.second;
    tm.tm_min = time.minute;
    tm.tm_hour = time.hour;
    tm.tm_mday = time.day;
    tm.tm_mon = time.month - 1;
    tm.tm_year = time.Year() - 1900;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

t_device_time CalendarToDeviceTime(std::int64_t calendar) {
    const std::time_t t = static_cast<std::time_t>(calendar);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) {
        return t_device_time{};
    }
    return MakeDeviceTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                          tm.tm_sec);
}

t_device_time AddSeconds(const t_device_time& t, std::int32_t n) {
    const std::int64_t calendar = DeviceTimeToCalendar(t);
    if (calendar == -1) {
        return t;
    }
    return CalendarToDeviceTime(calendar + static_cast<std::int64_t>(n));
}

std::int32_t DiffSeconds(const t_device_time& a, const t_device_time& b) {
    const std::uint64_t difference =
        static_cast<std::uint64_t>(DeviceTimeToCalendar(a) - DeviceTimeToCalendar(b));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(difference));
}

t_device_time GetPcTime() {
    return CalendarToDeviceTime(static_cast<std::int64_t>(std::time(nullptr)));
}

std::uint16_t Join7Bit(std::uint16_t v) {
    return static_cast<std::uint16_t>((v >> 8) * 128 + (v & 0x7F));
}

int CompareDeviceTime(const t_device_time& a, const t_device_time& b) {
    const unsigned left[] = {a.Year(), a.month, a.day, a.hour, a.minute, a.second};
    const unsigned right[] = {b.Year(), b.month, b.day, b.hour, b.minute, b.second};
    for (int i = 0; i < 6; ++i) {
        if (left[i] != right[i]) {
            return left[i] < right[i] ? -1 : 1;
        }
    }
    return 0;
}
