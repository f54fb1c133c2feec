// Decodes what a beacon comment announces: the PHG group (power, height,
// gain, directivity, and in the five-digit form the beacon rate) and a QSY
// frequency in MHz with an optional CTCSS tone.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "stations/station_record.h"

namespace bb {

inline constexpr std::array<double, 49> ToneTable = {
    67.0,  69.3,  71.9,  74.4,  77.0,  79.7,  82.5,  85.4,  88.5,  91.5,  94.8,  97.4,  100.0,
    103.5, 107.2, 110.9, 114.8, 118.8, 123.0, 127.3, 131.8, 136.5, 141.3, 146.2, 151.4, 156.7,
    159.8, 162.2, 165.5, 167.9, 171.3, 173.8, 177.3, 179.9, 183.5, 186.2, 189.9, 192.8, 196.6,
    199.5, 203.5, 206.5, 210.7, 218.1, 225.7, 233.6, 241.8, 250.3, 254.1};

// Sets the PHG and QSY fields of `record` from its comment. Fields the
// comment does not reach keep their values. Never fails on any text.
void ParseComment(StationRecord& record, std::string_view comment);

// Fills the PHG fields from the group's 4 or 5 digits.
void DecodePHG(StationRecord& record, std::string_view digits);

// Every character is a digit; the empty text is all digits.
bool IsAllDigits(std::string_view text);

// The tone named by a tone number (its whole hertz); 0 when the table has none.
double ToneFromNumber(double number);

// The fields of the frequency format that follow "MHz" (`rest` starts right
// after the unit), in any order, up to the first text that is none of them.
// `frequencyMHz` gives the band for a bare "+" or "-".
RadioSetup DecodeRadioSetup(std::string_view rest, double frequencyMHz);

// The offset a bare "+" or "-" stands for on the band of `frequencyMHz`; 0
// where the band has none.
std::int32_t StandardOffsetHz(double frequencyMHz);

// What tuning sets besides the frequency, as a person reads it:
// "T 88.5 Hz, −600 kHz", "DCS 023", "no tone, no offset"; then the burst
// and the range, which the radio is not sent.
std::string DescribeRadioSetup(const RadioSetup& setup, char decimal);

}  // namespace bb
