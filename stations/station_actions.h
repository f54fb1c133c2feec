// What the windows and the desktop notifications ask of the board for a
// station: its symbol's picture, the tune dialog, and its row on screen.
#pragma once

#include <memory>
#include <string>

#include "stations/station_record.h"
#include "support/picture.h"

namespace bb {

class StationActions {
  public:
    virtual ~StationActions() = default;
    // The symbol's picture through the host; null when the host has none.
    virtual std::shared_ptr<const Picture> SymbolPicture(const std::string& symbol) = 0;
    // Opens the tune dialog for the station's live record.
    virtual void Tune(const std::string& callsign) = 0;
    // Opens the tune dialog for a record a window holds.
    virtual void TuneRecord(const StationRecord& record) = 0;
    // Selects the station's row, scrolls it into sight and brings the board
    // to the front.
    virtual void ShowStation(const std::string& callsign) = 0;
};

}  // namespace bb
