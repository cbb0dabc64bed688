#pragma once
// What re2-device tells at the end of a readout: the end line on standard error and the
// JSON object on standard output. One record feeds both, so that a fact is added to the
// readout's summary in one place. Pure.

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <string>

struct t_readout_summary {
    std::string path;                // the measurement file; empty for standard output
    std::uint32_t bytesRead = 0;     // recorder bytes read from the device this time
    std::int64_t elapsedMs = 0;      // from the start of the readout to its end
    std::uint32_t retries = 0;       // read chunks asked again
    std::uint32_t continuedFrom = 0; // the part's bytes it went on from; 0: from the start
    bool repeat = false;             // only what was new was read, over the kept image
};

// "Odczytano 475 136 B w 12,3 s (38,6 kB/s), powtórzone zapytania: 0, od początku" (or
// ", dalszy odczyt od bajtu 237 568", or ", tylko nowe pomiary" for a repeat readout).
std::string ReadoutEndLine(const t_readout_summary& summary);

// {"path", "bytes", "seconds", "rate_kb_s", "retries", "continued_from", "repeat"}: numbers
// as numbers, continued_from null for a readout from the start, repeat true for a repeat
// readout.
void ReadoutJson(const t_readout_summary& summary, nlohmann::json& object);
