#include "link/protocol.h"
#include "link/transfer_rate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Sample {
    std::int64_t ms;
    std::uint64_t bytes;
};

// Samples every stepMs from t0 to t1 (both included), bytes growing by perStep from bytes0.
std::vector<Sample> Ramp(std::int64_t t0, std::int64_t t1, std::int64_t stepMs,
                         std::uint64_t bytes0, std::uint64_t perStep) {
    std::vector<Sample> samples;
    for (std::int64_t t = t0; t <= t1; t += stepMs) {
        samples.push_back({t, bytes0 + static_cast<std::uint64_t>((t - t0) / stepMs) * perStep});
    }
    return samples;
}

std::vector<Sample> Then(std::vector<Sample> a, const std::vector<Sample>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(TransferRate, TextTellsBytesRateOverTheLastSecondsAndTimeLeft) {
    constexpr std::uint64_t kTotal = protocol::kRecorderSize;
    struct Case {
        const char* name;
        std::vector<Sample> samples;
        const char* expected;
    };
    const Case cases[] = {
        {"first sample", {{0, 0}}, "0 z 475 136 B"},
        {"rate not known under a second", Ramp(0, 900, 100, 0, 200), "1 800 z 475 136 B"},
        {"steady 1,9 kB/s", Ramp(0, 5000, 100, 113956, 190),
         "123 456 z 475 136 B, 1,9 kB/s, zostało ok. 3 min 05 s"},
        {"under a minute", Ramp(0, 5000, 100, 375136, 200),
         "385 136 z 475 136 B, 2,0 kB/s, zostało ok. 45 s"},
        // 2 kB/s for 10 s, 2 s of silence, one more chunk: the rate over the last 5 s.
        {"pause lowers the rate gently", Then(Ramp(0, 10000, 100, 0, 200), {{12000, 20057}}),
         "20 057 z 475 136 B, 1,2 kB/s, zostało ok. 6 min 16 s"},
        {"an hour or more: hours and minutes", Ramp(0, 5000, 100, 0, 10),
         "500 z 475 136 B, 0,1 kB/s, zostało ok. 1 h 19 min"},
        {"no progress for the whole window", Then(Ramp(0, 5000, 100, 0, 200), {{11000, 10000}}),
         "10 000 z 475 136 B, 0,0 kB/s"},
        {"finished", Ramp(0, 5000, 100, kTotal - 10000, 200), "475 136 z 475 136 B, 2,0 kB/s"},
        {"begun again", Then(Ramp(0, 5000, 100, 0, 200), {{5100, 57}}), "57 z 475 136 B"},
        {"fed faster than kept", Ramp(0, 5000, 1, 0, 2),
         "10 000 z 475 136 B, 2,0 kB/s, "
         "zostało ok. 3 min 53 s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTransferRate rate(kTotal);
        EXPECT_EQ(rate.Text(), "");
        for (const Sample& s : c.samples) {
            rate.Update(s.ms, s.bytes);
        }
        EXPECT_EQ(rate.Text(), c.expected);
    }
}

TEST(TransferRate, TextIsShownAtMostFourTimesASecondAndOnceAtTheEnd) {
    const struct {
        std::int64_t ms;
        std::uint64_t bytes;
        bool show;
    } steps[] = {
        {0, 0, true},       {100, 57, false},   {249, 114, false}, {250, 171, true},
        {400, 228, false},  {499, 285, false},  {500, 342, true},  {520, 1000, true},
        {530, 1000, false}, {760, 1000, false}, {770, 1000, true},
    };
    CTransferRate rate(1000);
    for (const auto& s : steps) {
        EXPECT_EQ(rate.Update(s.ms, s.bytes), s.show) << s.ms;
    }
}

} // namespace
