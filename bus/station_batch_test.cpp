#include "bus/station_batch.h"

#include <gtest/gtest.h>

namespace bb::bus {
namespace {

host::HostStation Station(const std::string& call, const std::string& text, float lat,
                          std::int16_t course) {
    host::HostStation s;
    s.Callsign = call;
    s.Symbol = "\\n";
    s.BeaconText = text;
    s.StatusText = "EMERGENCY";
    s.Latitude = lat;
    s.Longitude = -0.1f;
    s.Speed = -99999;
    s.Distance = 1234.5f;
    s.ReportDate = 46000.123456789;
    s.FallbackDate = 46001.5;
    s.Course = course;
    s.CommentStart = 21;
    s.Bearing = 359;
    return s;
}

// What the host packs the board unpacks, field for field and bit for bit;
// a batch cut short anywhere is refused, keeping the stations before the cut.
TEST(StationBatch, WhatTheHostPacksTheBoardReadsAndACutBatchIsRefused) {
    const host::HostStation a = Station("Caf\xC3\xA9", "!x PHG5132 Th\xC3\xA9", 3150.25f, -32768);
    const host::HostStation b = Station("G4ABC-9", "", -5399.99f, 32767);
    std::string batch;
    PutListedStation(batch, " Caf\xC3\xA9 /- 52.5", a.Callsign, &a);
    PutListedStation(batch, " GONE* x", "GONE*", nullptr);
    PutListedStation(batch, "", b.Callsign, &b);
    std::vector<host::HostListing> read;
    ASSERT_TRUE(ReadStationBatch(batch, read));
    ASSERT_EQ(read.size(), 3u);
    const auto same = [](const host::HostStation& x, const host::HostStation& y) {
        return x.Callsign == y.Callsign && x.Symbol == y.Symbol && x.BeaconText == y.BeaconText &&
               x.StatusText == y.StatusText && x.Longitude == y.Longitude &&
               x.Latitude == y.Latitude && x.Speed == y.Speed && x.Course == y.Course &&
               x.ReportDate == y.ReportDate && x.FallbackDate == y.FallbackDate &&
               x.Distance == y.Distance && x.CommentStart == y.CommentStart &&
               x.Bearing == y.Bearing;
    };
    EXPECT_EQ(read[0].line, " Caf\xC3\xA9 /- 52.5");
    EXPECT_TRUE(read[0].known && same(read[0].station, a));
    EXPECT_EQ(read[1].callsign, "GONE*");
    EXPECT_FALSE(read[1].known);
    EXPECT_TRUE(read[2].known && read[2].line.empty() && same(read[2].station, b));

    const std::size_t firstEnds = batch.find(" GONE* x") - 4;
    for (std::size_t cut = 1; cut < batch.size(); ++cut) {
        std::vector<host::HostListing> part;
        EXPECT_EQ(ReadStationBatch(batch.substr(0, cut), part), cut == firstEnds ||
                                                                    cut == firstEnds + 22)
            << cut;
        EXPECT_EQ(part.size(), cut < firstEnds ? 0u : cut < firstEnds + 22 ? 1u : 2u) << cut;
    }
    std::string badFlag = batch;
    badFlag[firstEnds + 4 + 8 + 4 + 5] = 2;  // the second station's flag
    EXPECT_FALSE(ReadStationBatch(badFlag, read));
}

}  // namespace
}  // namespace bb::bus
