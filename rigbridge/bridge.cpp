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

namespace {

// Leaves out the optional three-digit server number and the command word;
// false when the command is not that one.
bool CommandWord(std::string_view& c, std::string_view word) {
    if (c.size() >= 3 && std::isdigit(static_cast<unsigned char>(c[0])) &&
        std::isdigit(static_cast<unsigned char>(c[1])) &&
        std::isdigit(static_cast<unsigned char>(c[2])))
        c.remove_prefix(3);
    if (!StartsWithText(c, word)) return false;
    c.remove_prefix(word.size());
    return true;
}

// Calls `field` with each <name:length>value; false with the reason when
// malformed or when `field` says so.
template <class Field>
bool ForEachField(std::string_view c, std::string& why, Field field) {
    while (!c.empty()) {
        // <name:length>value
        const auto colon = c.find(':');
        const auto close = c.find('>');
        if (c.front() != '<' || colon == std::string_view::npos ||
            close == std::string_view::npos || colon > close) {
            why = "a field is not <name:length>value";
            return false;
        }
        const std::string_view name = c.substr(1, colon - 1);
        const std::string_view count = c.substr(colon + 1, close - colon - 1);
        if (count.empty() || count.size() > 6 ||
            count.find_first_not_of("0123456789") != std::string_view::npos) {
            why = "the length of a field is not a number";
            return false;
        }
        const std::size_t length = std::stoul(std::string(count));
        c.remove_prefix(close + 1);
        if (length > c.size()) {
            why = "a field is shorter than its length";
            return false;
        }
        const std::string_view value = c.substr(0, length);
        c.remove_prefix(length);
        if (!field(name, value)) return false;
    }
    return true;
}

// A whole number of at most nine digits; nothing otherwise.
std::optional<long> WholeNumber(std::string_view s) {
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    return std::stol(std::string(s));
}

}  // namespace

std::optional<TuneCommand> ParseCommanderCommand(std::string_view c, std::string& why) {
    if (!CommandWord(c, "xcvrfreqmode")) {
        why = "not an xcvrfreqmode command";
        return std::nullopt;
    }
    TuneCommand t;
    const bool ok = ForEachField(c, why, [&](std::string_view name, std::string_view value) {
        if (SameText(name, "xcvrfreq")) {
            t.hz = ParseFrequency(value, 1000);
            if (!t.hz) {
                why = "the frequency is not a number of kHz above 0";
                return false;
            }
        } else if (SameText(name, "xcvrmode") && !value.empty()) {
            t.mode = ParseMode(value);
            if (!t.mode) {
                why = "unknown mode " + std::string(value);
                return false;
            }
        }
        // Other fields are not for the radio and are passed over.
        return true;
    });
    if (!ok) return std::nullopt;
    if (!t.hz) {
        why = "no xcvrfreq field";
        return std::nullopt;
    }
    return t;
}

std::optional<SetupCommand> ParseSetupCommand(std::string_view c, std::string& why) {
    using Mode = SetupCommand::ToneMode;
    if (!CommandWord(c, "xcvrsetup")) {
        why = "not an xcvrsetup command";
        return std::nullopt;
    }
    SetupCommand s;
    bool modeSeen = false;
    const bool ok = ForEachField(c, why, [&](std::string_view name, std::string_view value) {
        if (SameText(name, "tonemode")) {
            modeSeen = true;
            if (SameText(value, "off"))
                s.mode = Mode::Off;
            else if (SameText(value, "tone"))
                s.mode = Mode::Tone;
            else if (SameText(value, "tsql"))
                s.mode = Mode::ToneSquelch;
            else if (SameText(value, "dcs"))
                s.mode = Mode::Dcs;
            else
                modeSeen = false;
        } else if (SameText(name, "tone") && !value.empty()) {
            // Hertz with one decimal at most: "88.5", "100".
            const auto hz = ParseFrequency(value, 10);
            if (!hz || *hz > 3000) {
                why = "the tone is not a number of Hz";
                return false;
            }
            s.toneTenths = static_cast<long>(*hz);
        } else if (SameText(name, "dcs") && !value.empty()) {
            const auto code = WholeNumber(value);
            if (!code || *code == 0 || *code > 777 ||
                value.find_first_of("89") != std::string_view::npos) {
                why = "the DCS code is not three octal digits";
                return false;
            }
            s.dcsCode = *code;
        } else if (SameText(name, "shift")) {
            if (SameText(value, "none"))
                s.shift = 0;
            else if (SameText(value, "plus"))
                s.shift = 1;
            else if (SameText(value, "minus"))
                s.shift = -1;
            else {
                why = "the shift is not none, plus or minus";
                return false;
            }
        } else if (SameText(name, "offset") && !value.empty()) {
            s.offsetHz = WholeNumber(value);
            if (!s.offsetHz) {
                why = "the offset is not a whole number of Hz";
                return false;
            }
        }
        return true;
    });
    if (!ok) return std::nullopt;
    if (!modeSeen) {
        why = "no tonemode of off, tone, tsql or dcs";
        return std::nullopt;
    }
    if ((s.mode == Mode::Tone || s.mode == Mode::ToneSquelch) && s.toneTenths == 0) {
        why = "a tone mode without a tone";
        return std::nullopt;
    }
    if (s.mode == Mode::Dcs && s.dcsCode == 0) {
        why = "DCS without a code";
        return std::nullopt;
    }
    return s;
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

namespace {

struct Step {
    Setting setting;
    long value;
    const char* name;
};

}  // namespace

bool Bridge::Setup(const SetupCommand& c) {
    using Mode = SetupCommand::ToneMode;
    const long tone = c.mode == Mode::Tone || c.mode == Mode::ToneSquelch ? c.toneTenths : 0;
    // Tone squelch sends the tone as well as listening for it.
    std::vector<Step> steps{
        {Setting::CtcssTone, tone, "CTCSS tone"},
        {Setting::CtcssSql, c.mode == Mode::ToneSquelch ? c.toneTenths : 0, "tone squelch"},
        {Setting::DcsCode, c.mode == Mode::Dcs ? c.dcsCode : 0, "DCS code"},
        {Setting::ToneFunction, c.mode == Mode::Tone ? 1 : 0, "tone"},
        {Setting::ToneSquelchFunction, c.mode == Mode::ToneSquelch ? 1 : 0, "tone squelch"},
        {Setting::Shift, c.shift, "repeater shift"}};
    if (c.offsetHz) steps.push_back({Setting::Offset, *c.offsetHz, "repeater offset"});
    bool all = true;
    for (const Step& s : steps) {
        const bool function =
            s.setting == Setting::ToneFunction || s.setting == Setting::ToneSquelchFunction;
        if (!rig_.Can(s.setting)) {
            // Nothing to clear on a radio without it; a function the radio
            // lacks is part of its tone setting.
            if (s.value != 0 && !function) {
                log_("the radio cannot set its " + std::string(s.name));
                all = false;
            }
            continue;
        }
        std::string error;
        if (!rig_.Set(s.setting, s.value, error)) {
            log_("the radio did not take " + std::string(s.name) + " " + std::to_string(s.value) +
                 ": " + error);
            all = false;
        }
    }
    return all;
}

std::string Bridge::Abilities() const {
    std::string words;
    for (const auto& [setting, word] :
         {std::pair{Setting::CtcssTone, "tone"}, std::pair{Setting::CtcssSql, "tsql"},
          std::pair{Setting::DcsCode, "dcs"}, std::pair{Setting::Shift, "shift"},
          std::pair{Setting::Offset, "offset"}})
        if (rig_.Can(setting)) words += (words.empty() ? "" : " ") + std::string(word);
    return words;
}

bool Bridge::Execute(Program program, std::string_view topic, std::string_view command) {
    std::string why;
    if (program == Program::Commander && !SameText(topic, "DDEServer")) {
        Refuse(command, "topic " + std::string(topic) + " takes no commands");
        return false;
    }
    if (std::string_view word = command; CommandWord(word, "xcvrsetup")) {
        const auto s = ParseSetupCommand(command, why);
        if (!s) {
            Refuse(command, why);
            return false;
        }
        return Setup(*s);
    }
    if (program == Program::Commander) {
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
        if (SameText(topic, "DDEServer") && SameText(item, "RigSetup")) return Abilities();
        return std::nullopt;
    }
    if (!SameText(topic, "HRD_CAT")) return std::nullopt;
    if (SameText(item, "RigSetup")) return Abilities();
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
