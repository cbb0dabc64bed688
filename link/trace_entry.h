#pragma once
// One thing the link worker saw on the line, stamped on its thread and written out later on
// the host's: a frame sent or received, a frame the receiver threw away, or the note that
// entries were lost because the writing fell behind. Plain bytes only, so that the worker
// hands it over by copying.

#include "link/protocol.h"

#include <cstdint>

enum class TraceKind : std::uint8_t {
    Sent,        // bytes: the frame written to the port; number: characters the port took
    Received,    // bytes: a frame with a correct checksum, handed to the host
    Noise,       // bytes: a frame with a correct checksum that cannot be the device's (too
                 // short for its header, or a reserved command)
    BadChecksum, // bytes: the frame as far as it came
    Overlong,    // a frame longer than the frame buffer; no bytes
    Discarded,   // number: characters thrown away between or inside frames
    Lost,        // number: entries that found no room before this one
};

struct t_trace_entry {
    std::int64_t atNs = 0; // steady clock, nanoseconds since its epoch
    TraceKind kind = TraceKind::Sent;
    std::uint8_t count = 0;   // valid bytes of `bytes`
    std::uint32_t number = 0; // as the kind says
    // Frame bytes as they stand on the line: L, address/type, command, data, checksum.
    std::uint8_t bytes[protocol::kFrameBufferSize] = {};
};
