#include "base/shown_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(ShownText, ControlCharactersAndBrokenUtf8AreEscapedThePrintableTextStays) {
    struct Case {
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {"RE2 Wyciąg Północ", "RE2 Wyciąg Północ"},
        {"RE2\x1b[31mczerwony", "RE2\\x1b[31mczerwony"},
        {"\x1b]0;tytuł\x07", "\\x1b]0;tytuł\\x07"},
        {"a\tb\r\nc\x7f", "a\\x09b\\x0d\\x0ac\\x7f"},
        // C1 controls in UTF-8 (CSI U+009B), and bytes that are no UTF-8.
        {"x\xc2\x9b"
         "2J",
         "x\\x9b2J"},
        {"\xff\xc5", "\\xff\\xc5"},
        {"C:\\dane", "C:\\\\dane"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShownText(c.text), c.shown) << c.text;
    }
}
