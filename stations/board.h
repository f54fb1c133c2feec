// The station board's link to the host: the beacon intake, station removal
// and the full scan at start-up, with the handlers of the host's events.
// What follows each event (grid rebuild, map overlays, shutdown) is reached
// through the hooks, so that the windows can be attached without the board
// knowing them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "stations/host.h"
#include "stations/station_table.h"
#include "support/message_pump.h"

namespace bb {

struct BoardHooks {
    std::function<void()> build_station_grid;
    std::function<void()> select_row;
    std::function<void()> Plot_PHG;
    std::function<void()> host_closing;
};

class StationBoard : public host::HostEvents {
  public:
    StationBoard(host::HostMain& host, MessagePump& pump) : host_(host), pump_(pump) {}

    StationTable& Table() { return table_; }
    const StationTable& Table() const { return table_; }
    BoardHooks& Hooks() { return hooks_; }

    // True from the host link's creation until the first grid rebuild ends;
    // the full scan runs only while it holds.
    bool HostReady = false;
    // Stations in emergency, as counted by the full scan.
    std::int32_t EmergencyCount = 0;

    // The intake of one heard station: supersede its live records, ask the
    // host for it, append a record, let pending messages run once, fill it.
    void add_beacon(const std::string& strCallsign, float sngLat, float sngLong);
    // Marks every record of the callsign deleted.
    void remove_beacon(const std::string& strCallsign);
    // Rebuilds the table from every station the host holds.
    void scan_stations();

    void mUIV_NotifyBeacon(const std::string& strCallsign, float sngLat, float sngLong) override;
    void mUIV_NotifyBeaconData(const host::HostStation& cStn) override;
    void mUIV_NotifyDelete(const std::string& strCallsign) override;
    void mUIV_UIView32IsClosing() override;

  private:
    void AfterEvent();
    static void Run(const std::function<void()>& hook) {
        if (hook) hook();
    }

    host::HostMain& host_;
    MessagePump& pump_;
    StationTable table_;
    BoardHooks hooks_;
    host::HostStation mUivStation;  // the query object GetStation fills
};

}  // namespace bb
