#pragma once
// The recorded samples of a recorder memory image, run by run as the recorder took them:
// the image is walked as the chart decodes it (ring order from the first start marker,
// start times checked, partial sample groups dropped, stop at the end marker), but every
// run stays whole: no split into chart-sized pieces and no merging, so no filler samples.

#include "base/device_time.h"
#include "measure/sample_stamp.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct t_recorded_run {
    t_device_time start; // sample i was taken at start + i seconds
    std::vector<t_sample_type> samples;
};

// The runs with samples, in decoding order. Runs whose start time is invalid or incomplete
// give none.
std::vector<t_recorded_run> RecordedRuns(const std::uint8_t* image, std::size_t length);
