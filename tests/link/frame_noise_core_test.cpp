// Property test of the receiver on a noisy line: valid frames mixed with noise between
// them, stray line feeds and ':' inside some, and single-character corruptions.

#include "link/frame_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 10000;

enum class Damage { None, LineFeedInside, ColonInside, CharacterChanged };

struct SentFrame {
    t_transfer_data record;
    std::size_t begin = 0; // first character in the stream
    std::size_t end = 0;   // one past the last character
    Damage damage = Damage::None;
};

struct Line {
    std::string stream;
    std::vector<SentFrame> frames;
    std::vector<std::pair<std::size_t, std::size_t>> noise; // [begin, end) spans
};

Line BuildLine(std::mt19937& rng) {
    Line line;
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int i = 0; i < kFrames; ++i) {
        const std::size_t noiseBegin = line.stream.size();
        const int noise = uniform(0, 3) == 0 ? uniform(1, 12) : 0;
        for (int k = 0; k < noise; ++k) {
            line.stream += static_cast<char>(uniform(0, 255));
        }
        line.noise.emplace_back(noiseBegin, line.stream.size());

        SentFrame f;
        f.record.addressType = static_cast<std::uint8_t>(uniform(0, 255));
        f.record.command = static_cast<std::uint8_t>(uniform(0, 255));
        f.record.length = static_cast<std::uint8_t>(uniform(0, 62));
        for (int k = 0; k < f.record.length; ++k) {
            f.record.data[k] = static_cast<std::uint8_t>(uniform(0, 255));
        }
        std::uint8_t encoded[protocol::kMaxEncodedFrame];
        std::string text(reinterpret_cast<char*>(encoded), EncodeFrame(f.record, encoded));

        const int roll = uniform(0, 99);
        // Damage lands after the ':' (offset 3), on one of the digits.
        const std::size_t at =
            static_cast<std::size_t>(uniform(3, static_cast<int>(text.size()) - 1));
        if (roll < 6) {
            f.damage = Damage::LineFeedInside;
            text.insert(at, 1, '\n');
        } else if (roll < 12) {
            f.damage = Damage::ColonInside;
            text.insert(at, 1, ':');
        } else if (roll < 20) {
            f.damage = Damage::CharacterChanged;
            char c;
            do {
                c = static_cast<char>(uniform(0, 255));
            } while (c == text[at]);
            text[at] = c;
        }
        f.begin = line.stream.size();
        line.stream += text;
        f.end = line.stream.size();
        line.frames.push_back(f);
    }
    return line;
}

struct Completion {
    std::size_t at; // index of the character that completed the frame
    bool hasRecord;
    t_transfer_data record;
};

// Feeds the stream in the given chunk sizes (0 = the rest) to one receiver.
std::vector<Completion> Receive(const std::string& stream, std::mt19937* splitter) {
    std::uint8_t buffer[protocol::kFrameBufferSize];
    t_frame_receiver rx;
    ReceiverInit(rx, buffer);
    std::vector<Completion> out;
    std::size_t at = 0;
    while (at < stream.size()) {
        std::size_t chunk = stream.size() - at;
        if (splitter != nullptr) {
            chunk = std::min<std::size_t>(
                chunk, std::uniform_int_distribution<std::size_t>(1, 300)(*splitter));
        }
        for (std::size_t k = 0; k < chunk; ++k, ++at) {
            if (ReceiverPutChar(rx, stream[at])) {
                Completion c{at, false, {}};
                c.hasRecord = FrameToRecord(buffer, c.record);
                EXPECT_LT(rx.position - buffer, static_cast<long>(sizeof buffer) + 1);
                out.push_back(c);
            }
        }
    }
    return out;
}

bool SameRecord(const t_transfer_data& a, const t_transfer_data& b) {
    return a.length == b.length && a.addressType == b.addressType && a.command == b.command &&
           std::memcmp(a.data, b.data, a.length) == 0;
}

TEST(FrameNoise, UntouchedFramesArriveOnceInOrderWhateverTheChunking) {
    std::mt19937 rng(20091202);
    const Line line = BuildLine(rng);

    std::mt19937 splitter(7);
    const std::vector<Completion> whole = Receive(line.stream, nullptr);
    const std::vector<Completion> split = Receive(line.stream, &splitter);
    std::vector<Completion> oneByOne;
    {
        // One character per call, as the link worker reads.
        std::uint8_t buffer[protocol::kFrameBufferSize];
        t_frame_receiver rx;
        ReceiverInit(rx, buffer);
        for (std::size_t at = 0; at < line.stream.size(); ++at) {
            if (ReceiverPutChar(rx, line.stream[at])) {
                Completion c{at, false, {}};
                c.hasRecord = FrameToRecord(buffer, c.record);
                oneByOne.push_back(c);
            }
        }
    }
    ASSERT_EQ(whole.size(), split.size());
    ASSERT_EQ(whole.size(), oneByOne.size());
    for (std::size_t i = 0; i < whole.size(); ++i) {
        ASSERT_EQ(whole[i].at, split[i].at);
        ASSERT_EQ(whole[i].at, oneByOne[i].at);
    }

    // Attribute every completion to the frame or noise span it ended in.
    std::size_t next = 0;
    int clean = 0, cleanReceived = 0, damaged = 0, damagedSlipped = 0, fromNoise = 0;
    for (const SentFrame& f : line.frames) {
        (f.damage == Damage::None ? clean : damaged)++;
    }
    std::size_t frameIndex = 0;
    for (const Completion& c : whole) {
        while (frameIndex < line.frames.size() && line.frames[frameIndex].end <= c.at) {
            ++frameIndex;
        }
        if (frameIndex < line.frames.size() && c.at >= line.frames[frameIndex].begin) {
            const SentFrame& f = line.frames[frameIndex];
            if (f.damage == Damage::None) {
                ASSERT_EQ(c.at, f.end - 1) << "frame " << frameIndex;
                ASSERT_TRUE(c.hasRecord);
                ASSERT_TRUE(SameRecord(c.record, f.record)) << "frame " << frameIndex;
                ASSERT_GE(frameIndex, next) << "out of order";
                next = frameIndex + 1;
                ++cleanReceived;
            } else if (c.hasRecord) {
                ++damagedSlipped;
            }
        } else if (c.hasRecord) {
            ++fromNoise;
        }
    }
    EXPECT_EQ(cleanReceived, clean);
    EXPECT_EQ(oneByOne.size(), whole.size());
    std::cout << "[ noise    ] " << clean << " clean frames all received; " << damagedSlipped
              << " of " << damaged << " damaged frames passed the 8-bit sum ("
              << 100.0 * damagedSlipped / damaged << " %); " << fromNoise
              << " frames formed by noise\n";
    RecordProperty("damaged_frames", damaged);
    RecordProperty("damaged_frames_slipped", damagedSlipped);
}

} // namespace
