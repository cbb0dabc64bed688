#include "base/win1250.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST(Win1250, PolishLettersConvertBothWays) {
    const std::string polish = "Zażółć gęślą jaźń ŁÓDŹ Ś";
    const std::vector<std::uint8_t> bytes = Utf8ToWin1250(polish);
    const std::vector<std::uint8_t> expected = {'Z',  'a',  0xBF, 0xF3, 0xB3, 0xE6, ' ', 'g',
                                                0xEA, 0x9C, 'l',  0xB9, ' ',  'j',  'a', 0x9F,
                                                0xF1, ' ',  0xA3, 0xD3, 'D',  0x8F, ' ', 0x8C};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(Win1250ToUtf8(bytes.data(), bytes.size()), polish);
    EXPECT_EQ(Win1250Length(polish), expected.size());
}

TEST(Win1250, EveryByteSurvivesARoundTrip) {
    std::vector<std::uint8_t> all;
    for (int b = 1; b < 256; ++b) {
        all.push_back(static_cast<std::uint8_t>(b));
    }
    const std::string utf8 = Win1250ToUtf8(all.data(), all.size());
    EXPECT_EQ(Utf8ToWin1250(utf8), all);
    EXPECT_EQ(Win1250Length(utf8), all.size());
}

TEST(Win1250, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToWin1250("a€b"), Bytes("a\x80"
                                          "b"));
    EXPECT_EQ(Utf8ToWin1250("ñ日😀"), Bytes("???"));
    EXPECT_EQ(Win1250Length("ñ日😀"), 3u);
}

TEST(Win1250, InvalidUtf8BytesBecomeOneQuestionMarkEach) {
    EXPECT_EQ(Utf8ToWin1250("a\xC3"), Bytes("a?"));         // cut sequence
    EXPECT_EQ(Utf8ToWin1250("\xC0\xAF"), Bytes("??"));      // overlong '/'
    EXPECT_EQ(Utf8ToWin1250("\xED\xA0\x80"), Bytes("???")); // surrogate
    EXPECT_EQ(Utf8ToWin1250("\xFF\x80x"), Bytes("??x"));    // stray bytes
    EXPECT_EQ(Win1250Length("\xC3\x28"), 2u);
}

TEST(Win1250, ZeroTerminatedFormStopsAtZeroOrAtMax) {
    const std::uint8_t name[] = {'R', 'E', 0xA5, 0, 'x'};
    EXPECT_EQ(Win1250ToUtf8Z(name, sizeof name), "REĄ");
    EXPECT_EQ(Win1250ToUtf8Z(name, 2), "RE");
    EXPECT_EQ(Win1250ToUtf8(name, sizeof name), std::string("REĄ\0x", 6));
    EXPECT_EQ(Win1250ToUtf8Z(name, 0), "");
}

} // namespace
