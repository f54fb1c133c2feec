#include "support/watch_list.h"

#include <algorithm>

#include "support/diagnostic_log.h"
#include "support/vbtypes.h"

namespace bb {
namespace {

std::vector<std::string> Entries(std::string_view text) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) comma = text.size();
        const std::string_view entry = Trim(text.substr(start, comma - start));
        if (!entry.empty()) entries.push_back(UCase(entry));
        start = comma + 1;
    }
    return entries;
}

// `text` (in capitals) against a pattern whose "*" takes any run.
bool Glob(std::string_view pattern, std::string_view text) {
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

}  // namespace

bool IsWatchPattern(std::string_view text) {
    if (text.empty() || text.size() > 12) return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '*';
    });
}

std::string NormalWatchList(std::string_view text, std::string_view what, bool* bad) {
    std::string list;
    if (bad) *bad = false;
    for (const std::string& entry : Entries(text)) {
        if (!IsWatchPattern(entry)) {
            if (bad) *bad = true;
            if (!what.empty())
                WriteErrorLog(std::string(what) + ": \"" + entry +
                              "\" is no callsign or pattern; left out");
            continue;
        }
        if (!list.empty()) list += ',';
        list += entry;
    }
    return list;
}

WatchList::WatchList(std::string_view text) {
    for (std::string& entry : Entries(text))
        if (IsWatchPattern(entry) && !Lists(entry)) patterns_.push_back(std::move(entry));
}

bool WatchList::Matches(std::string_view callsign) const {
    if (patterns_.empty()) return false;
    const std::string upper = UCase(callsign);
    return std::any_of(patterns_.begin(), patterns_.end(),
                       [&](const std::string& p) { return Glob(p, upper); });
}

bool WatchList::Lists(std::string_view callsign) const {
    const std::string upper = UCase(callsign);
    return std::find(patterns_.begin(), patterns_.end(), upper) != patterns_.end();
}

void WatchList::Add(std::string_view callsign) {
    if (IsWatchPattern(callsign) && !Lists(callsign)) patterns_.push_back(UCase(callsign));
}

void WatchList::Remove(std::string_view callsign) {
    std::erase(patterns_, UCase(callsign));
}

std::string WatchList::Text() const {
    std::string text;
    for (const std::string& p : patterns_) {
        if (!text.empty()) text += ',';
        text += p;
    }
    return text;
}

}  // namespace bb
