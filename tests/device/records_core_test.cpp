#include "device/configuration_record.h"
#include "device/device_replies.h"
#include "device/live_status.h"
#include "device/przeglady_record.h"
#include "device/relays_record.h"
#include "device/statistics_record.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(LiveStatus, RecordFieldsAreReadLittleEndian) {
    const std::uint8_t data[20] = {0x7D, 0x00, 0xAA, 0xBB, 0x39, 0x30, 0,    0,    1,    2,
                                   3,    4,    '1',  '0',  'x',  0xA5, 0x95, 0x01, 0x7B, 0};
    t_live_status s;
    ASSERT_TRUE(ParseLiveStatus(data, sizeof data, s));
    EXPECT_EQ(s.speed, 125);
    EXPECT_EQ(s.position, 12345);
    EXPECT_FALSE(s.programmer);
    EXPECT_EQ(s.supply, 123);
    EXPECT_EQ(FormatSpeedPosition(s.speed, s.position), "1.25[m/s]\r\n12.345[m]");
    EXPECT_EQ(FormatInputs(s), "Wejście 1 : 1\r\nWejście 2 : 0\r\nWejście 3 : x\r\n"
                               "Wejście 4 : Ą\r\n");
    // 0x95: outputs 1 and 3, test flag, low supply.
    EXPECT_EQ(FormatOutputs(s), "Wyjście 1 : 1\r\nWyjście 2 : 0\r\nWyjście 3 : 1\r\n"
                                "Wyjście 4 : 0\r\nTest : TAK");
    EXPECT_EQ(FormatSupply(s), "Zasilanie : 12.3[V]\r\nNiskie zasilanie : TAK\r\n"
                               "Przegląd : TAK\r\nTacho 0 : 0\r\nTacho 1 : 0");
}

TEST(LiveStatus, ShortRecordIsRefusedAndMinusOneMarksAProgrammer) {
    std::uint8_t data[20] = {};
    t_live_status s;
    EXPECT_FALSE(ParseLiveStatus(data, 19, s));
    EXPECT_FALSE(ParseLiveStatus(nullptr, 20, s));
    data[8] = data[9] = data[10] = data[11] = 0xFF;
    ASSERT_TRUE(ParseLiveStatus(data, 20, s));
    EXPECT_TRUE(s.programmer);
}

TEST(LiveStatus, NegativeFixedPointKeepsTheSignInFront) {
    EXPECT_EQ(FormatSpeedPosition(-5, -1234), "-0.05[m/s]\r\n-1.234[m]");
    EXPECT_EQ(FormatSpeedPosition(-150, 7), "-1.50[m/s]\r\n0.007[m]");
    EXPECT_EQ(FormatSpeedPosition(0, 0), "0.00[m/s]\r\n0.000[m]");
    EXPECT_EQ(FormatSpeedPosition(-32768, -2147483647 - 1), "-327.68[m/s]\r\n-2147483.648[m]");
}

TEST(LiveStatus, SupplyTenthsAndTachoBits) {
    t_live_status s;
    s.supply = 5;
    s.outputs = 0x60;
    EXPECT_EQ(FormatSupply(s), "Zasilanie : 0.5[V]\r\nNiskie zasilanie : NIE\r\n"
                               "Przegląd : NIE\r\nTacho 0 : 1\r\nTacho 1 : 1");
    s.inputs[1] = 0;
    EXPECT_EQ(FormatInputs(s).substr(0, 30), std::string("Wejście 1 : \r\nWejście 2 : \r\n"));
}

TEST(DeviceReplies, VersionNameEndsAtZeroOrAtTheEndOfData) {
    const std::uint8_t withZero[] = {5, 'R', 'E', '2', 0, 'x'};
    t_versions_reply v;
    ASSERT_TRUE(ParseVersionsReply(withZero, sizeof withZero, v));
    EXPECT_EQ(v.version, 5);
    EXPECT_EQ(v.name, "RE2");
    const std::uint8_t noZero[] = {123, 'W', 0xB3};
    ASSERT_TRUE(ParseVersionsReply(noZero, sizeof noZero, v));
    EXPECT_EQ(v.name, "Wł");
    EXPECT_FALSE(ParseVersionsReply(noZero, 0, v));
    EXPECT_EQ(FormatVersionSuffix(5), ", wersja  5");
    EXPECT_EQ(FormatVersionSuffix(123), ", wersja 123");
}

TEST(DeviceReplies, ClockAndPositionNeedTheirFullSize) {
    const std::uint8_t clock[7] = {7, 5, 9, 2, 12, 0xD9, 0x07};
    t_device_time t;
    EXPECT_FALSE(ParseClockReply(clock, 6, t));
    ASSERT_TRUE(ParseClockReply(clock, 7, t));
    EXPECT_EQ(FormatDeviceTime(t), "2009.12.02  9:05.07");

    std::uint8_t bytes[4];
    EncodePosition(-1999, bytes);
    std::int32_t p = 0;
    EXPECT_FALSE(ParsePositionReply(bytes, 3, p));
    ASSERT_TRUE(ParsePositionReply(bytes, 4, p));
    EXPECT_EQ(p, -1999);
    EncodePosition(9999000, bytes);
    EXPECT_EQ(bytes[0], 0x98);
    EXPECT_EQ(bytes[3], 0x00);
}

TEST(StatisticsRecord, ClearingTouchesOnlyItsCounterAndDate) {
    std::vector<std::uint8_t> reply(42);
    for (std::size_t i = 0; i < reply.size(); ++i) {
        reply[i] = static_cast<std::uint8_t>(i + 1);
    }
    t_statistics_record r;
    EXPECT_FALSE(ParseStatistics(reply.data(), 41, r));
    ASSERT_TRUE(ParseStatistics(reply.data(), reply.size(), r));
    EXPECT_EQ(r.Kilometres(), 0x06050403u);
    const t_device_time now = MakeDeviceTime(2010, 3, 4, 5, 6, 7);
    r.ClearDrivingTime(now);
    EXPECT_EQ(r.ResettableDrivingTime(), 0u);
    EXPECT_EQ(r.DrivingClearedAt(), now);
    EXPECT_EQ(r.ResettableWorkingTime(), 0x1D1C1B1Au);
    for (std::size_t i : {0, 1, 6, 9, 18, 24, 25, 28, 40, 41}) {
        EXPECT_EQ(r.bytes[i], reply[i]) << i;
    }
    r.ClearWorkingTime(now);
    EXPECT_EQ(r.WorkingClearedAt(), now);
    EXPECT_EQ(FormatKilometres(12345), "12.345");
    EXPECT_EQ(FormatKilometres(4294967295u), "4294967.295");
    EXPECT_EQ(FormatKilometres(7), "0.007");
}

TEST(ConfigurationRecord, DescriptionIsCutTo15CharactersWithAZeroAfter) {
    t_configuration_record r;
    r.bytes.fill(0xEE);
    r.SetDescription("Dźwig ABCDEFGHIJKLMNOP");
    EXPECT_EQ(r.Description(), "Dźwig ABCDEFGHI");
    EXPECT_EQ(r.bytes[8 + 1], 0x9F);
    EXPECT_EQ(r.bytes[8 + 15], 0);
    EXPECT_EQ(r.bytes[7], 0xEE);
    EXPECT_EQ(r.bytes[24], 0xEE);
    r.SetDescription("ab");
    EXPECT_EQ(r.bytes[8 + 2], 0);
    EXPECT_EQ(r.bytes[8 + 14], 0);
}

TEST(ConfigurationRecord, SixteenBytesWithoutZeroShowWhole) {
    t_configuration_record r;
    for (int i = 0; i < 16; ++i) {
        r.bytes[8 + i] = static_cast<std::uint8_t>('a' + i);
    }
    EXPECT_EQ(r.Description(), "abcdefghijklmnop");
}

TEST(ConfigurationRecord, FieldsSitAtTheirOffsets) {
    t_configuration_record r;
    r.SetFactoryNumber(0x1234);
    r.SetCheckPoint(3, 0xABCD);
    r.SetCheckPointFlag(2, 1);
    r.SetCheckPoint(4, 1); // no such check point
    r.SetVoltageLevel(123);
    EXPECT_EQ(r.bytes[2], 0x34);
    EXPECT_EQ(r.bytes[32], 0xCD);
    EXPECT_EQ(r.bytes[37], 1);
    EXPECT_EQ(r.bytes[39], 123);
    EXPECT_EQ(r.CheckPoint(4), 0);

    t_programmer_record p;
    p.SetPowerOffTime(600);
    p.SetVoltage(90);
    p.SetDescription("Programator 1");
    EXPECT_EQ(p.bytes[4], 600 & 0xFF);
    EXPECT_EQ(p.bytes[6], 90);
    EXPECT_EQ(p.bytes[7], 'P');
    EXPECT_EQ(p.Description(), "Programator 1");
    EXPECT_EQ(p.bytes[23], 0);
}

TEST(InspectionsRecord, EmptySlotsFillInOrderThenTheEarliestIsReplaced) {
    t_przeglady_record r;
    const t_device_time now = MakeDeviceTime(2010, 1, 5, 8, 0, 0);
    EXPECT_EQ(r.StampOldest(now), 0);
    EXPECT_EQ(r.StampOldest(now), 1);
    for (int i = 0; i < 16; ++i) {
        r.SetSlot(i, MakeDeviceTime(2009, 5, 1 + i, 0, 0, 0));
    }
    r.SetSlot(3, MakeDeviceTime(2008, 1, 1, 0, 0, 0));
    r.SetSlot(9, MakeDeviceTime(2008, 1, 1, 0, 0, 0));
    EXPECT_EQ(r.StampOldest(now), 3);
    EXPECT_EQ(r.StampOldest(now), 9);
    EXPECT_EQ(r.Slot(9), now);
    EXPECT_EQ(r.bytes[2 + 7 * 9 + 5], 0xDA); // 2010 = 0x07DA
}

TEST(InspectionsRecord, SlotWithYearZeroIsEmptyWhateverElseItHolds) {
    t_przeglady_record r;
    r.SetSlot(4, MakeDeviceTime(0, 12, 31, 23, 59, 59));
    EXPECT_TRUE(r.IsSlotEmpty(4));
    r.SetInterval(30);
    EXPECT_EQ(r.bytes[114], 30);
    EXPECT_TRUE(r.IsSlotEmpty(16));
}

TEST(RelaysRecord, OutOfRangeChangesOnlyThatRelaysRanges) {
    t_relays_record r;
    r.SetConditions(1, 0x0F);
    r.SetOutOfRange(1);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(r.RangeMin(1, k), 9999);
        EXPECT_EQ(r.RangeMax(1, k), 9999);
        EXPECT_EQ(r.RangeMin(0, k), 0);
        EXPECT_EQ(r.RangeMin(2, k), 0);
    }
    EXPECT_EQ(r.Conditions(1), 0x0F);
    EXPECT_EQ(r.bytes[36 + 32], 0x0F);
}

TEST(RelaysRecord, ConditionBitsAboveFourAreDroppedAndRangesKeepOrder) {
    t_relays_record r;
    r.SetConditions(3, 0xFF);
    r.SetNegations(3, 0xE1);
    EXPECT_EQ(r.bytes[104 + 32], 0x1F);
    EXPECT_EQ(r.bytes[104 + 33], 0x01);
    r.SetRange(0, 7, 300, 120);
    EXPECT_EQ(r.RangeMin(0, 7), 300);
    EXPECT_EQ(r.RangeMax(0, 7), 120);
    EXPECT_EQ(FormatRange(r.RangeMin(0, 7), r.RangeMax(0, 7)), "300 - 120");
    r.SetRange(4, 0, 1, 1);
    r.SetRange(0, 8, 1, 1);
    EXPECT_EQ(r.bytes[138], 0);
    EXPECT_EQ(r.RangeMin(0, 8), 0);
}

} // namespace
