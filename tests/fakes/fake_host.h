// A scripted host: the stations it knows and lists, those it fails on, and
// host events it delivers while the board lets pending messages run.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "stations/host.h"
#include "support/error_trap.h"
#include "support/message_pump.h"

namespace bb::testing {

class FakeMap final : public HostMap {
  public:
    struct Circle {
        float x, y, radius;
        std::int32_t colour;
        std::int16_t width = 0, mode = 0;
        std::int32_t drawColour = 0;
        float start = 0, end = 0, aspect = 0;
    };
    struct Line {
        float x1, y1, x2, y2;
        std::int32_t colour;
        std::int16_t width = 0;
        std::int32_t flags = 0;
        std::int16_t mode = 0;
    };
    std::vector<Circle> circles;
    std::vector<Line> lines;
    // Every call in order: "circle", "line", "width 5", "mode 7", "colour 16777215".
    std::vector<std::string> calls;
    std::int16_t lineWidth = 0, drawMode = 0;
    std::int32_t drawColour = 0;

    void MapCircle(float x, float y, float r, std::int32_t colour, float start, float end,
                   float aspect) override {
        circles.push_back({x, y, r, colour, lineWidth, drawMode, drawColour, start, end, aspect});
        calls.push_back("circle");
    }
    void MapLine(float x1, float y1, float x2, float y2, std::int32_t colour,
                 std::int32_t flags) override {
        lines.push_back({x1, y1, x2, y2, colour, lineWidth, flags, drawMode});
        calls.push_back("line");
    }
    void SetMapLineWidth(std::int16_t w) override {
        lineWidth = w;
        calls.push_back("width " + std::to_string(w));
    }
    void SetMapDrawMode(std::int16_t m) override {
        drawMode = m;
        calls.push_back("mode " + std::to_string(m));
    }
    void SetMapDrawColour(std::int32_t c) override {
        drawColour = c;
        calls.push_back("colour " + std::to_string(c));
    }
    // The stations the board asked the map to show.
    std::vector<std::string> shown;
    std::optional<bool> ShowStation(const std::string& callsign) override {
        shown.push_back(callsign);
        return true;
    }
    void Clear() {
        circles.clear();
        lines.clear();
        calls.clear();
    }
};

class FakeHost final : public HostMain, public MessagePump {
  public:
    std::unordered_map<std::string, HostStation> stations;  // what GetStation knows
    std::vector<std::string> lines;                         // HostStationLine answers
    std::set<std::string> failing;                          // GetStation raises error 440 for these
    std::unordered_map<std::string, int> getStationCalls;
    bool notify = false;
    FakeMap map;

    // Events delivered at the next pauses, one batch per pause.
    std::deque<std::vector<std::function<void()>>> atPause;
    int pauses = 0;
    std::function<void(int)> onPause;  // called at every pause with its number

    HostStation& Know(const std::string& callsign) {
        HostStation& s = stations[callsign];
        s.Callsign = callsign;
        return s;
    }

    bool GetStation(HostStation& station) override {
        ++getStationCalls[station.Callsign];
        if (!failing.empty() && failing.count(station.Callsign))
            Raise(err::kAutomationError, "host refused");
        auto it = stations.find(station.Callsign);
        if (it == stations.end()) return false;
        station = it->second;
        return true;
    }
    std::set<std::string> drawable;  // symbols SymbolToClipboard has a picture of
    int symbolCalls = 0;
    bool symbolsFail = false;  // SymbolToClipboard raises 462, as a host that has gone away
    bool SymbolToClipboard(const std::string&, const std::string& symbol, const std::string&,
                           std::int16_t) override {
        ++symbolCalls;
        if (symbolsFail)
            Raise(err::kRemoteServerUnavailable,
                  "The remote server machine does not exist or is unavailable");
        return drawable.count(symbol) > 0;
    }
    // A host that gives pictures directly (SymbolPicture) rather than by the clipboard.
    bool directPictures = false;
    std::optional<bool> SymbolPicture(const std::string&, const std::string& symbol,
                                      const std::string&, Picture& picture) override {
        if (!directPictures) return std::nullopt;
        ++symbolCalls;
        if (!drawable.count(symbol)) return false;
        picture = Picture{2, 1, {0xFF0000FF, 0xFFFF0000}};
        return true;
    }
    HostMap& Map() override { return map; }
    std::int16_t HostStationCount() override { return static_cast<std::int16_t>(lines.size()); }
    std::string HostStationLine(std::int16_t index) override {
        return index >= 0 && static_cast<std::size_t>(index) < lines.size()
                   ? lines[static_cast<std::size_t>(index)]
                   : std::string();
    }
    void SetNotify(bool enabled) override { notify = enabled; }

    // Above 0: the list comes in batches of at most this many, each named by its line.
    int batchSize = 0, batchCalls = 0;
    bool ListsInBatches() override { return batchSize > 0; }
    std::vector<HostListing> HostStations(std::int32_t first, std::int32_t count) override {
        ++batchCalls;
        std::vector<HostListing> out;
        for (auto i = static_cast<std::size_t>(first);
             i < lines.size() && out.size() < static_cast<std::size_t>(std::min(count, batchSize));
             ++i) {
            HostListing& l = out.emplace_back();
            l.line = lines[i];
            l.callsign = l.line.substr(std::min<std::size_t>(1, l.line.size()));
            l.callsign.resize(std::min(l.callsign.size(), l.callsign.find(' ')));
            if (failing.count(l.callsign)) Raise(err::kAutomationError, "host refused");
            const auto it = stations.find(l.callsign);
            if ((l.known = it != stations.end())) l.station = it->second;
        }
        return out;
    }

    void LetPendingMessagesRun() override {
        ++pauses;
        if (onPause) onPause(pauses);
        if (atPause.empty()) return;
        auto batch = std::move(atPause.front());
        atPause.pop_front();
        for (auto& event : batch)
            event();
    }
};

}  // namespace bb::testing
