#include "host/station_history.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <system_error>

#include "host/number_text.h"

namespace bb::hostapp {
namespace {

void DropOld(std::vector<TrackPoint>& track, std::int64_t nowUnix) {
    const auto old = std::find_if(track.begin(), track.end(), [&](const TrackPoint& p) {
        return nowUnix - p.unix < StationHistory::kTrackSeconds;
    });
    track.erase(track.begin(), old);
    if (track.size() > StationHistory::kTrackPoints)
        track.erase(track.begin(), track.end() - StationHistory::kTrackPoints);
}

}  // namespace

double DistanceKm(double lat1, double lon1, double lat2, double lon2) {
    constexpr double rad = std::numbers::pi / 180.0;
    const double a = std::pow(std::sin((lat2 - lat1) * rad / 2), 2) +
                     std::cos(lat1 * rad) * std::cos(lat2 * rad) *
                         std::pow(std::sin((lon2 - lon1) * rad / 2), 2);
    return 2 * 6371.0 * std::asin(std::min(1.0, std::sqrt(a)));
}

void StationHistory::SetTracks(bool on) {
    tracks_ = on;
    if (!on)
        for (auto& [call, s] : stations_)
            std::vector<TrackPoint>().swap(s.track);
}

void StationHistory::Heard(const std::string& callsign, std::string_view line, std::int64_t unix) {
    Station& s = stations_[callsign];
    if (s.heard++ == 0) s.firstUnix = unix;
    if (ring_.size() < kPacketsKept) ring_.emplace_back();
    Kept& slot = ring_[nextPacket_ % kPacketsKept];
    slot.callsign = callsign;
    slot.packet = {unix, std::string(line)};
    s.packets.push_back(nextPacket_++);
    if (s.packets.size() > kPacketsPerStation) s.packets.erase(s.packets.begin());
}

void StationHistory::Moved(const std::string& callsign, double latitude, double longitude,
                           std::int64_t unix) {
    if (!tracks_) return;
    std::vector<TrackPoint>& track = stations_[callsign].track;
    DropOld(track, unix);
    TrackPoint p{latitude, longitude, unix, track.empty()};
    if (!track.empty()) {
        const TrackPoint& last = track.back();
        if (last.latitude == latitude && last.longitude == longitude) return;
        // Two positions in the same second still take a second to travel.
        const double hours =
            static_cast<double>(std::max<std::int64_t>(1, unix - last.unix)) / 3600;
        p.starts =
            unix < last.unix ||
            DistanceKm(last.latitude, last.longitude, latitude, longitude) / hours > kMaxTravelKmh;
    }
    track.push_back(p);
    if (track.size() > kTrackPoints) track.erase(track.begin());
}

void StationHistory::Forget(const std::string& callsign) {
    stations_.erase(callsign);
}

std::uint32_t StationHistory::HeardCount(const std::string& callsign) const {
    const auto it = stations_.find(callsign);
    return it == stations_.end() ? 0 : it->second.heard;
}

std::int64_t StationHistory::FirstHeard(const std::string& callsign) const {
    const auto it = stations_.find(callsign);
    return it == stations_.end() ? 0 : it->second.firstUnix;
}

std::vector<HeardPacket> StationHistory::Packets(const std::string& callsign) const {
    std::vector<HeardPacket> out;
    const auto it = stations_.find(callsign);
    if (it == stations_.end()) return out;
    for (const std::uint64_t n : it->second.packets) {
        // A packet the ring has since given to another station is gone.
        if (nextPacket_ - n > kPacketsKept) continue;
        const Kept& k = ring_[n % kPacketsKept];
        if (k.callsign == callsign) out.push_back(k.packet);
    }
    return out;
}

std::vector<TrackPoint> StationHistory::Track(const std::string& callsign) const {
    const auto it = stations_.find(callsign);
    return it == stations_.end() ? std::vector<TrackPoint>{} : it->second.track;
}

// One station a line: its callsign, then a tab before each point, written
// "unix latitude longitude" with a "+" before the unix time where a new
// track begins.
std::string StationHistory::WriteTracks(std::size_t maxBytes) const {
    std::string out;
    for (const auto& [call, s] : stations_) {
        if (s.track.empty()) continue;
        const std::size_t start = out.size();
        out += call;
        for (const TrackPoint& p : s.track) {
            out += p.starts ? "\t+" : "\t";
            out += std::to_string(p.unix);
            out += ' ';
            PutNumber(out, p.latitude);
            out += ' ';
            PutNumber(out, p.longitude);
        }
        out += '\n';
        if (out.size() > maxBytes) {
            out.resize(start);
            break;
        }
    }
    return out;
}

bool StationHistory::ReadTracks(std::string_view text, std::int64_t nowUnix, std::string& why) {
    std::unordered_map<std::string, std::vector<TrackPoint>> read;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++lineNumber;
        const std::size_t tab = line.find('\t');
        bool ok = tab != 0 && tab != std::string_view::npos;
        std::vector<TrackPoint> track;
        for (std::size_t at = tab; ok && at != std::string_view::npos;) {
            const std::size_t next = line.find('\t', at + 1);
            std::string_view point =
                line.substr(at + 1, next == line.npos ? line.npos : next - at - 1);
            at = next;
            TrackPoint p;
            p.starts = !point.empty() && point[0] == '+';
            if (p.starts) point.remove_prefix(1);
            const std::size_t b1 = point.find(' '), b2 = point.rfind(' ');
            ok = b1 != point.npos && b2 != b1 && Number(point.substr(0, b1), p.unix) &&
                 Number(point.substr(b1 + 1, b2 - b1 - 1), p.latitude) &&
                 Number(point.substr(b2 + 1), p.longitude) && std::fabs(p.latitude) <= 90 &&
                 std::fabs(p.longitude) <= 180;
            track.push_back(p);
        }
        if (!ok) {
            why = "track line " + std::to_string(lineNumber) + " is not a track";
            return false;
        }
        DropOld(track, nowUnix);
        if (!track.empty()) track.front().starts = true;
        read[std::string(line.substr(0, tab))] = std::move(track);
    }
    if (!tracks_) return true;
    for (auto& [call, track] : read)
        if (!track.empty()) stations_[call].track = std::move(track);
    return true;
}

}  // namespace bb::hostapp
