#pragma once
// The content of one frame, as it travels inside the program.

#include "link/protocol.h"

#include <cstdint>

#pragma pack(push, 1)
struct t_transfer_data {
    std::uint8_t length = 0;      // valid data bytes, 0 to 62
    std::uint8_t addressType = 0; // bits 7..3 device address, bits 2..0 message type
    std::uint8_t command = 0;
    std::uint8_t data[protocol::kMaxData] = {};

    std::uint8_t Type() const { return addressType & 7; }
    std::uint8_t Address() const { return addressType >> 3; }
};
#pragma pack(pop)
static_assert(sizeof(t_transfer_data) == 65);

inline std::uint8_t MakeAddressType(int deviceAddress, int messageType) {
    return static_cast<std::uint8_t>(((deviceAddress & protocol::kAddressMask) << 3) |
                                     (messageType & 7));
}
