#include "host/station_list.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <numbers>

namespace bb::hostapp {
namespace {

constexpr double kEarthRadiusKm = 6371.0;
constexpr double kKmPerKnot = 1.852;
constexpr double kSecondsPerDay = 86400.0;

DateTime SerialOfUnix(std::int64_t unixTime) {
    return kUnixEpochSerial + static_cast<double>(unixTime) / kSecondsPerDay;
}

}  // namespace

std::int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<std::int64_t>(timegm(&tm));  // normalises day 31 of a short month
}

std::int64_t LocalZoneOffset(std::int64_t unixTime) {
    const std::time_t t = static_cast<std::time_t>(unixTime);
    std::tm local{};
    if (!localtime_r(&t, &local)) return 0;
    return local.tm_gmtoff;
}

DateTime ReportDateOf(const aprs::PacketTime& pt, std::int64_t heardUnix, ZoneOffset zone) {
    using Form = aprs::PacketTime::Form;
    if (pt.form == Form::None) return 0;
    const std::int64_t offset = pt.zulu ? 0 : zone(heardUnix);
    // Work in the clock the stamp is written in (UTC, or local for DDHHMM/).
    const std::time_t nowInStampClock = static_cast<std::time_t>(heardUnix + offset);
    std::tm now{};
    gmtime_r(&nowInStampClock, &now);
    const int year = now.tm_year + 1900, month = now.tm_mon + 1;
    std::int64_t stamp = 0;
    if (pt.form == Form::HourMinuteSecond) {
        stamp = UtcSeconds(year, month, now.tm_mday, pt.hour, pt.minute, pt.second);
        if (stamp > nowInStampClock + 3600) stamp -= 86400;
    } else {
        stamp = UtcSeconds(year, month, pt.day, pt.hour, pt.minute, 0);
        if (stamp > nowInStampClock + 86400)
            stamp = UtcSeconds(year, month - 1, pt.day, pt.hour, pt.minute, 0);
    }
    const std::int64_t utc = stamp - offset;
    return SerialOfUnix(utc + zone(utc));
}

void DistanceAndBearing(const HomePosition& home, double lat, double lon, double& km,
                        std::int16_t& bearing) {
    constexpr double rad = std::numbers::pi / 180.0;
    const double p1 = home.latitude * rad, p2 = lat * rad;
    const double dl = (lon - home.longitude) * rad;
    const double a = std::pow(std::sin((p2 - p1) / 2), 2) +
                     std::cos(p1) * std::cos(p2) * std::pow(std::sin(dl / 2), 2);
    km = 2 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(a)));
    const double y = std::sin(dl) * std::cos(p2);
    const double x = std::cos(p1) * std::sin(p2) - std::sin(p1) * std::cos(p2) * std::cos(dl);
    double deg = (x == 0 && y == 0) ? 0 : std::atan2(y, x) / rad;
    int whole = static_cast<int>(std::lround(deg));
    whole = ((whole % 360) + 360) % 360;
    bearing = static_cast<std::int16_t>(whole);
}

void StationList::TakeStatus(HostEntry& e, const aprs::Report& r, std::int64_t nowUnix) {
    // A Mic-E position always carries its message: one in emergency starts
    // or keeps it, any other ends it. Other reports say nothing of it, so it
    // holds through them while the Mic-E positions in emergency keep coming,
    // and ends with the first report heard after they have stopped for
    // kMicEEmergencyHold.
    if (r.micE) {
        e.micEEmergencyUnix = r.status == "Emergency" ? nowUnix : 0;
        e.statusText = r.status;
        return;
    }
    const bool holding =
        e.micEEmergencyUnix != 0 && nowUnix - e.micEEmergencyUnix < kMicEEmergencyHold;
    if (e.micEEmergencyUnix != 0 && !holding) {
        e.micEEmergencyUnix = 0;
        e.statusText = e.statusReport;
    }
    // A status report is the station's status until the next one.
    if (r.hasStatus) {
        e.statusReport = r.status;
        if (!holding) e.statusText = r.status;
    }
}

StationList::Change StationList::Take(const aprs::Report& r, std::string_view info,
                                      std::int64_t nowUnix, std::string& callsign) {
    callsign = r.name;
    if (r.kind == aprs::Report::Kind::KilledObject) {
        return entries_.erase(r.name) ? Change::Removed : Change::None;
    }
    auto [it, fresh] = entries_.try_emplace(r.name);
    HostEntry& e = it->second;
    if (fresh) {
        e.callsign = r.name;
        e.firstHeard = ++sequence_;
    }
    e.lastHeard = ++sequence_;
    e.heardUnix = nowUnix;
    e.fallbackDate = SerialOfUnix(nowUnix + zone_(nowUnix));
    TakeStatus(e, r, nowUnix);
    if (!r.hasPosition) return e.hasPosition ? Change::Updated : Change::None;

    e.hasPosition = true;
    e.beaconText = aprs::OfferedText(info);
    e.symbol = std::string{r.symbolTable, r.symbolCode};
    e.latitudeMinutes = r.latitude * 60.0;
    e.longitudeMinutes = r.longitude * 60.0;
    e.reportDate = ReportDateOf(r.time, nowUnix, zone_);
    // The comment's place in the text as offered, counted as the board
    // counts a host string.
    const std::size_t before = std::min<std::size_t>(
        static_cast<std::size_t>(std::max(r.commentStart - 1, 0)), info.size());
    const std::size_t start =
        r.commentStart <= 0 ? 0 : aprs::OfferedLength(info.substr(0, before)) + 1;
    e.commentStart = static_cast<std::int16_t>(std::min<std::size_t>(start, 32767));
    if (r.hasCourseSpeed) {
        e.speed = r.speedKnots * kKmPerKnot;
        e.course = static_cast<std::int16_t>(r.course);
    } else {
        e.speed = -99999;
        e.course = -32768;
    }
    DistanceAndBearing(home_, r.latitude, r.longitude, e.distance, e.bearing);
    return Change::Updated;
}

const HostEntry* StationList::Find(const std::string& callsign) const {
    const auto it = entries_.find(callsign);
    if (it == entries_.end() || !it->second.hasPosition) return nullptr;
    return &it->second;
}

std::vector<std::string> StationList::Expire(std::int64_t nowUnix, std::int64_t maxAgeSeconds) {
    std::vector<std::string> gone;
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (nowUnix - it->second.heardUnix >= maxAgeSeconds) {
            if (it->second.hasPosition) gone.push_back(it->first);
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
    return gone;
}

std::int16_t StationList::TakeLineSnapshot() {
    std::vector<const HostEntry*> listed;
    listed.reserve(entries_.size());
    for (const auto& [call, e] : entries_) {
        if (e.hasPosition) listed.push_back(&e);
    }
    if (listed.size() > kMaxLines) {
        std::nth_element(
            listed.begin(), listed.begin() + kMaxLines, listed.end(),
            [](const HostEntry* a, const HostEntry* b) { return a->lastHeard > b->lastHeard; });
        listed.resize(kMaxLines);
    }
    std::sort(listed.begin(), listed.end(),
              [](const HostEntry* a, const HostEntry* b) { return a->firstHeard < b->firstHeard; });
    snapshot_.clear();
    for (const HostEntry* e : listed)
        snapshot_.push_back(e->callsign);
    return static_cast<std::int16_t>(snapshot_.size());
}

std::string StationList::Line(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= snapshot_.size()) return {};
    const std::string& call = snapshot_[static_cast<std::size_t>(index)];
    const auto it = entries_.find(call);
    // A station removed since the snapshot keeps its line, with what is known.
    if (it == entries_.end()) return " " + call;
    const HostEntry& e = it->second;
    char rest[96];
    std::snprintf(rest, sizeof rest, " %s %.4f %.4f %.1fkm %03d", e.symbol.c_str(),
                  e.latitudeMinutes / 60.0, e.longitudeMinutes / 60.0, e.distance, e.bearing);
    return " " + call + rest;
}

}  // namespace bb::hostapp
