// Numbers in the station file's text: written shortest-exact and read back
// whole, in any locale.
#pragma once

#include <charconv>
#include <string>
#include <string_view>
#include <system_error>

namespace bb::hostapp {

// True when all of `text` is the number.
template <class T>
bool Number(std::string_view text, T& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

inline void PutNumber(std::string& out, double v) {
    char buf[32];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

}  // namespace bb::hostapp
