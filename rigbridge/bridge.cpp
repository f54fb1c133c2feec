#include "rigbridge/bridge.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace bb::rigbridge {
namespace {

constexpr double kMaxHz = 1e12;
constexpr std::array<std::string_view, 12> kModes{
    "LSB", "USB", "FM", "AM", "CW", "CWR", "RTTY", "RTTYR", "WFM", "PKTLSB", "PKTUSB", "PKTFM"};

char Up(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Up(a[i]) != Up(b[i])) return false;
    return true;
}

bool StartsWithText(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

std::string Printed(const char* format, double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

}  // namespace

std::optional<double> ParseFrequency(std::string_view text, double unitHz) {
    text = TrimBlanks(text);
    if (text.empty() || text.size() > 24) return std::nullopt;
    double whole = 0, fraction = 0, scale = 1;
    bool point = false, digits = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digits = true;
            if (point) {
                scale /= 10;
                fraction += (c - '0') * scale;
            } else {
                whole = whole * 10 + (c - '0');
            }
        } else if ((c == '.' || c == ',') && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    // Checked in whole hertz: "0,4" Hz would otherwise tune the radio to 0.
    const double hz = std::round((whole + fraction) * unitHz);
    if (!digits || !(hz > 0) || hz >= kMaxHz) return std::nullopt;
    return hz;
}

std::optional<std::string> ParseMode(std::string_view text) {
    text = TrimBlanks(text);
    for (std::string_view m : kModes)
        if (SameText(text, m)) return std::string(m);
    return std::nullopt;
}

std::optional<TuneCommand> ParseCommanderCommand(std::string_view c, std::string& why) {
    if (c.size() >= 3 && std::isdigit(static_cast<unsigned char>(c[0])) &&
        std::isdigit(static_cast<unsigned char>(c[1])) &&
        std::isdigit(static_cast<unsigned char>(c[2])))
        c.remove_prefix(3);
    if (!StartsWithText(c, "xcvrfreqmode")) {
        why = "not an xcvrfreqmode command";
        return std::nullopt;
    }
    c.remove_prefix(12);
    TuneCommand t;
    while (!c.empty()) {
        // <name:length>value
        const auto colon = c.find(':');
        const auto close = c.find('>');
        if (c.front() != '<' || colon == std::string_view::npos ||
            close == std::string_view::npos || colon > close) {
            why = "a field is not <name:length>value";
            return std::nullopt;
        }
        const std::string_view name = c.substr(1, colon - 1);
        const std::string_view count = c.substr(colon + 1, close - colon - 1);
        if (count.empty() || count.size() > 6 ||
            count.find_first_not_of("0123456789") != std::string_view::npos) {
            why = "the length of a field is not a number";
            return std::nullopt;
        }
        const std::size_t length = std::stoul(std::string(count));
        c.remove_prefix(close + 1);
        if (length > c.size()) {
            why = "a field is shorter than its length";
            return std::nullopt;
        }
        const std::string_view value = c.substr(0, length);
        c.remove_prefix(length);
        if (SameText(name, "xcvrfreq")) {
            t.hz = ParseFrequency(value, 1000);
            if (!t.hz) {
                why = "the frequency is not a number of kHz above 0";
                return std::nullopt;
            }
        } else if (SameText(name, "xcvrmode") && !value.empty()) {
            t.mode = ParseMode(value);
            if (!t.mode) {
                why = "unknown mode " + std::string(value);
                return std::nullopt;
            }
        }
        // Other fields are not for the radio and are passed over.
    }
    if (!t.hz) {
        why = "no xcvrfreq field";
        return std::nullopt;
    }
    return t;
}

std::optional<TuneCommand> ParseHrdCommand(std::string_view c, std::string& why) {
    c = TrimBlanks(c);
    const auto space = c.find(' ');
    const std::string_view word = c.substr(0, space);
    const std::string_view argument =
        space == std::string_view::npos ? std::string_view() : TrimBlanks(c.substr(space + 1));
    TuneCommand t;
    if (SameText(word, "freq")) {
        t.hz = ParseFrequency(argument, 1);
        if (!t.hz) why = "the frequency is not a number of Hz above 0";
    } else if (SameText(word, "mode")) {
        t.mode = ParseMode(argument);
        if (!t.mode) why = "unknown mode " + std::string(argument);
    } else {
        why = "not a freq or mode command";
    }
    if (!t.hz && !t.mode) return std::nullopt;
    return t;
}

void Bridge::Refuse(std::string_view command, const std::string& why) {
    log_("refused \"" + std::string(command.substr(0, 200)) + "\": " + why);
}

bool Bridge::Tune(const TuneCommand& c) {
    std::string error;
    // Mode first: some radios move the frequency when the mode changes.
    if (c.mode && !rig_.SetMode(*c.mode, error)) {
        log_("the radio did not take mode " + *c.mode + ": " + error);
        return false;
    }
    if (c.hz && !rig_.SetFrequency(*c.hz, error)) {
        log_("the radio did not take " + Printed("%.0f", *c.hz) + " Hz: " + error);
        return false;
    }
    return true;
}

bool Bridge::Execute(Program program, std::string_view topic, std::string_view command) {
    std::string why;
    if (program == Program::Commander) {
        if (!SameText(topic, "DDEServer")) {
            Refuse(command, "topic " + std::string(topic) + " takes no commands");
            return false;
        }
        const auto t = ParseCommanderCommand(command, why);
        if (!t) {
            Refuse(command, why);
            return false;
        }
        return Tune(*t);
    }
    const auto t = ParseHrdCommand(command, why);
    if (!t) {
        hrdFrequency_.reset();
        Refuse(command, why);
        return false;
    }
    if (t->hz) {
        hrdFrequency_ = t->hz;
        return Tune(*t);
    }
    // Ham Radio Deluxe is sent the frequency, then the mode: the frequency
    // goes to the radio again after the mode, as if the mode had come first.
    TuneCommand both = *t;
    both.hz = hrdFrequency_;
    hrdFrequency_.reset();
    return Tune(both);
}

std::optional<std::string> Bridge::Request(Program program, std::string_view topic,
                                           std::string_view item) {
    if (!known_) Poll();
    const std::string khz = known_ ? Printed("%.2f", hz_ / 1000) : std::string();
    const std::string hz = known_ ? Printed("%.0f", hz_) : std::string();
    if (program == Program::Commander) {
        if (SameText(topic, "CIV_CommanderUI") && SameText(item, "FreqDisplay")) return khz;
        if (SameText(topic, "DDEServer") && SameText(item, "Mode")) return mode_;
        if (SameText(topic, "DDEServer") && SameText(item, "DDECommand")) return std::string();
        return std::nullopt;
    }
    if (!SameText(topic, "HRD_CAT")) return std::nullopt;
    if (SameText(item, "HRD_HERTZ")) return hz;
    if (SameText(item, "HRD_MODE")) return mode_;
    if (SameText(item, "HRD_RADIO")) return rig_.Name();
    return std::nullopt;
}

std::vector<Change> Bridge::Poll() {
    double hz = 0;
    std::string mode, error;
    if (!rig_.Read(hz, mode, error)) {
        if (!readFailing_) log_("cannot read the radio: " + error);
        readFailing_ = true;
        return {};
    }
    if (readFailing_) log_("the radio answers again");
    readFailing_ = false;
    std::vector<Change> changes;
    if (!known_ || hz != hz_) {
        changes.push_back(
            {Program::Commander, "CIV_CommanderUI", "FreqDisplay", Printed("%.2f", hz / 1000)});
        changes.push_back({Program::HamRadioDeluxe, "HRD_CAT", "HRD_HERTZ", Printed("%.0f", hz)});
    }
    if (!known_ || mode != mode_) {
        changes.push_back({Program::Commander, "DDEServer", "Mode", mode});
        changes.push_back({Program::HamRadioDeluxe, "HRD_CAT", "HRD_MODE", mode});
    }
    hz_ = hz;
    mode_ = mode;
    known_ = true;
    return changes;
}

}  // namespace bb::rigbridge
