#include "stations/station_table.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/error_trap.h"

namespace bb {
namespace {

std::int32_t AppendAs(StationTable& t, const std::string& callsign) {
    const std::int32_t i = t.Append();
    t.SetCallsign(i, callsign);
    return i;
}

std::vector<std::string> Live(const StationTable& t) {
    std::vector<std::string> out;
    t.ForEachLive([&](std::int32_t, const StationRecord& r) { out.push_back(r.Callsign); });
    return out;
}

// Count, upper bound and where the empty callsign is found.
std::tuple<int, int, int> Shape(const StationTable& t) {
    return {t.StationCount(), t.UpperBound(), t.find_station("")};
}

TEST(StationTable, StartsWithOneEmptyLiveRecord) {
    StationTable t;
    EXPECT_EQ(Shape(t), std::tuple(0, 0, 0));
    EXPECT_FALSE(t[0].Deleted);
    EXPECT_EQ(t.find_station("PA3XYZ"), -1);
    EXPECT_EQ(AppendAs(t, "PA3XYZ"), 0);  // in the empty record's place
    EXPECT_EQ(Shape(t), std::tuple(1, 0, -1));
    EXPECT_TRUE(t.IndexIsConsistent());
}

TEST(StationTable, FindsTheLowestLiveRecordExactly) {
    StationTable t;
    AppendAs(t, "G4ABC");
    AppendAs(t, "g4abc");
    AppendAs(t, "G4ABC");
    EXPECT_EQ(t.find_station("G4ABC"), 0);
    EXPECT_EQ(t.find_station("g4abc"), 1);
    t.SetDeleted(0, true);
    EXPECT_EQ(t.find_station("G4ABC"), 2);
    EXPECT_TRUE(t.HasNewerLive("G4ABC", 1));
    EXPECT_FALSE(t.HasNewerLive("G4ABC", 2));
    t.SetDeleted(0, false);  // a record brought back is found before the later one
    EXPECT_EQ(t.find_station("G4ABC"), 0);
    EXPECT_EQ(t.Supersede("G4ABC"), (std::vector<std::int32_t>{0, 2}));
    EXPECT_EQ(t.find_station("G4ABC"), -1);
    t.Restore({0, 2});
    EXPECT_EQ(t.find_station("G4ABC"), 0);
    t.MarkDeleted("G4ABC");
    t.MarkDeleted("NOBODY");
    EXPECT_EQ(Live(t), std::vector<std::string>{"g4abc"});
    EXPECT_TRUE(t.IndexIsConsistent());
}

TEST(StationTable, IndicesOutsideTheTableRaiseSubscript) {
    StationTable t;
    AppendAs(t, "A");
    for (std::int32_t i : {-1, 1, 1 << 30}) {
        std::int16_t number = 0;
        TrapWith([&] { (void)t[i]; }, [&](std::int16_t n) { number = n; });
        EXPECT_EQ(number, 9) << i;
    }
}

TEST(StationTable, CountsBeyondSixteenBitsAndCompactingEverythingAwayLeavesTheEmptyTable) {
    StationTable t;
    for (int n = 0; n < 40000; ++n)
        AppendAs(t, "N" + std::to_string(n));
    EXPECT_EQ(std::tuple(t.StationCount(), t.LiveCount(), t.find_station("N39999")),
              std::tuple(40000, 40000, 39999));
    for (int n = 0; n < 40000; ++n)
        t.MarkDeleted("N" + std::to_string(n));
    t.CompactIfWorthIt();
    EXPECT_EQ(Shape(t), std::tuple(0, 0, 0));
    EXPECT_EQ(AppendAs(t, "NEW"), 0);
    EXPECT_TRUE(t.IndexIsConsistent());
}

}  // namespace
}  // namespace bb
