#include "link/frame_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Encode(const t_transfer_data& record) {
    std::uint8_t out[protocol::kMaxEncodedFrame + 8];
    const std::size_t n = EncodeFrame(record, out);
    return std::string(reinterpret_cast<const char*>(out), n);
}

t_transfer_data Record(int address, int type, int command, std::vector<std::uint8_t> data) {
    t_transfer_data r;
    r.addressType = MakeAddressType(address, type);
    r.command = static_cast<std::uint8_t>(command);
    r.length = static_cast<std::uint8_t>(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        r.data[i] = data[i];
    }
    return r;
}

struct Receiver {
    std::uint8_t buffer[protocol::kFrameBufferSize] = {};
    t_frame_receiver r;
    Receiver() { ReceiverInit(r, buffer); }
    // Feeds the text and gives how many frames completed.
    int Feed(const std::string& text) {
        int frames = 0;
        for (char c : text) {
            frames += ReceiverPutChar(r, c);
        }
        return frames;
    }
};

TEST(FrameEncoder, RequestWithoutDataIsElevenCharacters) {
    EXPECT_EQ(Encode(Record(31, 1, 33, {})), std::string("\n\r:03F921E3"));
}

TEST(FrameEncoder, FullRecordIs135CharactersAndSumsToZero) {
    std::vector<std::uint8_t> data(62);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i * 37 + 5);
    }
    const std::string text = Encode(Record(5, 2, 39, data));
    ASSERT_EQ(text.size(), protocol::kMaxEncodedFrame);
    EXPECT_EQ(text.substr(3, 2), "41"); // L = 65
    unsigned sum = 0;
    for (std::size_t i = 3; i < text.size(); i += 2) {
        sum += HexDigitValue(text[i]) * 16u + HexDigitValue(text[i + 1]);
    }
    EXPECT_EQ(sum % 256, 0u);
}

TEST(FrameEncoder, LengthAbove62IsTakenAs62) {
    t_transfer_data r = Record(1, 1, 40, {});
    r.length = 200;
    EXPECT_EQ(Encode(r).size(), protocol::kMaxEncodedFrame);
}

TEST(HexDigits, BothCasesDecodeAndOthersGiveZero) {
    EXPECT_EQ(HexDigitValue('7'), 7);
    EXPECT_EQ(HexDigitValue('a'), 10);
    EXPECT_EQ(HexDigitValue('F'), 15);
    EXPECT_EQ(HexDigitValue('g'), 0);
    EXPECT_EQ(HexDigitValue(static_cast<char>(0xC1)), 0);
    EXPECT_FALSE(IsHexDigit(static_cast<char>(0xB0)));
    EXPECT_FALSE(IsHexDigit(':'));
    char out[2];
    EXPECT_EQ(PutHexByte(0xA5, out), out + 2);
    EXPECT_EQ(std::string(out, 2), "A5");
}

TEST(FrameReceiver, EncodedFrameRoundTripsIntoTheSameRecord) {
    const t_transfer_data sent = Record(31, 1, 34, {0x00, 0x00, 0x01});
    Receiver rx;
    EXPECT_EQ(rx.Feed(Encode(sent)), 1);
    t_transfer_data got;
    ASSERT_TRUE(FrameToRecord(rx.buffer, got));
    EXPECT_EQ(got.length, 3);
    EXPECT_EQ(got.addressType, sent.addressType);
    EXPECT_EQ(got.command, 34);
    EXPECT_EQ(got.data[2], 1);
}

TEST(FrameReceiver, FullFrameOf66BytesIsAccepted) {
    std::vector<std::uint8_t> data(62, 0x5A);
    Receiver rx;
    EXPECT_EQ(rx.Feed(Encode(Record(3, 1, 40, data))), 1);
    t_transfer_data got;
    ASSERT_TRUE(FrameToRecord(rx.buffer, got));
    EXPECT_EQ(got.length, 62);
    EXPECT_EQ(got.data[61], 0x5A);
}

TEST(FrameReceiver, LengthOf66OrMoreIsDroppedAtThe67thByte) {
    // L = 0x42 announces 67 bytes after L: more than the buffer holds.
    std::string text = ":42";
    for (int i = 0; i < 70; ++i) {
        text += "00";
    }
    Receiver rx;
    EXPECT_EQ(rx.Feed(text), 0);
    EXPECT_EQ(rx.r.state, ReceiverState::Overlong);
    EXPECT_EQ(rx.r.count, protocol::kFrameBufferSize);
    EXPECT_EQ(rx.Feed(std::string(Encode(Record(1, 1, 1, {})).substr(2))), 1);
}

TEST(FrameReceiver, LowerCaseDigitsDecodeLikeUpperCase) {
    Receiver rx;
    EXPECT_EQ(rx.Feed(":03f921e3"), 1);
    EXPECT_EQ(rx.buffer[1], 0xF9);
}

TEST(FrameReceiver, LineEndsBetweenFramesAreIgnoredButAbandonAFrameInside) {
    Receiver rx;
    EXPECT_EQ(rx.Feed("\r\n\r\n:03F921E3\r\n"), 1);
    EXPECT_EQ(rx.Feed(":03F9\r\n21E3"), 0);
    EXPECT_EQ(rx.Feed(":03F921E3"), 1);
}

TEST(FrameReceiver, SecondColonRestartsTheFrame) {
    Receiver rx;
    EXPECT_EQ(rx.Feed(":03F9:03F921E3"), 1);
}

TEST(FrameReceiver, WrongChecksumIsDroppedAndTheNextFrameArrives) {
    Receiver rx;
    EXPECT_EQ(rx.Feed(":03F921E4"), 0);
    EXPECT_EQ(rx.r.state, ReceiverState::Idle);
    EXPECT_EQ(rx.Feed("xx:03F921E3"), 1);
}

TEST(FrameReceiver, TrailingSingleDigitIsDiscardedWithTheFrame) {
    Receiver rx;
    EXPECT_EQ(rx.Feed(":03F921E"), 0);
    EXPECT_EQ(rx.Feed(":03F921E3"), 1);
}

TEST(FrameReceiver, CharactersAbove0x7FAbandonAFrame) {
    Receiver rx;
    EXPECT_EQ(rx.Feed(std::string(":03F9") + static_cast<char>(0xB2) + "1E3"), 0);
    EXPECT_EQ(rx.r.state, ReceiverState::Idle);
}

TEST(FrameReceiver, EventsTellFramesBadSumsOverlongFramesAndDiscardedCharactersApart) {
    std::string overlong = ":42";
    for (int i = 0; i < 70; ++i) {
        overlong += "00";
    }
    struct Case {
        std::string text;
        int frames, badChecksums, overlong, discarded;
    };
    const Case cases[] = {
        {"\n\r:03F921E3\n\r:03F921E3", 2, 0, 0, 0}, // line ends before frames: clean
        {":03F921E4", 0, 1, 0, 0},
        {overlong + "\n\r:03F921E3", 1, 0, 1, 0},
        {"xy\n\r:03F921E3", 1, 0, 0, 2},          // noise between frames
        {":03F9\n\r:03F921E3", 1, 0, 0, 5},       // a frame cut by a line end
        {":03F9:03F921E3", 1, 0, 0, 5},           // a frame cut by a new ':'
        {":03F9?21E3\n\r:03F921E3", 1, 0, 0, 10}, // the cut frame's tail is noise too
    };
    for (const Case& c : cases) {
        Receiver rx;
        int frames = 0, badChecksums = 0, overlongFrames = 0, discarded = 0;
        for (char ch : c.text) {
            frames += ReceiverPutChar(rx.r, ch);
            badChecksums += rx.r.event == ReceiverEvent::BadChecksum;
            overlongFrames += rx.r.event == ReceiverEvent::Overlong;
            discarded += rx.r.event == ReceiverEvent::Discarded ? rx.r.discarded : 0;
        }
        EXPECT_EQ(frames, c.frames) << c.text;
        EXPECT_EQ(badChecksums, c.badChecksums) << c.text;
        EXPECT_EQ(overlongFrames, c.overlong) << c.text;
        EXPECT_EQ(discarded, c.discarded) << c.text;
    }
}

TEST(FrameToRecord, ShortLengthBytesAreRefusedEvenWithAGoodChecksum) {
    // ":00" is complete and sums to zero; ":01FF" and ":02FFFF" likewise.
    for (const char* text : {":00", ":01FF", ":02FFFF"}) {
        Receiver rx;
        EXPECT_EQ(rx.Feed(text), 1) << text;
        t_transfer_data got;
        got.command = 77;
        EXPECT_FALSE(FrameToRecord(rx.buffer, got)) << text;
        EXPECT_EQ(got.command, 77) << "record must stay untouched";
    }
}

} // namespace
