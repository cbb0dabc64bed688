#include "base/device_time.h"
#include "tests/support/warsaw_time_zone.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

// Every case runs in the zone of the device's home, with its two daylight-saving changes.
class DeviceTime : public WarsawTimeZone {};

TEST(DeviceTimeLayout, SevenPackedBytesYearLittleEndian) {
    const std::uint8_t bytes[9] = {0xAA, 7, 5, 9, 2, 12, 0xD9, 0x07, 0xBB};
    t_device_time t;
    ASSERT_TRUE(ReadDeviceTime(bytes, sizeof bytes, 1, t));
    EXPECT_EQ(t, MakeDeviceTime(2009, 12, 2, 9, 5, 7));
    EXPECT_FALSE(ReadDeviceTime(bytes, sizeof bytes, 3, t));
    std::uint8_t out[7] = {};
    EXPECT_TRUE(WriteDeviceTime(out, 7, 0, t));
    EXPECT_EQ(out[5], 0xD9);
    EXPECT_EQ(out[6], 0x07);
    EXPECT_FALSE(WriteDeviceTime(out, 7, 1, t));
}

TEST(DeviceTimeText, DurationSplitsIntoDaysHoursMinutesSeconds) {
    EXPECT_EQ(FormatDuration(0), "0 dni , 0 godzin , 0 minut , 0 sekund");
    EXPECT_EQ(FormatDuration(90061), "1 dni , 1 godzin , 1 minut , 1 sekund");
    EXPECT_EQ(FormatDuration(4294967295u), "49710 dni , 6 godzin , 28 minut , 15 sekund");
}

TEST(DeviceTimeText, DateTimeIsYearFirstWithUnpaddedHour) {
    EXPECT_EQ(FormatDeviceTime(MakeDeviceTime(2009, 12, 2, 9, 5, 7)), "2009.12.02  9:05.07");
    EXPECT_EQ(FormatDeviceTime(MakeDeviceTime(2010, 1, 1, 0, 0, 0)), "2010.01.01  0:00.00");
    EXPECT_EQ(FormatDeviceTime(MakeDeviceTime(2009, 12, 31, 23, 59, 59)), "2009.12.31  23:59.59");
    EXPECT_EQ(FormatDeviceTime(t_device_time{}), "0.00.00  0:00.00");
    EXPECT_EQ(FormatDeviceTime(MakeDeviceTime(65535, 255, 255, 255, 255, 255)),
              "65535.255.255  255:255.255");
}

TEST(DeviceTimeText, DateTimeIsIsoLikeWithFieldsWidenedOnlyWhenTheyNeedIt) {
    const struct {
        t_device_time time;
        const char* text;
    } cases[] = {
        {MakeDeviceTime(2009, 12, 2, 9, 5, 7), "2009-12-02 09:05:07"},
        {t_device_time{}, "0000-00-00 00:00:00"},
        {MakeDeviceTime(206, 1, 1, 0, 0, 0), "0206-01-01 00:00:00"},
        {MakeDeviceTime(65535, 255, 100, 99, 0, 9), "65535-255-100 99:00:09"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DeviceTimeText(c.time), c.text);
        std::string appended = "x;";
        AppendDeviceTimeText(appended, c.time);
        EXPECT_EQ(appended, std::string("x;") + c.text);
    }
}

TEST(DeviceCalendar, LeapYearsAndMonthLengthsIncludingMonthsOutsideTheYear) {
    const struct {
        unsigned year;
        unsigned month;
        bool leap;
        unsigned days;
    } cases[] = {
        {2009, 1, false, 31},
        {2009, 2, false, 28},
        {2009, 4, false, 30},
        {2009, 12, false, 31},
        {2012, 2, true, 29},
        {1900, 2, false, 28},
        {2000, 2, true, 29},
        {2100, 2, false, 28},
        {2400, 2, true, 29},
        // Outside 1-12 as the CSV's walk of sample times counted it: month 0 has 30 days,
        // 13 repeats January and 14 February, without a leap day.
        {2012, 0, true, 30},
        {2012, 13, true, 31},
        {2012, 14, true, 28},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsLeapYear(c.year), c.leap) << c.year;
        EXPECT_EQ(DaysInMonth(c.year, c.month), c.days) << c.year << "-" << c.month;
    }
}

TEST(DeviceCalendar, CalendarDateNeedsEveryFieldInRangeAndTheYearInTheLimits) {
    const struct {
        t_device_time time;
        bool valid;
    } cases[] = {
        {MakeDeviceTime(2012, 2, 29, 23, 59, 59), true},
        {MakeDeviceTime(2011, 2, 29, 0, 0, 0), false},
        {MakeDeviceTime(1900, 2, 29, 0, 0, 0), false},
        {MakeDeviceTime(2000, 2, 29, 0, 0, 0), true},
        {MakeDeviceTime(2009, 4, 31, 0, 0, 0), false},
        {MakeDeviceTime(2009, 0, 10, 0, 0, 0), false},
        {MakeDeviceTime(2009, 13, 10, 0, 0, 0), false},
        {MakeDeviceTime(2009, 5, 0, 0, 0, 0), false},
        {MakeDeviceTime(2009, 5, 1, 24, 0, 0), false},
        {MakeDeviceTime(2009, 5, 1, 0, 60, 0), false},
        {MakeDeviceTime(2009, 5, 1, 0, 0, 60), false},
        {MakeDeviceTime(1899, 5, 1, 0, 0, 0), false},
        {MakeDeviceTime(2101, 5, 1, 0, 0, 0), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsCalendarDate(c.time, 1900, 2100), c.valid) << DeviceTimeText(c.time);
    }
}

TEST_F(DeviceTime, LocalTimeTextIsTheLocalDateTimeOfACalendarTime) {
    // 2009-10-25 00:30 UTC is 2:30 summer time, an hour later 2:30 winter time again.
    EXPECT_EQ(LocalTimeText(1256430600), "2009-10-25 02:30:00");
    EXPECT_EQ(LocalTimeText(1256430600 + 3600), "2009-10-25 02:30:00");
    EXPECT_EQ(LocalTimeText(0), "1970-01-01 01:00:00");
}

TEST_F(DeviceTime, AddSecondsCrossesDaysAndNormalisesFields) {
    const t_device_time t = MakeDeviceTime(2009, 1, 31, 23, 59, 59);
    EXPECT_EQ(AddSeconds(t, 1), MakeDeviceTime(2009, 2, 1, 0, 0, 0));
    EXPECT_EQ(AddSeconds(t, -86400), MakeDeviceTime(2009, 1, 30, 23, 59, 59));
    EXPECT_EQ(AddSeconds(MakeDeviceTime(2009, 1, 32, 0, 0, 60), 0),
              MakeDeviceTime(2009, 2, 1, 0, 1, 0));
}

TEST_F(DeviceTime, SpringForwardSkipsTheMissingHour) {
    // 29 March 2009: 2:00 local became 3:00.
    const t_device_time before = MakeDeviceTime(2009, 3, 29, 1, 59, 59);
    EXPECT_EQ(AddSeconds(before, 1), MakeDeviceTime(2009, 3, 29, 3, 0, 0));
    EXPECT_EQ(DiffSeconds(MakeDeviceTime(2009, 3, 29, 3, 0, 0), before), 1);
    EXPECT_EQ(
        DiffSeconds(MakeDeviceTime(2009, 3, 29, 4, 0, 0), MakeDeviceTime(2009, 3, 29, 0, 0, 0)),
        3 * 3600);
}

TEST_F(DeviceTime, FallBackRepeatsAnHour) {
    // 25 October 2009: 3:00 local went back to 2:00.
    const t_device_time start = MakeDeviceTime(2009, 10, 25, 0, 0, 0);
    EXPECT_EQ(DiffSeconds(MakeDeviceTime(2009, 10, 25, 4, 0, 0), start), 5 * 3600);
    EXPECT_EQ(AddSeconds(start, 5 * 3600), MakeDeviceTime(2009, 10, 25, 4, 0, 0));
    // Two hours after 1:30 the clock shows 2:30 again (second pass of the hour).
    EXPECT_EQ(AddSeconds(MakeDeviceTime(2009, 10, 25, 1, 30, 0), 2 * 3600),
              MakeDeviceTime(2009, 10, 25, 2, 30, 0));
}

TEST_F(DeviceTime, DifferenceIsSignedAndEqualInWinterAndSummer) {
    for (int month : {1, 7}) {
        const t_device_time a = MakeDeviceTime(2009, month, 10, 10, 0, 30);
        const t_device_time b = MakeDeviceTime(2009, month, 10, 10, 0, 0);
        EXPECT_EQ(DiffSeconds(a, b), 30);
        EXPECT_EQ(DiffSeconds(b, a), -30);
        EXPECT_EQ(DiffSeconds(a, a), 0);
    }
}

TEST_F(DeviceTime, UnconvertibleRecordCountsAsMinusOneFarInThePast) {
    const t_device_time zero{};
    const t_device_time t = MakeDeviceTime(2009, 12, 2, 9, 5, 7);
    EXPECT_EQ(DeviceTimeToCalendar(zero), -1);
    EXPECT_EQ(DeviceTimeToCalendar(MakeDeviceTime(1969, 12, 31, 23, 59, 59)), -1);
    EXPECT_EQ(DiffSeconds(zero, t), static_cast<std::int32_t>(-1 - DeviceTimeToCalendar(t)));
    EXPECT_LT(DiffSeconds(zero, t), -1200000000);
    EXPECT_EQ(AddSeconds(zero, 5), zero);
}

TEST_F(DeviceTime, PcTimeMatchesTheLocalClock) {
    const std::time_t now = std::time(nullptr);
    const t_device_time pc = GetPcTime();
    const std::int64_t back = DeviceTimeToCalendar(pc);
    EXPECT_LE(std::llabs(back - static_cast<std::int64_t>(now)), 2);
}

TEST(Join7Bit, DropsBitSevenOfTheLowByte) {
    EXPECT_EQ(Join7Bit(0x0281), 257);
    EXPECT_EQ(Join7Bit(0x00FF), 127);
    EXPECT_EQ(Join7Bit(0xFFFF), 32767);
}

TEST(CompareDeviceTime, YearDecidesFirstThenSmallerUnits) {
    const t_device_time a = MakeDeviceTime(2009, 12, 31, 23, 59, 59);
    const t_device_time b = MakeDeviceTime(2010, 1, 1, 0, 0, 0);
    EXPECT_EQ(CompareDeviceTime(a, b), -1);
    EXPECT_EQ(CompareDeviceTime(b, a), 1);
    EXPECT_EQ(CompareDeviceTime(a, a), 0);
    EXPECT_EQ(CompareDeviceTime(t_device_time{}, a), -1);
    EXPECT_EQ(
        CompareDeviceTime(MakeDeviceTime(2010, 1, 1, 0, 0, 2), MakeDeviceTime(2010, 1, 1, 0, 0, 1)),
        1);
}

} // namespace
