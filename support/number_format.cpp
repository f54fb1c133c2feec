#include "support/number_format.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "support/system_api.h"

namespace bb {

char DecimalSeparator() {
    char buf[8] = {};
    sys::Locale* locale = sys::Current().locale;
    if (!locale) return '.';
    const std::uint32_t lcid = locale->GetUserDefaultLCID();
    if (locale->GetLocaleInfo(lcid, sys::kLocaleSDecimal, buf, sizeof buf) >= 2 && buf[1] == '\0')
        return buf[0];
    return '.';
}

std::string WithSeparator(std::string text, char decimal) {
    if (decimal != '.') {
        for (char& c : text) {
            if (c == '.') c = decimal;
        }
    }
    return text;
}

std::string Whole(double value) {
    return std::to_string(std::llround(value));
}

std::string FixedDecimals(double value, int places, char decimal) {
    long long scale = 1;
    for (int i = 0; i < places; ++i)
        scale *= 10;
    const long long units = std::llround(value * static_cast<double>(scale));
    const long long magnitude = std::llabs(units);
    std::string s = (units < 0 ? "-" : "") + std::to_string(magnitude / scale);
    if (places > 0) {
        std::string fraction = std::to_string(magnitude % scale);
        s += decimal;
        s += std::string(static_cast<std::size_t>(places) - fraction.size(), '0') + fraction;
    }
    return s;
}

}  // namespace bb
