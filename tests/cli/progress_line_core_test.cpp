#include "cli/progress_line.h"

#include "link/protocol.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct t_update {
    std::int64_t ms;
    std::uint32_t done;
    std::uint32_t total;
};

// A readout as the session reports it: the identity's block 2 first, then the recorder at
// about 10 kB/s.
std::vector<t_update> Readout() {
    std::vector<t_update> updates = {{0, 50, 50}};
    for (std::int64_t ms = 100; ms <= 30000; ms += 100) {
        updates.push_back({ms, static_cast<std::uint32_t>(ms * 10), protocol::kRecorderSize});
    }
    return updates;
}

} // namespace

TEST(ProgressLine, ShowsTheRecordersTotalAndTimeLeftOverOneLineOrInWholeLinesOnADumbTerminal) {
    struct Case {
        bool cursorMoves;
        std::size_t lines; // '\n' written
        bool clearsToEnd;
    };
    const Case cases[] = {
        {true, 1, true},
        // Every ten seconds: at 0.1 s, 10.1 s and 20.1 s.
        {false, 3, false},
    };
    for (const Case& c : cases) {
        std::ostringstream err;
        {
            CProgressLine line(err, true, c.cursorMoves);
            for (const t_update& u : Readout()) {
                line.Update(u.ms, u.done, u.total);
            }
        }
        const std::string text = err.str();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(c.lines)) << text;
        EXPECT_EQ(text.find("\x1b[K") != std::string::npos, c.clearsToEnd);
        EXPECT_EQ(text.find("z 50 B"), std::string::npos) << text;
        EXPECT_NE(text.find(" z 475 136 B, 10,0 kB/s, zostało ok. "), std::string::npos) << text;
    }
    std::ostringstream quiet;
    {
        CProgressLine line(quiet, false, true);
        line.Update(0, 1, protocol::kRecorderSize);
    }
    EXPECT_EQ(quiet.str(), "");
}
