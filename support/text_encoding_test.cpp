#include "support/text_encoding.h"

#include <gtest/gtest.h>

namespace bb {
namespace {

TEST(TextEncoding, RecognisesWellFormedUtf8Only) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("\303\234ber \342\202\254 \360\237\223\273"));
    EXPECT_FALSE(IsValidUtf8("\334ber"));           // Windows-1252 Ü
    EXPECT_FALSE(IsValidUtf8("\xc0\x80"));          // overlong NUL
    EXPECT_FALSE(IsValidUtf8("\xe0\x80\xaf"));      // overlong slash
    EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xf4\x90\x80\x80"));  // beyond U+10FFFF
    EXPECT_FALSE(IsValidUtf8("ab\xe2\x82"));        // cut off
    EXPECT_FALSE(IsValidUtf8(std::string_view("\377\376D\0E",
                                              5)));  // a UTF-16 mark
}

TEST(TextEncoding, ReadsWindows1252IncludingItsOwnHighCharacters) {
    EXPECT_EQ(Windows1252ToUtf8("Fran\347ais"), "Fran\303\247ais");
    EXPECT_EQ(Windows1252ToUtf8("\x80\x9f\x96"), "\xe2\x82\xac\xc5\xb8\xe2\x80\x93");
    EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xc2\x81");
    EXPECT_EQ(Windows1252ToUtf8("\xff"), "\xc3\xbf");
    EXPECT_EQ(FileTextToUtf8("\xc3\xa7"), "\xc3\xa7");
    EXPECT_EQ(FileTextToUtf8("\xe7"), "\xc3\xa7");
}

TEST(TextEncoding, Utf16UnitsAsAHostStringCountsThem) {
    EXPECT_EQ(Utf16Length("abc"), 3u);
    EXPECT_EQ(Utf16Length("\xc3\xa9t\xe2\x82\xac"), 3u);  // two bytes, one, three
    EXPECT_EQ(Utf16Length("\xf0\x9f\x93\xa1x"), 3u);      // a pair and one
    EXPECT_EQ(MidUnits("\xc3\xa9t\xe2\x82\xacz", 3), "\xe2\x82\xacz");
    EXPECT_EQ(MidUnits("\xf0\x9f\x93\xa1xy", 3), "xy");
    EXPECT_EQ(MidUnits("\xf0\x9f\x93\xa1xy", 2), "xy");  // inside the pair: after it
    EXPECT_EQ(MidUnits("ab", 1), "ab");
    EXPECT_EQ(MidUnits("ab", 3), "");
}

TEST(TextEncoding, LeftCharsNeverSplitsACharacter) {
    EXPECT_EQ(LeftChars("\xc3\xa9t\xc3\xa9", 2), "\xc3\xa9t");
    EXPECT_EQ(LeftChars("ab", 5), "ab");
    EXPECT_EQ(LeftChars("ab", 0), "");
}

}  // namespace
}  // namespace bb
