#pragma once
// Payloads of the short exchanges: versions, clock and position.

#include "base/device_time.h"

#include <cstddef>
#include <cstdint>
#include <string>

struct t_versions_reply {
    std::uint8_t version = 0;
    std::string name; // UTF-8
};

// Version byte, then the name up to its zero byte or the end of the data. False when not
// even the version byte came.
bool ParseVersionsReply(const std::uint8_t* data, std::size_t size, t_versions_reply& reply);
// ", wersja %2d"
std::string FormatVersionSuffix(int version);

// False when fewer than 7 data bytes came.
bool ParseClockReply(const std::uint8_t* data, std::size_t size, t_device_time& time);

// Position in mm; false when fewer than 4 data bytes came.
bool ParsePositionReply(const std::uint8_t* data, std::size_t size, std::int32_t& position);
// The 4-byte payload of the set-position request.
void EncodePosition(std::int32_t position, std::uint8_t out[4]);
