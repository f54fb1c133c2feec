#include "host/aprs_decoder.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace bb::aprs {
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
    return true;
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

// DDHHMMz, DDHHMM/ or HHMMSSh at `at`.
bool ParseTime(std::string_view info, std::size_t at, PacketTime& t) {
    if (at + 7 > info.size()) return false;
    bool ok = true;
    const int a = Digits(info, at, 2, ok), b = Digits(info, at + 2, 2, ok),
              c = Digits(info, at + 4, 2, ok);
    if (!ok) return false;
    switch (info[at + 6]) {
        case 'z':
        case '/':
            if (a < 1 || a > 31 || b > 23 || c > 59) return false;
            t = {PacketTime::Form::DayHourMinute, info[at + 6] == 'z', a, b, c, 0};
            return true;
        case 'h':
            if (a > 23 || b > 59 || c > 59) return false;
            t = {PacketTime::Form::HourMinuteSecond, true, 0, a, b, c};
            return true;
        default:
            return false;
    }
}

// "DDMM.mmN/DDDMM.mmE$": 19 characters. Blanks of position ambiguity read as 0.
bool ParseUncompressed(std::string_view info, std::size_t at, Report& r, std::string& why) {
    if (at + 19 > info.size()) {
        why = "position too short";
        return false;
    }
    std::string s(info.substr(at, 19));
    for (std::size_t i : {2u, 3u, 5u, 6u, 12u, 13u, 15u, 16u}) {
        if (s[i] == ' ') s[i] = '0';
    }
    bool ok = s[4] == '.' && s[14] == '.';
    const int latDeg = Digits(s, 0, 2, ok), latMin = Digits(s, 2, 2, ok),
              latHund = Digits(s, 5, 2, ok);
    const int lonDeg = Digits(s, 9, 3, ok), lonMin = Digits(s, 12, 2, ok),
              lonHund = Digits(s, 15, 2, ok);
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
    r.latitude = latDeg + (latMin + latHund / 100.0) / 60.0;
    r.longitude = lonDeg + (lonMin + lonHund / 100.0) / 60.0;
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
    // Course and speed: "ccc/sss" right after the symbol.
    bool cs = true;
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
        } else if (c <= 'z') {
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
bool ParseMicE(const Tnc2Packet& p, Report& r, std::string& why) {
    std::string_view dest = p.destination;
    if (const auto dash = dest.find('-'); dash != std::string_view::npos)
        dest = dest.substr(0, dash);
    const std::string_view info = p.info;
    if (dest.size() != 6 || info.size() < 9) {
        why = "Mic-E too short";
        return false;
    }
    int latDigits[6];
    bool bit[6], custom = false;
    for (int i = 0; i < 6; ++i) {
        const char c = dest[i];
        if (IsDigit(c)) {
            latDigits[i] = c - '0';
            bit[i] = false;
        } else if (c >= 'A' && c <= 'J') {
            if (i >= 3) return why = "bad Mic-E destination", false;
            latDigits[i] = c - 'A';
            bit[i] = true;
            custom = true;
        } else if (c >= 'P' && c <= 'Y') {
            latDigits[i] = c - 'P';
            bit[i] = true;
        } else if (c == 'K' || c == 'L' || c == 'Z') {
            if (c == 'K' && i >= 3) return why = "bad Mic-E destination", false;
            latDigits[i] = 0;  // ambiguity
            bit[i] = c != 'L';
            custom = custom || c == 'K';
        } else {
            why = "bad Mic-E destination";
            return false;
        }
    }
    const int latDeg = latDigits[0] * 10 + latDigits[1];
    const int latMin = latDigits[2] * 10 + latDigits[3];
    const int latHund = latDigits[4] * 10 + latDigits[5];
    if (latDeg > 89 || latMin > 59) {
        why = "bad Mic-E latitude";
        return false;
    }
    r.latitude = latDeg + (latMin + latHund / 100.0) / 60.0;
    if (!bit[3]) r.latitude = -r.latitude;

    auto b = [&](std::size_t i) {
        return static_cast<int>(static_cast<unsigned char>(info[i])) - 28;
    };
    for (std::size_t i = 1; i <= 6; ++i) {
        if (b(i) < 0 || b(i) > 99) {
            why = "bad Mic-E information field";
            return false;
        }
    }
    int lonDeg = b(1);
    if (bit[4]) lonDeg += 100;
    if (lonDeg >= 180 && lonDeg <= 189)
        lonDeg -= 80;
    else if (lonDeg >= 190 && lonDeg <= 199)
        lonDeg -= 190;
    int lonMin = b(2);
    if (lonMin >= 60) lonMin -= 60;
    const int lonHund = b(3);
    if (lonDeg > 179 || lonMin > 59 || lonHund > 99) {
        why = "bad Mic-E longitude";
        return false;
    }
    r.longitude = lonDeg + (lonMin + lonHund / 100.0) / 60.0;
    if (bit[5]) r.longitude = -r.longitude;

    int speed = b(4) * 10 + b(5) / 10;
    int course = (b(5) % 10) * 100 + b(6);
    if (speed >= 800) speed -= 800;
    if (course >= 400) course -= 400;
    if (course <= 360) {
        r.hasCourseSpeed = true;
        r.course = course;
        r.speedKnots = speed;
    }
    if (!IsSymbolCode(info[7]) || !IsSymbolTable(info[8])) {
        why = "bad symbol";
        return false;
    }
    r.symbolCode = info[7];
    r.symbolTable = info[8];
    r.hasPosition = true;
    r.commentStart = 10;
    // Altitude in metres above -10 km: three base-91 digits and "}".
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
    r.hasStatus = true;
    r.status = std::string(MicEMessage((bit[0] << 2) | (bit[1] << 1) | int(bit[2]), custom));
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
        if (!IsAddress(a, !first)) {
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

Outcome Decode(const Tnc2Packet& p, Report& r, std::string& why) {
    r = Report{};
    r.name = p.source;
    const std::string_view info = p.info;
    const char type = info.empty() ? '\0' : info[0];
    bool ok = false;
    switch (type) {
        case '!':
        case '=':
            ok = ParsePosition(info, 1, r, why);
            break;
        case '/':
        case '@':
            if (!ParseTime(info, 1, r.time)) {
                why = "bad time stamp";
                return Outcome::Malformed;
            }
            ok = ParsePosition(info, 8, r, why);
            break;
        case ';': {
            if (info.size() < 18 || (info[10] != '*' && info[10] != '_')) {
                why = "bad object";
                return Outcome::Malformed;
            }
            r.name = Trimmed(info.substr(1, 9));
            if (r.name.empty()) {
                why = "object without a name";
                return Outcome::Malformed;
            }
            r.kind = info[10] == '*' ? Report::Kind::Object : Report::Kind::KilledObject;
            if (!ParseTime(info, 11, r.time)) {
                why = "bad time stamp";
                return Outcome::Malformed;
            }
            ok = ParsePosition(info, 18, r, why);
            break;
        }
        case ')': {
            const std::size_t end = info.find_first_of("!_", 1);
            if (end == std::string_view::npos || end < 4 || end > 10) {
                why = "bad item";
                return Outcome::Malformed;
            }
            r.name = Trimmed(info.substr(1, end - 1));
            r.kind = info[end] == '!' ? Report::Kind::Item : Report::Kind::KilledObject;
            ok = !r.name.empty() && ParsePosition(info, end + 1, r, why);
            if (r.name.empty()) why = "item without a name";
            break;
        }
        case '>': {
            r.kind = Report::Kind::Status;
            std::size_t at = 1;
            if (ParseTime(info, 1, r.time) && r.time.form == PacketTime::Form::DayHourMinute &&
                r.time.zulu)
                at = 8;
            else
                r.time = {};
            r.hasStatus = true;
            r.status = Trimmed(info.substr(at));
            return Outcome::Decoded;
        }
        case '`':
        case '\'':
        case 0x1c:
        case 0x1d:
            ok = ParseMicE(p, r, why);
            break;
        case ':':
        case 'T':
        case '?':
        case '_':
        case '<':
        case '{':
        case '}':
        case '$':
        case '#':
        case '*':
        case ',':
            return Outcome::NotStation;
        default:
            why = "unknown data type";
            return Outcome::Malformed;
    }
    if (!ok) return Outcome::Malformed;
    FindAltitude(info, r);
    return Outcome::Decoded;
}

}  // namespace bb::aprs
