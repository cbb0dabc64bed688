// The pure parts of a repeat readout: the kept image file read back as untrusted input, and
// the plan of chunks run against a device memory in a vector.

#include "link/protocol.h"
#include "measure/kept_image.h"
#include "measure/recorder_end_marker.h"
#include "measure/repeat_readout_plan.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kRing = protocol::kRecorderSize;

// A ring of data bytes with a start marker at 0 and the end marker at `marker`.
std::vector<std::uint8_t> Ring(std::uint32_t marker) {
    std::vector<std::uint8_t> ring(kRing);
    for (std::uint32_t i = 0; i < kRing; ++i) {
        ring[i] = static_cast<std::uint8_t>(i % 200);
    }
    ring[0] = protocol::kRecorderStartMarker;
    ring[marker] = protocol::kRecorderEndMarker;
    return ring;
}

// The device records n bytes (one run) from the end marker on.
void Record(std::vector<std::uint8_t>& ring, std::uint32_t n) {
    std::uint32_t at = *RecorderEndMarker(ring.data(), ring.size());
    for (std::uint32_t i = 0; i < n; ++i) {
        ring[at] = i == 0 ? protocol::kRecorderStartMarker : 0x21;
        at = (at + 1) % kRing;
    }
    ring[at] = protocol::kRecorderEndMarker;
}

struct t_plan_case {
    const char* name;
    std::uint32_t marker;
    std::function<void(std::vector<std::uint8_t>&)> meanwhile;
    std::int64_t elapsed;
    RepeatVerdict verdict;
    std::uint32_t maxChunks;
};

} // namespace

TEST(RepeatReadoutPlan, ReadsOnToTheNewEndMarkerComparesAndStopsWhereItMust) {
    const std::vector<t_plan_case> cases = {
        {"nothing recorded", 5000, [](auto&) {}, 60, RepeatVerdict::Same, 20},
        {"recorded, within the time", 5000, [](auto& r) { Record(r, 1000); }, 400,
         RepeatVerdict::Same, 38},
        {"recorded past the ring's end", kRing - 100, [](auto& r) { Record(r, 1000); }, 400,
         RepeatVerdict::Same, 38},
        {"more recorded than the time allows", 5000, [](auto& r) { Record(r, 1000); }, 100,
         RepeatVerdict::TooMuchNew, 11},
        {"erased ahead of the new marker", 5000,
         [](auto& r) {
             Record(r, 1000);
             std::fill(r.begin() + 6001, r.begin() + 8192, protocol::kRecorderEndMarker);
         },
         400, RepeatVerdict::Changed, 38},
        {"no end marker in a whole lap", 5000,
         [](auto& r) { r[5000] = protocol::kRecorderStartMarker; }, 200000,
         RepeatVerdict::NoEndMarker, (kRing + 56) / 57},
        {"a byte before the old marker changed", 5000, [](auto& r) { r[4903] ^= 1; }, 60,
         RepeatVerdict::Changed, 20},
    };
    for (const t_plan_case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> kept = Ring(c.marker);
        std::vector<std::uint8_t> device = kept;
        c.meanwhile(device);
        CRepeatReadoutPlan plan(kept.data(), c.marker, c.elapsed, 7);
        std::uint32_t offset = 0;
        while (plan.Next(offset)) {
            ASSERT_LT(offset, kRing);
            const std::uint32_t count = std::min<std::uint32_t>(57, kRing - offset);
            plan.Took(offset, device.data() + offset, count);
            EXPECT_LE(plan.Planned(), kRing * 2);
        }
        EXPECT_EQ(plan.Verdict(), c.verdict);
        EXPECT_LE(plan.ChunksRead(), c.maxChunks);
    }
}

TEST(KeptImage, ReadBackOnlyWhenEveryByteChecks) {
    t_kept_image kept;
    kept.identity = {31, "RE2 Wyciąg", 5, 1234};
    kept.readoutTime = 1'800'000'000;
    kept.fullReadoutTime = 1'799'000'000;
    kept.repeats = 3;
    kept.image = Ring(777);
    const std::vector<std::uint8_t> bytes = EncodeKeptImage(kept);
    t_kept_image back;
    ASSERT_TRUE(ParseKeptImage(bytes.data(), bytes.size(), back));
    EXPECT_EQ(back.identity, kept.identity);
    EXPECT_EQ(back.readoutTime, kept.readoutTime);
    EXPECT_EQ(back.fullReadoutTime, kept.fullReadoutTime);
    EXPECT_EQ(back.repeats, 3u);
    EXPECT_TRUE(back.image == kept.image);

    const std::vector<std::pair<const char*, std::function<void(std::vector<std::uint8_t>&)>>>
        damages = {
            {"one image byte", [](auto& b) { b[b.size() / 2] ^= 1; }},
            {"the CRC", [](auto& b) { b.back() ^= 1; }},
            {"cut short", [](auto& b) { b.pop_back(); }},
            {"a byte more", [](auto& b) { b.push_back(0); }},
            {"the magic", [](auto& b) { b[0] = 'X'; }},
            {"a name longer than a reply holds", [](auto& b) { b[9] = 0xFF; }},
            {"nothing", [](auto& b) { b.clear(); }},
        };
    for (const auto& [name, damage] : damages) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> damaged = bytes;
        damage(damaged);
        EXPECT_FALSE(ParseKeptImage(damaged.data(), damaged.size(), back));
    }
}
