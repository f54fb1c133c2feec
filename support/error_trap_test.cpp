#include "support/error_trap.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

using testing::FakeSystem;

// The texts themselves are checked where the log shows them; here only that
// the DDE errors the radio link raises each have one.
TEST(ErrorText, TheDdeNumbersHaveTexts) {
    for (int n = 280; n <= 298; ++n) {
        EXPECT_NE(ErrorText(n), ErrorText(30000)) << n;
    }
}

TEST(ErrorText, UnknownNumbersGetTheFallback) {
    EXPECT_EQ(ErrorText(0), "Application-defined or object-defined error");
    EXPECT_EQ(ErrorText(-1), ErrorText(0));
    EXPECT_EQ(ErrorText(32767), ErrorText(0));
    EXPECT_EQ(ErrorText(8), ErrorText(0));
}

TEST(FoldErrorNumber, KeepsSixteenBitNumbersAndFoldsTheRest) {
    EXPECT_EQ(FoldErrorNumber(9), 9);
    EXPECT_EQ(FoldErrorNumber(-32768), -32768);
    EXPECT_EQ(FoldErrorNumber(32767), 32767);
    EXPECT_EQ(FoldErrorNumber(65536 + 6), 6);
    EXPECT_EQ(FoldErrorNumber(32768), -32768);
    // A component error such as 0x80040154 keeps its low 16 bits.
    EXPECT_EQ(FoldErrorNumber(static_cast<std::int32_t>(0x80040154u)), 0x0154);
    EXPECT_EQ(FoldErrorNumber(INT64_MIN), 0);
}

TEST(Trap, LogsTheNumberAndNameAndKeepsTheAssignedValue) {
    FakeSystem fs;
    fs.clock.Set(2026, 12, 5, 7, 17, 44);
    Common::Initialize();
    int value = 0;
    bool completed = Trap("Form1.add_beacon", [&] {
        value = 42;
        Raise(err::kSubscript);
        value = 99;  // never reached
    });
    EXPECT_FALSE(completed);
    EXPECT_EQ(value, 42);
    auto lines = fs.LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(),
              "05-Dec-2026 07:17:44 > program error 9 in module Form1.add_beacon: Subscript out of "
              "range");
}

TEST(Trap, AnUntrappedCalleeReportsUnderTheCallersName) {
    FakeSystem fs;
    Common::Initialize();
    auto untrapped = [] { Raise(err::kOverflow); };
    bool afterCall = false;
    Trap("Form1.scan_stations", [&] {
        untrapped();
        afterCall = true;
    });
    EXPECT_FALSE(afterCall);
    EXPECT_NE(fs.LogLines().back().find("program error 6 in module Form1.scan_stations: Overflow"),
              std::string::npos);
}

TEST(Trap, StandardLibraryFailuresMapToClassicNumbers) {
    FakeSystem fs;
    Common::Initialize();
    Trap("M.a", [] { throw std::out_of_range("x"); });
    EXPECT_NE(fs.LogLines().back().find("error 9 in module M.a"), std::string::npos);
    Trap("M.b", [] { throw std::bad_alloc(); });
    EXPECT_NE(fs.LogLines().back().find("error 7 in module M.b: Out of memory"), std::string::npos);
    Trap("M.c", [] { Raise(static_cast<std::int32_t>(0x800A01ADu)); });  // folds to 429
    EXPECT_NE(fs.LogLines().back().find("error 429 in module M.c"), std::string::npos);
}

}  // namespace
}  // namespace bb
