#pragma once
// Where the recorded data of a recorder image ends: the end marker (0xFF) at which decoding
// stops. Decoding starts at the first start marker (0xFE) in address order and walks the
// ring from there, so the end marker is the first 0xFF met on that walk; the device records
// on from it.

#include <cstddef>
#include <cstdint>
#include <optional>

// The address of that end marker; none when the image holds no start marker, or no end
// marker within one lap after it.
std::optional<std::uint32_t> RecorderEndMarker(const std::uint8_t* image, std::size_t length);
