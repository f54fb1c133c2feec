#include "stations/board.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/fakes/fake_host.h"
#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

// What the grid shows of a record, in one line.
std::string Describe(const StationRecord& r) {
    std::ostringstream o;
    o << r.Symbol << ' ' << r.HeardTime << ' ' << r.LatitudeText() << ' ' << r.LongitudeText()
      << ' ' << r.Locator() << ' ' << r.Course << ' ' << r.Speed << ' ' << r.Bearing << ' '
      << r.Distance << " [" << r.Comment() << "] phg " << r.HasPHG << " qsy " << r.QSY->Frequency
      << '/' << r.QSY->Tone << " emg " << r.Emergency;
    return o.str();
}

class Board : public ::testing::Test, public StationsListener {
  protected:
    testing::FakeSystem fs;
    testing::FakeHost host;
    StationBoard board{host, host};
    int rebuilds = 0, scans = 0;  // the notices the grid and the map act on
    void StationsChanged(const std::string&) override { ++rebuilds; }
    void StationsScanned() override { ++rebuilds, ++scans; }
    void HostClosing() override {}

    void SetUp() override {
        Common::Initialize();
        board.SetListener(this);
    }
    HostStation& Know(const std::string& cs, const std::string& text = "!beacon") {
        HostStation& s = host.Know(cs);
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
    void ListOnHost(std::vector<std::string> lines) {
        host.lines = std::move(lines);
        board.HostLinked();
    }
};

TEST_F(Board, ABeaconFillsARecordFromTheHost) {
    HostStation& s = Know("PA3XYZ-9", "!5230.00N/00453.20E>PHG5132 145.625MHz T088");
    s.CommentStart = 21;
    s.Symbol = "/>";
    s.Course = 270;
    s.Speed = 42.5f;
    s.Bearing = 33;
    s.Distance = 12.25f;
    Beacon("PA3XYZ-9");
    // 1796558400 is 2026-12-06 12:00:00, no zone conversion.
    EXPECT_EQ(Describe(Find("PA3XYZ-9")),
              "/> 1796558400 52.30.00N 004.53.20E JO22KM60 270 42.5 33 12.25 "
              "[PHG5132 145.625MHz T088] phg 1 qsy 145.625/88.5 emg 0");
    EXPECT_EQ(rebuilds, 1);
    EXPECT_TRUE(fs.Errors().empty());
}

// The start counts the host string's characters, as Mid does: letters beyond
// ASCII (two UTF-8 bytes, or a UTF-16 pair) before the comment do not shift it.
TEST_F(Board, CommentStartAndFallbackDate) {
    HostStation& s = Know("A");
    s.ReportDate = 0;
    s.FallbackDate = DateSerial(1970, 1, 2);
    for (const auto& [text, start, comment] :
         {std::tuple{"!abc", 4, ""},
          {"!abcPHG5132", 4, "cPHG5132"},
          {";Caf\xC3\xA9     *PHG5132 \xC3\xA9t\xC3\xA9", 12, "PHG5132 \xC3\xA9t\xC3\xA9"},
          {"\xF0\x9F\x93\xA1!PHG5132", 4, "PHG5132"},
          {"\xC3\xA9\xC3\xA9", 3, ""}}) {
        s.BeaconText = text;
        s.CommentStart = static_cast<std::int16_t>(start);
        Beacon("A");
        EXPECT_EQ(Find("A").Comment(), comment) << text;
        EXPECT_EQ(Find("A").HeardTime, 86400);
    }
}

TEST_F(Board, EmergencyIsReadInUpperCaseAndEachBeaconNeedsItsAcknowledgement) {
    for (const char* status : {"EMERGENCY", "Emergency", "emergency"}) {
        Know("E").StatusText = status;
        Beacon("E");
        EXPECT_TRUE(Find("E").Emergency && !Find("E").EmergencyAcknowledged) << status;
        board.Table().Edit(board.Table().find_station("E")).EmergencyAcknowledged = true;
    }
    Know("E").StatusText = "EMERGENCY!";
    Beacon("E");
    EXPECT_FALSE(Find("E").Emergency);
}

// A report stamped before the one on the board leaves the newer record.
TEST_F(Board, AnOlderReportHeardLaterLeavesTheNewerRecord) {
    for (const auto& [text, minute, kept] :
         {std::tuple{"!new", 0, "!new"}, {"!old", -10, "!new"}, {"!newer", 5, "!newer"}}) {
        Know("A", text).ReportDate = DateSerial(2026, 12, 6, 12, 0, 0) + minute / 1440.0;
        Beacon("A");
        EXPECT_EQ(Find("A").BeaconText, kept);
        EXPECT_EQ(Live(), std::vector<std::string>{"A"});
    }
}

TEST_F(Board, DeletesAndUnknownStations) {
    Know("A");
    Beacon("A");
    board.mUIV_NotifyDelete("NOBODY");
    board.mUIV_NotifyDelete("a");
    EXPECT_EQ(Live(), std::vector<std::string>{"A"});
    EXPECT_EQ(rebuilds, 3);  // the grid is rebuilt all the same
    board.mUIV_NotifyDelete("A");
    EXPECT_TRUE(Live().empty());
    Beacon("A");  // a later beacon brings it back
    EXPECT_EQ(Live(), std::vector<std::string>{"A"});
}

// The host deletes the station while its beacon waits in the pause: the
// delete came last, so the station is gone, heard before or not.
TEST_F(Board, ADeleteDuringTheBeaconsPauseHolds) {
    Know("A");
    for (const bool heardBefore : {false, true}) {
        if (heardBefore) Beacon("A");
        host.atPause.push_back({[&] { board.mUIV_NotifyDelete("A"); }});
        Beacon("A");
        EXPECT_TRUE(Live().empty()) << heardBefore;
        EXPECT_TRUE(board.Table().IndexIsConsistent());
    }
    Beacon("A");  // its next beacon brings it back
    EXPECT_EQ(Live(), std::vector<std::string>{"A"});
}

// A station the host refuses drops out until its next beacon; a host that fails
// to answer costs the board nothing it had.
TEST_F(Board, AStationTheHostRefusesDropsOutAndAHostErrorEndsTheIntake) {
    Know("A");
    Know("B");
    Beacon("A");
    Beacon("B");
    host.stations.erase("A");
    Beacon("A");
    host.failing.insert("B");
    board.mUIV_NotifyBeaconData(host.stations["B"]);
    EXPECT_EQ(Live(), std::vector<std::string>{"B"});
    EXPECT_EQ(board.Table().StationCount(), 2);
    EXPECT_EQ(rebuilds, 4);
    EXPECT_EQ(fs.Errors(), std::vector<std::string>{
                               "program error 440 in module Form1.add_beacon: Automation error"});
}

TEST_F(Board, AFillThatFailsLeavesAPartRecordCountedAndLive) {
    HostStation& s = Know("FAR", "!PHG5132");
    s.Latitude = 1.0e9f;  // beyond any position: the coordinate text overflows
    s.Symbol = "/-";
    Beacon("FAR");
    const StationRecord& r = Find("FAR");
    EXPECT_EQ(std::make_tuple(r.Symbol.str(), r.HeardTime, r.LatitudeText(), r.BeaconText.str(),
                              r.HasPHG),
              std::make_tuple(std::string("/-"), 1796558400, std::string(), std::string(), false));
    EXPECT_EQ(fs.Errors(),
              std::vector<std::string>{"program error 6 in module Form1.add_beacon: Overflow"});
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(Board, ANestedBeaconDuringThePauseLeavesTheRecordBeingFilledAlone) {
    Know("A", "!first A").Symbol = "/a";
    Know("B", "!then B").Symbol = "/b";
    host.atPause.push_back({[&] { Beacon("B"); }});
    Beacon("A");
    EXPECT_EQ(Live(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Find("A").Symbol + std::string(Find("A").Comment()) + Find("B").Symbol +
                  std::string(Find("B").Comment()),
              "/afirst A/bthen B");
    EXPECT_EQ(host.pauses, 2);
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
    // Lines it cannot split are skipped, each with its error.
    ListOnHost({" PA3XYZ 5230.00N ...", "*G4ABC* 5100.00N", "xNOTKNOWN x", "XNOBLANK", "\tEMG x",
                "X x", "X* x", "XDL1AA y", "", "XON4ZZ after the empty line"});
    board.scan_stations();
    EXPECT_EQ(Live(), (std::vector<std::string>{"PA3XYZ", "G4ABC", "EMG", "DL1AA"}));
    EXPECT_EQ(fs.Errors(), std::vector<std::string>(3,
                                                    "program error 5 in module "
                                                    "Form1.scan_stations: Invalid procedure "
                                                    "call or argument"));
    EXPECT_EQ(board.EmergencyCount(), 1);
    EXPECT_EQ(board.Table().StationCount(), 4);
    EXPECT_EQ(std::pair(rebuilds, scans), std::pair(1, 1));
    // A batch brings the data with the line; a callsign the host knows by
    // another name ("G4ABC*") is asked for by the line's.
    EXPECT_EQ(host.getStationCalls.count("ON4ZZ"), 0u);
    EXPECT_EQ(host.getStationCalls.count("PA3XYZ"), GetParam() ? 0u : 1u);
    EXPECT_EQ(host.getStationCalls.count("G4ABC"), 1u);
    Beacon("G4ABC");  // the asterisk was dropped: the beacon supersedes the scanned record
    EXPECT_EQ(Live(), (std::vector<std::string>{"PA3XYZ", "EMG", "DL1AA", "G4ABC"}));
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
    EXPECT_EQ(std::make_tuple(board.Table().StationCount(), board.Table().UpperBound(),
                              board.Table()[0].Callsign, board.EmergencyCount()),
              std::make_tuple(0, 0, std::string(), 0));
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

// A station whose beacon came during the scan before its line is shown once,
// with the beacon's record; one the host lists twice gets a record per listing.
TEST_P(Scan, AStationHeardDuringTheScanBeforeItsLineIsNotAddedTwice) {
    for (const char* cs : {"A", "B", "C"})
        Know(cs);
    ListOnHost({"XA x", "XB x", "XC x", "XC x"});
    host.atPause.push_back({[&] { Beacon("B"); }});
    board.scan_stations();
    EXPECT_EQ(Live(), (std::vector<std::string>{"B", "A", "C", "C"}));
    EXPECT_EQ(host.getStationCalls["B"], 1);
    EXPECT_TRUE(board.Table().IndexIsConsistent());
    EXPECT_TRUE(fs.Errors().empty());
}

TEST_P(Scan, AHostErrorEndsTheScanWhereItWas) {
    for (const char* cs : {"A", "B", "C"})
        Know(cs);
    host.failing.insert("B");
    ListOnHost({"XA x", "XB x", "XC x"});
    board.scan_stations();
    EXPECT_EQ(Live(), std::vector<std::string>{"A"});
    EXPECT_EQ(rebuilds, 0);
    EXPECT_EQ(fs.Errors(),
              std::vector<std::string>{
                  "program error 440 in module Form1.scan_stations: Automation error"});
}

}  // namespace
}  // namespace bb
