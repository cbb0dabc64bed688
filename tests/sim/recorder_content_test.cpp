#include "sim/recorder_content.h"

#include "base/device_time.h"
#include "link/protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

struct RecordedRun {
    std::size_t address = 0;
    t_device_time start;
    std::vector<int> speed;
    std::vector<int> position;
};

// Walks the ring the way the recorder is read: from the first start marker in address
// order, on past the end of memory, up to the end marker. Checks the format on the way.
std::vector<RecordedRun> WalkRing(const std::vector<std::uint8_t>& image, std::size_t& endAddress) {
    const std::size_t size = image.size();
    const auto first = std::find(image.begin(), image.end(), 0xFE);
    EXPECT_NE(first, image.end());
    std::vector<RecordedRun> runs;
    std::size_t k = static_cast<std::size_t>(first - image.begin());
    for (std::size_t walked = 0; walked < size;) {
        const std::size_t at = (k + walked) % size;
        if (image[at] == 0xFF) {
            endAddress = at;
            return runs;
        }
        EXPECT_EQ(image[at], 0xFE) << "at " << at;
        RecordedRun run;
        run.address = at;
        auto* header = reinterpret_cast<std::uint8_t*>(&run.start);
        for (int i = 0; i < 7; ++i) {
            header[i] = image[(at + 1 + i) % size];
            EXPECT_LT(header[i], 0xFE);
        }
        walked += 8;
        for (;;) {
            const std::uint8_t b = image[(k + walked) % size];
            if (b == 0xFE || b == 0xFF) {
                break;
            }
            const std::uint8_t high = image[(k + walked + 1) % size];
            const std::uint8_t low = image[(k + walked + 2) % size];
            EXPECT_LT(high, 0xFE);
            EXPECT_LT(low, 0x80);
            run.speed.push_back(b);
            run.position.push_back(high * 128 + (low & 0x7F));
            walked += 3;
        }
        runs.push_back(std::move(run));
    }
    ADD_FAILURE() << "no end marker";
    return runs;
}

const std::int64_t kNow = DeviceTimeToCalendar(MakeDeviceTime(2025, 6, 18, 14, 30, 0));

} // namespace

TEST(RecorderContent, RingHoldsValidRunsEndingBeforeNow) {
    t_recorder_options options;
    options.seed = 11;
    options.now = kNow;
    const auto image = GenerateRecorderImage(options);
    ASSERT_EQ(image.size(), protocol::kRecorderSize);
    EXPECT_EQ(std::count(image.begin(), image.end(), 0xFF), 1);

    std::size_t end = 0;
    const auto runs = WalkRing(image, end);
    ASSERT_GT(runs.size(), 50u);
    std::int64_t previousEnd = 0;
    int shortGaps = 0;
    int longRuns = 0;
    for (const RecordedRun& run : runs) {
        const t_device_time& t = run.start;
        ASSERT_TRUE(t.second <= 59 && t.minute <= 59 && t.hour <= 23 && t.day >= 1 && t.day <= 31 &&
                    t.month >= 1 && t.month <= 12)
            << FormatDeviceTime(t);
        const std::int64_t start = DeviceTimeToCalendar(t);
        EXPECT_GE(start, kNow - 42 * 86400) << FormatDeviceTime(t);
        EXPECT_GT(start, previousEnd) << FormatDeviceTime(t);
        if (previousEnd != 0 && start - previousEnd < 60) {
            ++shortGaps;
        }
        ASSERT_FALSE(run.speed.empty());
        previousEnd = start + static_cast<std::int64_t>(run.speed.size());
        longRuns += run.speed.size() > 616 ? 1 : 0;

        for (std::size_t i = 0; i < run.speed.size(); ++i) {
            EXPECT_LE(run.speed[i], 250);
            EXPECT_LE(run.position[i], 2000);
            if (i > 0) {
                // One second of travel at the speeds around it, rounded to metres.
                const int step = std::abs(run.position[i] - run.position[i - 1]);
                EXPECT_LE(step, std::max(run.speed[i], run.speed[i - 1]) / 10 + 1);
            }
        }
        EXPECT_EQ(run.speed.front(), 0); // runs begin and end standing
        EXPECT_EQ(run.speed.back(), 0);
    }
    EXPECT_LT(previousEnd, kNow);
    EXPECT_GT(previousEnd, kNow - 30 * 3600);
    EXPECT_GT(shortGaps, 3);
    EXPECT_GT(longRuns, 10);

    // The newest run crosses the end of memory and ends just before the end marker; the
    // first start marker in address order lies after the end marker.
    EXPECT_GT(runs.back().address, end);
    EXPECT_EQ(std::find(image.begin(), image.begin() + static_cast<long>(end), 0xFE),
              image.begin() + static_cast<long>(end));
    EXPECT_GT(runs.front().address, end);
}

TEST(RecorderContent, RunsGoUpAndDownTheWholeRouteAtCruisingSpeed) {
    t_recorder_options options;
    options.seed = 2;
    options.now = kNow;
    options.routeLength = 1500;
    options.maxSpeed = 60;
    std::size_t end = 0;
    const auto runs = WalkRing(GenerateRecorderImage(options), end);
    int top = 0;
    int bottom = 0;
    int fastest = 0;
    for (const RecordedRun& run : runs) {
        top += static_cast<int>(std::count(run.position.begin(), run.position.end(), 1500));
        bottom += static_cast<int>(std::count(run.position.begin(), run.position.end(), 0));
        fastest = std::max(fastest, *std::max_element(run.speed.begin(), run.speed.end()));
        EXPECT_LE(*std::max_element(run.position.begin(), run.position.end()), 1500);
    }
    EXPECT_GT(top, 100);
    EXPECT_GT(bottom, 100);
    EXPECT_GE(fastest, 52);
    EXPECT_LE(fastest, 60);
}

TEST(RecorderContent, SameSeedGivesSameImage) {
    t_recorder_options options;
    options.seed = 9;
    options.now = kNow;
    const auto a = GenerateRecorderImage(options);
    EXPECT_EQ(a, GenerateRecorderImage(options));
    options.seed = 10;
    EXPECT_NE(a, GenerateRecorderImage(options));
}
