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
