// The input tiled over a full recorder image, decoded, and every run and sample walked.

#include "link/protocol.h"
#include "measure/sample_stamp_list.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static std::vector<std::uint8_t> image(protocol::kRecorderSize);
    // The first bytes choose where the data begins, so the ring wrap is exercised.
    const std::size_t offset =
        size >= 3 ? ((data[0] << 16) | (data[1] << 8) | data[2]) % protocol::kRecorderSize : 0;
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[(offset + i) % image.size()] = data[i % size];
    }
    CSampleStampList list;
    list.DecodeImage(image.data(), image.size(), 616, 60);
    long total = 0;
    for (int i = 0; i < list.GetStampCount(); ++i) {
        const CSampleStamp* run = list.GetStamp(i);
        if (run == nullptr) {
            std::abort();
        }
        std::uint16_t low = 0xFFFF;
        std::uint16_t high = 0;
        for (int s = 0; s < run->GetSampleCount(); ++s) {
            const t_sample_type sample = run->GetSample(s);
            const std::uint16_t position = sample.position;
            if (position > 32767) {
                std::abort();
            }
            low = position < low ? position : low;
            high = position > high ? position : high;
            total += sample.speed;
        }
        if (run->GetMinPosition() != low || run->GetMaxPosition() != high) {
            std::abort();
        }
        if (run->GetSampleCount() > 0 && !run->IsHeaderComplete()) {
            std::abort();
        }
        (void)FormatDeviceTime(run->GetStartTime());
    }
    if (list.GetStamp(list.GetStampCount()) != nullptr) {
        std::abort();
    }
    return total < 0 ? 1 : 0;
}
