#include "measure/samples_csv.h"

#include "base/device_time.h"

#include <algorithm>
#include <ctime>
#include <initializer_list>
#include <string_view>

namespace {

// Seconds converted together: the local time is looked up at both ends of such a stretch
// and only counted on in between, which holds while the UTC offset stays the same.
constexpr std::int64_t kStretch = 3600;

struct Marks {
    char separator;
    char decimal;
};

Marks MarksOf(CsvDialect dialect) {
    return dialect == CsvDialect::Polish ? Marks{';', ','} : Marks{',', '.'};
}

void AppendHeader(std::string& out, std::initializer_list<std::string_view> names, Marks marks) {
    bool first = true;
    for (std::string_view name : names) {
        if (!first) {
            out += marks.separator;
        }
        out += name;
        first = false;
    }
    out += "\r\n";
}

void AppendNumber(std::string& out, std::uint64_t value) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0) {
        out += digits[--n];
    }
}

// Speed is recorded in tenths of a metre per second.
void AppendSpeed(std::string& out, unsigned tenths, Marks marks) {
    AppendNumber(out, tenths / 10);
    out += marks.decimal;
    out += static_cast<char>('0' + tenths % 10);
}

// The local date-time one second on, for a time whose UTC offset does not change then.
void NextSecond(t_device_time& t) {
    if (++t.second < 60) {
        return;
    }
    t.second = 0;
    if (++t.minute < 60) {
        return;
    }
    t.minute = 0;
    if (++t.hour < 24) {
        return;
    }
    t.hour = 0;
    if (++t.day <= DaysInMonth(t.Year(), t.month)) {
        return;
    }
    t.day = 1;
    if (++t.month <= 12) {
        return;
    }
    t.month = 1;
    t.SetYear(static_cast<std::uint16_t>(t.Year() + 1));
}

// The UTC offset of the local time at calendar; false when the library cannot convert it.
bool OffsetAt(std::int64_t calendar, long& offset) {
    const std::time_t t = static_cast<std::time_t>(calendar);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) {
        return false;
    }
    offset = tm.tm_gmtoff;
    return true;
}

// Calls visit(i, AddSeconds(run.start, i)) for every sample i of the run, in order, with
// one conversion of the start time instead of one per sample: within a stretch whose two
// ends have the same UTC offset the local time is counted on; a stretch with a
// daylight-saving change in it is converted second by second.
template <typename Visit> void ForEachSampleTime(const t_recorded_run& run, Visit visit) {
    const std::int64_t count = static_cast<std::int64_t>(run.samples.size());
    const std::int64_t start = DeviceTimeToCalendar(run.start);
    if (start == -1) {
        // AddSeconds gives such a record back as it is.
        for (std::int64_t i = 0; i < count; ++i) {
            visit(static_cast<std::size_t>(i), run.start);
        }
        return;
    }
    for (std::int64_t from = 0; from < count; from += kStretch) {
        const std::int64_t to = std::min(count, from + kStretch);
        long first = 0;
        long last = 0;
        const bool steady =
            OffsetAt(start + from, first) && OffsetAt(start + to - 1, last) && first == last;
        t_device_time time = CalendarToDeviceTime(start + from);
        for (std::int64_t i = from; i < to; ++i) {
            if (i != from) {
                if (steady) {
                    NextSecond(time);
                } else {
                    time = CalendarToDeviceTime(start + i);
                }
            }
            visit(static_cast<std::size_t>(i), time);
        }
    }
}

} // namespace

std::string SamplesCsv(const std::vector<t_recorded_run>& runs, CsvDialect dialect) {
    const Marks marks = MarksOf(dialect);
    std::size_t rows = 0;
    for (const t_recorded_run& run : runs) {
        rows += run.samples.size();
    }
    std::string out;
    // "12;2009-10-25 02:50:00;12,3;12345\r\n" is 36 bytes.
    out.reserve(64 + rows * 40);
    AppendHeader(out, {"przebieg", "czas", "predkosc [m/s]", "polozenie [m]"}, marks);

    std::size_t number = 0;
    for (const t_recorded_run& run : runs) {
        if (run.samples.empty()) {
            continue;
        }
        std::string prefix;
        AppendNumber(prefix, ++number);
        prefix += marks.separator;
        ForEachSampleTime(run, [&](std::size_t i, const t_device_time& time) {
            const t_sample_type sample = run.samples[i];
            out += prefix;
            AppendDeviceTimeText(out, time);
            out += marks.separator;
            AppendSpeed(out, sample.speed, marks);
            out += marks.separator;
            AppendNumber(out, sample.position);
            out += "\r\n";
        });
    }
    return out;
}

std::string RunsSummaryCsv(const std::vector<t_recorded_run>& runs, CsvDialect dialect) {
    const Marks marks = MarksOf(dialect);
    std::string out;
    AppendHeader(out,
                 {"przebieg", "poczatek", "koniec", "probki", "max predkosc [m/s]",
                  "min polozenie [m]", "max polozenie [m]"},
                 marks);
    std::size_t number = 0;
    for (const t_recorded_run& run : runs) {
        if (run.samples.empty()) {
            continue;
        }
        unsigned maxSpeed = 0;
        unsigned minPosition = 0xFFFF;
        unsigned maxPosition = 0;
        for (const t_sample_type sample : run.samples) {
            const unsigned position = sample.position;
            maxSpeed = std::max<unsigned>(maxSpeed, sample.speed);
            minPosition = std::min(minPosition, position);
            maxPosition = std::max(maxPosition, position);
        }
        const auto count = static_cast<std::int32_t>(run.samples.size());
        AppendNumber(out, ++number);
        out += marks.separator;
        AppendDeviceTimeText(out, AddSeconds(run.start, 0));
        out += marks.separator;
        AppendDeviceTimeText(out, AddSeconds(run.start, count - 1));
        out += marks.separator;
        AppendNumber(out, run.samples.size());
        out += marks.separator;
        AppendSpeed(out, maxSpeed, marks);
        out += marks.separator;
        AppendNumber(out, minPosition);
        out += marks.separator;
        AppendNumber(out, maxPosition);
        out += "\r\n";
    }
    return out;
}
