// Position texts: degrees and minutes for each coordinate, and the
// eight-character Maidenhead locator.
#pragma once

#include <string>

namespace bb {

// "52.30.00N" / "004.53.20E" from minutes of arc. The coordinate is taken by
// reference and changed (it ends as its absolute value), so callers pass a copy.
void FormatCoordinate(float& value, std::string& text, bool isLongitude);

// The eight-character locator ("JO22KM60") of a position in degrees; 6 or 10
// characters for those lengths. Positions are not clamped: longitude 180
// gives field letter S. Error 5 for a position whose field lies beyond the
// letters, 6 for one that is not a number.
void LocatorFromPosition(double longitude, double latitude, std::string& locator, int length = 8);

}  // namespace bb
