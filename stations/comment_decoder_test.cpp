#include "stations/comment_decoder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace bb {
namespace {

StationRecord Decoded(std::string_view comment) {
    StationRecord r;
    ParseComment(r, comment);
    return r;
}

// The group as the details window reads it: power, height, gain, directivity
// code and name, and the rate of the five-digit form.
std::string Phg(std::string_view comment) {
    const StationRecord r = Decoded(comment);
    if (!r.HasPHG) return "none";
    std::ostringstream o;
    o << r.PHG->Power << "W " << r.PHG->Height << "ft " << r.PHG->Gain << "dB "
      << r.PHG->DirectivityCode << ' ' << r.PHG->Directivity;
    if (r.HasPHGRate) o << " R" << r.PHG->Rate;
    return o.str();
}

TEST(DecodePHG, GroupsAndWhatIsNoGroup) {
    for (const auto& [comment, phg] : {
             std::pair{"Digi PHG5132 on the hill", "25W 20ft 3dB 2 E"},
             {"PHGR51326", "25W 20ft 3dB 2 E R6"},
             {"PHG9900", "81W 5120ft 0dB 0 Omni"},
             {"PHG1119", "1W 20ft 1dB 9 "},       // 9 names no direction
             {"x PHGR5132", "25W 20ft 3dB 2 E"},  // the comment ends: four digits, no rate
             // Only the first group counts; a failed PHGR hides a valid PHG after it.
             {"PHGR5A326 PHG5132", "none"},
             {"PHG51x2 PHG5132", "none"},
             {"at the end PHG513", "none"},
             {"phg5132", "none"},
             {"PHGR5132 ", "none"},  // the blank is the fifth candidate
             {"PHGR513", "none"},
             {"PHG", "none"},
         })
        EXPECT_EQ(Phg(comment), phg) << comment;
    EXPECT_NEAR(Decoded("PHG5132").PHG->Range, 7.948, 0.0005);
    EXPECT_NEAR(Decoded("PHG9900").PHG->Range, 143.553, 0.0005);
    const char* expected[] = {"Omni", "NE", "E", "SE", "S", "SW", "W", "NW", "N"};
    for (int d = 0; d <= 8; ++d)
        EXPECT_EQ(Decoded(std::string("PHG111") + static_cast<char>('0' + d)).PHG->Directivity,
                  expected[d]);
    StationRecord r;
    r.PHG->Directivity = "before";
    ParseComment(r, "PHG1119");
    EXPECT_EQ(r.PHG->Directivity, "before");  // 9 keeps what was there
    // Fields the comment does not carry are left as they were.
    r = StationRecord{};
    r.PHG->Power = 7;
    r.QSY->Frequency = "old";
    ParseComment(r, "just a comment");
    EXPECT_EQ(std::tuple(r.PHG->Power, r.QSY->Frequency, r.HasPHG || r.HasQSY),
              std::tuple(7, std::string("old"), false));
}

// The frequency before "MHz" (none: no QSY) and the tone after it.
TEST(ParseComment, FrequenciesAndTones) {
    for (const auto& [comment, frequency, tone] : {
             std::tuple{"QSY 145.625MHz", "145.625", 0.0},
             {"QSY 145.025MHz", "145.025", 0.0},
             {"Rpt 438.612MHz", "438.6125", 0.0},
             {"Rpt 146.612MHz", "146.6125", 0.0},
             {"Rpt 438.087MHz", "438.0875", 0.0},
             {"Rpt 145.737MHz", "145.7375", 0.0},
             {"Rpt 145.600MHz", "145.600", 0.0},
             {"Rpt 145.61MHz", "145.61", 0.0},
             {"Rpt 0145.50MHz", "145.50", 0.0},
             {"Rpt x.625MHz", "0.625", 0.0},
             {"Rpt 145.MHz", "145.0", 0.0},
             {"freq 1296.125MHz", "1296.125", 0.0},
             {"up 10368.1000MHz", "368.1000", 0.0},  // nine characters at most
             // digits alone are whole megahertz, a second stop ends the number
             {"Rpt 145MHz", "145.0", 0.0},
             {"Rpt 1.145.625MHz", "145.625", 0.0},
             // one blank before the unit, as the format writes it
             {"QRV on 145.550 MHz", "145.550", 0.0},
             {"QSY 146.612 MHz", "146.6125", 0.0},
             // "MHz" in the first four characters, no number before it, two blanks
             {"1MHz and more", "", 0.0},
             {"145.625 mhz", "", 0.0},
             {"QSY 145.625  MHz T088", "", 0.0},
             {"QSY x MHz", "", 0.0},
             {"xxxxMHz", "", 0.0},
             {"Rpt 145.625MHz T088", "145.625", 88.5},
             {"Rpt 145.625MHz t067", "145.625", 67.0},
             {"Rpt 145.625MHz T254", "145.625", 254.1},
             {"Rpt 145.625MHz T250 rest", "145.625", 250.3},
             {"Rpt 145.625MHz T100", "145.625", 100.0},
             {"PHG2360 145.500MHz T071 W1AW", "145.500", 71.9},
             // no blank, another letter, "Toff", a number that names no tone
             {"Rpt 145.625MHzT088", "145.625", 0.0},
             {"Rpt 145.625MHz C088", "145.625", 0.0},
             {"Rpt 145.625MHz Toff", "145.625", 0.0},
             {"Rpt 145.625MHz T099", "145.625", 0.0},
             {"Rpt 145.625MHz T", "145.625", 0.0},
         }) {
        const StationRecord r = Decoded(comment);
        EXPECT_EQ(std::tuple(r.HasQSY, r.QSY->Frequency, r.QSY->Tone),
                  std::tuple(*frequency != 0, std::string(frequency), tone))
            << comment;
    }
    // Every entry is reachable by its whole hertz.
    for (double tone : ToneTable) {
        char text[40];
        std::snprintf(text, sizeof text, "Rpt 145.625MHz T%03d", static_cast<int>(tone));
        EXPECT_EQ(Decoded(text).QSY->Tone, tone) << text;
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
        EXPECT_EQ(r.QSY->Tone, c.tone) << c.comment;
        EXPECT_EQ(DescribeRadioSetup(r.QSY->Setup, '.'), c.setup) << c.comment;
    }
    // In the user's number format.
    EXPECT_EQ(DescribeRadioSetup(Decoded("438.650MHz T088 -760").QSY->Setup, ','),
              "T 88,5 Hz, \u22127,6 MHz");
}

}  // namespace
}  // namespace bb
