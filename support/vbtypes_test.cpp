#include "support/vbtypes.h"
#include "tests/fakes/comma_locale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace bb {
namespace {

// Each result as text, or "E<number>" for an error raised; joined by blanks.
template <typename In, typename F>
std::string Each(std::initializer_list<In> inputs, F f) {
    std::string out;
    for (const In& in : inputs) {
        try {
            out += (out.empty() ? "" : " ") + NumberText(static_cast<double>(f(in)));
        } catch (const RuntimeError& e) {
            out += (out.empty() ? "E" : " E") + std::to_string(e.number());
        }
    }
    return out;
}

TEST(Checked, ValuesThatDoNotFitRaiseOverflowInsteadOfWrapping) {
    EXPECT_EQ(Each({32767, -32768, 32768}, [](int v) { return Checked<std::int16_t>(v); }),
              "32767 -32768 E6");
    EXPECT_EQ(Each({0}, [](int) { return Checked<std::int16_t>(std::uint16_t{65535}); }), "E6");
    EXPECT_EQ(Each({0}, [](int) { return CheckedAdd<std::int16_t>(32767, 1); }), "E6");
    EXPECT_EQ(Each({0}, [](int) { return CheckedSub<std::int32_t>(INT32_MIN, 1); }), "E6");
    EXPECT_EQ(CheckedAdd<std::int32_t>(32767, 1), 32768);
}

TEST(CInt, RoundsHalvesToEvenAndChecksTheRange) {
    EXPECT_EQ(Each({7.5, 6.5, -2.5, 2.4999, 32767.4, 32767.5, 1e10, std::nan("")},
                   [](double v) { return CInt(v); }),
              "8 6 -2 2 32767 E6 E6 E6");
    EXPECT_EQ(Each({2147483647.0, 2147483648.0}, [](double v) { return CLng(v); }),
              "2147483647 E6");
}

// The leading number only, a full stop whatever the process's locale.
TEST(Val, ReadsTheLeadingNumberWithAFullStop) {
    testing::CommaLocale comma;
    EXPECT_EQ(Each({"438.1625", "-.5e1",  "+7.25MHz", "1e-400", "1e400",
                    "250 km",   "abc",    "",         "  7.5",  "-12.25x",
                    "1 2 3",    "1,5",    "1e3",      "2e",     "088",
                    "&HFF",     "&HFFFF", "&O17",     "-",      "&Hffffffffffffffff"},
                   [](const char* t) { return Val(t); }),
              "438.1625 -5 7.25 0 E6 250 0 0 7.5 -12.25 123 1 1000 2 88 255 -1 15 0 E6");
    // Sixteen hex digits in the signed range are read whole (found by fuzzing).
    EXPECT_DOUBLE_EQ(Val("&H7FFFFFFFFFFFFFFF"), 9223372036854775807.0);
}

TEST(NumberText, PlainDecimalWithTheDigitsItNeedsWhateverTheLocale) {
    testing::CommaLocale comma;
    EXPECT_EQ(Each({1000.0, 2.5, 0.0, -0.125, 1e20, 1e-7}, [](double v) { return v; }),
              "1000 2.5 0 -0.125 100000000000000000000 0.0000001");
    EXPECT_DOUBLE_EQ(Val(NumberText(0.1)), 0.1);
}

TEST(TextPositions, AreOneBasedAndShortenAtTheEnd) {
    EXPECT_EQ(InStr(1, "QSY 145.025MHz", "MHz"), 12u);
    EXPECT_EQ(InStr(13, "QSY 145.025MHz", "MHz"), 0u);
    EXPECT_EQ(InStr(5, "abc", "a"), 0u);
    EXPECT_EQ(InStr(4, "abc", ""), 4u);
    EXPECT_EQ(std::string(Mid("PHGR5132", 5, 5)) + "|" + std::string(Mid("abc", 4)), "5132|");
    EXPECT_EQ(Each({0}, [](int) { return Mid("abc", 0).size(); }), "E5");
    EXPECT_EQ(
        std::string(Trim("  a b  ")) + "|" + std::string(Trim("   ")) + "|" + UCase("Emergency!"),
        "a b||EMERGENCY!");
}

}  // namespace
}  // namespace bb
