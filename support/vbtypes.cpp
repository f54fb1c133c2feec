#include "support/vbtypes.h"

#include <cstdint>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace bb {

double RoundHalfEven(double value) {
    return std::nearbyint(value);
}

std::int16_t CInt(double value) {
    double r = RoundHalfEven(value);
    if (!(r >= -32768.0 && r <= 32767.0)) Raise(err::kOverflow, "CInt");
    return static_cast<std::int16_t>(r);
}

std::int32_t CLng(double value) {
    double r = RoundHalfEven(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) Raise(err::kOverflow, "CLng");
    return static_cast<std::int32_t>(r);
}

float CSng(double value) {
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
        Raise(err::kOverflow, "CSng");
    }
    return static_cast<float>(value);
}

double Val(std::string_view text) {
    // Plain whole numbers, the common case (times read back as seconds), go
    // the short way.
    if (!text.empty() && text.size() <= 15) {
        std::size_t k = text[0] == '-' ? 1 : 0;
        std::int64_t whole = 0;
        bool plain = k < text.size();
        for (; k < text.size() && plain; ++k) {
            const char c = text[k];
            plain = c >= '0' && c <= '9';
            whole = whole * 10 + (c - '0');
        }
        if (plain) return text[0] == '-' ? -static_cast<double>(whole) : static_cast<double>(whole);
    }
    // Blanks, tabs and line feeds are ignored anywhere in the number.
    std::string s;
    s.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s.push_back(c);
    }
    std::size_t i = 0;
    auto digit = [&](std::size_t k) {
        return k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]));
    };

    if (s.size() >= 2 && s[0] == '&') {
        int base = 0;
        std::size_t k = 1;
        char p = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
        if (p == 'H') {
            base = 16;
            k = 2;
        } else if (p == 'O') {
            base = 8;
            k = 2;
        } else if (s[1] >= '0' && s[1] <= '7') {
            base = 8;
        }
        if (base == 0) return 0.0;
        // Unsigned while reading: sixteen hex digits may not fit a signed value.
        std::uint64_t v = 0;
        std::size_t end = k;
        while (end < s.size() && end - k < 16) {
            int d = std::isxdigit(static_cast<unsigned char>(s[end]))
                        ? (std::isdigit(static_cast<unsigned char>(s[end]))
                               ? s[end] - '0'
                               : std::toupper(static_cast<unsigned char>(s[end])) - 'A' + 10)
                        : 99;
            if (d >= base) break;
            v = v * base + d;
            ++end;
        }
        if (v > static_cast<std::uint64_t>(INT64_MAX)) Raise(err::kOverflow, "hex literal");
        // Short hex and octal literals are 16-bit signed, as the runtime reads them.
        if (end - k <= 4 && base == 16 && v > 0x7FFF) return static_cast<double>(v) - 0x10000;
        return static_cast<double>(v);
    }

    std::string num;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) num.push_back(s[i++]);
    bool any = false;
    while (digit(i)) {
        num.push_back(s[i++]);
        any = true;
    }
    if (i < s.size() && s[i] == '.') {
        num.push_back(s[i++]);
        while (digit(i)) {
            num.push_back(s[i++]);
            any = true;
        }
    }
    if (!any) return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t k = i + 1;
        std::string exp = "e";
        if (k < s.size() && (s[k] == '+' || s[k] == '-')) exp.push_back(s[k++]);
        if (digit(k)) {
            while (digit(k))
                exp.push_back(s[k++]);
            num += exp;
        }
    }
    // Read as written, with ".", whatever the process's numeric locale is.
    const char* first = num.c_str();
    const char* last = first + num.size();
    if (*first == '+') ++first;
    double v = 0;
    const auto [end, ec] = std::from_chars(first, last, v);
    if (ec == std::errc::result_out_of_range) {
        // Too small to hold is 0; too large is an overflow, as the runtime has it.
        if (num.find("e-") != std::string::npos) return 0.0;
        Raise(err::kOverflow, "Val");
    }
    if (std::isinf(v)) Raise(err::kOverflow, "Val");
    return v;
}

std::string NumberText(double value) {
    if (value == 0.0) return "0";
    char buf[64];
    // The shortest text that reads back as the same double.
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    std::string s(buf, res.ptr);
    // Plain decimal, never an exponent, with "." whatever the locale.
    if (s.find_first_of("eE") != std::string::npos) {
        char fixed[400];
        res = std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed, 17);
        s.assign(fixed, res.ptr);
        while (!s.empty() && s.back() == '0')
            s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    return s;
}

std::size_t InStr(std::size_t start, std::string_view text, std::string_view what) {
    if (start == 0) Raise(err::kInvalidCall, "InStr start 0");
    if (start > text.size() + 1) return 0;
    auto pos = text.find(what, start - 1);
    return pos == std::string_view::npos ? 0 : pos + 1;
}

std::string_view Mid(std::string_view text, std::size_t start, std::size_t length) {
    if (start == 0) Raise(err::kInvalidCall, "Mid start 0");
    if (start > text.size()) return {};
    return text.substr(start - 1, length);
}

std::string UCase(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string_view Trim(std::string_view text) {
    auto b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    auto e = text.find_last_not_of(' ');
    return text.substr(b, e - b + 1);
}

}  // namespace bb
