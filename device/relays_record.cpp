#include "device/relays_record.h"

#include "base/text_format.h"

void t_relays_record::SetRange(int relay, int range, std::uint16_t minimum, std::uint16_t maximum) {
    const std::size_t offset = RangeOffset(relay, range);
    if (offset < kSize) {
        SetU16(offset, minimum);
        SetU16(offset + 2, maximum);
    }
}

void t_relays_record::SetOutOfRange(int relay) {
    for (int range = 0; range < kRanges; ++range) {
        SetRange(relay, range, kOutOfRange, kOutOfRange);
    }
}

std::string FormatRange(unsigned minimum, unsigned maximum) {
    return Format("%1u - %1u", minimum, maximum);
}
