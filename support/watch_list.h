// The stations the user watches: callsigns and patterns in which "*"
// stands for any run of characters ("PA3XYZ-9", "PA3*", "*-9"), matched
// without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace bb {

class WatchList {
  public:
    WatchList() = default;
    // The entries of a comma-separated list; those that are no callsign or
    // pattern are left out.
    explicit WatchList(std::string_view text);

    bool Matches(std::string_view callsign) const;
    bool Empty() const { return patterns_.empty(); }
    // Whether `callsign` itself is an entry (not only matched by a pattern).
    bool Lists(std::string_view callsign) const;
    void Add(std::string_view callsign);
    void Remove(std::string_view callsign);
    // The entries, comma-separated, as the settings file keeps them.
    std::string Text() const;

  private:
    std::vector<std::string> patterns_;
};

// Letters, digits, "-" and "*", at most 12 characters.
bool IsWatchPattern(std::string_view text);
// `text` as a tidy list: entries trimmed and in capitals, empty ones
// dropped; each bad entry is dropped, with a log line beginning `what`
// when that is not empty, and `bad` (when given) set.
std::string NormalWatchList(std::string_view text, std::string_view what, bool* bad = nullptr);

}  // namespace bb
