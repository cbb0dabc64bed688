#include "sim/default_settings.h"

#include "base/byte_order.h"
#include "base/device_time.h"

#include <cstring>

namespace {

constexpr std::int64_t kDay = 86400;

// Description texts are Windows-1250 bytes: "Wyciąg 1" and "Programator 2".
constexpr char kDeviceDescription[] = "Wyci\xB9g 1";
constexpr char kProgrammerDescription[] = "Programator 2";

void PutText(std::uint8_t* field, const char* text) {
    std::memcpy(field, text, std::strlen(text));
}

void FillConfiguration(std::uint8_t* b, std::size_t size) {
    WriteU16LE(b, size, 2, 1234); // factory number
    WriteU16LE(b, size, 4, 25);   // drive constant up, mm per impulse
    WriteU16LE(b, size, 6, 24);   // drive constant down
    PutText(b + 8, kDeviceDescription);
    WriteU16LE(b, size, 24, 2000); // route length, m
    WriteU16LE(b, size, 26, 100);  // check points, m
    WriteU16LE(b, size, 28, 650);
    WriteU16LE(b, size, 30, 1350);
    WriteU16LE(b, size, 32, 1900);
    WriteU8(b, size, 34, 15); // control zone width, m
    WriteU8(b, size, 35, 1);  // inputs 1 and 4 are check points
    WriteU8(b, size, 38, 1);
    WriteU8(b, size, 39, 110); // low supply level, 11.0 V
}

void FillInspections(std::uint8_t* b, std::size_t size, std::int64_t now) {
    // Four past inspections, thirty days apart, the latest twelve days ago at 9:30.
    for (int i = 0; i < 4; ++i) {
        t_device_time t = CalendarToDeviceTime(now - (12 + 30 * i) * kDay);
        t.hour = 9;
        t.minute = static_cast<std::uint8_t>(30 + i);
        t.second = 0;
        WriteDeviceTime(b, size, 2 + 7 * static_cast<std::size_t>(i), t);
    }
    WriteU16LE(b, size, 114, 30); // interval, days
}

void FillRelays(std::uint8_t* b, std::size_t size) {
    struct Range {
        std::uint16_t min, max;
    };
    // Per relay: its used ranges (the rest are out of range), condition and negation bits.
    const Range used[4][2] = {{{0, 50}, {1950, 2000}},
                              {{600, 700}, {1300, 1400}},
                              {{0, 2000}, {0, 0}},
                              {{90, 110}, {0, 0}}};
    const int usedCount[4] = {2, 2, 1, 1};
    const std::uint8_t conditions[4] = {0x10, 0x11, 0x01, 0x18};
    const std::uint8_t negations[4] = {0x00, 0x01, 0x00, 0x08};
    for (std::size_t relay = 0; relay < 4; ++relay) {
        const std::size_t base = 2 + 34 * relay;
        for (std::size_t k = 0; k < 8; ++k) {
            const bool isUsed = static_cast<int>(k) < usedCount[relay];
            WriteU16LE(b, size, base + 4 * k, isUsed ? used[relay][k].min : 9999);
            WriteU16LE(b, size, base + 4 * k + 2, isUsed ? used[relay][k].max : 9999);
        }
        WriteU8(b, size, base + 32, conditions[relay]);
        WriteU8(b, size, base + 33, negations[relay]);
    }
}

void FillProgrammer(std::uint8_t* b, std::size_t size) {
    WriteU16LE(b, size, 2, 4321); // factory number
    WriteU16LE(b, size, 4, 300);  // automatic power-off, s
    WriteU8(b, size, 6, 90);      // low supply voltage
    PutText(b + 7, kProgrammerDescription);
}

} // namespace

std::array<std::uint8_t, DeviceMemory::kSettingsSize> DefaultSettingsArea(std::int64_t now) {
    std::array<std::uint8_t, DeviceMemory::kSettingsSize> area{};
    auto block = [&area](int id) {
        return area.data() + (protocol::BlockAddress(id) - protocol::kSettingsBase);
    };
    FillConfiguration(block(2), protocol::kConfigurationSize);
    FillInspections(block(3), protocol::kInspectionsSize, now);
    FillRelays(block(4), protocol::kRelaysSize);
    FillProgrammer(block(5), protocol::kProgrammerSize);
    return area;
}

std::array<std::uint8_t, protocol::kStatisticsSize> DefaultStatistics(std::int64_t now) {
    std::array<std::uint8_t, protocol::kStatisticsSize> s{};
    std::uint8_t* b = s.data();
    const std::size_t size = s.size();
    WriteU32LE(b, size, 2, 1234567);  // kilometre counter, m
    WriteU32LE(b, size, 10, 3873600); // total working time, s
    WriteU32LE(b, size, 14, 1290600); // total driving time, s
    WriteDeviceTime(b, size, 18, CalendarToDeviceTime(now - 45 * kDay));
    WriteU32LE(b, size, 25, 266400); // resettable working time, s
    WriteDeviceTime(b, size, 29, CalendarToDeviceTime(now - 20 * kDay));
    WriteU32LE(b, size, 36, 91810); // resettable driving time, s
    return s;
}
