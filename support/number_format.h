// Numbers as the windows show them: the user's decimal separator, whole
// numbers and fixed decimals with halves away from zero (formats "0",
// "0.0", "0.00").
#pragma once

#include <string>

namespace bb {

// The user's decimal separator from the locale; "." when it has none of one character.
char DecimalSeparator();
std::string WithSeparator(std::string text, char decimal);
std::string Whole(double value);
std::string FixedDecimals(double value, int places, char decimal);

}  // namespace bb
