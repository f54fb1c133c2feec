#include "stations/board.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_host.h"
#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

class Board : public ::testing::Test, public StationsListener {
  protected:
    testing::FakeSystem fs;
    testing::FakeHost host;
    StationBoard board{host, host};
    // The notices the grid and the map would act on.
    int rebuilds = 0, scans = 0;
    void StationsChanged(const std::string&) override { ++rebuilds; }
    void StationsScanned() override {
        ++rebuilds;
        ++scans;
    }
    void HostClosing() override {}

    void SetUp() override {
        Common::Initialize();
        board.SetListener(this);
    }

    host::HostStation& Know(const std::string& cs, const std::string& text = "!beacon") {
        host::HostStation& s = host.Know(cs);
        s.BeaconText = text;
        s.CommentStart = 2;
        s.Latitude = 3150.0f;
        s.Longitude = 293.2f;
        s.ReportDate = DateSerial(2026, 12, 6, 12, 0, 0);
        return s;
    }
    void Beacon(const std::string& cs) { board.mUIV_NotifyBeacon(cs, 0, 0); }

    std::vector<std::string> Live() const {
        std::vector<std::string> out;
        board.Table().ForEachLive(
            [&](std::int32_t, const StationRecord& r) { out.push_back(r.Callsign); });
        return out;
    }
    const StationRecord& Find(const std::string& cs) const {
        const std::int32_t i = board.Table().find_station(cs);
        EXPECT_NE(i, -1) << cs;
        return board.Table()[i < 0 ? 0 : i];
    }
    std::vector<std::string> Errors() const { return fs.Errors(); }
    void ListOnHost(std::vector<std::string> lines) {
        host.lines = std::move(lines);
        board.HostLinked();
    }
};

TEST_F(Board, ABeaconFillsARecordFromTheHost) {
    host::HostStation& s = Know("PA3XYZ-9", "!5230.00N/00453.20E>PHG5132 145.625MHz T088");
    s.CommentStart = 21;
    s.Symbol = "/>";
    s.Course = 270;
    s.Speed = 42.5f;
    s.Bearing = 33;
    s.Distance = 12.25f;
    Beacon("PA3XYZ-9");
    const StationRecord& r = Find("PA3XYZ-9");
    EXPECT_EQ(r.Symbol, "/>");
    EXPECT_EQ(r.HeardTime, 1796558400);  // 2026-12-06 12:00:00, no zone conversion
    EXPECT_EQ(r.LatitudeText, "52.30.00N");
    EXPECT_EQ(r.LongitudeText, "004.53.20E");
    EXPECT_EQ(r.Locator, "JO22KM60");
    EXPECT_EQ(r.Course, 270);
    EXPECT_EQ(r.Speed, 42.5f);
    EXPECT_EQ(r.Bearing, 33);
    EXPECT_EQ(r.Distance, 12.25);
    EXPECT_EQ(r.Comment, "PHG5132 145.625MHz T088");
    EXPECT_TRUE(r.HasPHG);
    EXPECT_EQ(r.QSY.Frequency, "145.625");
    EXPECT_EQ(r.QSY.Tone, 88.5);
    EXPECT_FALSE(r.Emergency);
    EXPECT_EQ(rebuilds, 1);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Board, CommentStartAndFallbackDate) {
    host::HostStation& s = Know("A", "!abc");
    s.CommentStart = 4;  // length equals the start: no comment
    s.ReportDate = 0;
    s.FallbackDate = DateSerial(1970, 1, 2);
    Beacon("A");
    EXPECT_EQ(Find("A").Comment, "");
    EXPECT_EQ(Find("A").HeardTime, 86400);
    s.BeaconText = "!abcPHG5132";
    Beacon("A");
    EXPECT_EQ(Find("A").Comment, "cPHG5132");
    EXPECT_TRUE(Find("A").HasPHG);
    // The start counts the host string's characters, as Mid does: letters
    // beyond ASCII (two UTF-8 bytes, or a UTF-16 pair) before the comment
    // do not shift it.
    s.BeaconText = ";Caf\xC3\xA9     *PHG5132 \xC3\xA9t\xC3\xA9";
    s.CommentStart = 12;
    Beacon("A");
    EXPECT_EQ(Find("A").Comment, "PHG5132 \xC3\xA9t\xC3\xA9");
    EXPECT_TRUE(Find("A").HasPHG);
    s.BeaconText = "\xF0\x9F\x93\xA1!PHG5132";
    s.CommentStart = 4;
    Beacon("A");
    EXPECT_EQ(Find("A").Comment, "PHG5132");
    s.CommentStart = 3;  // ends just the text: nothing
    s.BeaconText = "\xC3\xA9\xC3\xA9";
    Beacon("A");
    EXPECT_EQ(Find("A").Comment, "");
}

TEST_F(Board, EmergencyIsReadInUpperCase) {
    for (const char* status : {"EMERGENCY", "Emergency", "emergency"}) {
        Know("E").StatusText = status;
        Beacon("E");
        EXPECT_TRUE(Find("E").Emergency) << status;
        EXPECT_FALSE(Find("E").EmergencyAcknowledged);
    }
    board.Table().Edit(board.Table().find_station("E")).EmergencyAcknowledged = true;
    Beacon("E");  // a new beacon needs a new acknowledgement
    EXPECT_FALSE(Find("E").EmergencyAcknowledged);
    Know("E").StatusText = "EMERGENCY!";
    Beacon("E");
    EXPECT_FALSE(Find("E").Emergency);
}

TEST_F(Board, BeaconsSupersedeAndCallsignsAreCaseSensitive) {
    Know("G4ABC");
    Know("g4abc");
    Beacon("G4ABC");
    Beacon("g4abc");
    Beacon("G4ABC");
    EXPECT_EQ(board.Table().StationCount(), 3);
    EXPECT_TRUE(board.Table()[0].Deleted);
    EXPECT_EQ(board.Table().find_station("G4ABC"), 2);
    EXPECT_EQ(Live(), (std::vector<std::string>{"g4abc", "G4ABC"}));
}

// A report stamped before the one on the board leaves the newer record;
// a later one supersedes it.
TEST_F(Board, AnOlderReportHeardLaterLeavesTheNewerRecord) {
    Know("A", "!new");
    Beacon("A");
    Know("A", "!old").ReportDate = DateSerial(2026, 12, 6, 11, 50, 0);
    Beacon("A");
    EXPECT_EQ(Find("A").BeaconText, "!new");
    EXPECT_EQ(Live(), std::vector<std::string>{"A"});
    Know("A", "!newer").ReportDate = DateSerial(2026, 12, 6, 12, 5, 0);
    Beacon("A");
    EXPECT_EQ(Find("A").BeaconText, "!newer");
    EXPECT_EQ(Live(), std::vector<std::string>{"A"});
}

TEST_F(Board, DeletesAndUnknownStations) {
    Know("A");
    Beacon("A");
    board.mUIV_NotifyDelete("NOBODY");
    EXPECT_EQ(Live(), std::vector<std::string>{"A"});
    EXPECT_EQ(rebuilds, 2);  // the grid is rebuilt all the same
    board.mUIV_NotifyDelete("a");
    EXPECT_EQ(Live(), std::vector<std::string>{"A"});
    board.mUIV_NotifyDelete("A");
    EXPECT_TRUE(Live().empty());
    Beacon("A");  // a later beacon brings it back
    EXPECT_EQ(Live(), std::vector<std::string>{"A"});
}

TEST_F(Board, AStationTheHostRefusesDropsOutUntilItsNextBeacon) {
    Know("A");
    Beacon("A");
    host.stations.erase("A");
    Beacon("A");
    EXPECT_TRUE(Live().empty());
    EXPECT_EQ(board.Table().StationCount(), 1);
    EXPECT_EQ(rebuilds, 2);
}

TEST_F(Board, AHostErrorEndsTheIntakeAndTheHandlerGoesOn) {
    Know("A");
    Beacon("A");
    host.failing.insert("A");
    board.mUIV_NotifyBeaconData(host.stations["A"]);
    // A host that fails to answer costs the board nothing it had.
    EXPECT_EQ(Live(), std::vector<std::string>{"A"});
    EXPECT_EQ(board.Table().StationCount(), 1);
    EXPECT_EQ(rebuilds, 2);
    EXPECT_EQ(Errors(), std::vector<std::string>{
                            "program error 440 in module Form1.add_beacon: Automation error"});
}

TEST_F(Board, AFillThatFailsLeavesAPartRecordCountedAndLive) {
    host::HostStation& s = Know("FAR", "!PHG5132");
    s.Latitude = 1.0e9f;  // beyond any position: the coordinate text overflows
    s.Symbol = "/-";
    Beacon("FAR");
    const StationRecord& r = Find("FAR");
    EXPECT_EQ(r.Symbol, "/-");
    EXPECT_EQ(r.HeardTime, 1796558400);
    EXPECT_EQ(r.LatitudeText, "");
    EXPECT_EQ(r.BeaconText, "");
    EXPECT_FALSE(r.HasPHG);
    EXPECT_EQ(Errors(),
              std::vector<std::string>{"program error 6 in module Form1.add_beacon: Overflow"});
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(Board, ANestedBeaconDuringThePauseLeavesTheRecordBeingFilledAlone) {
    Know("A", "!first A").Symbol = "/a";
    Know("B", "!then B").Symbol = "/b";
    std::vector<std::pair<std::int32_t, std::int32_t>> seen;  // count and table size at pauses
    host.onPause = [&](int) {
        seen.emplace_back(board.Table().StationCount(), board.Table().UpperBound() + 1);
        // The record being filled is live and empty during the pause.
        const StationRecord& pending = board.Table()[board.Table().StationCount() - 1];
        EXPECT_EQ(pending.Callsign, "");
        EXPECT_FALSE(pending.Deleted);
    };
    host.atPause.push_back({[&] { Beacon("B"); }});
    Beacon("A");
    EXPECT_EQ(Live(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Find("A").Symbol, "/a");
    EXPECT_EQ(Find("A").Comment, "first A");
    EXPECT_EQ(Find("B").Symbol, "/b");
    EXPECT_EQ(Find("B").Comment, "then B");
    for (auto [count, size] : seen)
        EXPECT_EQ(count, size);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_TRUE(board.Table().IndexIsConsistent());
}

// A host read a station at a time, and in batches of one (events then come
// at the same pauses).
class Scan : public Board, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        Board::SetUp();
        host.batchSize = GetParam();
    }
};
INSTANTIATE_TEST_SUITE_P(OneByOneAndInBatches, Scan, ::testing::Values(0, 1));

TEST_P(Scan, TheScanReadsTheHostsLines) {
    for (const char* cs : {"PA3XYZ", "G4ABC", "DL1AA", "ON4ZZ"})
        Know(cs);
    Know("EMG").StatusText = "emergency";
    ListOnHost({" PA3XYZ 5230.00N ...", "*G4ABC* 5100.00N", "xNOTKNOWN x", "\tEMG x", "XDL1AA y",
                "", "XON4ZZ after the empty line"});
    board.scan_stations();
    EXPECT_EQ(Live(), (std::vector<std::string>{"PA3XYZ", "G4ABC", "EMG", "DL1AA"}));
    EXPECT_EQ(board.EmergencyCount(), 1);
    EXPECT_EQ(board.Table().StationCount(), 4);
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(host.getStationCalls.count("ON4ZZ"), 0u);
    // A batch brings the data with the line; a callsign the host knows by
    // another name ("G4ABC*") is asked for by the line's.
    EXPECT_EQ(host.getStationCalls.count("PA3XYZ"), GetParam() ? 0u : 1u);
    EXPECT_EQ(host.getStationCalls.count("G4ABC"), 1u);
    // The asterisk was dropped, so a beacon supersedes the scanned record.
    Beacon("G4ABC");
    EXPECT_EQ(Live(), (std::vector<std::string>{"PA3XYZ", "EMG", "DL1AA", "G4ABC"}));
}

TEST_P(Scan, TheScanSkipsLinesItCannotSplit) {
    Know("A");
    Know("B");
    ListOnHost({"XA x", "XNOBLANK", "X x", "X* x", "XB x"});
    board.scan_stations();
    EXPECT_EQ(Live(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Errors().size(), 3u);
    EXPECT_EQ(Errors()[0],
              "program error 5 in module Form1.scan_stations: Invalid procedure call or argument");
}

TEST_P(Scan, TheScanOfAnEmptyHostAndBeforeTheLink) {
    board.scan_stations();  // the host link is not ready: nothing happens
    EXPECT_EQ(rebuilds, 0);
    Know("A");
    Beacon("A");
    board.scan_stations();
    EXPECT_EQ(Live(), std::vector<std::string>{"A"});

    ListOnHost({});
    board.scan_stations();
    EXPECT_EQ(board.Table().StationCount(), 0);
    EXPECT_EQ(board.Table().UpperBound(), 0);
    EXPECT_EQ(board.Table()[0].Callsign, "");
    EXPECT_EQ(board.EmergencyCount(), 0);
}

TEST_P(Scan, ABeaconDuringTheScanAppendsAtTheCountAndTheScanFollowsIt) {
    for (const char* cs : {"A", "B", "Z"})
        Know(cs);
    ListOnHost({"XA x", "XB x"});
    host.atPause.push_back({});
    host.atPause.push_back({[&] { Beacon("Z"); }});  // before the second station
    board.scan_stations();
    EXPECT_EQ(Live(), (std::vector<std::string>{"A", "Z", "B"}));
    EXPECT_TRUE(board.Table().IndexIsConsistent());
}

// A host that starts with the board hears its stations while the board
// scans them: a station whose beacon came before its line is shown once,
// with the beacon's record, and is not asked for again. A station the host
// lists twice still gets a record per listing.
TEST_P(Scan, AStationHeardDuringTheScanBeforeItsLineIsNotAddedTwice) {
    for (const char* cs : {"A", "B", "C"})
        Know(cs);
    ListOnHost({"XA x", "XB x", "XC x", "XC x"});
    host.atPause.push_back({[&] { Beacon("B"); }});
    board.scan_stations();
    EXPECT_EQ(Live(), (std::vector<std::string>{"B", "A", "C", "C"}));
    EXPECT_EQ(host.getStationCalls["B"], 1);
    EXPECT_TRUE(board.Table().IndexIsConsistent());
    EXPECT_TRUE(Errors().empty());
}

TEST_P(Scan, AHostErrorEndsTheScanWhereItWas) {
    for (const char* cs : {"A", "B", "C"})
        Know(cs);
    host.failing.insert("B");
    ListOnHost({"XA x", "XB x", "XC x"});
    board.scan_stations();
    EXPECT_EQ(Live(), std::vector<std::string>{"A"});
    EXPECT_EQ(rebuilds, 0);
    EXPECT_EQ(Errors(), std::vector<std::string>{
                            "program error 440 in module Form1.scan_stations: Automation error"});
}

}  // namespace
}  // namespace bb
