#include "measure/recorded_samples.h"

#include "tests/support/recorder_image_builder.h"
#include "tests/support/warsaw_time_zone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// Sample i of a test run: speed 10 + i % 50, position first + i.
RecorderImageBuilder& Samples(RecorderImageBuilder& b, int count, int first = 100) {
    for (int i = 0; i < count; ++i) {
        b.Sample(static_cast<std::uint8_t>(10 + i % 50), static_cast<std::uint16_t>(first + i));
    }
    return b;
}

struct ExpectedRun {
    t_device_time start;
    int count;
    int firstPosition;
};

struct Case {
    std::string name;
    std::function<void(RecorderImageBuilder&)> write;
    std::vector<ExpectedRun> runs;
    // Bytes the written image is turned left by, so that it starts this far before the end.
    std::size_t wrapBy = 0;
};

class RecordedSamples : public WarsawTimeZone {};

TEST_F(RecordedSamples, RunsStayWholeWithTheirOwnStartTimes) {
    const t_device_time T = MakeDeviceTime(2009, 12, 2, 9, 5, 7);
    const std::vector<Case> cases = {
        {"a run wrapped past the end of the ring",
         [&](auto& b) { Samples(b.Start(T), 10).End(); },
         {{T, 10, 100}},
         20},
        {"an invalid start time gives its run no samples",
         [&](auto& b) {
             Samples(b.Start(2009, 13, 1, 0, 0, 0), 5);
             Samples(b.Start(T), 2).End();
         },
         {{T, 2, 100}}},
        {"start times cut short by a marker give none",
         [&](auto& b) {
             b.Start(T);
             Samples(b.Start(AddSeconds(T, 60)), 3).End();
             b.Image()[4] = 0xFE; // FE t t t FE t t t FE <start time> <samples>
         },
         {{AddSeconds(T, 60), 3, 100}}},
        {"a marker inside a sample group drops the partial sample",
         [&](auto& b) {
             Samples(b.Start(T), 2).Sample(5, 6);
             b.Image()[8 + 3 * 2 + 2] = 0xFE; // the third sample's last byte
             b.Start(AddSeconds(T, 100));
             Samples(b, 1, 300).End();
         },
         {{T, 2, 100}, {AddSeconds(T, 100), 1, 300}}},
        {"runs 60 s apart stay apart",
         [&](auto& b) {
             Samples(b.Start(T), 10);
             Samples(b.Start(AddSeconds(T, 9 + 60)), 2, 500).End();
         },
         {{T, 10, 100}, {AddSeconds(T, 69), 2, 500}}},
        {"runs 5 s apart stay apart, without fillers",
         [&](auto& b) {
             Samples(b.Start(T), 10);
             Samples(b.Start(AddSeconds(T, 9 + 5)), 2, 500).End();
         },
         {{T, 10, 100}, {AddSeconds(T, 14), 2, 500}}},
        {"a run longer than a chart screen is not split",
         [&](auto& b) { Samples(b.Start(T), 1000).End(); },
         {{T, 1000, 100}}},
        {"a run without samples is left out",
         [&](auto& b) {
             b.Start(T);
             Samples(b.Start(AddSeconds(T, 3)), 2).End();
         },
         {{AddSeconds(T, 3), 2, 100}}},
        {"runs after the end marker are not read",
         [&](auto& b) {
             Samples(b.Start(T), 3).End();
             Samples(b.Start(AddSeconds(T, 3600)), 3);
         },
         {{T, 3, 100}}},
        {"an image without a start marker has no runs", [](auto&) {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecorderImageBuilder builder;
        c.write(builder);
        std::vector<std::uint8_t>& image = builder.Image();
        std::rotate(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(c.wrapBy),
                    image.end());
        const std::vector<t_recorded_run> runs = RecordedRuns(image.data(), image.size());
        ASSERT_EQ(runs.size(), c.runs.size());
        for (std::size_t r = 0; r < runs.size(); ++r) {
            EXPECT_EQ(FormatDeviceTime(runs[r].start), FormatDeviceTime(c.runs[r].start)) << r;
            ASSERT_EQ(runs[r].samples.size(), static_cast<std::size_t>(c.runs[r].count)) << r;
            for (int i = 0; i < c.runs[r].count; ++i) {
                const t_sample_type sample = runs[r].samples[static_cast<std::size_t>(i)];
                ASSERT_EQ(sample.speed, 10 + i % 50) << r << " " << i;
                ASSERT_EQ(static_cast<int>(sample.position), c.runs[r].firstPosition + i)
                    << r << " " << i;
            }
        }
    }
    EXPECT_TRUE(RecordedRuns(nullptr, 0).empty());
}

} // namespace
