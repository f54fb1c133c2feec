// The station batch of HostStations: many stations of the host's list in
// one answer, each with its line and its data, so that a board beside a host
// that holds tens of thousands of stations reads them in a few calls.
//
// Per station, in the list's order: its line, the callsign the host knows it
// by, one byte that is 1 when the host still knows the station (0: it has
// gone since the list was fixed, and nothing more follows for it); then
// Symbol, BeaconText and StatusText; Longitude, Latitude, Speed and
// Distance as IEEE 754 singles; ReportDate and FallbackDate as doubles; then
// Course, CommentStart and Bearing as 16-bit integers. A text is its length
// in bytes (32 bits) and its UTF-8 bytes; every number is little-endian.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "stations/host.h"

namespace bb::bus {

// Adds one station to the batch; `station` null: the host no longer knows it.
void PutListedStation(std::string& batch, std::string_view line, std::string_view callsign,
                      const HostStation* station);

// Reads a whole batch into `listings`. False, with the stations before the
// fault read, when the bytes end inside a station or a flag is neither 0 nor 1.
bool ReadStationBatch(std::string_view batch, std::vector<HostListing>& listings);

}  // namespace bb::bus
