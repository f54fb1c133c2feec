// The numeric and text rules the program's fields follow: 16- and 32-bit
// values are checked (a value that does not fit raises error 6, it never
// wraps), numbers are read by their leading digits, and text positions are
// 1-based where the program's rules count them that way.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

#include "support/error_trap.h"

namespace bb {

// Narrows an integer to a checked field type; error 6 when it does not fit.
template <class To, class From>
constexpr To Checked(From value) {
    static_assert(std::is_integral_v<To> && std::is_integral_v<From>);
    if (!std::in_range<To>(value)) Raise(err::kOverflow, "value does not fit its field");
    return static_cast<To>(value);
}

// Sum and difference of two checked fields.
template <class T>
constexpr T CheckedAdd(T a, T b) {
    return Checked<T>(static_cast<std::int64_t>(a) + static_cast<std::int64_t>(b));
}
template <class T>
constexpr T CheckedSub(T a, T b) {
    return Checked<T>(static_cast<std::int64_t>(a) - static_cast<std::int64_t>(b));
}

// Rounds to the nearest whole number, a half to the even neighbour, then
// checks the range: CInt for 16 bits, CLng for 32 bits.
double RoundHalfEven(double value);
std::int16_t CInt(double value);
std::int32_t CLng(double value);

// Converts to single precision; error 6 when the value is beyond its range.
float CSng(double value);

// The leading number of a text: blanks, tabs and line feeds are skipped, an
// optional sign, digits with "." as the decimal point, an optional exponent,
// and the &H / &O prefixes; text that does not begin with a number is 0.
double Val(std::string_view text);

// Plain decimal text of a double with as many digits as it needs (1000 gives
// "1000", two and a half "2.5"), as the program writes numbers to its files.
std::string NumberText(double value);

// 1-based search: the position of `what` in `text` at or after `start`, 0 when
// absent (InStr).
std::size_t InStr(std::size_t start, std::string_view text, std::string_view what);
// 1-based substring, shortened where the text ends (Mid).
std::string_view Mid(std::string_view text, std::size_t start,
                     std::size_t length = std::string_view::npos);

std::string UCase(std::string_view text);
// Removes leading and trailing blanks (spaces only, as Trim does).
std::string_view Trim(std::string_view text);

}  // namespace bb
