#include "bus/station_batch.h"

#include <gtest/gtest.h>

#include <tuple>

namespace bb::bus {
namespace {

auto Fields(const HostStation& s) {
    return std::tie(s.Callsign, s.Symbol, s.BeaconText, s.StatusText, s.Longitude, s.Latitude,
                    s.Speed, s.Course, s.ReportDate, s.FallbackDate, s.Distance, s.CommentStart,
                    s.Bearing);
}

// What the host packs the board unpacks bit for bit; a cut batch keeps what came before.
TEST(StationBatch, WhatTheHostPacksTheBoardReadsAndACutBatchIsRefused) {
    // clang-format off
    const HostStation a{"Caf\xC3\xA9", "\\n", "!x PHG5132 Th\xC3\xA9", "EMERGENCY", -0.1f,
                              3150.25f, -99999, -32768, 46000.123456789, 46001.5, 1234.5f, 21, 359};
    // clang-format on
    std::string batch;
    PutListedStation(batch, " Caf\xC3\xA9 /- 52.5", a.Callsign, &a);
    PutListedStation(batch, " GONE* x", "GONE*", nullptr);
    PutListedStation(batch, "", "", &a);  // an empty line, which ends a scan
    std::vector<HostListing> read;
    ASSERT_TRUE(ReadStationBatch(batch, read));
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0].line, " Caf\xC3\xA9 /- 52.5");
    EXPECT_TRUE(read[0].known && Fields(read[0].station) == Fields(a));
    EXPECT_TRUE(read[1].callsign == "GONE*" && !read[1].known);
    EXPECT_TRUE(read[2].known && read[2].line.empty() && read[2].station.Callsign.empty());

    const std::size_t firstEnds = batch.find(" GONE* x") - 4, secondEnds = firstEnds + 22;
    for (std::size_t cut = 1; cut < batch.size(); ++cut) {
        std::vector<HostListing> part;
        EXPECT_EQ(ReadStationBatch(batch.substr(0, cut), part),
                  cut == firstEnds || cut == secondEnds)
            << cut;
        EXPECT_EQ(part.size(), cut < firstEnds ? 0u : cut < secondEnds ? 1u : 2u) << cut;
    }
    batch[secondEnds - 1] = 2;  // the second station's flag
    EXPECT_FALSE(ReadStationBatch(batch, read));
}

}  // namespace
}  // namespace bb::bus
