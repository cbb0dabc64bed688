#pragma once
// The device's 7-byte calendar date-time and the conversions between it, the PC's local
// clock and text. The device clock holds local wall-clock time without zone or daylight
// saving flag, so every conversion reads a record as local time of the PC.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#pragma pack(push, 1)
struct t_device_time {
    std::uint8_t second = 0; // 0-59
    std::uint8_t minute = 0; // 0-59
    std::uint8_t hour = 0;   // 0-23
    std::uint8_t day = 0;    // day of month, 1-31
    std::uint8_t month = 0;  // 1-12
    std::uint8_t yearLow = 0;
    std::uint8_t yearHigh = 0;

    std::uint16_t Year() const { return static_cast<std::uint16_t>(yearLow | (yearHigh << 8)); }
    void SetYear(std::uint16_t year) {
        yearLow = static_cast<std::uint8_t>(year);
        yearHigh = static_cast<std::uint8_t>(year >> 8);
    }
    bool operator==(const t_device_time&) const = default;
};
#pragma pack(pop)
static_assert(sizeof(t_device_time) == 7);

t_device_time MakeDeviceTime(int year, int month, int day, int hour, int minute, int second);

// The record at offset in a byte record of the given size; false (out untouched) when the
// seven bytes do not lie inside it.
bool ReadDeviceTime(const std::uint8_t* data, std::size_t size, std::size_t offset,
                    t_device_time& out);
bool WriteDeviceTime(std::uint8_t* data, std::size_t size, std::size_t offset,
                     const t_device_time& time);

// The Gregorian rule: every fourth year, of the centuries only every fourth (2000, not 1900).
bool IsLeapYear(unsigned year);
// The days of the month in the year. A month outside 1-12 (a recorded start time may carry
// month 0) counts as the walk of recorded sample times has always counted it: by
// (month - 1) modulo 12 in unsigned arithmetic, never with a leap day, so month 0 has 30
// days, 13 has 31 and 14 has 28.
unsigned DaysInMonth(unsigned year, unsigned month);
// True for a date the calendar has (month 1-12, a day the month has, hour, minute and
// second in range) in a year from firstYear to lastYear.
bool IsCalendarDate(const t_device_time& time, unsigned firstYear, unsigned lastYear);

// "YYYY-MM-DD HH:MM:SS", the fields as the record holds them: the year in four digits and
// the others in two, each wider when its number needs more ("2009-255-01 ...").
std::string DeviceTimeText(const t_device_time& time);
void AppendDeviceTimeText(std::string& out, const t_device_time& time);
// The local date-time of a calendar time as DeviceTimeText writes it; empty when the
// library cannot convert it.
std::string LocalTimeText(std::int64_t calendar);

// "%1d dni , %1d godzin , %1d minut , %1d sekund"
std::string FormatDuration(std::uint32_t seconds);
// "%d.%02d.%02d  %d:%02d.%02d" (year first); any record gives a text.
std::string FormatDeviceTime(const t_device_time& time);

// Calendar time of the record read as local time, daylight saving found by the library.
// -1 for a record before 1970 or one the conversion refuses (the all-zero record).
std::int64_t DeviceTimeToCalendar(const t_device_time& time);
// Local date-time of a calendar time.
t_device_time CalendarToDeviceTime(std::int64_t calendar);

// The record n seconds after t; out-of-range fields are normalised. A record that cannot be
// converted is given back unchanged.
t_device_time AddSeconds(const t_device_time& t, std::int32_t n);
// Seconds from b to a, low 32 bits. A record that cannot be converted counts as -1, so a
// difference against the all-zero record is far from zero.
std::int32_t DiffSeconds(const t_device_time& a, const t_device_time& b);
// The PC's present local time.
t_device_time GetPcTime();
// (high byte) * 128 + (low byte & 0x7F): a value carried as two 7-bit bytes.
std::uint16_t Join7Bit(std::uint16_t v);
// -1, 0 or 1 as a is earlier than, equal to or later than b, field by field from the year.
int CompareDeviceTime(const t_device_time& a, const t_device_time& b);
