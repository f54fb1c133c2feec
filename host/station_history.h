// What bb-host remembers of each station beyond its last report: how often
// it was heard, its last packets as heard (from memory, bounded) and the
// track of its last positions, which is kept with the station list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace bb::hostapp {

struct TrackPoint {
    double latitude = 0, longitude = 0;  // degrees
    std::int64_t unix = 0;
    bool starts = false;  // a jump too fast to be travel: a new track begins here
    bool operator==(const TrackPoint&) const = default;
};

struct HeardPacket {
    std::int64_t unix = 0;
    std::string line;  // TNC2, as heard
};

class StationHistory {
  public:
    static constexpr std::size_t kPacketsPerStation = 10;
    // All stations' packets together: the oldest go first.
    static constexpr std::size_t kPacketsKept = 50000;
    static constexpr std::size_t kTrackPoints = 500;
    static constexpr std::int64_t kTrackSeconds = 24 * 3600;
    // Faster than this between two positions is a jump, not travel.
    static constexpr double kMaxTravelKmh = 1000;

    // Whether tracks are kept; off forgets them.
    void SetTracks(bool on);
    bool Tracks() const { return tracks_; }

    // A packet of the station, heard at `unix`.
    void Heard(const std::string& callsign, std::string_view line, std::int64_t unix);
    // Its position in that packet; a position it already had adds no point.
    void Moved(const std::string& callsign, double latitude, double longitude, std::int64_t unix);
    void Forget(const std::string& callsign);

    std::uint32_t HeardCount(const std::string& callsign) const;
    std::int64_t FirstHeard(const std::string& callsign) const;
    // Its packets still remembered, oldest first.
    std::vector<HeardPacket> Packets(const std::string& callsign) const;
    // Its track, oldest first: within kTrackSeconds of its newest point.
    std::vector<TrackPoint> Track(const std::string& callsign) const;

    template <class F>
    void ForEachTrack(F&& f) const {
        for (const auto& [call, s] : stations_)
            if (s.track.size() > 1) f(call, s.track);
    }

    // The tracks as text, one station a line, for keeping with the station
    // list; the stations past `maxBytes` are left out.
    std::string WriteTracks(std::size_t maxBytes = 32u << 20) const;
    // Takes tracks WriteTracks made, leaving out points older than
    // kTrackSeconds; false with the reason, and nothing taken, for other text.
    bool ReadTracks(std::string_view text, std::int64_t nowUnix, std::string& why);
    // Forgets the stations `known` says no to.
    template <class F>
    void KeepOnly(F&& known) {
        std::erase_if(stations_, [&](const auto& s) { return !known(s.first); });
    }

  private:
    struct Station {
        std::uint32_t heard = 0;
        std::int64_t firstUnix = 0;
        std::vector<std::uint64_t> packets;  // numbers in the ring
        std::vector<TrackPoint> track;
    };
    struct Kept {
        std::string callsign;
        HeardPacket packet;
    };
    std::unordered_map<std::string, Station> stations_;
    std::vector<Kept> ring_;
    std::uint64_t nextPacket_ = 0;
    bool tracks_ = true;
};

// Great-circle distance in km between two positions in degrees.
double DistanceKm(double lat1, double lon1, double lat2, double lon2);

}  // namespace bb::hostapp
