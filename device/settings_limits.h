#pragma once
// The limits the settings editors accept, shared by the dialogs and by the settings text so
// that each limit lives once. Values are in the units the records store.

#include <cstdint>

namespace settings_limits {

// Configuration (block 2) and programmer settings (block 5).
constexpr unsigned kMinFactoryNumber = 1;
constexpr unsigned kMaxFactoryNumber = 65000;
constexpr unsigned kMinDriveConstant = 1; // mm per impulse
constexpr unsigned kMaxDriveConstant = 999;
constexpr unsigned kMinPositionMetres = 1; // route length and check points
constexpr unsigned kMaxMetres = 9999;      // every position in metres
constexpr std::uint8_t kMinZoneWidth = 1;  // m
constexpr std::uint8_t kMaxZoneWidth = 250;
constexpr unsigned kMinLowSupplyTenths = 50; // 5.0 V
constexpr unsigned kMaxLowSupplyTenths = 200;
constexpr unsigned kMinPowerOffTime = 10; // s
constexpr unsigned kMaxPowerOffTime = 9999;
constexpr std::uint8_t kMinProgrammerVoltage = 60; // the stored byte, unscaled
constexpr std::uint8_t kMaxProgrammerVoltage = 120;

// Inspection schedule (block 3).
constexpr std::int16_t kMinInterval = 1; // days
constexpr std::int16_t kMaxInterval = 99;

// Relay ranges (block 4): each bound 0 to kMaxMetres, not checked against each other.
constexpr unsigned kMinRangeMetres = 0;

} // namespace settings_limits
