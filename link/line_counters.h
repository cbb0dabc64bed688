#pragma once
// What the receiver made of the line during one connection. The line feed and carriage
// return that lead every frame are not counted anywhere: a clean line counts only frames.

#include <cstdint>

struct t_line_counters {
    std::uint32_t frames = 0;       // frames with a correct checksum
    std::uint32_t badChecksums = 0; // frames of their announced length with a wrong sum
    std::uint32_t overlong = 0;     // frames longer than the frame buffer
    std::uint32_t discarded = 0;    // characters thrown away between or inside frames
    // Whole frames the request queue dropped: turned away by their request's check, or come
    // while it waited for a quiet line after a failed try.
    std::uint32_t droppedFrames = 0;

    bool Damaged() const {
        return badChecksums != 0 || overlong != 0 || discarded != 0 || droppedFrames != 0;
    }
};

// What the request queue made of the replies during one connection.
struct t_request_counts {
    std::uint32_t droppedFrames = 0;
    std::uint32_t retries = 0; // read chunks asked again
};
