#include "stations/comment_decoder.h"

#include <charconv>
#include <cmath>
#include <string>

#include "support/number_format.h"
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
    std::string wholeDigits(integer.rbegin(), integer.rend());
    std::string fracDigits(fraction.rbegin(), fraction.rend());
    const std::size_t nonZero = wholeDigits.find_first_not_of('0');
    wholeDigits = nonZero == std::string::npos ? "0" : wholeDigits.substr(nonZero);
    if (fracDigits.empty()) fracDigits = "0";
    return wholeDigits + "." + fracDigits;
}

bool IsLetter(char c, char upper) {
    return c == upper || c == upper - 'A' + 'a';
}

// Three digits, as a number; -1 when they are not three digits.
int ThreeDigits(std::string_view s) {
    if (s.size() != 3 || !IsAllDigits(s)) return -1;
    return (s[0] - '0') * 100 + (s[1] - '0') * 10 + (s[2] - '0');
}

// The standard tone nearest to a tone number ("T107" is 107.2 Hz); 0 when
// none lies within a few hertz of it.
double NearestTone(int number) {
    double best = 0;
    for (double tone : ToneTable)
        if (best == 0 || std::fabs(tone - number) < std::fabs(best - number)) best = tone;
    return std::fabs(best - number) <= 3 ? best : 0;
}

// One field of the format; false when the word is none, which ends them.
bool DecodeField(std::string_view w, double frequencyMHz, RadioSetup& s) {
    using Mode = RadioSetup::ToneMode;
    if (w.size() == 4 && IsLetter(w[0], 'T') && UCase(w.substr(1)) == "OFF") {
        s.Mode = Mode::None;
        s.ToneHz = 0;
        s.DcsCode = 0;
        return true;
    }
    if (w == "1750") {
        s.Burst1750 = true;
        return true;
    }
    if (w.size() == 4 && (IsLetter(w[0], 'T') || IsLetter(w[0], 'C'))) {
        const double tone = NearestTone(ThreeDigits(w.substr(1)));
        if (tone == 0) return false;
        s.Mode = IsLetter(w[0], 'T') ? Mode::Tone : Mode::ToneSquelch;
        s.ToneHz = tone;
        s.DcsCode = 0;
        return true;
    }
    if (w.size() == 4 && IsLetter(w[0], 'D')) {
        const int code = ThreeDigits(w.substr(1));
        // DCS codes are written in octal.
        if (code <= 0 || w.substr(1).find_first_of("89") != std::string_view::npos) return false;
        s.Mode = Mode::Dcs;
        s.DcsCode = static_cast<std::int16_t>(code);
        s.ToneHz = 0;
        return true;
    }
    if (!w.empty() && (w[0] == '+' || w[0] == '-')) {
        const std::int8_t sign = w[0] == '+' ? 1 : -1;
        if (w.size() == 1) {
            s.Shift = sign;
            s.OffsetHz = StandardOffsetHz(frequencyMHz);
            return true;
        }
        const int tens = ThreeDigits(w.substr(1));
        if (tens < 0) return false;
        // "+000" is no offset at all.
        s.Shift = tens == 0 ? std::int8_t{0} : sign;
        s.OffsetHz = tens * 10000;
        return true;
    }
    if ((w.size() == 4 || w.size() == 5) && IsLetter(w[0], 'R') &&
        (w.back() == 'm' || w.back() == 'k') && IsAllDigits(w.substr(1, w.size() - 2))) {
        s.Range = static_cast<std::int16_t>(Val(w.substr(1, w.size() - 2)));
        s.RangeUnit = w.back();
        return true;
    }
    return false;
}

std::string OffsetText(std::int32_t hz, char decimal) {
    if (hz < 1000000) return std::to_string(hz / 1000) + " kHz";
    std::string mhz = FixedDecimals(hz / 1e6, 3, decimal);
    while (mhz.back() == '0')
        mhz.pop_back();
    if (mhz.back() == decimal) mhz.pop_back();
    return mhz + " MHz";
}

}  // namespace

std::int32_t StandardOffsetHz(double f) {
    struct Band {
        double low, high;
        std::int32_t offset;
    };
    // The common repeater splits of each band.
    static constexpr Band kBands[] = {{28.0, 29.7, 100000},      {50.0, 54.0, 500000},
                                      {144.0, 148.0, 600000},    {222.0, 225.0, 1600000},
                                      {420.0, 450.0, 5000000},   {902.0, 928.0, 25000000},
                                      {1240.0, 1300.0, 12000000}};
    for (const Band& b : kBands)
        if (f >= b.low && f <= b.high) return b.offset;
    return 0;
}

RadioSetup DecodeRadioSetup(std::string_view rest, double frequencyMHz) {
    RadioSetup s;
    // "MHzT088": the fields stand apart from the unit, or there are none.
    if (!rest.empty() && rest[0] != ' ') return s;
    std::size_t i = 0;
    while (i < rest.size()) {
        if (rest[i] == ' ') {
            ++i;
            continue;
        }
        std::size_t end = rest.find(' ', i);
        if (end == std::string_view::npos) end = rest.size();
        if (!DecodeField(rest.substr(i, end - i), frequencyMHz, s)) break;
        i = end;
    }
    return s;
}

std::string DescribeRadioSetup(const RadioSetup& s, char decimal) {
    using Mode = RadioSetup::ToneMode;
    const std::string tone = FixedDecimals(s.ToneHz, 1, decimal) + " Hz";
    std::string text;
    switch (s.Mode) {
        case Mode::None:
            text = "no tone";
            break;
        case Mode::Tone:
            text = "T " + tone;
            break;
        case Mode::ToneSquelch:
            text = "TSQL " + tone;
            break;
        case Mode::Dcs: {
            std::string code = std::to_string(s.DcsCode);
            text = "DCS " + std::string(3 - std::min<std::size_t>(3, code.size()), '0') + code;
            break;
        }
    }
    if (s.Shift == 0)
        text += ", no offset";
    else
        text += (s.Shift > 0 ? ", +" : ", \u2212") +
                (s.OffsetHz > 0 ? OffsetText(s.OffsetHz, decimal) : "standard offset unknown");
    if (s.Burst1750) text += ", 1750 Hz burst";
    if (s.Range > 0)
        text += ", range " + std::to_string(s.Range) + (s.RangeUnit == 'k' ? " km" : " mi");
    return text;
}

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
    record.PHG->Power = static_cast<std::int16_t>(p * p);
    record.PHG->Height = 10.0 * static_cast<double>(1 << digit(1));
    const std::int16_t g = digit(2);
    record.PHG->Gain = g;
    const std::int16_t d = digit(3);
    if (d <= 8) record.PHG->Directivity = kDirectivity[d];
    record.PHG->DirectivityCode = d;
    if (digits.size() >= 5) {
        record.PHG->Rate = digit(4);
        record.HasPHGRate = true;
    }
    record.PHG->Range =
        std::sqrt(2.0 * record.PHG->Height *
                  std::sqrt((record.PHG->Power / 10.0) * std::pow(10.0, g / 10.0) / 2.0));
}

void ParseComment(StationRecord& record, std::string_view comment) {
    DecodeGroup(record, comment);

    const std::size_t m = InStr(5, comment, "MHz");
    if (m == 0) return;
    std::string frequency = FrequencyBefore(comment, m);
    // "145.625 MHz": one blank between the number and the unit, as the
    // frequency format itself writes "FFF.FF MHz".
    if (frequency.empty() && m > 2 && comment[m - 2] == ' ')
        frequency = FrequencyBefore(comment, m - 1);
    if (frequency.empty()) return;
    record.HasQSY = true;
    record.QSY->Frequency = std::move(frequency);

    if (UCase(Mid(comment, m + 3, 2)) == " T") {
        // "Toff", or a number that names no tone, leaves the tone at none.
        record.QSY->Tone = ToneFromNumber(Val(Mid(comment, m + 5, 3)));
    }
    record.QSY->Setup = DecodeRadioSetup(Mid(comment, m + 3), Val(record.QSY->Frequency));
}

}  // namespace bb
