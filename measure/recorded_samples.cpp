#include "measure/recorded_samples.h"

#include "measure/sample_stamp_list.h"

#include <limits>

std::vector<t_recorded_run> RecordedRuns(const std::uint8_t* image, std::size_t length) {
    // The chart's own walk, with both of its display adjustments switched off: no run is
    // long enough to reach the limit, so none is split, and no distance between runs is
    // below a window of 0, so none is merged and no filler is added.
    CSampleStampList list;
    list.DecodeImage(image, length, std::numeric_limits<int>::max(), 0);

    std::vector<t_recorded_run> runs;
    for (int i = 0; i < list.GetStampCount(); ++i) {
        const CSampleStamp* stamp = list.GetStamp(i);
        const int count = stamp->GetSampleCount();
        // A run holds samples only after a complete, valid start time; what the walk kept
        // besides (start times cut short, runs ended before their first sample) is empty.
        if (count == 0) {
            continue;
        }
        t_recorded_run& run = runs.emplace_back();
        run.start = stamp->GetStartTime();
        run.samples.reserve(static_cast<std::size_t>(count));
        for (int s = 0; s < count; ++s) {
            run.samples.push_back(stamp->GetSample(s));
        }
    }
    return runs;
}
