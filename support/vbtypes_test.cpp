#include "support/vbtypes.h"
#include "tests/fakes/comma_locale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace bb {
namespace {

int ErrorOf(auto&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

TEST(Checked, ValuesThatDoNotFitRaiseOverflowInsteadOfWrapping) {
    EXPECT_EQ(Checked<std::int16_t>(32767), 32767);
    EXPECT_EQ(Checked<std::int16_t>(-32768), -32768);
    EXPECT_EQ(ErrorOf([] { Checked<std::int16_t>(32768); }), 6);
    EXPECT_EQ(ErrorOf([] { Checked<std::int16_t>(std::uint16_t{65535}); }), 6);
    EXPECT_EQ(ErrorOf([] { CheckedAdd<std::int16_t>(32767, 1); }), 6);
    EXPECT_EQ(ErrorOf([] { CheckedSub<std::int32_t>(INT32_MIN, 1); }), 6);
    EXPECT_EQ(CheckedAdd<std::int32_t>(32767, 1), 32768);
}

TEST(CInt, RoundsHalvesToEvenAndChecksTheRange) {
    EXPECT_EQ(CInt(7.5), 8);
    EXPECT_EQ(CInt(6.5), 6);
    EXPECT_EQ(CInt(-2.5), -2);
    EXPECT_EQ(CInt(2.4999), 2);
    EXPECT_EQ(CInt(32767.4), 32767);
    EXPECT_EQ(ErrorOf([] { CInt(32767.5); }), 6);
    EXPECT_EQ(ErrorOf([] { CInt(1e10); }), 6);
    EXPECT_EQ(ErrorOf([] { CInt(std::nan("")); }), 6);
    EXPECT_EQ(CLng(2147483647.0), 2147483647);
    EXPECT_EQ(ErrorOf([] { CLng(2147483648.0); }), 6);
}

TEST(Val, ReadsAFullStopWhateverTheProcesssLocale) {
    testing::CommaLocale comma;
    EXPECT_DOUBLE_EQ(Val("438.1625"), 438.1625);
    EXPECT_DOUBLE_EQ(Val("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(Val("-.5e1"), -5);
    EXPECT_DOUBLE_EQ(Val("+7.25MHz"), 7.25);
    EXPECT_EQ(Val("1e-400"), 0);
    EXPECT_THROW(Val("1e400"), RuntimeError);
    EXPECT_EQ(NumberText(2.5), "2.5");
    EXPECT_EQ(NumberText(1e-7), "0.0000001");
}

TEST(Val, ReadsTheLeadingNumberOnly) {
    EXPECT_DOUBLE_EQ(Val("250 km"), 250);
    EXPECT_DOUBLE_EQ(Val("abc"), 0);
    EXPECT_DOUBLE_EQ(Val(""), 0);
    EXPECT_DOUBLE_EQ(Val("  7.5"), 7.5);
    EXPECT_DOUBLE_EQ(Val("-12.25x"), -12.25);
    EXPECT_DOUBLE_EQ(Val("1 2 3"), 123);  // blanks inside the number are skipped
    EXPECT_DOUBLE_EQ(Val("1,5"), 1);      // the decimal point is always "."
    EXPECT_DOUBLE_EQ(Val(".5"), 0.5);
    EXPECT_DOUBLE_EQ(Val("1e3"), 1000);
    EXPECT_DOUBLE_EQ(Val("2e"), 2);
    EXPECT_DOUBLE_EQ(Val("088"), 88);
    EXPECT_DOUBLE_EQ(Val("&HFF"), 255);
    EXPECT_DOUBLE_EQ(Val("&HFFFF"), -1);
    // Sixteen hex digits beyond the signed range: overflow, not a wrapped value (found by fuzzing).
    EXPECT_DOUBLE_EQ(Val("&H7FFFFFFFFFFFFFFF"), 9223372036854775807.0);
    EXPECT_THROW(Val("&Hffffffffffffffff"), RuntimeError);
    EXPECT_DOUBLE_EQ(Val("&O17"), 15);
    EXPECT_DOUBLE_EQ(Val("+3"), 3);
    EXPECT_DOUBLE_EQ(Val("-"), 0);
    EXPECT_EQ(ErrorOf([] { Val("1e999"); }), 6);
}

TEST(NumberText, PlainDecimalWithTheDigitsItNeeds) {
    EXPECT_EQ(NumberText(1000), "1000");
    EXPECT_EQ(NumberText(2.5), "2.5");
    EXPECT_EQ(NumberText(0), "0");
    EXPECT_EQ(NumberText(-0.125), "-0.125");
    EXPECT_EQ(NumberText(1e20), "100000000000000000000");
    EXPECT_DOUBLE_EQ(Val(NumberText(0.1)), 0.1);
}

TEST(TextPositions, AreOneBasedAndShortenAtTheEnd) {
    EXPECT_EQ(InStr(1, "QSY 145.025MHz", "MHz"), 12u);
    EXPECT_EQ(InStr(13, "QSY 145.025MHz", "MHz"), 0u);
    EXPECT_EQ(InStr(5, "abc", "a"), 0u);
    EXPECT_EQ(InStr(4, "abc", ""), 4u);
    EXPECT_EQ(Mid("PHGR5132", 5, 5), "5132");
    EXPECT_EQ(Mid("abc", 4), "");
    EXPECT_EQ(ErrorOf([] { Mid("abc", 0); }), 5);
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(UCase("Emergency!"), "EMERGENCY!");
}

}  // namespace
}  // namespace bb
