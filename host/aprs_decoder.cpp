#include "host/aprs_decoder.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "support/text_encoding.h"

namespace bb::hostapp::aprs {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsUpperAlnum(char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'Z');
}

// An AX.25-style address as monitors print it: 1 to 6 letters or digits, an
// optional SSID; the path may carry the "has been repeated" star. APRS-IS
// names (q-constructs, longer callsigns of objects gated from the net) are
// let through up to 9 characters.
bool IsAddress(std::string_view a, bool allowStar) {
    if (allowStar && !a.empty() && a.back() == '*') a.remove_suffix(1);
    if (a.empty() || a.size() > 9) return false;
    for (char c : a) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') return false;
    }
    // A dash joins a callsign and its SSID; neither may be left out.
    return a.front() != '-' && a.back() != '-' && a.find("--") == std::string_view::npos;
}

// A destination is an AX.25 address whatever network carried it: one to
// six capitals or digits, and an SSID of 0 to 15.
bool IsAx25Address(std::string_view a) {
    const std::size_t dash = a.find('-');
    const std::string_view call = a.substr(0, dash);
    if (call.empty() || call.size() > 6) return false;
    for (char c : call)
        if (!IsUpperAlnum(c)) return false;
    if (dash == std::string_view::npos) return true;
    const std::string_view ssid = a.substr(dash + 1);
    if (ssid.empty() || ssid.size() > 2 || (ssid.size() == 2 && ssid[0] == '0')) return false;
    int n = 0;
    for (char c : ssid) {
        if (!IsDigit(c)) return false;
        n = n * 10 + (c - '0');
    }
    return n <= 15;
}

int Digits(std::string_view s, std::size_t at, std::size_t n, bool& ok) {
    if (at + n > s.size()) {
        ok = false;
        return 0;
    }
    int v = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (!IsDigit(s[i])) {
            ok = false;
            return 0;
        }
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

bool IsSymbolTable(char c) {
    return c == '/' || c == '\\' || IsUpperAlnum(c) || (c >= 'a' && c <= 'j');
}
bool IsSymbolCode(char c) {
    return c >= '!' && c <= '~';
}

enum class Stamp { Valid, Unknown, Bad };

// DDHHMMz, DDHHMM/ or HHMMSSh at `at`. A stamp of the right form whose
// values name no time (day 00 from a tracker without a fix, say) is
// Unknown: the report stands, heard now.
Stamp ParseTime(std::string_view info, std::size_t at, PacketTime& t) {
    t = {};
    if (at + 7 > info.size()) return Stamp::Bad;
    bool ok = true;
    const int a = Digits(info, at, 2, ok), b = Digits(info, at + 2, 2, ok),
              c = Digits(info, at + 4, 2, ok);
    if (!ok) return Stamp::Bad;
    switch (info[at + 6]) {
        case 'z':
        case '/':
            if (a < 1 || a > 31 || b > 23 || c > 59) return Stamp::Unknown;
            t = {PacketTime::Form::DayHourMinute, info[at + 6] == 'z', a, b, c, 0};
            return Stamp::Valid;
        case 'h':
            if (a > 23 || b > 59 || c > 59) return Stamp::Unknown;
            t = {PacketTime::Form::HourMinuteSecond, true, 0, a, b, c};
            return Stamp::Valid;
        default:
            return Stamp::Bad;
    }
}

// The middle of an ambiguous position's box, in minutes, for 0 to 4
// digits left out (hundredths, tenths, minutes, tens of minutes).
constexpr double kBoxMiddle[5] = {0, 0.05, 0.5, 5, 30};

// The digits `level` leaves out of minutes and hundredths, as zero.
void DropAmbiguous(int level, int& minutes, int& hundredths) {
    if (level >= 1) hundredths -= hundredths % 10;
    if (level >= 2) hundredths = 0;
    if (level >= 3) minutes -= minutes % 10;
    if (level >= 4) minutes = 0;
}

// How many digits of "DDMM.hh" (at `at`, `degrees` digits of degrees) are
// blanks, from the right; -1 when a blank is followed by a digit or stands
// in the degrees.
int AmbiguityOf(std::string_view s, std::size_t at, int degrees) {
    const std::size_t from_right[4] = {at + degrees + 4, at + degrees + 3, at + degrees + 1,
                                       at + degrees};
    int level = 0;
    while (level < 4 && s[from_right[level]] == ' ')
        ++level;
    for (int i = level; i < 4; ++i)
        if (s[from_right[i]] == ' ') return -1;
    for (int i = 0; i < degrees; ++i)
        if (s[at + static_cast<std::size_t>(i)] == ' ') return -1;
    return level;
}

// The datum extension "!DAO!" in the comment from `from` on (the last one):
// a third digit of the minutes of latitude and longitude, as digits after a
// capital datum letter ("!W33!") or as base-91 hundredths of a hundredth
// after a small one ("!w11!"), moving the position away from the equator
// and the prime meridian.
void ApplyDao(std::string_view info, std::size_t from, Report& r) {
    for (std::size_t at = info.rfind('!'); at != std::string_view::npos && at >= from + 4;
         at = info.rfind('!', at - 1)) {
        const std::size_t start = at - 4;
        if (info[start] != '!') continue;
        const char datum = info[start + 1], y = info[start + 2], x = info[start + 3];
        double latMinutes = 0, lonMinutes = 0;
        if (datum >= 'A' && datum <= 'Z') {
            const auto digit = [](char c, double& out) {
                if (c == ' ') return true;  // a datum only
                if (!IsDigit(c)) return false;
                out = (c - '0') / 1000.0;
                return true;
            };
            if (!digit(y, latMinutes) || !digit(x, lonMinutes)) continue;
        } else if (datum >= 'a' && datum <= 'z') {
            if (y < '!' || y > '{' || x < '!' || x > '{') continue;
            latMinutes = (y - 33) / 91.0 * 0.01;
            lonMinutes = (x - 33) / 91.0 * 0.01;
        } else {
            continue;
        }
        r.latitude += (r.latitude < 0 ? -latMinutes : latMinutes) / 60.0;
        r.longitude += (r.longitude < 0 ? -lonMinutes : lonMinutes) / 60.0;
        return;
    }
}

// "DDMM.mmN/DDDMM.mmE$": 19 characters. Blanks of position ambiguity
// stand for the right-hand digits of the latitude; the longitude is as
// ambiguous, and the position is the middle of its box.
bool ParseUncompressed(std::string_view info, std::size_t at, Report& r, std::string& why) {
    if (at + 19 > info.size()) {
        why = "position too short";
        return false;
    }
    std::string s(info.substr(at, 19));
    const int latLevel = AmbiguityOf(s, 0, 2), lonLevel = AmbiguityOf(s, 9, 3);
    // A longitude with blanks of its own has as many as the latitude.
    if (latLevel < 0 || lonLevel < 0 || (lonLevel != 0 && lonLevel != latLevel)) {
        why = "bad position ambiguity";
        return false;
    }
    const int level = std::max(latLevel, lonLevel);
    for (std::size_t i : {2u, 3u, 5u, 6u, 12u, 13u, 15u, 16u}) {
        if (s[i] == ' ') s[i] = '0';
    }
    bool ok = s[4] == '.' && s[14] == '.';
    int latDeg = Digits(s, 0, 2, ok), latMin = Digits(s, 2, 2, ok), latHund = Digits(s, 5, 2, ok);
    int lonDeg = Digits(s, 9, 3, ok), lonMin = Digits(s, 12, 2, ok), lonHund = Digits(s, 15, 2, ok);
    const char ns = s[7], ew = s[17];
    if (!ok || (ns != 'N' && ns != 'S') || (ew != 'E' && ew != 'W') || latDeg > 90 ||
        lonDeg > 180 || latMin > 59 || lonMin > 59) {
        why = "bad uncompressed position";
        return false;
    }
    if (!IsSymbolTable(s[8]) || !IsSymbolCode(s[18])) {
        why = "bad symbol";
        return false;
    }
    DropAmbiguous(level, latMin, latHund);
    DropAmbiguous(level, lonMin, lonHund);
    r.latitude = latDeg + (latMin + latHund / 100.0 + kBoxMiddle[level]) / 60.0;
    r.longitude = lonDeg + (lonMin + lonHund / 100.0 + kBoxMiddle[level]) / 60.0;
    if (r.latitude > 90 || r.longitude > 180) {
        why = "position out of range";
        return false;
    }
    if (ns == 'S') r.latitude = -r.latitude;
    if (ew == 'W') r.longitude = -r.longitude;
    r.symbolTable = s[8];
    r.symbolCode = s[18];
    r.hasPosition = true;
    std::size_t next = at + 19;
    r.commentStart = static_cast<int>(next) + 1;
    if (level == 0) ApplyDao(info, next, r);
    // Course and speed: "ccc/sss" right after the symbol; a weather
    // station's is the wind.
    bool cs = r.symbolCode != '_';
    const int course = Digits(info, next, 3, cs);
    const int speed = Digits(info, next + 4, 3, cs);
    if (cs && info[next + 3] == '/' && course <= 360) {
        r.hasCourseSpeed = true;
        r.course = course;
        r.speedKnots = speed;
    }
    return true;
}

int Base91(std::string_view s, std::size_t at, std::size_t n, bool& ok) {
    int v = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        const int d = static_cast<unsigned char>(s[i]) - 33;
        if (d < 0 || d > 90) ok = false;
        v = v * 91 + d;
    }
    return v;
}

// "/YYYYXXXX$csT": 13 characters.
bool ParseCompressed(std::string_view info, std::size_t at, Report& r, std::string& why) {
    if (at + 13 > info.size()) {
        why = "compressed position too short";
        return false;
    }
    bool ok = IsSymbolTable(info[at]) && IsSymbolCode(info[at + 9]);
    const int y = Base91(info, at + 1, 4, ok);
    const int x = Base91(info, at + 5, 4, ok);
    if (!ok) {
        why = "bad compressed position";
        return false;
    }
    r.latitude = 90.0 - y / 380926.0;
    r.longitude = -180.0 + x / 190463.0;
    if (std::fabs(r.latitude) > 90 || std::fabs(r.longitude) > 180) {
        why = "position out of range";
        return false;
    }
    r.symbolTable = info[at];
    // Overlay digits travel as the letters a to j.
    if (r.symbolTable >= 'a' && r.symbolTable <= 'j')
        r.symbolTable = static_cast<char>('0' + (r.symbolTable - 'a'));
    r.symbolCode = info[at + 9];
    r.hasPosition = true;
    const char c = info[at + 10], s = info[at + 11], t = info[at + 12];
    if (c != ' ' && c >= '!' && s >= '!' && s <= '{' && t >= '!' && t <= '{') {
        if ((((t - 33) >> 3) & 3) == 2) {
            r.hasAltitude = true;
            r.altitudeFeet = std::pow(1.002, (c - 33) * 91 + (s - 33));
        } else if (c <= 'z' && r.symbolCode != '_') {  // a weather station's is the wind
            r.hasCourseSpeed = true;
            r.course = (c - 33) * 4;
            r.speedKnots = std::pow(1.08, s - 33) - 1;
        }
    }
    r.commentStart = static_cast<int>(at + 13) + 1;
    return true;
}

bool ParsePosition(std::string_view info, std::size_t at, Report& r, std::string& why) {
    if (at >= info.size()) {
        why = "no position";
        return false;
    }
    if (IsDigit(info[at])) return ParseUncompressed(info, at, r, why);
    return ParseCompressed(info, at, r, why);
}

// The Mic-E destination: six characters carrying the latitude, the message
// bits and the flags for north, longitude offset and west.
struct MicEDestination {
    int digits[6];
    bool bit[6];
    bool custom = false, standard = false;
    int ambiguity = 0;  // latitude digits left out, from the right
};

bool ReadMicEDestination(std::string_view dest, MicEDestination& d, std::string& why) {
    bool ambiguous[6];
    for (int i = 0; i < 6; ++i) {
        const char c = dest[i];
        ambiguous[i] = false;
        if (IsDigit(c)) {
            d.digits[i] = c - '0';
            d.bit[i] = false;
        } else if (c >= 'A' && c <= 'K' && i < 3) {  // custom message bits
            d.digits[i] = c == 'K' ? 0 : c - 'A';
            ambiguous[i] = c == 'K';
            d.bit[i] = true;
            d.custom = true;
        } else if (c >= 'P' && c <= 'Z') {
            d.digits[i] = c == 'Z' ? 0 : c - 'P';
            ambiguous[i] = c == 'Z';
            d.bit[i] = true;
            d.standard = d.standard || i < 3;
        } else if (c == 'L') {
            d.digits[i] = 0;
            ambiguous[i] = true;
            d.bit[i] = false;
        } else {
            why = "bad Mic-E destination";
            return false;
        }
    }
    // Ambiguity leaves out digits from the right only, never the degrees.
    while (d.ambiguity < 4 && ambiguous[5 - d.ambiguity])
        ++d.ambiguity;
    for (int i = 0; i < 6 - d.ambiguity; ++i) {
        if (ambiguous[i]) {
            why = "bad Mic-E position ambiguity";
            return false;
        }
    }
    return true;
}

bool MicELatitude(const MicEDestination& d, Report& r, std::string& why) {
    const int latDeg = d.digits[0] * 10 + d.digits[1];
    int latMin = d.digits[2] * 10 + d.digits[3];
    int latHund = d.digits[4] * 10 + d.digits[5];
    if (latDeg > 89 || latMin > 59) {
        why = "bad Mic-E latitude";
        return false;
    }
    DropAmbiguous(d.ambiguity, latMin, latHund);
    r.latitude = latDeg + (latMin + latHund / 100.0 + kBoxMiddle[d.ambiguity]) / 60.0;
    if (!d.bit[3]) r.latitude = -r.latitude;
    return true;
}

// An information byte as a number.
int MicEByte(std::string_view info, std::size_t i) {
    return static_cast<int>(static_cast<unsigned char>(info[i])) - 28;
}

// The longitude, then speed and course, in the information field's first bytes.
bool MicELongitude(std::string_view info, const MicEDestination& d, Report& r, std::string& why) {
    // The ranges each information byte may take: longitude degrees, minutes
    // and hundredths, then speed and course.
    static constexpr std::array<std::pair<int, int>, 6> kRange = {
        {{38, 127}, {38, 97}, {28, 127}, {28, 127}, {28, 127}, {28, 127}}};
    for (std::size_t i = 1; i <= 6; ++i) {
        const int v = static_cast<unsigned char>(info[i]);
        if (v < kRange[i - 1].first || v > kRange[i - 1].second) {
            why = "bad Mic-E information field";
            return false;
        }
    }
    int lonDeg = MicEByte(info, 1);
    if (d.bit[4]) lonDeg += 100;
    if (lonDeg >= 180 && lonDeg <= 189)
        lonDeg -= 80;
    else if (lonDeg >= 190 && lonDeg <= 199)
        lonDeg -= 190;
    int lonMin = MicEByte(info, 2);
    if (lonMin >= 60) lonMin -= 60;
    int lonHund = MicEByte(info, 3);
    if (lonDeg > 179 || lonMin > 59 || lonHund > 99) {
        why = "bad Mic-E longitude";
        return false;
    }
    DropAmbiguous(d.ambiguity, lonMin, lonHund);
    r.longitude = lonDeg + (lonMin + lonHund / 100.0 + kBoxMiddle[d.ambiguity]) / 60.0;
    if (d.bit[5]) r.longitude = -r.longitude;
    return true;
}

void MicECourseSpeed(std::string_view info, Report& r) {
    int speed = MicEByte(info, 4) * 10 + MicEByte(info, 5) / 10;
    int course = (MicEByte(info, 5) % 10) * 100 + MicEByte(info, 6);
    if (speed >= 800) speed -= 800;
    if (course >= 400) course -= 400;
    if (course <= 360) {
        r.hasCourseSpeed = true;
        r.course = course;
        r.speedKnots = speed;
    }
}

// Altitude in metres above -10 km: three base-91 digits and "}", after the
// manufacturer's byte where there is one.
void MicEAltitude(std::string_view info, Report& r) {
    std::size_t at = 9;
    if (at < info.size() &&
        (info[at] == '`' || info[at] == '\'' || info[at] == '>' || info[at] == ']'))
        ++at;
    if (at + 4 <= info.size() && info[at + 3] == '}') {
        bool ok = true;
        const int metres = Base91(info, at, 3, ok) - 10000;
        if (ok) {
            r.hasAltitude = true;
            r.altitudeFeet = metres / 0.3048;
        }
    }
}

// Anything the protocol does not allow rejects the packet: a damaged Mic-E
// otherwise reads as a station far away, or in emergency.
bool ParseMicE(const Tnc2Packet& p, std::string_view info, Report& r, std::string& why) {
    std::string_view dest = p.destination;
    if (const auto dash = dest.find('-'); dash != std::string_view::npos)
        dest = dest.substr(0, dash);
    if (dest.size() != 6 || info.size() < 9) {
        why = "Mic-E too short";
        return false;
    }
    MicEDestination d;
    if (!ReadMicEDestination(dest, d, why) || !MicELatitude(d, r, why) ||
        !MicELongitude(info, d, r, why))
        return false;
    MicECourseSpeed(info, r);
    if (!IsSymbolCode(info[7]) || !IsSymbolTable(info[8])) {
        why = "bad symbol";
        return false;
    }
    r.symbolCode = info[7];
    r.symbolTable = info[8];
    r.hasPosition = true;
    r.commentStart = 10;
    if (d.ambiguity == 0) ApplyDao(info, 9, r);
    MicEAltitude(info, r);
    r.hasStatus = true;
    r.micE = true;
    // Standard and custom bits mixed name no message; all clear is the
    // emergency either way.
    const int bits = (d.bit[0] << 2) | (d.bit[1] << 1) | int(d.bit[2]);
    r.status = d.custom && d.standard ? "Unknown" : std::string(MicEMessage(bits, d.custom));
    return true;
}

// "/A=001234" anywhere in the comment.
void FindAltitude(std::string_view info, Report& r) {
    if (r.commentStart <= 0) return;
    const std::size_t from = static_cast<std::size_t>(r.commentStart) - 1;
    const std::size_t at = info.find("/A=", from);
    if (at == std::string_view::npos || at + 9 > info.size()) return;
    const char first = info[at + 3];
    bool ok = true;
    const int v = Digits(info, at + 4, 5, ok);
    if (!ok || !(IsDigit(first) || first == '-')) return;
    r.hasAltitude = true;
    r.altitudeFeet = first == '-' ? -v : (first - '0') * 100000 + v;
}

std::string Trimmed(std::string_view s) {
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return std::string(s);
}

}  // namespace

bool ParseTnc2(std::string_view line, Tnc2Packet& p, std::string& why) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    const std::size_t gt = line.find('>');
    const std::size_t colon = line.find(':');
    if (gt == std::string_view::npos || colon == std::string_view::npos || gt > colon) {
        why = "not a monitor line";
        return false;
    }
    p = Tnc2Packet{};
    p.source = std::string(line.substr(0, gt));
    if (!IsAddress(p.source, false)) {
        why = "bad source callsign";
        return false;
    }
    std::string_view header = line.substr(gt + 1, colon - gt - 1);
    bool first = true;
    while (true) {
        const std::size_t comma = header.find(',');
        const std::string_view a = header.substr(0, comma);
        if (first ? !IsAx25Address(a) : !IsAddress(a, true)) {
            why = first ? "bad destination" : "bad path";
            return false;
        }
        if (first)
            p.destination = std::string(a);
        else
            p.path.emplace_back(a);
        first = false;
        if (comma == std::string_view::npos) break;
        header.remove_prefix(comma + 1);
    }
    p.info = std::string(line.substr(colon + 1));
    if (p.info.empty()) {
        why = "empty information field";
        return false;
    }
    return true;
}

std::string_view MicEMessage(int bits, bool custom) {
    static constexpr std::string_view kStandard[8] = {"Emergency", "Priority",  "Special",
                                                      "Committed", "Returning", "In Service",
                                                      "En Route",  "Off Duty"};
    static constexpr std::string_view kCustom[8] = {"Emergency", "Custom-6", "Custom-5",
                                                    "Custom-4",  "Custom-3", "Custom-2",
                                                    "Custom-1",  "Custom-0"};
    bits &= 7;
    return custom ? kCustom[bits] : kStandard[bits];
}

namespace {

// The byte just past `count` characters from `from`: UTF-8 characters in a
// text that is UTF-8, else bytes. `size` when the text ends first.
std::size_t PastChars(std::string_view s, std::size_t from, std::size_t count, bool utf8) {
    if (from >= s.size()) return s.size();
    if (!utf8) return std::min(s.size(), from + count);
    return from + LeftChars(s.substr(from), count).size();
}

bool HasHighBytes(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

// "DDMM.mmmm" with `degrees` digits of degrees, and its hemisphere.
bool NmeaAngle(std::string_view v, std::string_view hemisphere, int degrees, char positive,
               char negative, double& out) {
    const std::size_t dot = v.find('.');
    if (v.size() < static_cast<std::size_t>(degrees) + 2 || hemisphere.size() != 1 ||
        (dot != std::string_view::npos && dot != static_cast<std::size_t>(degrees) + 2))
        return false;
    bool ok = true;
    const int deg = Digits(v, 0, static_cast<std::size_t>(degrees), ok);
    const int min = Digits(v, static_cast<std::size_t>(degrees), 2, ok);
    double fraction = 0, scale = 0.1;
    for (std::size_t i = dot == std::string_view::npos ? v.size() : dot + 1; i < v.size(); ++i) {
        if (!IsDigit(v[i])) return false;
        fraction += (v[i] - '0') * scale;
        scale /= 10;
    }
    if (!ok || min > 59) return false;
    out = deg + (min + fraction) / 60.0;
    if (out > (degrees == 2 ? 90 : 180)) return false;
    if (hemisphere[0] == negative)
        out = -out;
    else if (hemisphere[0] != positive)
        return false;
    return true;
}

// hhmmss[.ss] as the time of the fix, UTC.
void NmeaTime(std::string_view v, PacketTime& t) {
    bool ok = v.size() >= 6;
    const int h = Digits(v, 0, 2, ok), m = Digits(v, 2, 2, ok), sec = Digits(v, 4, 2, ok);
    if (ok && h <= 23 && m <= 59 && sec <= 59)
        t = {PacketTime::Form::HourMinuteSecond, true, 0, h, m, sec};
}

// ddmmyy, the date of an RMC sentence's fix, makes its time a full date.
void NmeaDate(std::string_view v, PacketTime& t) {
    bool ok = v.size() == 6 && t.form == PacketTime::Form::HourMinuteSecond;
    const int d = Digits(v, 0, 2, ok), m = Digits(v, 2, 2, ok), y = Digits(v, 4, 2, ok);
    if (!ok || d < 1 || d > 31 || m < 1 || m > 12) return;
    t.form = PacketTime::Form::FullDate;
    t.day = d;
    t.month = m;
    t.year = y < 70 ? 2000 + y : 1900 + y;
}

// A checksum, where there is one, must match; `body` loses it.
bool NmeaChecksumHolds(std::string_view& body) {
    const std::size_t star = body.find('*');
    if (star == std::string_view::npos) return true;
    unsigned sum = 0;
    for (char c : body.substr(0, star))
        sum ^= static_cast<unsigned char>(c);
    const std::string_view given = body.substr(star + 1, 2);
    char expected[3];
    std::snprintf(expected, sizeof expected, "%02X", sum);
    if (given.size() != 2 || (std::toupper(static_cast<unsigned char>(given[0])) != expected[0]) ||
        (std::toupper(static_cast<unsigned char>(given[1])) != expected[1]))
        return false;
    body = body.substr(0, star);
    return true;
}

std::vector<std::string_view> NmeaFields(std::string_view body) {
    std::vector<std::string_view> f;
    for (std::size_t at = 0;;) {
        const std::size_t comma = body.find(',', at);
        f.push_back(body.substr(at, comma == std::string_view::npos ? body.npos : comma - at));
        if (comma == std::string_view::npos) return f;
        at = comma + 1;
    }
}

double NmeaNumber(std::string_view v) {
    return std::atof(std::string(v).c_str());
}

// What the sentence of `kind` says besides the position: 0 when it has no
// valid fix, else the field where its latitude starts.
std::size_t NmeaFix(std::string_view kind, const std::vector<std::string_view>& f, Report& r) {
    const auto field = [&](std::size_t i) { return i < f.size() ? f[i] : std::string_view(); };
    if (kind == "RMC") {
        if (field(2) != "A") return 0;
        NmeaTime(field(1), r.time);
        NmeaDate(field(9), r.time);
        const double knots = NmeaNumber(field(7));
        const int course = static_cast<int>(std::lround(NmeaNumber(field(8))));
        if (!field(7).empty() && !field(8).empty() && course >= 0 && course <= 360) {
            r.hasCourseSpeed = true;
            r.course = course == 0 ? 360 : course;
            r.speedKnots = knots;
        }
        return 3;
    }
    if (kind == "GGA") {
        if (field(6).empty() || field(6) == "0") return 0;
        NmeaTime(field(1), r.time);
        if (!field(9).empty()) {
            r.hasAltitude = true;
            r.altitudeFeet = NmeaNumber(field(9)) / 0.3048;
        }
        return 2;
    }
    if (!field(6).empty() && field(6) != "A") return 0;
    NmeaTime(field(5), r.time);
    return 1;
}

// A GPS receiver's own sentence, sent as it is: $GPRMC, $GPGGA or $GPGLL
// (or the $GN sentences of a multi-system receiver). A sentence without a
// valid fix is no position.
Outcome ParseNmea(std::string_view info, Report& r, std::string& why) {
    if (info.size() < 7 || (info.substr(1, 2) != "GP" && info.substr(1, 2) != "GN"))
        return Outcome::NotStation;
    const std::string_view kind = info.substr(3, 3);
    if (kind != "RMC" && kind != "GGA" && kind != "GLL") return Outcome::NotStation;
    std::string_view body = info.substr(1);
    if (!NmeaChecksumHolds(body)) {
        why = "bad NMEA checksum";
        return Outcome::Malformed;
    }
    const std::vector<std::string_view> f = NmeaFields(body);
    const std::size_t lat = NmeaFix(kind, f, r);
    if (lat == 0) return why = "NMEA without a fix", Outcome::Malformed;
    const auto field = [&](std::size_t i) { return i < f.size() ? f[i] : std::string_view(); };
    if (!NmeaAngle(field(lat), field(lat + 1), 2, 'N', 'S', r.latitude) ||
        !NmeaAngle(field(lat + 2), field(lat + 3), 3, 'E', 'W', r.longitude)) {
        why = "bad NMEA position";
        return Outcome::Malformed;
    }
    r.hasPosition = true;
    // No symbol and no comment of its own.
    r.symbolTable = '/';
    r.symbolCode = '/';
    r.commentStart = static_cast<int>(info.size()) + 1;
    return Outcome::Decoded;
}

// "/" and "@": a time stamp, then the position.
bool ParseTimedPosition(std::string_view info, Report& r, std::string& why) {
    if (ParseTime(info, 1, r.time) == Stamp::Bad) {
        why = "bad time stamp";
        return false;
    }
    return ParsePosition(info, 8, r, why);
}

// ";": the name is nine characters, UTF-8 ones where the text is UTF-8.
bool ParseObject(std::string_view info, Report& r, std::string& why) {
    const bool utf8 = HasHighBytes(info.substr(0, 40)) && IsValidUtf8(info);
    const std::size_t mark = PastChars(info, 1, 9, utf8);
    if (info.size() < mark + 8 || (info[mark] != '*' && info[mark] != '_')) {
        why = "bad object";
        return false;
    }
    r.name = OfferedText(Trimmed(info.substr(1, mark - 1)));
    if (r.name.empty()) {
        why = "object without a name";
        return false;
    }
    r.kind = info[mark] == '*' ? Report::Kind::Object : Report::Kind::KilledObject;
    if (ParseTime(info, mark + 1, r.time) == Stamp::Bad) {
        why = "bad time stamp";
        return false;
    }
    return ParsePosition(info, mark + 8, r, why);
}

// ")": a name of 3 to 9 characters up to "!" or "_".
bool ParseItem(std::string_view info, Report& r, std::string& why) {
    const std::size_t end = info.find_first_of("!_", 1);
    const bool utf8 = HasHighBytes(info.substr(0, end)) && IsValidUtf8(info);
    const std::size_t chars = end == std::string_view::npos
                                  ? 0
                                  : (utf8 ? OfferedLength(info.substr(1, end - 1)) : end - 1);
    if (end == std::string_view::npos || chars < 3 || chars > 9) {
        why = "bad item";
        return false;
    }
    r.name = OfferedText(Trimmed(info.substr(1, end - 1)));
    r.kind = info[end] == '!' ? Report::Kind::Item : Report::Kind::KilledObject;
    const bool ok = !r.name.empty() && ParsePosition(info, end + 1, r, why);
    if (r.name.empty()) why = "item without a name";
    return ok;
}

// ">": only the DDHHMMz form is a status report's time stamp.
void ParseStatus(std::string_view info, Report& r) {
    r.kind = Report::Kind::Status;
    std::size_t at = 1;
    const Stamp stamp = ParseTime(info, 1, r.time);
    if (stamp != Stamp::Bad && info[7] == 'z')
        at = 8;
    else
        r.time = {};
    r.hasStatus = true;
    r.status = Trimmed(info.substr(at));
}

Outcome DecodeInfo(const Tnc2Packet& p, std::string_view info, Report& r, std::string& why,
                   int depth);

// "}": a third-party packet; the station is the inner packet's source.
Outcome ParseThirdParty(std::string_view info, Report& r, std::string& why, int depth) {
    Tnc2Packet inner;
    const std::string_view line = info.substr(1);
    if (depth >= 2 || !ParseTnc2(line, inner, why)) {
        why = "bad third-party packet";
        return Outcome::Malformed;
    }
    const std::size_t offset = 1 + line.find(':') + 1;
    r = Report{};
    r.name = inner.source;
    const Outcome o = DecodeInfo(inner, inner.info, r, why, depth + 1);
    r.infoStart += offset;
    return o;
}

// Anything else: a position may follow a beacon text of up to 39 characters.
bool ParsePositionAfterText(std::string_view info, Report& r, std::string& why) {
    const std::size_t bang = info.substr(0, 40).find('!');
    if (bang == std::string_view::npos) {
        why = "unknown data type";
        return false;
    }
    return ParsePosition(info, bang + 1, r, why);
}

// What the data type, the information field's first character, says.
Outcome DecodeInfo(const Tnc2Packet& p, std::string_view info, Report& r, std::string& why,
                   int depth) {
    const char type = info.empty() ? '\0' : info[0];
    bool ok = false;
    switch (type) {
        case '!':
        case '=':
            ok = ParsePosition(info, 1, r, why);
            break;
        case '/':
        case '@':
            ok = ParseTimedPosition(info, r, why);
            break;
        case ';':
            ok = ParseObject(info, r, why);
            break;
        case ')':
            ok = ParseItem(info, r, why);
            break;
        case '>':
            ParseStatus(info, r);
            return Outcome::Decoded;
        case '`':
        case '\'':
        case 0x1c:
        case 0x1d:
            ok = ParseMicE(p, info, r, why);
            break;
        case '$':
            if (const Outcome nmea = ParseNmea(info, r, why); nmea != Outcome::Decoded) return nmea;
            ok = true;
            break;
        case '}':
            return ParseThirdParty(info, r, why, depth);
        case ':':
        case 'T':
        case '?':
        case '_':
        case '<':
        case '{':
        case '#':
        case '*':
        case ',':
            return Outcome::NotStation;
        default:
            ok = ParsePositionAfterText(info, r, why);
            break;
    }
    if (!ok) return Outcome::Malformed;
    FindAltitude(info, r);
    return Outcome::Decoded;
}

}  // namespace

Outcome Decode(const Tnc2Packet& p, Report& r, std::string& why) {
    r = Report{};
    r.name = p.source;
    return DecodeInfo(p, p.info, r, why, 0);
}

std::string OfferedText(std::string_view bytes) {
    std::string text = FileTextToUtf8(bytes);
    for (std::size_t at; (at = text.find('\0')) != std::string::npos;)
        text.replace(at, 1, "\xEF\xBF\xBD");
    return text;
}

std::size_t OfferedLength(std::string_view bytes) {
    // Not UTF-8: one Windows-1252 character a byte.
    if (!HasHighBytes(bytes) || !IsValidUtf8(bytes)) return bytes.size();
    return Utf16Length(bytes);
}

}  // namespace bb::hostapp::aprs
