#include "stations/position.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "support/error_trap.h"
#include "support/vbtypes.h"

namespace bb {
namespace {

std::string Fixed(double value, int decimals) {
    char buf[64];
    auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc{}) Raise(err::kOverflow, "coordinate text");
    return std::string(buf, end);
}

std::string ZeroPadded(std::int64_t value, std::size_t width) {
    std::string s = std::to_string(value);
    if (s.size() < width) s.insert(0, width - s.size(), '0');
    return s;
}

// Whole part of a non-negative count of seconds of arc, checked.
std::int64_t Whole(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 9.0e15) Raise(err::kOverflow, "locator");
    return static_cast<std::int64_t>(std::trunc(value));
}

}  // namespace

void FormatCoordinate(float& value, std::string& text, bool isLongitude) {
    const std::size_t degreeDigits = isLongitude ? 3 : 2;
    const char hemisphere = isLongitude ? (value >= 0 ? 'E' : 'W') : (value >= 0 ? 'N' : 'S');
    value = std::fabs(value);
    if (!std::isfinite(value)) Raise(err::kOverflow, "coordinate");
    const std::int16_t degrees = Checked<std::int16_t>(static_cast<std::int64_t>(value / 60.0f));
    const float minutes = value - static_cast<float>(degrees) * 60.0f;
    std::string m = Fixed(minutes, 2);
    if (m.size() < 5) m.insert(0, 5 - m.size(), '0');
    text = ZeroPadded(degrees, degreeDigits) + "." + m + hemisphere;
    // The minutes' decimal point is a full stop whatever the regional settings.
    text[text.size() - 4] = '.';
}

void LocatorFromPosition(double longitude, double latitude, std::string& locator, int length) {
    static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXY";
    double l = longitude * 3600.0 + 648000.0;
    double b = latitude * 3600.0 + 324000.0;
    auto step = [](double& rest, double size) {
        const std::int64_t n = Whole(rest / size);
        rest -= static_cast<double>(n) * size;
        return n;
    };
    const std::int64_t a = step(l, 72000), bb2 = step(l, 7200), c = step(l, 300), d = step(l, 30);
    const std::int64_t e = step(b, 36000), f = step(b, 3600), g = step(b, 150), h = step(b, 15);
    auto letter = [](std::int64_t k) {
        if (k < 0 || k >= static_cast<std::int64_t>(kLetters.size()))
            Raise(err::kInvalidCall, "locator letter");
        return kLetters[static_cast<std::size_t>(k)];
    };
    auto digit = [](std::int64_t k) {
        if (k < 0 || k > 9) Raise(err::kInvalidCall, "locator digit");
        return static_cast<char>('0' + k);
    };
    std::string text;
    text += letter(a);
    text += letter(e);
    text += digit(bb2);
    text += digit(f);
    text += letter(c);
    text += letter(g);
    text += digit(d);
    text += digit(h);
    if (length >= 10) {
        // The extended subsquare: 24 letters across 30" of longitude, 15" of latitude.
        const std::int64_t i = Whole(l / 1.25), j = Whole(b / 0.625);
        text += letter(i < 24 ? i : 23);
        text += letter(j < 24 ? j : 23);
    } else if (length == 6) {
        text.resize(6);
    }
    locator = std::move(text);
}

}  // namespace bb
