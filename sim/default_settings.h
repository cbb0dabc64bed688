#pragma once
// Factory content of a simulated device: the settings area (configuration, inspection
// schedule, relay ranges, programmer settings, back to back) and the statistics record.
// Dates are placed in the weeks before `now` (calendar time), so they look current.

#include "link/protocol.h"
#include "sim/device_memory.h"

#include <array>
#include <cstdint>

std::array<std::uint8_t, DeviceMemory::kSettingsSize> DefaultSettingsArea(std::int64_t now);
std::array<std::uint8_t, protocol::kStatisticsSize> DefaultStatistics(std::int64_t now);
