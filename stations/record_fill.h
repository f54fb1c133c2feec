// Filling a station record from what the host answered for it; shared by the
// beacon intake and the full scan.
#pragma once

#include <string>
#include <string_view>

#include "stations/host.h"
#include "stations/station_record.h"
#include "support/clock.h"

namespace bb {

enum class PositionPart { Latitude, Longitude, Locator };
// One of a record's position texts; error 6 or 5 for a position it cannot show.
std::string PositionText(const StationRecord& r, PositionPart part);

// Every field after Callsign and Deleted, in the fill's order: an error in
// one step leaves the fields set before it and the rest empty.
void FillRecordFields(StationRecord& record, const HostStation& station, const TZone& zone);

// The callsign of one of the host's station lines: from the second character
// to the first blank after it, one final "*" dropped. False when the line
// has no blank after the callsign or the callsign is empty.
bool CallsignFromHostLine(std::string_view line, std::string& callsign);

}  // namespace bb
