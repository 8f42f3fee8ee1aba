#include <gtest/gtest.h>

#include "platform/textconv.h"

TEST(TextConv, Utf8AndUtf16RoundTripAndRepairInvalidInput) {
    EXPECT_EQ(text::utf8ToUtf16("Citt\xC3\xA0 \xF0\x9F\x93\x96"), u"Città 📖");
    EXPECT_EQ(text::utf16ToUtf8(u"Città 📖"), "Citt\xC3\xA0 \xF0\x9F\x93\x96");
    EXPECT_EQ(text::utf8ToUtf16("a\xC3"), u"a\uFFFD");            // truncated sequence
    EXPECT_EQ(text::utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");    // overlong
    EXPECT_EQ(text::utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(TextConv, EveryWindows1252ByteSurvivesARoundTrip) {
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(text::utf8ToCp1252(text::cp1252ToUtf8(byte)), byte) << b;
    }
    EXPECT_EQ(text::cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(text::utf8ToCp1252("\xE2\x82\xAC\xCE\xB1"), "\x80?");
}
