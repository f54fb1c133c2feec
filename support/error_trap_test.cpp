#include "support/error_trap.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

using testing::FakeSystem;

// Each DDE error the radio link raises has its own text; unknown numbers get the fallback.
TEST(ErrorText, TheDdeNumbersHaveTextsAndUnknownOnesTheFallback) {
    for (int n = 280; n <= 298; ++n)
        EXPECT_NE(ErrorText(n), ErrorText(30000)) << n;
    EXPECT_EQ(ErrorText(0), "Application-defined or object-defined error");
    for (int n : {-1, 8, 32767})
        EXPECT_EQ(ErrorText(n), ErrorText(0)) << n;
}

TEST(FoldErrorNumber, KeepsSixteenBitNumbersAndFoldsTheRest) {
    std::string got;
    // A component error such as 0x80040154 keeps its low 16 bits.
    for (std::int64_t n :
         {std::int64_t{9}, std::int64_t{-32768}, std::int64_t{32767}, std::int64_t{65536 + 6},
          std::int64_t{32768}, std::int64_t{static_cast<std::int32_t>(0x80040154u)}, INT64_MIN})
        got += std::to_string(FoldErrorNumber(n)) + " ";
    EXPECT_EQ(got, "9 -32768 32767 6 -32768 340 0 ");
}

// Number, text and the trapping module are logged, also for an untrapped callee's error.
TEST(Trap, LogsTheNumberAndNameAndKeepsTheAssignedValue) {
    FakeSystem fs;
    fs.clock.Set(2026, 12, 5, 7, 17, 44);
    Common::Initialize();
    int value = 0;
    auto untrapped = [&] {
        value = 42;
        Raise(err::kSubscript);
    };
    EXPECT_FALSE(Trap("Form1.add_beacon", [&] {
        untrapped();
        value = 99;  // never reached
    }));
    EXPECT_EQ(value, 42);
    EXPECT_EQ(fs.Errors(), std::vector<std::string>{"program error 9 in module Form1.add_beacon: "
                                                    "Subscript out of range"});
    Trap("M.a", [] { throw std::out_of_range("x"); });
    Trap("M.b", [] { throw std::bad_alloc(); });
    Trap("M.c", [] { Raise(static_cast<std::int32_t>(0x800A01ADu)); });  // folds to 429
    const auto errors = fs.Errors();
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_NE(errors[1].find("error 9 in module M.a"), std::string::npos);
    EXPECT_EQ(errors[2], "program error 7 in module M.b: Out of memory");
    EXPECT_NE(errors[3].find("error 429 in module M.c"), std::string::npos);
}

}  // namespace
}  // namespace bb
