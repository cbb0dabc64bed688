#include "sim/line_pacer.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Clock = LinePacer::Clock;

TEST(LinePacer, WithoutBaudReleasesEverythingWhenReady) {
    LinePacer pacer;
    const Clock::time_point t0 = Clock::now();
    const std::uint8_t data[] = {1, 2, 3};
    pacer.Push(data, 3, t0 + 10ms);
    std::vector<std::uint8_t> out;
    pacer.Release(t0, out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(pacer.NextDue(), t0 + 10ms);
    pacer.Release(t0 + 10ms, out);
    EXPECT_EQ(out.size(), 3u);
    EXPECT_TRUE(pacer.Empty());
    EXPECT_EQ(pacer.NextDue(), Clock::time_point::max());
}

TEST(LinePacer, ReleasesOneCharacterPerTenBitTimesQueuedBehindEachOther) {
    LinePacer pacer(10000); // 1 ms a character
    const Clock::time_point t0 = Clock::now();
    std::vector<std::uint8_t> block(100, 7);
    pacer.Push(block.data(), 100, t0);
    pacer.Push(block.data(), 50, t0); // waits for the line
    std::vector<std::uint8_t> out;
    pacer.Release(t0 + 40ms, out);
    EXPECT_EQ(out.size(), 40u);
    EXPECT_EQ(pacer.NextDue(), t0 + 41ms);
    pacer.Release(t0 + 120ms, out);
    EXPECT_EQ(out.size(), 120u);
    pacer.Release(t0 + 150ms, out);
    EXPECT_EQ(out.size(), 150u);
    EXPECT_TRUE(pacer.Empty());
}

TEST(LinePacer, IdleLineStartsAtTheReadyTime) {
    LinePacer pacer(10000);
    const Clock::time_point t0 = Clock::now();
    const std::uint8_t c = 1;
    pacer.Push(&c, 1, t0);
    std::vector<std::uint8_t> out;
    pacer.Release(t0 + 5ms, out);
    pacer.Push(&c, 1, t0 + 100ms);
    EXPECT_EQ(pacer.NextDue(), t0 + 101ms);
}
