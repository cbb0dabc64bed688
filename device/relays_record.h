#pragma once
// The relay ranges (block 4, 140 bytes): for each of four relays eight position ranges in
// metres, a condition byte and a negation byte (bit 0-3 inputs 1-4, bit 4 area).

#include "base/byte_order.h"
#include "link/protocol.h"

#include <string>

struct t_relays_record : t_byte_record<protocol::kRelaysSize> {
    static constexpr int kRelays = 4;
    static constexpr int kRanges = 8;
    static constexpr std::size_t kFirstRelay = 2;
    static constexpr std::size_t kRelaySize = 34;
    static constexpr std::size_t kConditions = 32;
    static constexpr std::size_t kNegations = 33;
    static constexpr std::uint8_t kConditionBits = 0x1F;
    static constexpr std::uint16_t kOutOfRange = 9999;

    // relay 0-3, range 0-7; indices outside give 0 and change nothing.
    std::uint16_t RangeMin(int relay, int range) const { return U16(RangeOffset(relay, range)); }
    std::uint16_t RangeMax(int relay, int range) const {
        return U16(RangeOffset(relay, range) + 2);
    }
    void SetRange(int relay, int range, std::uint16_t minimum, std::uint16_t maximum);
    // All eight ranges of the relay become 9999 - 9999.
    void SetOutOfRange(int relay);

    std::uint8_t Conditions(int relay) const { return U8(RelayOffset(relay) + kConditions); }
    std::uint8_t Negations(int relay) const { return U8(RelayOffset(relay) + kNegations); }
    // Bits 5-7 are written as 0.
    void SetConditions(int relay, std::uint8_t bits) {
        SetU8(RelayOffset(relay) + kConditions, bits & kConditionBits);
    }
    void SetNegations(int relay, std::uint8_t bits) {
        SetU8(RelayOffset(relay) + kNegations, bits & kConditionBits);
    }

private:
    static std::size_t RelayOffset(int relay) {
        return relay >= 0 && relay < kRelays
                   ? kFirstRelay + kRelaySize * static_cast<std::size_t>(relay)
                   : kSize;
    }
    static std::size_t RangeOffset(int relay, int range) {
        return range >= 0 && range < kRanges
                   ? RelayOffset(relay) + 4 * static_cast<std::size_t>(range)
                   : kSize;
    }
};

// One row of a relay's range list: "%1d - %1d".
std::string FormatRange(unsigned minimum, unsigned maximum);
