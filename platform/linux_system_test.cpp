#include "platform/linux_system.h"

#include <gtest/gtest.h>

#include <string>

#include <ctime>

#include "support/clock.h"

namespace bb::platform {
namespace {

TEST(LinuxClock, ReadsUtc) {
    const std::time_t before = std::time(nullptr);
    sys::SystemTime t = LinuxClock().GetSystemTime();
    const std::time_t after = std::time(nullptr);
    const double secs =
        (DateSerial(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond) - kUnixEpochSerial) *
        86400.0;
    // time() may read the coarse clock, and name the second before across a second's turn.
    EXPECT_GE(secs, static_cast<double>(before) - 0.5);
    EXPECT_LE(secs, static_cast<double>(after) + 1.5);
    EXPECT_LT(t.wMilliseconds, 1000);
}

TEST(LinuxLocale, TheCLocaleIsNoUserLocale) {
    for (const char* name : {"", "C", "POSIX", "C.UTF-8"}) {
        LinuxLocale loc{std::string(name)};
        EXPECT_EQ(loc.GetUserDefaultLCID(), 0u) << name;
        EXPECT_EQ(loc.GetLocaleInfo(1, sys::kLocaleSCountry, nullptr, 0), 0) << name;
    }
}

// The size first, then the text; a locale not installed answers with the codes of its name.
TEST(LinuxLocale, ANamedLocaleAnswersInTwoSteps) {
    LinuxLocale loc{std::string("xx_YY.UTF-8")};
    const std::uint32_t id = loc.GetUserDefaultLCID();
    ASSERT_NE(id, 0u);
    ASSERT_EQ(loc.GetLocaleInfo(id, sys::kLocaleSCountry, nullptr, 0), 3);
    char buf[3], small[2];
    EXPECT_EQ(loc.GetLocaleInfo(id, sys::kLocaleSCountry, buf, 3), 3);
    EXPECT_STREQ(buf, "YY");
    EXPECT_EQ(loc.GetLocaleInfo(id, sys::kLocaleSLanguage, buf, 3), 3);
    EXPECT_STREQ(buf, "xx");
    EXPECT_EQ(loc.GetLocaleInfo(id, sys::kLocaleSCountry, small, 2), 0);
    EXPECT_EQ(loc.GetLocaleInfo(id, sys::kLocaleSAbbrevMonthName1, nullptr, 0), 0);
}

}  // namespace
}  // namespace bb::platform
