#include "platform/linux_system.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include <ctime>

#include "support/clock.h"

namespace bb::platform {
namespace {

TEST(LinuxClock, ReadsUtc) {
    LinuxClock clock;
    const std::time_t before = std::time(nullptr);
    sys::SystemTime t = clock.GetSystemTime();
    const std::time_t after = std::time(nullptr);
    const double serial = DateSerial(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    const double secs = (serial - kUnixEpochSerial) * 86400.0;
    EXPECT_GE(secs, static_cast<double>(before) - 0.5);
    // time() may read the coarse clock, a tick behind the one read between:
    // across a second's turn it can name the second before.
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

TEST(LinuxLocale, ANamedLocaleAnswersInTwoSteps) {
    // Not installed on a plain machine: the codes of its name stand in.
    LinuxLocale loc{std::string("xx_YY.UTF-8")};
    const std::uint32_t id = loc.GetUserDefaultLCID();
    ASSERT_NE(id, 0u);
    int n = loc.GetLocaleInfo(id, sys::kLocaleSCountry, nullptr, 0);
    ASSERT_EQ(n, 3);
    char buf[3];
    EXPECT_EQ(loc.GetLocaleInfo(id, sys::kLocaleSCountry, buf, n), 3);
    EXPECT_STREQ(buf, "YY");
    char small[2];
    EXPECT_EQ(loc.GetLocaleInfo(id, sys::kLocaleSCountry, small, 2), 0);
    EXPECT_EQ(loc.GetLocaleInfo(id, sys::kLocaleSAbbrevMonthName1, nullptr, 0), 0);
}

// A first start chooses its language from this name: the locale's own name
// for its language where it is installed, its code where it is not.
TEST(LinuxLocale, NamesItsLanguageInItsOwnTongueOrByItsCode) {
    for (const auto& [name, language, code] :
         {std::tuple{"nl_NL.UTF-8", "Nederlands", "nl"}, {"de_DE.UTF-8", "Deutsch", "de"}}) {
        LinuxLocale loc{std::string(name)};
        char buf[64] = {};
        ASSERT_GT(loc.GetLocaleInfo(1, sys::kLocaleSLanguage, buf, sizeof buf), 0) << name;
        EXPECT_TRUE(std::string(buf) == language || std::string(buf) == code) << buf;
    }
}

}  // namespace
}  // namespace bb::platform
