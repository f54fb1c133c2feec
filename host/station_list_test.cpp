#include "host/station_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace bb::hostapp {
namespace {

std::int64_t NoZone(std::int64_t) {
    return 0;
}
std::int64_t PlusTwoHours(std::int64_t) {
    return 7200;
}

// 2026-12-07 10:30:00 UTC
constexpr std::int64_t kNow = 1796639400;

aprs::Report Position(const std::string& name, double lat, double lon) {
    aprs::Report r;
    r.name = name;
    r.hasPosition = true;
    r.latitude = lat;
    r.longitude = lon;
    r.symbolTable = '/';
    r.symbolCode = '>';
    r.commentStart = 21;
    return r;
}

// A stamp names the latest date with its day, at most a day after it was heard.
TEST(HostTime, ReportDatesFollowTheStampAndTheLocalZone) {
    using Form = aprs::PacketTime::Form;
    const auto dhm = [](bool utc, int d, int h, int m) {
        return aprs::PacketTime{Form::DayHourMinute, utc, d, h, m, 0};
    };
    const auto hms = [](int h, int m) {
        return aprs::PacketTime{Form::HourMinuteSecond, true, 0, h, m, 0};
    };
    const aprs::PacketTime gps{Form::FullDate, true, 12, 12, 34, 56, 2007, 12};
    const struct {
        std::int64_t heard;
        aprs::PacketTime stamp;
        DateTime expected;
        ZoneOffset zone = &NoZone;
    } cases[] = {
        {kNow, dhm(true, 7, 10, 15), DateSerial(2026, 12, 7, 10, 15)},
        {kNow, dhm(true, 7, 10, 15), DateSerial(2026, 12, 7, 12, 15), &PlusTwoHours},
        {kNow, dhm(true, 30, 10, 15), DateSerial(2026, 11, 30, 10, 15)},  // last month's
        {kNow, dhm(false, 7, 12, 0), DateSerial(2026, 12, 7, 12, 0), &PlusTwoHours},  // local
        {kNow, hms(23, 59), DateSerial(2026, 12, 6, 23, 59)},                         // yesterday's
        // over the year's end; February and April have no 31st; a leap year's
        {UtcSeconds(2027, 1, 1, 0, 30, 0), dhm(true, 31, 12, 0), DateSerial(2026, 12, 31, 12, 0)},
        {UtcSeconds(2027, 3, 1, 0, 30, 0), dhm(true, 31, 12, 0), DateSerial(2027, 1, 31, 12, 0)},
        {UtcSeconds(2027, 4, 30, 23, 0, 0), dhm(true, 31, 12, 0), DateSerial(2027, 3, 31, 12, 0)},
        {UtcSeconds(2028, 3, 1, 0, 30, 0), dhm(true, 29, 23, 0), DateSerial(2028, 2, 29, 23, 0)},
        // a clock a little behind the sender's
        {UtcSeconds(2027, 5, 31, 23, 58, 0), dhm(true, 1, 0, 1), DateSerial(2027, 6, 1, 0, 1)},
        {1800, dhm(true, 31, 12, 0), DateSerial(1969, 12, 31, 12)},  // a computer from 1970
        {0, dhm(false, 1, 1, 0), DateSerial(1970, 1, 1, 1, 0), &PlusTwoHours},
        // a GPS receiver's own date, however old; a clock a few minutes fast, not wrong
        {kNow, gps, DateSerial(2007, 12, 12, 12, 34) + 56 / 86400.0},
        {kNow, hms(10, 34), DateSerial(2026, 12, 7, 10, 34)},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(ReportDateOf(c.stamp, c.heard, c.zone), c.expected)
            << c.heard << " day " << c.stamp.day;
        EXPECT_LE(ReportDateOf(c.stamp, c.heard, &NoZone),
                  kUnixEpochSerial + (c.heard + 86400) / 86400.0);
    }
    EXPECT_EQ(ReportDateOf({}, kNow, &NoZone), 0);
    // A clock running ahead, by minutes, hours or years: the time heard.
    const DateTime heard = DateSerial(2026, 12, 7, 10, 30);
    for (const aprs::PacketTime ahead :
         {hms(10, 36), dhm(true, 7, 13, 0), dhm(false, 7, 12, 40),
          aprs::PacketTime{Form::FullDate, true, 7, 10, 30, 0, 2029, 12}})
        EXPECT_NEAR(ReportDateOf(ahead, kNow, &NoZone), heard, 1e-9) << ahead.hour;
}

TEST(HostDistance, GreatCircleFromHome) {
    const struct {
        HomePosition home;
        double lat, lon, km;
        int bearing;
    } cases[] = {{{0, 0}, 0, 1, 111.19, 90},
                 {{52, 0}, 51, 0, 111.19, 180},
                 {{52, 0}, 52.5, -0.5, 65.19, 329},
                 {{52, 0}, 52, 0, 0, 0}};
    for (const auto& c : cases) {
        double km = 0;
        std::int16_t bearing = -1;
        DistanceAndBearing(c.home, c.lat, c.lon, km, bearing);
        EXPECT_NEAR(km, c.km, 0.01) << c.lat;
        EXPECT_EQ(bearing, c.bearing) << c.lat;
    }
}

aprs::Report Status(const std::string& name, const std::string& text) {
    aprs::Report r;
    r.kind = aprs::Report::Kind::Status;
    r.name = name;
    r.hasStatus = true;
    r.status = text;
    return r;
}

struct HostStations : ::testing::Test {
    StationList list{{52, 0}, &NoZone};
    std::string call;
};

TEST_F(HostStations, NewestDataWinsAndCallsignsKeepTheirCase) {
    EXPECT_EQ(list.Take(Position("G4ABC", 52.1, 0.1), "!a", kNow, call),
              StationList::Change::Updated);
    EXPECT_EQ(list.Take(Position("g4abc", 50, 0), "!b", kNow, call), StationList::Change::Updated);
    auto moved = Position("G4ABC", 52.2, 0.2);
    moved.hasCourseSpeed = true;
    moved.course = 90;
    moved.speedKnots = 10;
    list.Take(moved, "!c", kNow + 5, call);
    const HostEntry* e = list.Find("G4ABC");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(std::tie(e->beaconText, e->course, e->symbol), std::make_tuple("!c", 90, "/>"));
    EXPECT_NEAR(e->latitudeMinutes, 52.2 * 60, 1e-9);
    EXPECT_NEAR(e->speed, 18.52, 1e-9);
    EXPECT_DOUBLE_EQ(e->fallbackDate, kUnixEpochSerial + (kNow + 5) / 86400.0);
    EXPECT_EQ(list.Find("g4abc")->beaconText, "!b");
    // Without course and speed the host gives its "none" values.
    list.Take(Position("G4ABC", 52.2, 0.2), "!d", kNow + 6, call);
    EXPECT_EQ(list.Find("G4ABC")->speed, -99999);
    EXPECT_EQ(list.Find("G4ABC")->course, -32768);

    // Reports heard out of order: one stamped earlier than the position held
    // leaves it; a later stamp, or none, moves the station.
    const auto stamped = [](double lat, int minute) {
        auto r = Position("LATE", lat, 0);
        r.time = {aprs::PacketTime::Form::DayHourMinute, true, 7, 10, minute, 0};
        return r;
    };
    list.Take(stamped(51, 20), "!new", kNow, call);
    EXPECT_EQ(list.Take(stamped(50, 10), "!old", kNow + 60, call), StationList::Change::None);
    EXPECT_EQ(list.Find("LATE")->beaconText, "!new");
    EXPECT_EQ(list.Find("LATE")->latitudeMinutes, 51 * 60);
    list.Take(stamped(49, 25), "!newer", kNow + 70, call);
    EXPECT_EQ(list.Find("LATE")->beaconText, "!newer");
    list.Take(Position("LATE", 48, 0), "!unstamped", kNow + 80, call);
    EXPECT_EQ(list.Find("LATE")->latitudeMinutes, 48 * 60);
}

TEST_F(HostStations, StatusAloneIsNotListedButReachesAListedStationKilledObjectsGo) {
    aprs::Report status = Status("G4ABC", "EMERGENCY");
    EXPECT_EQ(list.Take(status, ">EMERGENCY", kNow, call), StationList::Change::None);
    EXPECT_EQ(list.Find("G4ABC"), nullptr);
    EXPECT_EQ(list.TakeLineSnapshot(), 0);
    list.Take(Position("G4ABC", 52, 0), "!a", kNow, call);
    EXPECT_EQ(list.Find("G4ABC")->statusText, "EMERGENCY");  // kept from before
    status.status = "back home";
    EXPECT_EQ(list.Take(status, ">back home", kNow, call), StationList::Change::Updated);
    EXPECT_EQ(list.Find("G4ABC")->statusText, "back home");
    EXPECT_EQ(list.Find("G4ABC")->beaconText, "!a");
    // A killed object is removed.
    list.Take(Position("OBJ", 52, 0), ";", kNow + 3000, call);
    aprs::Report killed;
    killed.kind = aprs::Report::Kind::KilledObject;
    killed.name = "OBJ";
    EXPECT_EQ(list.Take(killed, ";", kNow + 3001, call), StationList::Change::Removed);
    EXPECT_EQ(list.Take(killed, ";", kNow + 3001, call), StationList::Change::None);
    EXPECT_EQ(list.Find("OBJ"), nullptr);
}

aprs::Report MicE(const std::string& name, const std::string& message) {
    aprs::Report r = Position(name, 52, 0);
    r.micE = r.hasStatus = true;
    r.status = message;
    return r;
}

// A Mic-E emergency ends with a Mic-E saying otherwise, or half an hour after its last one.
TEST_F(HostStations, AMicEEmergencyEndsOnlyWhenTheStationNoLongerReportsIt) {
    const auto status = [&] { return list.Find("SOS")->statusText; };
    constexpr std::int64_t kHold = StationList::kMicEEmergencyHold;
    list.Take(MicE("SOS", "Emergency"), "`", kNow, call);
    EXPECT_EQ(status(), "Emergency");
    // Plain positions and a status report in between: still in emergency.
    list.Take(Position("SOS", 52, 0), "!", kNow + 60, call);
    list.Take(Status("SOS", "on the fen path"), ">", kNow + 120, call);
    list.Take(Position("SOS", 52, 0), "!", kNow + kHold - 1, call);
    EXPECT_EQ(status(), "Emergency");
    list.Take(MicE("SOS", "Emergency"), "`", kNow + kHold, call);
    list.Take(Position("SOS", 52, 0), "!", kNow + 2 * kHold - 1, call);
    EXPECT_EQ(status(), "Emergency");
    // Its Mic-E positions in emergency have stopped: the next report ends
    // it, and the status reported meanwhile shows.
    list.Take(Position("SOS", 52, 0), "!", kNow + 2 * kHold, call);
    EXPECT_EQ(status(), "on the fen path");
    list.Take(Position("SOS", 52, 0), "!", kNow + 2 * kHold + 60, call);
    EXPECT_EQ(status(), "on the fen path");

    // A Mic-E position with another message ends it at once.
    list.Take(MicE("SOS", "Emergency"), "`", kNow + 3 * kHold, call);
    list.Take(MicE("SOS", "En Route"), "`", kNow + 3 * kHold + 60, call);
    EXPECT_EQ(status(), "En Route");
    list.Take(Position("SOS", 52, 0), "!", kNow + 3 * kHold + 120, call);
    EXPECT_EQ(status(), "En Route");
    // A status report of emergency is the station's status until the next.
    list.Take(Status("SOS", "EMERGENCY"), ">", kNow + 4 * kHold, call);
    list.Take(Position("SOS", 52, 0), "!", kNow + 6 * kHold, call);
    EXPECT_EQ(status(), "EMERGENCY");
    list.Take(Status("SOS", "safe"), ">", kNow + 6 * kHold + 1, call);
    EXPECT_EQ(status(), "safe");
}

// UTF-8 without NUL; the comment's start counts characters as a host string does.
TEST_F(HostStations, TheBeaconTextIsOfferedAsTextWithTheCommentStartInItsCharacters) {
    auto object = Position("Caf\xC3\xA9", 52, 0);
    object.commentStart = 13;
    list.Take(object, ";Caf\xC3\xA9     *PHG5132", kNow, call);
    EXPECT_EQ(list.Find(call)->commentStart, 12);
    EXPECT_EQ(list.Find(call)->beaconText, ";Caf\xC3\xA9     *PHG5132");
    object.commentStart = 12;
    list.Take(object, ";Caf\xE9     *PHG5132", kNow, call);  // Windows-1252
    EXPECT_EQ(list.Find(call)->commentStart, 12);
    EXPECT_EQ(list.Find(call)->beaconText, ";Caf\xC3\xA9     *PHG5132");
    auto nul = Position("NUL", 52, 0);
    nul.commentStart = 3;
    list.Take(nul, std::string_view("!\0PHG5132", 9), kNow, call);
    EXPECT_EQ(list.Find(call)->beaconText, "!\xEF\xBF\xBDPHG5132");
    EXPECT_EQ(list.Find(call)->commentStart, 3);
}

// A clock set back keeps no station for ever nor drops any at once. A heard 50 min ago, B now.
TEST_F(HostStations, ExpiryAcrossClockSteps) {
    const struct {
        std::int64_t step;
        std::vector<std::string> gone[3];  // at the step, half an hour on, an hour on
    } cases[] = {{-365 * 86400, {{}, {}, {"A", "B"}}},
                 {-600, {{}, {"A"}, {"B"}}},
                 {599, {{}, {"A"}, {"B"}}},
                 {600, {{"A"}, {}, {"B"}}},
                 {kNow, {{"A", "B"}, {}, {}}}};
    for (const auto& c : cases) {
        list = StationList({52, 0}, &NoZone);
        list.Take(Position("A", 52, 0), "!", kNow - 3000, call);
        list.Take(Position("B", 52, 0), "!", kNow, call);
        for (int i = 0; i < 3; ++i) {
            auto gone = list.Expire(kNow + c.step + i * 1800, 3600);
            std::sort(gone.begin(), gone.end());
            EXPECT_EQ(gone, c.gone[i]) << c.step << " +" << i * 1800;
        }
    }
}

TEST_F(HostStations, MoreStationsThanASixteenBitCountListTheMostRecent) {
    const int total = StationList::kMaxLines + 100;
    for (int i = 0; i < total; ++i)
        list.Take(Position("S" + std::to_string(i), 52, 0), "!", kNow, call);
    list.Take(Position("S0", 52, 0), "!", kNow, call);  // the oldest, heard again
    EXPECT_EQ(list.TakeLineSnapshot(), 32767);
    EXPECT_EQ(list.Line(0).substr(0, 4), " S0 ");
    EXPECT_EQ(list.Line(1).substr(0, 6), " S101 ");  // S1 to S100 fell off
    EXPECT_EQ(list.Line(32766).substr(0, 8), " S32866 ");
    // The full list, which batches hand over, has every one.
    EXPECT_EQ(list.TakeFullSnapshot(), static_cast<std::size_t>(total));
    EXPECT_EQ(list.Line(1).substr(0, 4), " S1 ");
    EXPECT_EQ(list.Line(total - 1).substr(0, 8), " S32866 ");
    EXPECT_EQ(std::pair(list.Line(total), list.Line(-1)), std::pair(std::string(), std::string()));
    // A station that goes after the snapshot keeps its line until the next one.
    list.Expire(kNow + 10000, 60);
    EXPECT_EQ(list.Line(1), " S1");
}

// The list over a restart, as text that survives any byte of a beacon.
TEST_F(HostStations, AListWrittenAndReadBackIsTheSameList) {
    auto odd = Position("ODD", 52.5, -1.25);
    odd.hasCourseSpeed = true;
    odd.course = 270;
    odd.speedKnots = 12;
    odd.time = {aprs::PacketTime::Form::DayHourMinute, true, 7, 9, 0, 0};
    list.Take(odd, "!tab\there, line\nend, back\\slash", kNow - 100, call);
    list.Take(MicE("SOS", "Emergency"), "`mic-e", kNow - 50, call);
    list.Take(Status("SOS", "on the fen path"), ">", kNow - 40, call);
    list.Take(Status("QUIET", "status only"), ">", kNow - 30, call);
    list.Take(Position("OLD", 51, 0), "!", kNow - 3600, call);

    StationList back({51, 1}, &PlusTwoHours);  // another home and zone
    std::string why;
    ASSERT_TRUE(back.Read(list.Write(), kNow, 3600, why)) << why;
    EXPECT_EQ(back.size(), 3u);  // OLD is past the expiry
    EXPECT_EQ(back.Find("OLD"), nullptr);
    // What it said, where and when (the report's true time), as it was.
    const auto kept = [](const HostEntry& e) {
        return std::tie(e.beaconText, e.symbol, e.latitudeMinutes, e.longitudeMinutes, e.speed,
                        e.course, e.reportDate, e.heardUnix, e.commentStart);
    };
    const HostEntry& b = *back.Find("ODD");
    EXPECT_TRUE(kept(b) == kept(*list.Find("ODD")));
    EXPECT_DOUBLE_EQ(b.fallbackDate, kUnixEpochSerial + (kNow - 100 + 7200) / 86400.0);
    double km = 0;
    std::int16_t bearing = 0;
    DistanceAndBearing({51, 1}, 52.5, -1.25, km, bearing);
    EXPECT_EQ(b.distance, km);  // from the new home
    EXPECT_EQ(b.bearing, bearing);
    EXPECT_EQ(back.Find("SOS")->statusText, "Emergency");
    EXPECT_EQ(back.Find("SOS")->statusReport, "on the fen path");
    // The emergency holds on after the restart as it would have.
    back.Take(Position("SOS", 52, 0), "!", kNow, call);
    EXPECT_EQ(back.Find("SOS")->statusText, "Emergency");
    EXPECT_EQ(back.TakeLineSnapshot(), 2);  // QUIET, with no position, is kept unlisted
    EXPECT_EQ(back.Line(0).substr(0, 4), " ODD");
}

// Another program's file is refused whole; a damaged line costs only its own station.
TEST_F(HostStations, ADamagedLineCostsOnlyItsOwnStation) {
    list.Take(Position("KEPT", 52, 0), "!", kNow, call);
    const std::string good = list.Write();
    const std::string fields =
        "\t/>\t!\t\t\t0\t0\t0\t0\t0\t0\t0\t1\t" + std::to_string(kNow) + "\n";
    const struct {
        std::string text;
        bool list;
        std::size_t taken;
    } cases[] = {
        {"[Emergency]\nScan=TRUE\n", false, 1},                           // another program's file
        {good + "BROKEN\t/>\n", true, 2},                                 // too few fields
        {good + "NAN\tx\t\t\t\t1\tnan\t0\t0\t0\t0\t0\t1\t0\n", true, 2},  // no number
        {good + "ESC\t/>\t!\\q\t\t\t0\t0\t0\t0\t0\t0\t0\t1\t0\n", true, 2},  // bad escape
        {"bb-host stations 1\nFAR\t/>\t!\t\t\t0\t9999\t0\t0\t0\t0\t0\t1\t1\n" +
             good.substr(good.find('\n') + 1) + "NEXT" + fields,
         true, 3},  // past the pole, first
    };
    for (const auto& c : cases) {
        StationList into({52, 0}, &NoZone);
        into.Take(Position("HEARD", 52, 0), "!", kNow, call);
        std::string why;
        EXPECT_EQ(into.Read(c.text, kNow, 3600, why), c.list) << c.text;
        EXPECT_NE(why.find(c.list ? "is not a station" : "not a station list"), std::string::npos)
            << why;
        EXPECT_EQ(into.size(), c.taken) << c.text;
        if (c.list) {
            EXPECT_NE(into.Find("KEPT"), nullptr) << c.text;
        }
    }
    // A station heard since the start keeps what it said then.
    StationList into({52, 0}, &NoZone);
    into.Take(Position("KEPT", 40, 0), "!now", kNow + 5, call);
    std::string why;
    ASSERT_TRUE(into.Read(good, kNow + 5, 3600, why));
    EXPECT_TRUE(why.empty()) << why;
    EXPECT_EQ(into.Find("KEPT")->beaconText, "!now");
}

}  // namespace
}  // namespace bb::hostapp
