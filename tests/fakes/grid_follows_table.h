// The table's changes reach the grid, as they do in the program; the map
// and the shutdown are left out.
#pragma once

#include "grid/station_grid.h"
#include "stations/board.h"

namespace bb::testing {

struct GridFollowsTable final : StationsListener {
    StationGrid& grid;
    explicit GridFollowsTable(StationGrid& g) : grid(g) {}
    void StationsChanged(const std::string& callsign) override { grid.StationChanged(callsign); }
    void StationsScanned() override { grid.build_station_grid(); }
    void HostClosing() override {}
};

}  // namespace bb::testing
