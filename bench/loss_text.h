#pragma once
// The words the readout benchmarks add to a heading for replies lost on purpose.

#include <cstdio>
#include <string>

// ", 1 % of replies lost", or nothing for no loss.
inline std::string LossText(double loss) {
    char text[64] = "";
    if (loss > 0) {
        std::snprintf(text, sizeof text, ", %g %% of replies lost", loss * 100);
    }
    return text;
}
