#include "support/clock.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

using testing::FakeSystem;
using testing::ProgramEnded;

TEST(CurrentTime, AgreesWithTheCalendarAcrossLeapYears) {
    FakeSystem fs;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> year(1970, 2400), month(1, 12), day(1, 28), hour(0, 23),
        minute(0, 59);
    for (int i = 0; i < 2000; ++i) {
        int y = year(rng), mo = month(rng), d = day(rng), h = hour(rng), mi = minute(rng);
        fs.clock.Set(y, mo, d, h, mi, 59);
        fs.clock.now.wMilliseconds = 999;  // whole seconds
        ASSERT_NEAR(UTC::CurrentTime(), DateSerial(y, mo, d, h, mi, 59), 1e-9)
            << y << "-" << mo << "-" << d;
        // CivilFromSerial inverts DateSerial.
        const double s =
            std::round(std::uniform_real_distribution<double>(-1000, 2e5)(rng) * 86400) / 86400;
        const CivilTime c = CivilFromSerial(s);
        ASSERT_NEAR(DateSerial(c.year, c.month, c.day, c.hour, c.minute, c.second), s, 1e-6);
    }
    // The days that only leap-year rules decide, and a clock at 1970.
    const int days[][3] = {{2000, 2, 29}, {1970, 1, 1},  {1999, 12, 31}, {2000, 3, 1},
                           {2100, 3, 1},  {2400, 2, 29}, {2024, 12, 31}, {2023, 12, 31}};
    for (const auto& [y, mo, d] : days) {
        fs.clock.Set(y, mo, d);
        EXPECT_DOUBLE_EQ(UTC::CurrentTime(), DateSerial(y, mo, d)) << y << "-" << mo << "-" << d;
    }
    // The serial others read (days since 30 December 1899); milliseconds ignored.
    fs.clock.Set(2024, 3, 1, 12, 0, 0);
    fs.clock.now.wMilliseconds = 999;
    EXPECT_DOUBLE_EQ(UTC::CurrentTime(), 45352.5);
}

TEST(CurrentTime, AClockReadingItCannotUseIsLoggedWithItsFields) {
    FakeSystem fs;
    fs.clock.Set(2026, 12, 5, 7, 17, 44);
    Common::Initialize();
    fs.clock.now.wMonth = 40000;  // beyond 16 bits signed: overflow while adding months
    EXPECT_EQ(UTC::CurrentTime(), 0.0);
    auto lines = fs.LogLines();
    // Header (empty line + 7), the error, six field lines; the clock failing
    // again while stamping its own report is not reported again.
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[8].substr(21),
              "> program error 6 in module UTC.CurrentTime, State = 2: Overflow");
    EXPECT_EQ(lines[9].substr(21), ">    UTCTime.wYear   = 2026");
    EXPECT_EQ(lines[10].substr(21), ">    UTCTime.wMonth  = 40000");
    EXPECT_EQ(lines[14].substr(21), ">    UTCTime.wSecond = 44");
    // A clock that fails to answer reports state zero.
    fs.clock.fail = true;
    EXPECT_EQ(UTC::CurrentTime(), 0.0);
    EXPECT_NE(fs.LogText().find("UTC.CurrentTime, State = 0: Invalid procedure call or argument"),
              std::string::npos);
}

TEST(TZone, PicksTheLastZoneOfTheComputersNameAndCountsUnixSeconds) {
    FakeSystem fs;
    fs.registry.AddZone(std::string(kZonesKeyNT), "Other", "W. Europe Standard Time", "second");
    TZone tz;
    tz.init();
    EXPECT_EQ(tz.Zone(), "W. Europe Standard Time");
    ASSERT_EQ(tz.Table().size(), 3u);
    EXPECT_EQ(tz.CurrentZone().Dlt, "second");
    // DateToUnix counts seconds from 1970 without converting the zone.
    EXPECT_EQ(tz.DateToUnix(DateSerial(1970, 1, 1)), "0");
    EXPECT_EQ(tz.DateToUnix(DateSerial(1970, 1, 2)), "86400");
    EXPECT_EQ(tz.DateToUnix(DateSerial(1969, 12, 31, 23, 59, 59)), "-1");
    EXPECT_EQ(tz.DateToUnix(DateSerial(2000, 2, 29, 12, 0, 0)), "951825600");
    EXPECT_EQ(tz.DateToUnix(DateSerial(2038, 1, 19, 3, 14, 8)), "2147483648");
    EXPECT_EQ(tz.DateToUnix(0.0), "-2209161600");
    for (int i = 0; i < 100; ++i)
        TZone().init();
    EXPECT_EQ(fs.registry.enumerations, 4);  // three zones and the end of the list, once
}

TEST(TZone, FallsBackToTheFirstEntryAndReadsTextsUpToTheirNul) {
    FakeSystem fs;
    fs.registry.SetCurrent("  Nowhere Time  ");  // blanks around it are removed
    fs.registry.values[std::string(kZonesKeyNT) + "\\UTC"]["Display"] = std::string("A\0B", 3);
    TZone tz;
    tz.init();
    EXPECT_EQ(tz.Zone(), "Nowhere Time");
    EXPECT_EQ(tz.CurrentZone().Std, "Coordinated Universal Time");
    EXPECT_EQ(tz.CurrentZone().Display, "A");
}

TEST(TZone, ChoosesTheTableByTheOsFamily) {
    FakeSystem fs;
    fs.os.info.dwPlatformId = sys::kPlatformWin32Windows;
    fs.registry.AddZone(std::string(kZonesKey9x), "Only9x", "Nine");
    TZone tz;
    tz.init();
    ASSERT_EQ(tz.Table().size(), 1u);
    EXPECT_EQ(tz.Table()[0].Std, "Nine");
}

TEST(TZone, AMissingZoneTableShowsTheMessageAndEndsTheProgram) {
    FakeSystem fs;
    fs.registry.denied.push_back(std::string(kZonesKeyNT));
    TZone tz;
    EXPECT_THROW(tz.init(), ProgramEnded);
    ASSERT_EQ(fs.ui.boxes.size(), 1u);
    EXPECT_EQ(fs.ui.boxes[0].text,
              "Unable to locate Time Zones information in Registry under the key: \r\n"
              "Software\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones");
    EXPECT_EQ(fs.ui.boxes[0].style, sys::kMbOk);
    // The error trap of the caller does not swallow the end of the program.
    EXPECT_THROW(Trap("Form1.add_beacon",
                      [] {
                          TZone again;
                          again.init();
                      }),
                 ProgramEnded);
    EXPECT_EQ(fs.ui.boxes.size(), 2u);
}

}  // namespace
}  // namespace bb
