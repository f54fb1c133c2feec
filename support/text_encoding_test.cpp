#include "support/text_encoding.h"

#include <gtest/gtest.h>

namespace bb {
namespace {

// Windows-1252, overlong forms, a surrogate, beyond U+10FFFF, cut off, a UTF-16 mark.
TEST(TextEncoding, RecognisesWellFormedUtf8Only) {
    for (std::string_view ok : {"", "plain", "\303\234ber \342\202\254 \360\237\223\273"})
        EXPECT_TRUE(IsValidUtf8(ok)) << ok;
    for (std::string_view bad : {"\334ber", "\xc0\x80", "\xe0\x80\xaf", "\xed\xa0\x80",
                                 "\xf4\x90\x80\x80", "ab\xe2\x82", "\377\376D"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
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
    EXPECT_EQ(std::string(MidUnits("ab", 1)) + "|" + std::string(MidUnits("ab", 3)), "ab|");
}

TEST(TextEncoding, LeftCharsNeverSplitsACharacter) {
    EXPECT_EQ(LeftChars("\xc3\xa9t\xc3\xa9", 2), "\xc3\xa9t");
    EXPECT_EQ(std::string(LeftChars("ab", 5)) + "|" + std::string(LeftChars("ab", 0)), "ab|");
}

}  // namespace
}  // namespace bb
