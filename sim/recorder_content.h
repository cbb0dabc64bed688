#pragma once
// Realistic recorder memory: a day-by-day history of runs of a vehicle going up and down
// its route, written into the ring the way the device writes it.
//
// Each run is a start marker (0xFE), its 7-byte start time and one 3-byte group per second
// (speed in 0.1 m/s, position in metres as two 7-bit bytes). A run holds several trips with
// acceleration, constant speed, braking and stops, so it lasts longer than one chart
// screen; some runs follow the previous one after less than a minute. More history is
// written than the ring holds, so the oldest runs are overwritten; the newest run starts
// shortly before the end of the ring and continues at address 0, followed by the end
// marker (0xFF). No data byte is 0xFE or 0xFF.

#include <cstdint>
#include <vector>

struct t_recorder_options {
    std::uint32_t seed = 1;
    std::int64_t now = 0;             // calendar time; the newest run ends a little before it
    std::uint16_t routeLength = 2000; // metres, below 32,000
    std::uint8_t maxSpeed = 40;       // 0.1 m/s, at most 250
};

// The whole recorder image (protocol::kRecorderSize bytes); the same options give the same
// image.
std::vector<std::uint8_t> GenerateRecorderImage(const t_recorder_options& options);
