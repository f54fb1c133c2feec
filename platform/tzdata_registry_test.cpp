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
    EXPECT_EQ(cet->dstName, "CEST");
    EXPECT_EQ(cet->dstOffsetMinutes, -120);
    // March, last week, Sunday, at 02:00 by default; back in October at 03:00.
    EXPECT_EQ((std::vector<int>(cet->dstStart + 1, cet->dstStart + 5)),
              (std::vector<int>{3, 0, 5, 2}));
    EXPECT_EQ(cet->dstEnd[1], 10);
    EXPECT_EQ(cet->dstEnd[4], 3);
    struct Plain {
        const char* rule;
        const char* name;
        int offset;
    };
    for (const auto& [rule, name, offset] :
         {Plain{"IST-5:30", "IST", -330}, {"<-03>3", "-03", 180}}) {
        auto r = ParsePosixRule(rule);
        ASSERT_TRUE(r) << rule;
        EXPECT_EQ(r->stdName, name);
        EXPECT_EQ(r->stdOffsetMinutes, offset);
        EXPECT_FALSE(r->hasDst);
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
    for (const auto& n : names) {
        EXPECT_NE(n.rfind("posix/", 0), 0u) << n;
        EXPECT_NE(n.rfind("right/", 0), 0u) << n;
    }
    const std::string ams = kNT + "\\Europe/Amsterdam";
    ASSERT_TRUE(reg.OpenKey(ams, sys::kKeyAllAccess));
    EXPECT_EQ(*reg.QueryValue(ams, "Std"), std::string("CET") + '\0');
    EXPECT_EQ(*reg.QueryValue(ams, "Dlt"), std::string("CEST") + '\0');
    EXPECT_EQ(*reg.QueryValue(ams, "Display"), std::string("(UTC+01:00) Europe/Amsterdam") + '\0');
    std::string tzi = *reg.QueryValue(ams, "TZI");
    ASSERT_EQ(tzi.size(), 44u);
    EXPECT_EQ(Le32(tzi, 0), -60);                            // UTC = local + bias
    EXPECT_EQ(Le32(tzi, 8), -60);                            // daylight bias
    EXPECT_EQ(static_cast<unsigned char>(tzi[12 + 2]), 10);  // standard time from October
    EXPECT_EQ(static_cast<unsigned char>(tzi[28 + 2]), 3);   // daylight time from March
    EXPECT_EQ(*reg.QueryValue(std::string(kCurrentZoneKey), "StandardName"),
              std::string("CET") + '\0');
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
    EXPECT_EQ(tz.Zone(), "EST");
    EXPECT_EQ(tz.CurrentZone().Std, "EST");
    EXPECT_EQ(tz.CurrentZone().TZI.Bias, 300);
    TZone::ForgetLoadedTable();
}

TEST(TzdataRegistry, AnEmptyOrMissingDatabaseHasNoZoneTable) {
    testing::TempFolder empty;
    TzdataRegistry none(empty.path());
    EXPECT_FALSE(none.OpenKey(kNT, sys::kKeyAllAccess));
    TzdataRegistry missing(empty.path() / "nope");
    EXPECT_FALSE(missing.OpenKey(kNT, sys::kKeyAllAccess));

    // and the time-zone object then stops the program with its message
    testing::FakeSystem fs;
    sys::Services s = sys::Current();
    s.registry = &none;
    sys::ScopedServices scope(s);
    TZone::ForgetLoadedTable();
    TZone tz;
    EXPECT_THROW(tz.init(), testing::ProgramEnded);
    ASSERT_EQ(fs.ui.boxes.size(), 1u);
    TZone::ForgetLoadedTable();
}

TEST(TzdataRegistry, FilesThatAreNotZonesAreLeftOut) {
    testing::TempFolder t;
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
