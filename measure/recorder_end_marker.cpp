#include "measure/recorder_end_marker.h"

#include "link/protocol.h"

#include <algorithm>

std::optional<std::uint32_t> RecorderEndMarker(const std::uint8_t* image, std::size_t length) {
    const std::uint8_t* end = image + length;
    const std::uint8_t* start = std::find(image, end, protocol::kRecorderStartMarker);
    if (start == end) {
        return std::nullopt;
    }
    const std::uint8_t* marker = std::find(start, end, protocol::kRecorderEndMarker);
    if (marker == end) {
        marker = std::find(image, start, protocol::kRecorderEndMarker);
        if (marker == start) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(marker - image);
}
