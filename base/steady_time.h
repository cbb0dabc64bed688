#pragma once
// The steady clock in milliseconds: the time the rate estimate and the part file's flushing
// are fed with, which a change of the wall clock never moves.

#include <chrono>
#include <cstdint>

inline std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
