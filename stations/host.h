// The host APRS program's automation objects, as the board uses them: the
// main object, its map and the station query object, and the events of the
// main object and the map. A binding to a running host implements them; the
// tests implement them with a scripted host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/clock.h"
#include "support/picture.h"

namespace bb {

// The station object: `Callsign` is written to name the station to look up,
// the rest is what `GetStation` fills in.
struct HostStation {
    std::string Callsign;
    std::string Symbol;
    std::string BeaconText;
    std::string StatusText;
    float Longitude = 0;  // minutes of arc, east positive
    float Latitude = 0;   // minutes of arc, north positive
    float Speed = 0;
    std::int16_t Course = 0;
    DateTime ReportDate = 0;
    DateTime FallbackDate = 0;
    float Distance = 0;
    std::int16_t CommentStart = 0;  // 1-based position in BeaconText
    std::int16_t Bearing = 0;
};

// One station of the host's list as a batch gives it: its line, the
// callsign the host itself knows it by, and, when the host still knows the
// station, what GetStation for that callsign fills in.
struct HostListing {
    std::string line;
    std::string callsign;
    bool known = false;
    HostStation station;
};

class HostMap {
  public:
    virtual ~HostMap() = default;
    virtual void MapCircle(float x, float y, float radius, std::int32_t colour, float startAngle,
                           float endAngle, float aspect) = 0;
    virtual void MapLine(float x1, float y1, float x2, float y2, std::int32_t colour,
                         std::int32_t flags) = 0;
    virtual void SetMapLineWidth(std::int16_t width) = 0;
    virtual void SetMapDrawMode(std::int16_t mode) = 0;
    virtual void SetMapDrawColour(std::int32_t colour) = 0;
    // Centres the host's map on the station and marks it: true when the host
    // knows it, false when not; nothing when the host's map cannot.
    virtual std::optional<bool> ShowStation(const std::string& callsign) {
        (void)callsign;
        return std::nullopt;
    }
};

class HostMain {
  public:
    virtual ~HostMain() = default;
    // True and `station` filled when the host knows the station named by its Callsign.
    virtual bool GetStation(HostStation& station) = 0;
    // True when the clipboard now holds the symbol's picture.
    virtual bool SymbolToClipboard(const std::string& table, const std::string& symbol,
                                   const std::string& overlay, std::int16_t flags) = 0;
    // The symbol's picture straight from the host, leaving the user's
    // clipboard alone: true with `picture` filled, false when the host has
    // none of the symbol; nothing when the host cannot give pictures so
    // (SymbolToClipboard is then the way).
    virtual std::optional<bool> SymbolPicture(const std::string& table, const std::string& symbol,
                                              const std::string& overlay, Picture& picture) {
        (void)table, (void)symbol, (void)overlay, (void)picture;
        return std::nullopt;
    }
    virtual HostMap& Map() = 0;
    virtual std::int16_t HostStationCount() = 0;
    // The line of the station at `index` (from 0); empty when there is none.
    virtual std::string HostStationLine(std::int16_t index) = 0;
    virtual void SetNotify(bool enabled) = 0;
    // Whether the host hands its list over in batches (HostStations); one
    // that does not is read a station at a time.
    virtual bool ListsInBatches() { return false; }
    // At most `count` stations of the host's list from `first` on, in the
    // order of HostStationLine (a host may give fewer); none past the list's
    // end. A call with `first` 0 fixes the list anew, with every station the
    // host holds.
    virtual std::vector<HostListing> HostStations(std::int32_t first, std::int32_t count) {
        (void)first, (void)count;
        return {};
    }
};

// Events of the main object.
class HostEvents {
  public:
    virtual ~HostEvents() = default;
    virtual void mUIV_DataAvailable() {}
    virtual void mUIV_NotifyBeacon(const std::string& strCallsign, float sngLat, float sngLong) = 0;
    virtual void mUIV_NotifyBeaconData(const HostStation& cStn) = 0;
    virtual void mUIV_NotifyDelete(const std::string& strCallsign) = 0;
    virtual void mUIV_UIView32IsClosing() = 0;
};

// Events of the map object.
class MapEvents {
  public:
    virtual ~MapEvents() = default;
    virtual void mUivMap_MapHasChanged() = 0;
    virtual void mUivMap_MapRedrawn() = 0;
    // The user clicked the station on the host's map.
    virtual void StationChosen(const std::string& callsign) { (void)callsign; }
};

}  // namespace bb
