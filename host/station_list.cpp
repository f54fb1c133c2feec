#include "host/station_list.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <numbers>
#include <system_error>

#include "host/number_text.h"

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
    if (pt.form == Form::FullDate) {
        stamp = UtcSeconds(pt.year, pt.month, pt.day, pt.hour, pt.minute, pt.second);
    } else if (pt.form == Form::HourMinuteSecond) {
        stamp = UtcSeconds(year, month, now.tm_mday, pt.hour, pt.minute, pt.second);
        if (stamp > nowInStampClock + 3600) stamp -= 86400;
    } else {
        // The latest month that has the day, from next month's (a sender's
        // clock a little ahead over a month's end) back: the 31st heard on
        // 1 March is January's, not a day in March.
        bool found = false;
        for (int back = -1; back <= 3 && !found; ++back) {
            const std::int64_t at = UtcSeconds(year, month - back, pt.day, pt.hour, pt.minute, 0);
            const std::time_t t = static_cast<std::time_t>(at);
            std::tm named{};
            gmtime_r(&t, &named);
            if (named.tm_mday != pt.day || at > nowInStampClock + 86400) continue;
            stamp = at;
            found = true;
        }
        if (!found) return 0;  // no month has such a day
    }
    std::int64_t utc = stamp - offset;
    if (utc > heardUnix + kStampAheadSeconds) utc = heardUnix;
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
    // A position stamped earlier than the one held (a report delayed on its
    // way, or a replay looping) is old news: the newer position stays.
    if (!fresh && r.hasPosition && e.hasPosition && e.reportDate != 0) {
        const DateTime stamped = ReportDateOf(r.time, nowUnix, zone_);
        if (stamped != 0 && stamped < e.reportDate) return Change::None;
    }
    if (fresh) {
        e.callsign = r.name;
        e.firstHeard = ++sequence_;
    }
    e.lastHeard = ++sequence_;
    e.heardUnix = nowUnix;
    oldestHeard_ = std::min(oldestHeard_, nowUnix);
    newestHeard_ = std::max(newestHeard_, nowUnix);
    e.fallbackDate = SerialOfUnix(nowUnix + zone_(nowUnix));
    TakeStatus(e, r, nowUnix);
    if (!r.hasPosition) return e.hasPosition ? Change::Updated : Change::None;

    e.hasPosition = true;
    e.beaconText = aprs::OfferedText(info);
    e.symbol = std::string{r.symbolTable, r.symbolCode};
    e.latitudeMinutes = r.latitude * 60.0;
    e.longitudeMinutes = r.longitude * 60.0;
    // A replayed stamp is read against the time it was recorded and moved
    // on as far as the replay, so its age is what it was when heard.
    const std::int64_t stampHeard = r.recordedUnix != 0 ? r.recordedUnix : nowUnix;
    e.reportDate = ReportDateOf(r.time, stampHeard, zone_);
    if (e.reportDate != 0)
        e.reportDate += static_cast<double>(nowUnix - stampHeard) / kSecondsPerDay;
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
    // None is old enough, and the clock has not been set back.
    if (nowUnix >= newestHeard_ && nowUnix - oldestHeard_ < maxAgeSeconds) return gone;
    std::int64_t oldest = nowUnix;
    for (auto it = entries_.begin(); it != entries_.end();) {
        // Heard after now: the clock has been set back since. Its age counts
        // from now, or it would stay until the clock came round again.
        it->second.heardUnix = std::min(it->second.heardUnix, nowUnix);
        if (nowUnix - it->second.heardUnix >= maxAgeSeconds) {
            if (it->second.hasPosition) gone.push_back(it->first);
            it = entries_.erase(it);
        } else {
            oldest = std::min(oldest, it->second.heardUnix);
            ++it;
        }
    }
    oldestHeard_ = oldest;
    newestHeard_ = nowUnix;
    return gone;
}

std::size_t StationList::Snapshot(std::size_t most) {
    std::vector<const HostEntry*> listed;
    listed.reserve(entries_.size());
    for (const auto& [call, e] : entries_) {
        if (e.hasPosition) listed.push_back(&e);
    }
    if (listed.size() > most) {
        std::nth_element(
            listed.begin(), listed.begin() + static_cast<std::ptrdiff_t>(most), listed.end(),
            [](const HostEntry* a, const HostEntry* b) { return a->lastHeard > b->lastHeard; });
        listed.resize(most);
    }
    std::sort(listed.begin(), listed.end(),
              [](const HostEntry* a, const HostEntry* b) { return a->firstHeard < b->firstHeard; });
    snapshot_.clear();
    for (const HostEntry* e : listed)
        snapshot_.push_back(e->callsign);
    return snapshot_.size();
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

namespace {

constexpr std::string_view kListHeader = "bb-host stations 1";
constexpr std::size_t kListFields = 14;

// Tabs, line ends and backslashes in a field, escaped.
void PutField(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
}

bool Unescape(std::string_view field, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i == field.size()) return false;
        switch (field[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return false;
        }
    }
    return true;
}

}  // namespace

std::string StationList::Write() const {
    std::vector<const HostEntry*> all;
    all.reserve(entries_.size());
    for (const auto& [call, e] : entries_)
        all.push_back(&e);
    std::sort(all.begin(), all.end(),
              [](const HostEntry* a, const HostEntry* b) { return a->firstHeard < b->firstHeard; });
    std::string out(kListHeader);
    out += '\n';
    for (const HostEntry* e : all) {
        for (const std::string* text :
             {&e->callsign, &e->symbol, &e->beaconText, &e->statusText, &e->statusReport}) {
            PutField(out, *text);
            out += '\t';
        }
        for (const double v :
             {static_cast<double>(e->micEEmergencyUnix), e->latitudeMinutes, e->longitudeMinutes,
              e->speed, static_cast<double>(e->course), e->reportDate,
              static_cast<double>(e->commentStart), e->hasPosition ? 1.0 : 0.0}) {
            PutNumber(out, v);
            out += '\t';
        }
        out += std::to_string(e->heardUnix);
        out += '\n';
    }
    return out;
}

namespace {

// One line of the list; false when it is not a station.
bool ReadStation(std::string_view line, HostEntry& e) {
    std::vector<std::string_view> f;
    for (std::size_t from = 0;;) {
        const std::size_t tab = line.find('\t', from);
        f.push_back(line.substr(from, tab == std::string_view::npos ? line.npos : tab - from));
        if (tab == std::string_view::npos) break;
        from = tab + 1;
    }
    double emergency = 0, course = 0, commentStart = 0, hasPosition = 0;
    const bool ok =
        f.size() == kListFields && Unescape(f[0], e.callsign) && !e.callsign.empty() &&
        Unescape(f[1], e.symbol) && Unescape(f[2], e.beaconText) && Unescape(f[3], e.statusText) &&
        Unescape(f[4], e.statusReport) && Number(f[5], emergency) &&
        Number(f[6], e.latitudeMinutes) && Number(f[7], e.longitudeMinutes) &&
        Number(f[8], e.speed) && Number(f[9], course) && Number(f[10], e.reportDate) &&
        Number(f[11], commentStart) && Number(f[12], hasPosition) && Number(f[13], e.heardUnix) &&
        std::fabs(e.latitudeMinutes) <= 90 * 60 && std::fabs(e.longitudeMinutes) <= 180 * 60 &&
        course >= -32768 && course <= 32767 && commentStart >= 0 && commentStart <= 32767 &&
        emergency >= 0 && emergency < 1e12;  // a time in seconds, or none
    if (!ok) return false;
    e.micEEmergencyUnix = static_cast<std::int64_t>(emergency);
    e.course = static_cast<std::int16_t>(course);
    e.commentStart = static_cast<std::int16_t>(commentStart);
    e.hasPosition = hasPosition != 0;
    return true;
}

}  // namespace

bool StationList::Read(std::string_view text, std::int64_t nowUnix, std::int64_t maxAgeSeconds,
                       std::string& why) {
    const auto lineEnd = text.find('\n');
    if (text.substr(0, lineEnd) != kListHeader) {
        why = "not a station list of bb-host";
        return false;
    }
    why.clear();
    std::vector<HostEntry> read;
    std::size_t lineNumber = 1, damaged = 0, firstDamaged = 0;
    for (std::size_t at = lineEnd; at != std::string_view::npos && at + 1 < text.size();) {
        const std::size_t next = text.find('\n', at + 1);
        const std::string_view line =
            text.substr(at + 1, next == std::string_view::npos ? text.npos : next - at - 1);
        at = next;
        ++lineNumber;
        HostEntry e;
        if (!ReadStation(line, e)) {
            if (damaged++ == 0) firstDamaged = lineNumber;
            continue;
        }
        read.push_back(std::move(e));
    }
    for (HostEntry& e : read) {
        if (nowUnix - e.heardUnix >= maxAgeSeconds) continue;
        auto [it, fresh] = entries_.try_emplace(e.callsign);
        // A station heard since the start keeps what it said then.
        if (!fresh) continue;
        e.firstHeard = e.lastHeard = ++sequence_;
        oldestHeard_ = std::min(oldestHeard_, e.heardUnix);
        newestHeard_ = std::max(newestHeard_, e.heardUnix);
        e.fallbackDate = SerialOfUnix(e.heardUnix + zone_(e.heardUnix));
        if (e.hasPosition)
            DistanceAndBearing(home_, e.latitudeMinutes / 60.0, e.longitudeMinutes / 60.0,
                               e.distance, e.bearing);
        it->second = std::move(e);
    }
    if (damaged == 1)
        why = "line " + std::to_string(firstDamaged) + " is not a station";
    else if (damaged > 1)
        why = std::to_string(damaged) + " lines are not stations, the first line " +
              std::to_string(firstDamaged);
    return true;
}

}  // namespace bb::hostapp
