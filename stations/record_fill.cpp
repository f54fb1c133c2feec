#include "stations/record_fill.h"

#include "stations/comment_decoder.h"
#include "stations/position.h"
#include "support/error_trap.h"
#include "support/text_encoding.h"
#include "support/vbtypes.h"

namespace bb {

std::string PositionText(const StationRecord& r, PositionPart part) {
    std::string text;
    float value = part == PositionPart::Longitude ? r.Longitude : r.Latitude;
    if (part == PositionPart::Locator)
        LocatorFromPosition(static_cast<double>(r.Longitude) / 60.0,
                            static_cast<double>(r.Latitude) / 60.0, text);
    else
        FormatCoordinate(value, text, part == PositionPart::Longitude);
    return text;
}

namespace {

std::string ShownPositionText(const StationRecord& r, PositionPart part) {
    try {
        return PositionText(r, part);
    } catch (const RuntimeError&) {
        return {};
    }
}

}  // namespace

std::string StationRecord::LatitudeText() const {
    return ShownPositionText(*this, PositionPart::Latitude);
}
std::string StationRecord::LongitudeText() const {
    return ShownPositionText(*this, PositionPart::Longitude);
}
std::string StationRecord::Locator() const {
    return ShownPositionText(*this, PositionPart::Locator);
}

void FillRecordFields(StationRecord& r, const HostStation& s, const TZone& zone) {
    r.Symbol = s.Symbol;
    r.Latitude = s.Latitude;
    r.Longitude = s.Longitude;
    const DateTime when = s.ReportDate == 0 ? s.FallbackDate : s.ReportDate;
    r.HeardTime = CLng(Val(zone.DateToUnix(when)));
    // The texts are made when shown; a position none can show is said here.
    PositionText(r, PositionPart::Latitude);
    PositionText(r, PositionPart::Longitude);
    PositionText(r, PositionPart::Locator);
    r.Bearing = s.Bearing;
    r.Course = s.Course;
    r.Speed = s.Speed;
    r.BeaconText = s.BeaconText;
    r.CommentLength = 0;
    r.Distance = s.Distance;
    if (UCase(s.StatusText) == "EMERGENCY") {
        r.Emergency = true;
        r.EmergencyAcknowledged = false;
    }
    // The host counts its string's characters (UTF-16 units), not the bytes
    // of the UTF-8 text here.
    if (static_cast<std::int64_t>(Utf16Length(s.BeaconText)) > s.CommentStart) {
        if (s.CommentStart < 1) Raise(err::kInvalidCall, "comment start before the text");
        const std::string_view comment =
            MidUnits(r.BeaconText, static_cast<std::size_t>(s.CommentStart));
        r.CommentLength = static_cast<std::uint32_t>(comment.size());
        ParseComment(r, comment);
    }
}

bool CallsignFromHostLine(std::string_view line, std::string& callsign) {
    if (line.size() < 2) return false;
    const std::size_t blank = line.find(' ', 1);
    if (blank == std::string_view::npos) return false;
    std::string_view cs = line.substr(1, blank - 1);
    if (!cs.empty() && cs.back() == '*') cs.remove_suffix(1);
    if (cs.empty()) return false;
    callsign = std::string(cs);
    return true;
}

}  // namespace bb
