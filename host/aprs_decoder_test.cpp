#include "host/aprs_decoder.h"

#include <gtest/gtest.h>

namespace bb::aprs {
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
                            "G4ABC>APRS:", ">APRS:>x", "G4ABC>AP$RS:>x", "G4ABC>APRS,WIDE,,X:>x"}) {
        EXPECT_FALSE(ParseTnc2(bad, p, why)) << bad;
    }
}

TEST(Decode, UncompressedPositionsWithAndWithoutTime) {
    Report r;
    ASSERT_EQ(DecodeLine("G4ABC>APRS:=5213.50N/00007.20W-PHG5132 Home", r), Outcome::Decoded);
    EXPECT_NEAR(r.latitude, 52 + 13.5 / 60, 1e-9);
    EXPECT_NEAR(r.longitude, -(7.2 / 60), 1e-9);
    EXPECT_EQ(r.symbolTable, '/');
    EXPECT_EQ(r.symbolCode, '-');
    EXPECT_EQ(r.commentStart, 21);  // "PHG5132 Home" starts right after the symbol
    EXPECT_FALSE(r.hasCourseSpeed);
    EXPECT_EQ(r.time.form, PacketTime::Form::None);

    ASSERT_EQ(DecodeLine("G4ABC>APRS:@071015z3330.00S\\15110.00E>088/036/A=001234 mobile", r),
              Outcome::Decoded);
    EXPECT_NEAR(r.latitude, -33.5, 1e-9);
    EXPECT_NEAR(r.longitude, 151 + 10.0 / 60, 1e-9);
    EXPECT_EQ(r.time.form, PacketTime::Form::DayHourMinute);
    EXPECT_EQ(r.time.day, 7);
    EXPECT_EQ(r.time.hour, 10);
    EXPECT_EQ(r.time.minute, 15);
    EXPECT_TRUE(r.hasCourseSpeed);
    EXPECT_EQ(r.course, 88);
    EXPECT_EQ(r.speedKnots, 36);
    EXPECT_TRUE(r.hasAltitude);
    EXPECT_EQ(r.altitudeFeet, 1234);
    EXPECT_EQ(r.commentStart, 28);

    ASSERT_EQ(DecodeLine("G4ABC>APRS:/101530h5213.  N/00007.  E>", r), Outcome::Decoded);
    EXPECT_EQ(r.time.form, PacketTime::Form::HourMinuteSecond);
    EXPECT_NEAR(r.latitude, 52 + 13.0 / 60, 1e-9);  // ambiguity blanks read as zero
}

TEST(Decode, CompressedPositionWithCourseSpeedOrAltitude) {
    Report r;
    // The worked example of the APRS protocol: 49.5 N 72.75 W, course 88, speed 36.2 knots.
    ASSERT_EQ(DecodeLine("G4ABC>APRS:!/5L!!<*e7>7P[", r), Outcome::Decoded);
    EXPECT_NEAR(r.latitude, 49.5, 1e-4);
    EXPECT_NEAR(r.longitude, -72.75, 1e-4);
    EXPECT_EQ(r.symbolCode, '>');
    EXPECT_TRUE(r.hasCourseSpeed);
    EXPECT_EQ(r.course, 88);
    EXPECT_NEAR(r.speedKnots, 36.2, 0.1);
    EXPECT_EQ(r.commentStart, 15);
    ASSERT_EQ(DecodeLine("G4ABC>APRS:!/5L!!<*e7>S]S", r), Outcome::Decoded);
    EXPECT_TRUE(r.hasAltitude);
    EXPECT_NEAR(r.altitudeFeet, 10004, 1);
    EXPECT_FALSE(r.hasCourseSpeed);
}

TEST(Decode, MicEPositionMessageAndEmergency) {
    Report r;
    // As Direwolf's decode_aprs reads it: N 33 25.64, W 012 07.74, 20 knots, course 251.
    ASSERT_EQ(DecodeLine("KB7ABC-9>S32U6T,WIDE2-1:`(_fn\"Oj/]\"4-}Hello", r), Outcome::Decoded);
    EXPECT_NEAR(r.latitude, 33 + 25.64 / 60, 1e-6);
    EXPECT_NEAR(r.longitude, -(12 + 7.74 / 60), 1e-6);
    EXPECT_EQ(r.symbolCode, 'j');
    EXPECT_EQ(r.symbolTable, '/');
    EXPECT_EQ(r.speedKnots, 20);
    EXPECT_EQ(r.course, 251);
    EXPECT_EQ(r.commentStart, 10);
    EXPECT_TRUE(r.hasAltitude);
    EXPECT_EQ(r.status, "Returning");  // message bits 1, 0, 0
    // All three message digits plain: the emergency code.
    ASSERT_EQ(DecodeLine("KB7ABC-9>332U6T:`(_fn\"Oj/", r), Outcome::Decoded);
    EXPECT_EQ(r.status, "Emergency");
    EXPECT_EQ(DecodeLine("KB7ABC-9>S32:`(_fn\"Oj/", r), Outcome::Malformed);
    EXPECT_EQ(DecodeLine("KB7ABC-9>S3!U6T:`(_fn\"Oj/", r), Outcome::Malformed);
}

TEST(Decode, ObjectsItemsAndStatus) {
    Report r;
    ASSERT_EQ(DecodeLine("G4ABC>APRS:;REPEATER *071200z5210.00N/00010.00Er145.625MHz T077", r),
              Outcome::Decoded);
    EXPECT_EQ(r.kind, Report::Kind::Object);
    EXPECT_EQ(r.name, "REPEATER");
    EXPECT_EQ(r.commentStart, 38);
    ASSERT_EQ(DecodeLine("G4ABC>APRS:;REPEATER _071200z5210.00N/00010.00Er", r), Outcome::Decoded);
    EXPECT_EQ(r.kind, Report::Kind::KilledObject);
    ASSERT_EQ(DecodeLine("G4ABC>APRS:)AID #2!4903.50N/07201.75WA", r), Outcome::Decoded);
    EXPECT_EQ(r.kind, Report::Kind::Item);
    EXPECT_EQ(r.name, "AID #2");
    ASSERT_EQ(DecodeLine("G4ABC>APRS:>071200zEMERGENCY ", r), Outcome::Decoded);
    EXPECT_EQ(r.kind, Report::Kind::Status);
    EXPECT_FALSE(r.hasPosition);
    EXPECT_EQ(r.status, "EMERGENCY");
}

TEST(Decode, OtherPacketsAreNotStationsAndBrokenOnesAreMalformed) {
    Report r;
    EXPECT_EQ(DecodeLine("G4ABC>APRS::G4XYZ    :hello{1", r), Outcome::NotStation);
    EXPECT_EQ(DecodeLine("G4ABC>APRS:T#005,199,000,255,073,123,01101001", r), Outcome::NotStation);
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
         }) {
        EXPECT_EQ(DecodeLine(bad, r), Outcome::Malformed) << bad;
    }
}

TEST(Decode, NoInputCrashesTheDecoder) {
    // Every prefix of valid packets of each kind, and every byte in each place.
    const std::string samples[] = {
        "G4ABC>APRS:@071015z3330.00S\\15110.00E>088/036/A=001234",
        "G4ABC>APRS:!/5L!!<*e7>7P[",
        "KB7ABC-9>S32U6T:`(_fn\"Oj/]\"4-}",
        "G4ABC>APRS:;REPEATER *071200z5210.00N/00010.00Er",
    };
    Report r;
    for (const std::string& s : samples) {
        for (std::size_t n = 0; n <= s.size(); ++n)
            DecodeLine(s.substr(0, n), r);
        for (std::size_t i = 0; i < s.size(); ++i) {
            for (int b = 0; b < 256; b += 7) {
                std::string m = s;
                m[i] = static_cast<char>(b);
                DecodeLine(m, r);
            }
        }
    }
    SUCCEED();
}

}  // namespace
}  // namespace bb::aprs
