#include "host/kiss.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace bb::hostapp {
namespace {

constexpr unsigned char kFend = 0xC0, kFesc = 0xDB, kTfend = 0xDC, kTfesc = 0xDD;
constexpr std::size_t kMaxFrame = 2048;  // far above AX.25's 330 bytes
constexpr std::size_t kAddress = 7;

// One address field: six shifted characters and the SSID byte.
bool Address(std::string_view a, std::string& text, bool& repeated, bool& last) {
    std::string call;
    for (std::size_t i = 0; i < 6; ++i) {
        const auto c = static_cast<unsigned char>(a[i]);
        if (c & 1) return false;  // the end mark belongs in the SSID byte only
        const char ch = static_cast<char>(c >> 1);
        if (ch == ' ') continue;
        if (!std::isupper(static_cast<unsigned char>(ch)) &&
            !std::isdigit(static_cast<unsigned char>(ch)))
            return false;
        if (call.size() != i) return false;  // blanks only at the end
        call += ch;
    }
    if (call.empty()) return false;
    const auto s = static_cast<unsigned char>(a[6]);
    const int ssid = (s >> 1) & 0x0F;
    text = ssid ? call + "-" + std::to_string(ssid) : call;
    repeated = (s & 0x80) != 0;
    last = (s & 1) != 0;
    return true;
}

}  // namespace

void KissDeframer::Feed(std::string_view bytes) {
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == kFend) {
            if (inFrame_ && !frame_.empty()) {
                // The first byte is the port and command: data frames have command 0.
                if (!broken_ && (static_cast<unsigned char>(frame_[0]) & 0x0F) == 0)
                    onFrame_(frame_.substr(1));
                else
                    ++dropped_;
            }
            frame_.clear();
            inFrame_ = true;
            escape_ = broken_ = false;
            continue;
        }
        if (!inFrame_) {
            ++dropped_;  // noise before the first frame: counted once per stretch
            inFrame_ = true;
            broken_ = true;
            continue;
        }
        if (broken_) continue;
        if (escape_) {
            escape_ = false;
            if (c == kTfend)
                frame_ += static_cast<char>(kFend);
            else if (c == kTfesc)
                frame_ += static_cast<char>(kFesc);
            else
                broken_ = true;
        } else if (c == kFesc) {
            escape_ = true;
        } else {
            frame_ += ch;
        }
        if (frame_.size() > kMaxFrame) broken_ = true;
    }
}

Ax25Result DecodeAx25(std::string_view f, std::string& monitor, std::string& why) {
    std::vector<std::string> calls;
    std::vector<bool> repeated;
    std::size_t at = 0;
    bool last = false;
    while (!last) {
        if (f.size() < at + kAddress) {
            why = "the address field ends early";
            return Ax25Result::Broken;
        }
        std::string text;
        bool h = false;
        if (!Address(f.substr(at, kAddress), text, h, last)) {
            why = "an address is not a callsign";
            return Ax25Result::Broken;
        }
        calls.push_back(text);
        repeated.push_back(h);
        at += kAddress;
        if (calls.size() > 10) {
            why = "more than eight digipeaters";
            return Ax25Result::Broken;
        }
    }
    if (calls.size() < 2) {
        why = "no destination";
        return Ax25Result::Broken;
    }
    if (f.size() < at + 2) {
        why = "no control and protocol fields";
        return Ax25Result::Broken;
    }
    const auto control = static_cast<unsigned char>(f[at]);
    const auto pid = static_cast<unsigned char>(f[at + 1]);
    if ((control & ~0x10) != 0x03 || pid != 0xF0) {
        why = "not a UI frame without layer 3";
        return Ax25Result::NotAprs;
    }
    const std::string_view info = f.substr(at + 2);
    if (info.empty()) {
        why = "no information field";
        return Ax25Result::NotAprs;
    }
    // The last digipeater that has repeated it carries the mark.
    std::size_t lastRepeated = 0;
    for (std::size_t i = 2; i < calls.size(); ++i)
        if (repeated[i]) lastRepeated = i;
    std::string m = calls[1] + ">" + calls[0];
    for (std::size_t i = 2; i < calls.size(); ++i) {
        m += "," + calls[i];
        if (i == lastRepeated) m += "*";
    }
    m += ":";
    // The monitor form is one line: a frame with a line end in it ends there.
    const std::size_t end = info.find_first_of("\r\n");
    m.append(info.substr(0, end));
    monitor = std::move(m);
    return Ax25Result::Aprs;
}

std::string KissFrame(std::string_view ax25) {
    std::string out(1, static_cast<char>(kFend));
    out += '\0';
    for (char ch : ax25) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == kFend) {
            out += static_cast<char>(kFesc);
            out += static_cast<char>(kTfend);
        } else if (c == kFesc) {
            out += static_cast<char>(kFesc);
            out += static_cast<char>(kTfesc);
        } else {
            out += ch;
        }
    }
    out += static_cast<char>(kFend);
    return out;
}

std::string EncodeAx25(std::string_view monitor) {
    const auto gt = monitor.find('>');
    const auto colon = monitor.find(':');
    if (gt == std::string_view::npos || colon == std::string_view::npos || colon < gt) return {};
    std::vector<std::string_view> calls{monitor.substr(0, gt)};
    std::string_view path = monitor.substr(gt + 1, colon - gt - 1);
    while (true) {
        const auto comma = path.find(',');
        calls.push_back(path.substr(0, comma));
        if (comma == std::string_view::npos) break;
        path.remove_prefix(comma + 1);
    }
    std::swap(calls[0], calls[1]);  // destination first
    // Every digipeater up to the marked one has repeated the frame.
    std::size_t marked = 0;
    for (std::size_t i = 2; i < calls.size(); ++i)
        if (!calls[i].empty() && calls[i].back() == '*') marked = i;
    std::string out;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        std::string_view c = calls[i];
        const bool h = i >= 2 && i <= marked;
        if (!c.empty() && c.back() == '*') c.remove_suffix(1);
        int ssid = 0;
        if (const auto dash = c.find('-'); dash != std::string_view::npos) {
            ssid = std::atoi(std::string(c.substr(dash + 1)).c_str());
            c = c.substr(0, dash);
        }
        if (c.empty() || c.size() > 6 || ssid < 0 || ssid > 15) return {};
        for (std::size_t k = 0; k < 6; ++k)
            out += static_cast<char>((k < c.size() ? c[k] : ' ') << 1);
        out += static_cast<char>(0x60 | (ssid << 1) | (h ? 0x80 : 0) |
                                 (i + 1 == calls.size() ? 1 : 0));
    }
    out += static_cast<char>(0x03);
    out += static_cast<char>(0xF0);
    out.append(monitor.substr(colon + 1));
    return out;
}

}  // namespace bb::hostapp
