#include "platform/tzdata_registry.h"

#include <gtest/gtest.h>

#include "support/clock.h"
#include "tests/fakes/fake_system.h"

namespace bb::platform {
namespace {

const std::string kNT(kZonesKeyNT);

std::int32_t Le32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return static_cast<std::int32_t>(v);
}

TEST(ParsePosixRule, ReadsNamesOffsetsAndChangeRules) {
    auto cet = ParsePosixRule("CET-1CEST,M3.5.0,M10.5.0/3");
    ASSERT_TRUE(cet);
    // March, last week, Sunday, at 02:00 by default; back in October at 03:00.
    EXPECT_EQ(std::tuple(cet->dstName, cet->dstOffsetMinutes,
                         std::vector<int>(cet->dstStart + 1, cet->dstStart + 5), cet->dstEnd[1],
                         cet->dstEnd[4]),
              std::tuple("CEST", -120, std::vector<int>{3, 0, 5, 2}, 10, 3));
    for (const auto& [rule, name, offset] :
         {std::tuple{"IST-5:30", "IST", -330}, {"<-03>3", "-03", 180}}) {
        auto r = ParsePosixRule(rule);
        ASSERT_TRUE(r) << rule;
        EXPECT_EQ(std::tuple(r->stdName, r->stdOffsetMinutes, r->hasDst),
                  std::tuple(name, offset, false));
    }
    for (const char* bad : {"", "C", "CET", "CET-1CEST,M13.5.0,M10.5.0", "CET-1CEST,M3.5.0",
                            "CET-1CEST,M3.5.0,M10.5.0/3junk", "<CET-1"}) {
        EXPECT_FALSE(ParsePosixRule(bad)) << bad;
    }
}

TEST(TzdataRegistry, AnswersTheZoneKeysFromTheSystemDatabase) {
    TzdataRegistry reg("/usr/share/zoneinfo", "Europe/Amsterdam");
    ASSERT_TRUE(reg.OpenKey(kNT, sys::kKeyAllAccess));
    // Key names compare without regard to case.
    EXPECT_TRUE(reg.OpenKey("SOFTWARE\\microsoft\\windows nt\\currentversion\\time zones", 0));
    std::vector<std::string> names;
    for (std::uint32_t i = 0;; ++i) {
        auto n = reg.EnumKey(kNT, i);
        if (!n) break;
        names.push_back(*n);
    }
    EXPECT_GT(names.size(), 300u);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    for (const auto& n : names)
        EXPECT_FALSE(n.starts_with("posix/") || n.starts_with("right/")) << n;
    const std::string ams = kNT + "\\Europe/Amsterdam";
    ASSERT_TRUE(reg.OpenKey(ams, sys::kKeyAllAccess));
    using namespace std::string_literals;
    EXPECT_EQ(*reg.QueryValue(ams, "Std") + *reg.QueryValue(ams, "Dlt") +
                  *reg.QueryValue(ams, "Display") +
                  *reg.QueryValue(std::string(kCurrentZoneKey), "StandardName"),
              "CET\0CEST\0(UTC+01:00) Europe/Amsterdam\0CET\0"s);
    // UTC = local + bias; daylight bias; standard time from October, daylight time from March.
    std::string tzi = *reg.QueryValue(ams, "TZI");
    ASSERT_EQ(tzi.size(), 44u);
    EXPECT_EQ(std::tuple(Le32(tzi, 0), Le32(tzi, 8), int{tzi[12 + 2]}, int{tzi[28 + 2]}),
              std::tuple(-60, -60, 10, 3));
    EXPECT_FALSE(reg.OpenKey("Software\\Nothing", 0));
    EXPECT_FALSE(reg.QueryValue(ams, "Missing"));
}

TEST(TzdataRegistry, GivesTheTimeZoneObjectItsTableAndZone) {
    TzdataRegistry reg("/usr/share/zoneinfo", "America/New_York");
    testing::FakeSystem fs;
    sys::Services s = sys::Current();
    s.registry = &reg;
    sys::ScopedServices scope(s);
    TZone::ForgetLoadedTable();
    TZone tz;
    tz.init();
    EXPECT_EQ(std::tuple(tz.Zone(), tz.CurrentZone().Std, tz.CurrentZone().TZI.Bias),
              std::tuple("EST", "EST", 300));
    TZone::ForgetLoadedTable();
}

// Only real zone files make the table; with none there is no table to open.
TEST(TzdataRegistry, FilesThatAreNotZonesAreLeftOutAndNoneMeansNoTable) {
    testing::TempFolder t, empty;
    EXPECT_FALSE(TzdataRegistry(t.path() / "nope").OpenKey(kNT, sys::kKeyAllAccess));
    TzdataRegistry none(empty.path());
    EXPECT_FALSE(none.OpenKey(kNT, sys::kKeyAllAccess));
    std::filesystem::create_directories(t.path() / "Europe");
    std::filesystem::copy_file("/usr/share/zoneinfo/Europe/Berlin", t.path() / "Europe" / "Berlin");
    std::ofstream(t.path() / "zone.tab") << "# not a zone\n";
    std::ofstream(t.path() / "Broken", std::ios::binary) << "TZif2 truncated";
    TzdataRegistry reg(t.path(), "Europe/Berlin");
    EXPECT_EQ(*reg.EnumKey(kNT, 0), "Europe/Berlin");
    EXPECT_FALSE(reg.EnumKey(kNT, 1));
}

}  // namespace
}  // namespace bb::platform
