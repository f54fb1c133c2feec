#include "stations/comment_decoder.h"

#include <charconv>
#include <cmath>
#include <string>

#include "support/vbtypes.h"

namespace bb {
namespace {

constexpr const char* kDirectivity[] = {"Omni", "NE", "E", "SE", "S", "SW", "W", "NW", "N"};

void DecodeGroup(StationRecord& record, std::string_view comment) {
    if (std::size_t p = InStr(1, comment, "PHGR"); p != 0) {
        // Only the first group counts, and a failed PHGR means no PHG at all.
        std::string_view candidates = Mid(comment, p + 4, 5);
        if (candidates.size() >= 4 && IsAllDigits(candidates)) DecodePHG(record, candidates);
        return;
    }
    if (std::size_t p = InStr(1, comment, "PHG"); p != 0) {
        std::string_view candidates = Mid(comment, p + 3, 4);
        if (candidates.size() == 4 && IsAllDigits(candidates)) DecodePHG(record, candidates);
    }
}

// The frequency written before "MHz" at 1-based position m, read backwards
// over at most nine characters; empty when no digit stands there.
std::string FrequencyBefore(std::string_view comment, std::size_t m) {
    std::string fraction, integer;  // collected right to left
    bool stopSeen = false;
    const std::size_t lowest = m > 9 ? m - 9 : 1;
    for (std::size_t pos = m - 1; pos >= lowest && pos >= 1; --pos) {
        const char c = comment[pos - 1];
        if (c == '.') {
            if (stopSeen) break;  // a second full stop ends the number
            stopSeen = true;
            if (fraction.size() == 3) {
                // Fill in the last digit of a 12.5 kHz channel: 146.612 is 146.6125.
                const std::string lastTwo{fraction[1], fraction[0]};
                if (lastTwo == "12" || lastTwo == "37" || lastTwo == "62" || lastTwo == "87")
                    fraction.insert(fraction.begin(), '5');
            }
        } else if (c >= '0' && c <= '9') {
            (stopSeen ? integer : fraction).push_back(c);
        } else {
            break;
        }
        if (pos == 1) break;
    }
    if (fraction.empty() && integer.empty()) return {};
    if (!stopSeen) {
        // Digits with no full stop ("145MHz") are whole megahertz.
        std::swap(fraction, integer);
    }
    std::string intDigits(integer.rbegin(), integer.rend());
    std::string fracDigits(fraction.rbegin(), fraction.rend());
    const std::size_t nonZero = intDigits.find_first_not_of('0');
    intDigits = nonZero == std::string::npos ? "0" : intDigits.substr(nonZero);
    if (fracDigits.empty()) fracDigits = "0";
    return intDigits + "." + fracDigits;
}

}  // namespace

bool IsAllDigits(std::string_view text) {
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

double ToneFromNumber(double number) {
    for (double tone : ToneTable) {
        if (std::trunc(tone) == number) return tone;
    }
    return 0;
}

void DecodePHG(StationRecord& record, std::string_view digits) {
    auto digit = [&](std::size_t i) { return static_cast<std::int16_t>(digits[i] - '0'); };
    record.HasPHG = true;
    const std::int16_t p = digit(0);
    record.PHG.Power = static_cast<std::int16_t>(p * p);
    record.PHG.Height = 10.0 * static_cast<double>(1 << digit(1));
    const std::int16_t g = digit(2);
    record.PHG.Gain = g;
    const std::int16_t d = digit(3);
    if (d <= 8) record.PHG.Directivity = kDirectivity[d];
    record.PHG.DirectivityCode = d;
    if (digits.size() >= 5) {
        record.PHG.Rate = digit(4);
        record.HasPHGRate = true;
    }
    record.PHG.Range =
        std::sqrt(2.0 * record.PHG.Height *
                  std::sqrt((record.PHG.Power / 10.0) * std::pow(10.0, g / 10.0) / 2.0));
}

void ParseComment(StationRecord& record, std::string_view comment) {
    DecodeGroup(record, comment);

    const std::size_t m = InStr(5, comment, "MHz");
    if (m == 0) return;
    std::string frequency = FrequencyBefore(comment, m);
    // "145.625 MHz": no number stands right before the unit, so there is no
    // frequency to show or to tune to.
    if (frequency.empty()) return;
    record.HasQSY = true;
    record.QSY.Frequency = std::move(frequency);

    if (UCase(Mid(comment, m + 3, 2)) == " T") {
        // "Toff", or a number that names no tone, leaves the tone at none.
        record.QSY.Tone = ToneFromNumber(Val(Mid(comment, m + 5, 3)));
    }
}

}  // namespace bb
