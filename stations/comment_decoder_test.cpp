#include "stations/comment_decoder.h"

#include <gtest/gtest.h>

namespace bb {
namespace {

StationRecord Decoded(std::string_view comment) {
    StationRecord r;
    ParseComment(r, comment);
    return r;
}

TEST(DecodePHG, FourAndFiveDigitGroups) {
    StationRecord r = Decoded("Digi PHG5132 on the hill");
    EXPECT_TRUE(r.HasPHG);
    EXPECT_FALSE(r.HasPHGRate);
    EXPECT_EQ(r.PHG.Power, 25);
    EXPECT_EQ(r.PHG.Height, 20.0);
    EXPECT_EQ(r.PHG.Gain, 3);
    EXPECT_EQ(r.PHG.DirectivityCode, 2);
    EXPECT_EQ(r.PHG.Directivity, "E");
    EXPECT_NEAR(r.PHG.Range, 7.948, 0.0005);

    r = Decoded("PHGR51326");
    EXPECT_TRUE(r.HasPHG);
    EXPECT_TRUE(r.HasPHGRate);
    EXPECT_EQ(r.PHG.Rate, 6);
    EXPECT_EQ(r.PHG.Power, 25);

    r = Decoded("PHG9900");  // 81 W, 5120 ft
    EXPECT_EQ(r.PHG.Power, 81);
    EXPECT_EQ(r.PHG.Height, 5120.0);
    EXPECT_EQ(r.PHG.Directivity, "Omni");
    EXPECT_NEAR(r.PHG.Range, 143.553, 0.0005);
}

TEST(DecodePHG, DirectivityDigitsAndNine) {
    const char* expected[] = {"Omni", "NE", "E", "SE", "S", "SW", "W", "NW", "N"};
    for (int d = 0; d <= 8; ++d) {
        StationRecord r = Decoded(std::string("PHG111") + static_cast<char>('0' + d));
        EXPECT_EQ(r.PHG.Directivity, expected[d]);
        EXPECT_EQ(r.PHG.DirectivityCode, d);
    }
    StationRecord r;
    r.PHG.Directivity = "before";
    ParseComment(r, "PHG1119");
    EXPECT_EQ(r.PHG.Directivity, "before");  // 9 keeps what was there
    EXPECT_EQ(r.PHG.DirectivityCode, 9);
    EXPECT_EQ(Decoded("PHG1119").PHG.Directivity, "");
}

TEST(DecodePHG, GroupsThatAreNotGroups) {
    // Only the first group counts; a failed PHGR hides a valid PHG after it.
    EXPECT_FALSE(Decoded("PHGR5A326 PHG5132").HasPHG);
    EXPECT_FALSE(Decoded("PHG51x2 PHG5132").HasPHG);
    EXPECT_FALSE(Decoded("at the end PHG513").HasPHG);
    EXPECT_FALSE(Decoded("phg5132").HasPHG);
    EXPECT_FALSE(Decoded("PHGR5132 ").HasPHG);  // the blank is the fifth candidate
    StationRecord r = Decoded("x PHGR5132");    // the comment ends: four digits, no rate
    EXPECT_TRUE(r.HasPHG);
    EXPECT_FALSE(r.HasPHGRate);
    EXPECT_EQ(r.PHG.DirectivityCode, 2);
    EXPECT_FALSE(Decoded("PHGR513").HasPHG);
    EXPECT_FALSE(Decoded("PHG").HasPHG);
}

TEST(ParseComment, FrequenciesBeforeMHz) {
    struct Case {
        const char* comment;
        const char* frequency;
    };
    for (const Case& c :
         {Case{"QSY 145.625MHz", "145.625"}, Case{"QSY 145.025MHz", "145.025"},
          Case{"Rpt 438.612MHz", "438.6125"}, Case{"Rpt 146.612MHz", "146.6125"},
          Case{"Rpt 438.087MHz", "438.0875"}, Case{"Rpt 145.737MHz", "145.7375"},
          Case{"Rpt 145.600MHz", "145.600"}, Case{"Rpt 145.61MHz", "145.61"},
          Case{"Rpt 0145.50MHz", "145.50"}, Case{"Rpt x.625MHz", "0.625"},
          Case{"Rpt 145.MHz", "145.0"}, Case{"freq 1296.125MHz", "1296.125"},
          // nine characters at most: the 1 of 10368 is out of reach
          Case{"up 10368.1000MHz", "368.1000"},
          // digits alone are whole megahertz, a second stop ends the number
          Case{"Rpt 145MHz", "145.0"}, Case{"Rpt 1.145.625MHz", "145.625"},
          // one blank before the unit, as the format writes it
          Case{"QRV on 145.550 MHz", "145.550"}, Case{"QSY 146.612 MHz", "146.6125"}}) {
        StationRecord r = Decoded(c.comment);
        EXPECT_TRUE(r.HasQSY) << c.comment;
        EXPECT_EQ(r.QSY.Frequency, c.frequency) << c.comment;
        EXPECT_EQ(r.QSY.Tone, 0.0) << c.comment;
    }
}

TEST(ParseComment, NoFrequency) {
    // "MHz" in the first four characters is not seen.
    EXPECT_FALSE(Decoded("1MHz and more").HasQSY);
    EXPECT_FALSE(Decoded("145.625 mhz").HasQSY);
    // No number right before the unit, or two blanks: nothing to tune to.
    StationRecord r = Decoded("QSY 145.625  MHz T088");
    EXPECT_FALSE(r.HasQSY);
    EXPECT_EQ(r.QSY.Frequency, "");
    EXPECT_EQ(r.QSY.Tone, 0.0);
    EXPECT_FALSE(Decoded("QSY x MHz").HasQSY);
    EXPECT_FALSE(Decoded("xxxxMHz").HasQSY);
}

TEST(ParseComment, Tones) {
    EXPECT_EQ(Decoded("Rpt 145.625MHz T088").QSY.Tone, 88.5);
    EXPECT_EQ(Decoded("Rpt 145.625MHz t067").QSY.Tone, 67.0);
    EXPECT_EQ(Decoded("Rpt 145.625MHz T254").QSY.Tone, 254.1);
    EXPECT_EQ(Decoded("Rpt 145.625MHz T250 rest").QSY.Tone, 250.3);
    EXPECT_EQ(Decoded("Rpt 145.625MHz T100").QSY.Tone, 100.0);
    EXPECT_EQ(Decoded("Rpt 145.625MHzT088").QSY.Tone, 0.0);  // no blank
    EXPECT_EQ(Decoded("Rpt 145.625MHz C088").QSY.Tone, 0.0);
    // "Toff" is no tone, and a number that names none is no tone either.
    EXPECT_EQ(Decoded("Rpt 145.625MHz Toff").QSY.Tone, 0.0);
    EXPECT_EQ(Decoded("Rpt 145.625MHz T099").QSY.Tone, 0.0);
    EXPECT_EQ(Decoded("Rpt 145.625MHz T").QSY.Tone, 0.0);
    // Every entry is reachable by its whole hertz.
    for (double tone : ToneTable) {
        char text[40];
        std::snprintf(text, sizeof text, "Rpt 145.625MHz T%03d", static_cast<int>(tone));
        EXPECT_EQ(Decoded(text).QSY.Tone, tone) << text;
    }
}

TEST(ParseComment, RadioSetupAfterTheFrequency) {
    struct Case {
        const char* comment;
        double tone;  // the Tone column's
        const char* setup;
    };
    for (const Case& c :
         {// from the sample feed
          Case{"146.940MHz T100 -060 Repeater", 100.0, "T 100.0 Hz, \u2212600 kHz"},
          Case{"433.150MHz T110 +016 Repeater", 110.9, "T 110.9 Hz, +160 kHz"},
          Case{"QRV on 433.500 MHz /A=000728", 0, "no tone, no offset"},
          Case{"Mobile QRV 145.500MHz", 0, "no tone, no offset"},
          // every field, in any order, up to the first text that is none
          Case{"438.650MHz C088 +760", 0, "TSQL 88.5 Hz, +7.6 MHz"},
          Case{"439.9875MHz D023", 0, "DCS 023, no offset"},
          Case{"Rpt 146.940MHz -060 t107 R25m club T088", 0,
               "T 107.2 Hz, \u2212600 kHz, range 25 mi"},
          Case{"Rpt 145.625MHz T088 Toff", 88.5, "no tone, no offset"},
          Case{"Rpt 145.625 MHz T088", 88.5, "T 88.5 Hz, no offset"},
          Case{"Rpt 145.625MHz C088 D754", 0, "DCS 754, no offset"},
          Case{"Rpt 433.500MHz 1750 R10k", 0, "no tone, no offset, 1750 Hz burst, range 10 km"},
          // the nearest standard tone; a bare sign is the band's standard offset
          Case{"Rpt 147.000MHz T099 +", 0, "T 100.0 Hz, +600 kHz"},
          Case{"Rpt 439.000MHz -", 0, "no tone, \u22125 MHz"},
          Case{"Rpt 10.000MHz +", 0, "no tone, +standard offset unknown"},
          Case{"Rpt 145.625MHz +000", 0, "no tone, no offset"},
          // not fields: they end the machine-readable part
          Case{"Rpt 145.625MHzT088 -060", 0, "no tone, no offset"},
          Case{"Rpt 145.625MHz T000 -060", 0, "no tone, no offset"},
          Case{"Rpt 145.625MHz D089 -060", 0, "no tone, no offset"},
          Case{"Rpt 145.625MHz -60 T088", 0, "no tone, no offset"},
          Case{"Rpt 145.625MHz T088-060", 88.5, "no tone, no offset"}}) {
        const StationRecord r = Decoded(c.comment);
        EXPECT_EQ(r.QSY.Tone, c.tone) << c.comment;
        EXPECT_EQ(DescribeRadioSetup(r.QSY.Setup, '.'), c.setup) << c.comment;
    }
    // In the user's number format.
    EXPECT_EQ(DescribeRadioSetup(Decoded("438.650MHz T088 -760").QSY.Setup, ','),
              "T 88,5 Hz, \u22127,6 MHz");
}

TEST(ParseComment, PHGAndQSYTogetherAndUntouchedFields) {
    StationRecord r = Decoded("PHG2360 145.500MHz T071 W1AW");
    EXPECT_TRUE(r.HasPHG);
    EXPECT_EQ(r.PHG.Power, 4);
    EXPECT_TRUE(r.HasQSY);
    EXPECT_EQ(r.QSY.Frequency, "145.500");
    EXPECT_EQ(r.QSY.Tone, 71.9);

    StationRecord kept;
    kept.PHG.Power = 7;
    kept.QSY.Frequency = "old";
    ParseComment(kept, "just a comment");
    EXPECT_EQ(kept.PHG.Power, 7);
    EXPECT_EQ(kept.QSY.Frequency, "old");
    EXPECT_FALSE(kept.HasPHG || kept.HasQSY);
}

TEST(IsAllDigits, Texts) {
    EXPECT_TRUE(IsAllDigits(""));
    EXPECT_TRUE(IsAllDigits("0123456789"));
    EXPECT_FALSE(IsAllDigits("12a"));
    EXPECT_FALSE(IsAllDigits(" 1"));
}

}  // namespace
}  // namespace bb
