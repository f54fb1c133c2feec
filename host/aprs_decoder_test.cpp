#include "host/aprs_decoder.h"

#include <gtest/gtest.h>

namespace bb::hostapp::aprs {
namespace {

Outcome DecodeLine(const std::string& line, Report& r) {
    Tnc2Packet p;
    std::string why;
    if (!ParseTnc2(line, p, why)) return Outcome::Malformed;
    return Decode(p, r, why);
}

TEST(Tnc2, SplitsAddressesPathAndInformation) {
    Tnc2Packet p;
    std::string why;
    ASSERT_TRUE(
        ParseTnc2("G4abc-9>APRS,WIDE1-1,G4XYZ*,qAR,M0GATE:!5213.50N/00007.20E>\r\n", p, why));
    EXPECT_EQ(p.source, "G4abc-9");  // case kept
    EXPECT_EQ(p.destination, "APRS");
    EXPECT_EQ(p.path, (std::vector<std::string>{"WIDE1-1", "G4XYZ*", "qAR", "M0GATE"}));
    EXPECT_EQ(p.info, "!5213.50N/00007.20E>");
    for (const char* bad : {"", "no header", "G4ABC:>status", "G4 ABC>APRS:>x",
                            "G4ABC>APRS:", ">APRS:>x", "G4ABC>AP$RS:>x", "G4ABC>APRS,WIDE,,X:>x",
                            // A source's SSID left out; a destination no AX.25 address.
                            "G4ABC->APRS:>x", "G4ABC>APRS-16:>x",
                            "None>None,qAR,TACO:!3751.90NS12213.23W#PHG7500/W2"}) {
        EXPECT_FALSE(ParseTnc2(bad, p, why)) << bad;
    }
}

// Every form of position: where it puts the station, its course and speed
// (none: -1; a weather station's wind is none), and where the comment starts.
TEST(Decode, EachFormOfPositionPutsTheStationInItsPlace) {
    const struct {
        const char* line;
        double lat, lon;
        int course;
        double knots;
        int commentStart;  // 0: not checked
    } cases[] = {
        {"G4ABC>APRS:=5213.50N/00007.20W-PHG5132 Home", 52 + 13.5 / 60, -(7.2 / 60), -1, 0, 21},
        {"G4ABC>APRS:@071015z3330.00S\\15110.00E>088/036/A=001234 mobile", -33.5, 151 + 10.0 / 60,
         88, 36, 28},
        // The worked example of the protocol's compressed form.
        {"G4ABC>APRS:!/5L!!<*e7>7P[", 49.5, -72.75, 88, 36.2, 15},
        // As Direwolf's decode_aprs reads it: 20 knots, course 251.
        {"KB7ABC-9>S32U6T,WIDE2-1:`(_fn\"Oj/]\"4-}Hello", 33 + 25.64 / 60, -(12 + 7.74 / 60), 251,
         20, 10},
        // An X1J digipeater's beacon: the position after up to 39 characters.
        {"G4ABC>APRS:BOXHILL digi X1J!5213.50N/00007.20E#PHG5360", 52 + 13.5 / 60, 7.2 / 60, -1, 0,
         37},
        // Raw NMEA, with the checksum checked where there is one.
        {"G4ABC>GPS:$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
         48 + 7.038 / 60, 11 + 31.0 / 60, 84, 22.4, 69},
        {"G4ABC>GPS:$GNGGA,123519,4807.038,S,01131.000,W,1,08,0.9,545.4,M,46.9,M,,*56",
         -(48 + 7.038 / 60), -(11 + 31.0 / 60), -1, 0, 0},
        {"G4ABC>GPS:$GPGLL,4916.45,N,12311.12,W,225444,A", 49 + 16.45 / 60, -(123 + 11.12 / 60), -1,
         0, 0},
        // A third-party packet is its inner packet's source's report.
        {"G4GATE>APRS,TCPIP*:}M0XYZ-9>APRS,TCPIP,G4GATE*:!5213.50N/00007.20E-PHG5132",
         52 + 13.5 / 60, 7.2 / 60, -1, 0, 21},
        {"G4ABC>APRS:!5213.50N/00007.20E_090/010g015t068", 52 + 13.5 / 60, 7.2 / 60, -1, 0, 0},
        {"G4ABC>APRS:!/5L!!<*e7_7P[", 49.5, -72.75, -1, 0, 0},
        {"G4ABC>APRS:!5213.50N/00007.20E>090/010", 52 + 13.5 / 60, 7.2 / 60, 90, 10, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        Report r;
        ASSERT_EQ(DecodeLine(c.line, r), Outcome::Decoded);
        const bool compressed = std::string(c.line).find("/5L!!<") != std::string::npos;
        const double within = compressed ? 1e-4 : 1e-6;
        EXPECT_NEAR(r.latitude, c.lat, within);
        EXPECT_NEAR(r.longitude, c.lon, within);
        EXPECT_EQ(r.hasCourseSpeed, c.course >= 0);
        if (c.course >= 0) {
            EXPECT_EQ(r.course, c.course);
            EXPECT_NEAR(r.speedKnots, c.knots, 0.1);
        }
        if (c.commentStart) {
            EXPECT_EQ(r.commentStart, c.commentStart);
        }
    }
    // Time stamps, symbols, altitudes and names the forms carry.
    using F = PacketTime::Form;
    Report r;
    DecodeLine("G4ABC>APRS:=5213.50N/00007.20W-PHG5132 Home", r);
    EXPECT_EQ(std::tuple(r.symbolTable, r.symbolCode, r.time.form), std::tuple('/', '-', F::None));
    DecodeLine("G4ABC>APRS:@071015z3330.00S\\15110.00E>088/036/A=001234 mobile", r);
    EXPECT_EQ(std::tuple(r.time.form, r.time.day, r.time.hour, r.time.minute, r.altitudeFeet),
              std::tuple(F::DayHourMinute, 7, 10, 15, 1234.0));
    DecodeLine("G4ABC>APRS:/101530h5213.  N/00007.  E>", r);
    EXPECT_EQ(r.time.form, F::HourMinuteSecond);
    DecodeLine("G4ABC>APRS:!/5L!!<*e7>S]S", r);
    EXPECT_TRUE(r.hasAltitude && !r.hasCourseSpeed);
    EXPECT_NEAR(r.altitudeFeet, 10004, 1);
    DecodeLine("KB7ABC-9>S32U6T,WIDE2-1:`(_fn\"Oj/]\"4-}Hello", r);  // message bits 1, 0, 0
    EXPECT_EQ(std::tuple(r.symbolCode, r.hasAltitude, r.status),
              std::tuple('j', true, "Returning"));
    // All three message digits plain: the emergency; standard and custom bits mixed: none.
    DecodeLine("KB7ABC-9>332U6T:`(_fn\"Oj/", r);
    EXPECT_EQ(r.status, "Emergency");
    DecodeLine("KB7ABC-9>A3PU6T:`(_fn\"Oj/", r);
    EXPECT_EQ(r.status, "Unknown");
    DecodeLine("G4ABC>GPS:$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A", r);
    EXPECT_EQ(std::tuple(r.time.form, r.time.year, r.time.month, r.time.day, r.time.hour,
                         r.time.minute, r.time.second),
              std::tuple(F::FullDate, 1994, 3, 23, 12, 35, 19));  // its own date
    DecodeLine("G4ABC>GPS:$GNGGA,123519,4807.038,S,01131.000,W,1,08,0.9,545.4,M,46.9,M,,*56", r);
    EXPECT_NEAR(r.altitudeFeet, 545.4 / 0.3048, 1e-6);
    const std::string outer = "}M0XYZ-9>APRS,TCPIP,G4GATE*:!5213.50N/00007.20E-PHG5132";
    DecodeLine("G4GATE>APRS,TCPIP*:" + outer, r);
    EXPECT_EQ(r.name + " " + outer.substr(r.infoStart), "M0XYZ-9 !5213.50N/00007.20E-PHG5132");
}

// Left-out digits: the middle of the box, in both directions; the datum extension refines.
TEST(Decode, AnAmbiguousPositionIsTheMiddleOfItsBoxInBothDirections) {
    Report r;
    const struct {
        const char* line;
        double latMinutes, lonMinutes;  // of 52 N and 0 W
    } cases[] = {
        {"G4ABC>APRS:!5213.50N/00007.20W-", 13.50, 7.20},
        {"G4ABC>APRS:!5213.5 N/00007.27W-", 13.55, 7.25},
        {"G4ABC>APRS:!5213.  N/00007.27W-", 13.5, 7.5},
        {"G4ABC>APRS:!5213.  N/00007.  W-", 13.5, 7.5},
        {"G4ABC>APRS:!521 .  N/00007.27W-", 15, 5},
        {"G4ABC>APRS:!52  .  N/000  .  W-", 30, 30},
        {"G4ABC>APRS:!5213.50N/00007.20W-Home !W37!", 13.503, 7.207},
        {"G4ABC>APRS:!5213.50N/00007.20W-!w\"Z!", 13.50 + 0.01 / 91, 7.20 + 0.57 / 91},
        {"G4ABC>APRS:!5213.50N/00007.20W-!W  !", 13.50, 7.20},
        {"G4ABC>APRS:!5213.  N/00007.  W-!W37!", 13.5, 7.5},
        // Mic-E: the last two latitude digits left out, west and north kept.
        {"G4ABC>S32ULZ:`(_fn\"Oj/", 25.5 - 27 * 60 + 60 * 33 - 60 * 52 + 27 * 60, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_EQ(DecodeLine(c.line, r), Outcome::Decoded);
        if (std::string(c.line).find("S32ULZ") != std::string::npos) {
            EXPECT_NEAR(r.latitude, 33 + 25.5 / 60, 1e-9);
            EXPECT_NEAR(r.longitude, -(12 + 7.5 / 60), 1e-9);
            continue;
        }
        EXPECT_NEAR(r.latitude, 52 + c.latMinutes / 60, 1e-9);
        EXPECT_NEAR(r.longitude, -(c.lonMinutes / 60), 1e-9);
    }
}

// Damaged Mic-E: every byte outside what the protocol allows rejects the packet.
TEST(Decode, DamagedMicEIsRejectedNotGuessed) {
    Report r;
    const std::string dest = "S32U6T", info = "`(_fn\"Oj/";
    ASSERT_EQ(DecodeLine("KB7ABC>" + dest + ":" + info, r), Outcome::Decoded);
    const auto with = [&](std::size_t at, char c) {
        std::string i = info;
        i[at] = c;
        return "KB7ABC>" + dest + ":" + i;
    };
    const auto to = [&](std::size_t at, char c) {
        std::string d = dest;
        d[at] = c;
        return "KB7ABC>" + d + ":" + info;
    };
    for (const std::string& bad : {
             with(1, '%'),                      // longitude degrees below 38
             with(2, '%'),                      // minutes below 38
             with(2, 'b'),                      // minutes above 97
             with(3, '\x1b'),                   // hundredths below 28
             with(4, static_cast<char>(0x80)),  // speed beyond the range
             to(2, 'Z'),                        // a left-out digit before digits
             to(0, 'Z'),                        // the degrees left out
             to(4, 'K'),                        // a custom letter where only flags go
             to(5, 'A'), to(1, 'M'),            // no Mic-E letter at all
         }) {
        EXPECT_EQ(DecodeLine(bad, r), Outcome::Malformed) << bad;
    }
}

// Objects, items and status reports; a name beyond ASCII is nine characters,
// offered as the host's string (Windows-1252 read as such), the comment's start in bytes.
TEST(Decode, ObjectsItemsAndStatus) {
    using K = Report::Kind;
    for (const auto& [line, kind, name, commentStart] : {
             std::tuple{"G4ABC>APRS:;REPEATER *071200z5210.00N/00010.00Er145.625MHz T077",
                        K::Object, "REPEATER", 38},
             {"G4ABC>APRS:;REPEATER _071200z5210.00N/00010.00Er", K::KilledObject, "REPEATER", 0},
             {"G4ABC>APRS:)AID #2!4903.50N/07201.75WA", K::Item, "AID #2", 0},
             {"G4ABC>APRS:>071200zEMERGENCY ", K::Status, "G4ABC", 0},
             {"G4ABC>APRS:;Caf\xC3\xA9     *071200z5210.00N/00010.00Er PHG5132", K::Object,
              "Caf\xC3\xA9", 39},
             {"G4ABC>APRS:)Caf\xC3\xA9!4903.50N/07201.75WA", K::Item, "Caf\xC3\xA9", 0},
             {"G4ABC>APRS:;Bar\xE9     *071200z5210.00N/00010.00Er", K::Object, "Bar\xC3\xA9", 0},
             // A time stamp with day 00 (a tracker without a fix): the position stands.
             {"G4ABC>APRS:;REPEATER *000000z5210.00N/00010.00Er", K::Object, "REPEATER", 0},
         }) {
        Report r;
        ASSERT_EQ(DecodeLine(line, r), Outcome::Decoded) << line;
        EXPECT_EQ(std::tuple(r.kind, r.name, r.hasPosition),
                  std::tuple(kind, name, kind != K::Status))
            << line;
        EXPECT_EQ(commentStart ? r.commentStart : 0, commentStart) << line;
    }
    Report r;
    DecodeLine("G4ABC>APRS:>071200zEMERGENCY ", r);
    EXPECT_EQ(r.status, "EMERGENCY");
    ASSERT_EQ(DecodeLine("G4ABC>APRS:@000000z5213.50N/00007.20E-", r), Outcome::Decoded);
    EXPECT_EQ(r.time.form, PacketTime::Form::None);
    EXPECT_TRUE(r.hasPosition);
    // Beyond the BMP: two units.
    EXPECT_EQ(OfferedLength("\xF0\x9F\x93\xA1!"), 3u);
}

TEST(Decode, OtherPacketsAreNotStationsAndBrokenOnesAreMalformed) {
    Report r;
    for (const char* other :
         {"G4ABC>APRS::G4XYZ    :hello{1", "G4ABC>APRS:T#005,199,000,255,073,123,01101001",
          "G4ABC>GPS:$GPGSV,3,1,11,03,03,111,00"})
        EXPECT_EQ(DecodeLine(other, r), Outcome::NotStation) << other;
    const std::string longText = "G4ABC>APRS:" + std::string(40, 'x') + "!5213.50N/00007.20E#";
    for (const char* bad : {
             "G4ABC>APRS:!5213.50N/00007.20",    // cut short
             "G4ABC>APRS:!5213.50X/00007.20E-",  // no hemisphere
             "G4ABC>APRS:!9513.50N/00007.20E-",  // beyond the pole
             "G4ABC>APRS:!5275.50N/00007.20E-",  // 75 minutes
             "G4ABC>APRS:@99zz99z5213.50N/00007.20E-",
             "G4ABC>APRS:!/5L!",                   // compressed, cut short
             "G4ABC>APRS:;SHORT*",                 // object without body
             "G4ABC>APRS:)X!5213.50N/00007.20E-",  // item name too short
             "G4ABC>APRS:~what",
             // A blank before a digit or in the degrees; the longitude's blanks not the latitude's.
             "G4ABC>APRS:!5213. 0N/00007.20W-",
             "G4ABC>APRS:!5 13.00N/00007.20W-",
             "G4ABC>APRS:!5213.00N/00007. 0W-",
             "G4ABC>APRS:!5213.00N/0 007.00W-",
             "G4ABC>APRS:!5213.50N/00007.  W-",
             "SRC>APRS,TCPIP*,qAC,T2POLAND:;SPBLTZ   *010020z5210.  N/021  .  E? x",
             "KB7ABC-9>S32:`(_fn\"Oj/",  // Mic-E destination short or not Mic-E
             "KB7ABC-9>S3!U6T:`(_fn\"Oj/",
             longText.c_str(),  // the position after more than 39 characters
             // NMEA with a bad checksum or without a fix
             "G4ABC>GPS:$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6B",
             "G4ABC>GPS:$GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W",
             "G4ABC>GPS:$GPGGA,123519,4807.038,N,01131.000,E,0,00,,,M,,M,,",
             "G4ABC>GPS:$GPGLL,4916.45,X,12311.12,W,225444,A",
             "G4GATE>APRS:}broken",  // a broken third party, one nested too deep
             "G4GATE>APRS:}A>B:}C>D:}E>F:!5213.50N/00007.20E-",
         }) {
        EXPECT_EQ(DecodeLine(bad, r), Outcome::Malformed) << bad;
    }
}

}  // namespace
}  // namespace bb::hostapp::aprs
