// The host's list of stations heard: one entry per callsign (exact case), the
// newest data winning, with distance and bearing from home and expiry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/aprs_decoder.h"
#include "support/clock.h"

namespace bb::hostapp {

struct HomePosition {
    double latitude = 52.2;  // degrees
    double longitude = 0.12;
};

struct HostEntry {
    std::string callsign;
    std::string symbol;        // table or overlay, then code
    std::string beaconText;    // as offered: UTF-8, with no NUL
    std::string statusText;    // what the station's status is taken to be now
    std::string statusReport;  // its last status report's text
    // When it last sent a Mic-E position in emergency; 0 when its last Mic-E
    // position said otherwise.
    std::int64_t micEEmergencyUnix = 0;
    double latitudeMinutes = 0;
    double longitudeMinutes = 0;
    double speed = -99999;          // km/h; -99999 when the packet gave none
    std::int16_t course = -32768;   // degrees; -32768 when the packet gave none
    DateTime reportDate = 0;        // local time of the packet's time stamp; 0 without one
    DateTime fallbackDate = 0;      // local time it was heard
    double distance = 0;            // km from home
    std::int16_t bearing = 0;       // degrees from home
    std::int16_t commentStart = 0;  // in UTF-16 units of beaconText, as a host string counts
    bool hasPosition = false;       // a station only heard in status reports is not listed
    std::int64_t heardUnix = 0;
    std::uint64_t firstHeard = 0;
    std::uint64_t lastHeard = 0;
};

// Seconds since 1970 of a UTC calendar time; out-of-range days roll over
// (day 31 of a 30-day month is the 1st of the next).
std::int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second);

// Seconds east of UTC of the local zone at a UTC time; the default reads the
// computer's zone.
using ZoneOffset = std::int64_t (*)(std::int64_t unixTime);
std::int64_t LocalZoneOffset(std::int64_t unixTime);

// A report time further than this after the time heard is a station clock
// running ahead, and the time heard is taken instead.
inline constexpr std::int64_t kStampAheadSeconds = 5 * 60;

// The date a packet's time stamp names, heard at `heardUnix`: the latest such
// moment not more than a day after it, in local time, but not later than
// kStampAheadSeconds after it was heard. 0 without a time stamp.
DateTime ReportDateOf(const aprs::PacketTime& time, std::int64_t heardUnix, ZoneOffset zone);

// Great-circle distance in km and initial bearing in whole degrees (0 to 359).
void DistanceAndBearing(const HomePosition& home, double lat, double lon, double& km,
                        std::int16_t& bearing);

class StationList {
  public:
    enum class Change { None, Updated, Removed };
    static constexpr std::size_t kMaxLines = 32767;

    explicit StationList(HomePosition home, ZoneOffset zone = &LocalZoneOffset)
        : home_(home), zone_(zone) {}

    // A Mic-E emergency holds through the station's other reports for this
    // long after its last Mic-E position in emergency.
    static constexpr std::int64_t kMicEEmergencyHold = 30 * 60;

    // Takes one decoded report heard at `nowUnix`; `info` is its own
    // information field, the beacon text of a position. `callsign` is the
    // station it changed. Updated is returned only for listed stations.
    Change Take(const aprs::Report& report, std::string_view info, std::int64_t nowUnix,
                std::string& callsign);
    const HostEntry* Find(const std::string& callsign) const;
    // Removes the stations not heard for `maxAgeSeconds`, returning their callsigns.
    std::vector<std::string> Expire(std::int64_t nowUnix, std::int64_t maxAgeSeconds);

    // Fixes the lines the host answers with: the most recently heard listed
    // stations, at most kMaxLines, in the order first heard. Returns their count.
    std::int16_t TakeLineSnapshot() { return static_cast<std::int16_t>(Snapshot(kMaxLines)); }
    // The same with every listed station.
    std::size_t TakeFullSnapshot() { return Snapshot(entries_.size()); }
    std::size_t SnapshotSize() const { return snapshot_.size(); }
    // The line at `index` of the last snapshot; empty when there is none.
    std::string Line(std::int32_t index) const;
    // The callsign at `index` of the last snapshot (which may have gone since).
    const std::string& SnapshotCallsign(std::size_t index) const { return snapshot_[index]; }

    template <class F>
    void ForEach(F&& f) const {
        for (const auto& [call, e] : entries_) {
            if (e.hasPosition) f(e);
        }
    }

    std::size_t size() const { return entries_.size(); }
    const HomePosition& Home() const { return home_; }

    // The list as text, first heard first, for keeping over a restart.
    std::string Write() const;
    // Takes a list Write made, leaving out what was not heard within
    // `maxAgeSeconds` of now; distance, bearing and the local dates are
    // worked out anew. False with the reason, and nothing taken, for text
    // that is not such a list. A damaged line costs only its own station:
    // the good ones are taken and `why` names the lines left out (empty
    // when there were none).
    bool Read(std::string_view text, std::int64_t nowUnix, std::int64_t maxAgeSeconds,
              std::string& why);

  private:
    std::size_t Snapshot(std::size_t most);
    void TakeStatus(HostEntry& e, const aprs::Report& r, std::int64_t nowUnix);

    HomePosition home_;
    ZoneOffset zone_;
    std::unordered_map<std::string, HostEntry> entries_;
    std::vector<std::string> snapshot_;
    std::uint64_t sequence_ = 0;
    // Bounds of the times heard: no station was heard before oldestHeard_ nor
    // after newestHeard_, so Expire need not look at each station every time.
    std::int64_t oldestHeard_ = 0;
    std::int64_t newestHeard_ = 0;
};

}  // namespace bb::hostapp
