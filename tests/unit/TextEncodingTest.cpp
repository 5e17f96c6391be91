// File names between the core's UTF-8 and Windows' UTF-16, and the program's own code page 1252.
#include <gtest/gtest.h>

#include "common/TextEncoding.h"

namespace {

TEST(TextEncoding, NamesInAnyScriptGoToUtf16AndBackUnchanged) {
    // "Песни 歌 ♫" and a character beyond the first plane, which UTF-16 writes as a pair.
    const std::string utf8 =
        "\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD0\xB8 \xE6\xAD\x8C \xE2\x99\xAB \xF0\x9F\x8E\xB5";
    const std::u16string utf16 = u"\u041F\u0435\u0441\u043D\u0438 \u6B4C \u266B \U0001F3B5";
    EXPECT_EQ(Utf16FromUtf8(utf8), utf16);
    EXPECT_EQ(Utf8FromUtf16(utf16), utf8);
    // A lone surrogate, which a Windows file name may hold, survives the trip both ways.
    const std::u16string lone = {u'a', 0xD800, u'b', 0xDC01};
    EXPECT_EQ(Utf16FromUtf8(Utf8FromUtf16(lone)), lone);
}

TEST(TextEncoding, BytesThatAreNoUtf8BecomeReplacementCharacters) {
    EXPECT_EQ(Utf16FromUtf8("a\xB6z"), u"a\uFFFDz");                           // a code page 1252 byte
    EXPECT_EQ(Utf16FromUtf8("\xC0\x80"), u"\uFFFD\uFFFD");                     // an overlong zero
    EXPECT_EQ(Utf16FromUtf8("\xE6\xAD"), u"\uFFFD\uFFFD");                     // cut short
    EXPECT_EQ(Utf16FromUtf8("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD"); // past U+10FFFF
}

TEST(TextEncoding, CodePage1252ReadsAsWindowsReadsIt) {
    EXPECT_EQ(Utf8FromWindows1252(" -  +  \xF7  x"), " -  +  \xC3\xB7  x");
    EXPECT_EQ(Utf8FromWindows1252("^\xB6^ \xA7"), "^\xC2\xB6^ \xC2\xA7");
    EXPECT_EQ(Utf8FromWindows1252("\x80\x9F\x81"),
              "\xE2\x82\xAC\xC5\xB8\xC2\x81"); // euro, Y diaeresis, unassigned
}

} // namespace
