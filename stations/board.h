// The station board's link to the host: the beacon intake, station removal
// and the full scan at start-up, with the handlers of the host's events.
// What follows each event (grid rebuild, map overlays, shutdown) is up to its
// listener, so that the windows can be attached without the board knowing
// them.
#pragma once

#include <cstdint>
#include <string>

#include "stations/host.h"
#include "stations/station_table.h"
#include "support/message_pump.h"

namespace bb {

// What the board tells the one who follows its table.
class StationsListener {
  public:
    virtual ~StationsListener() = default;
    // A beacon or a deletion changed the records of `callsign`: the grid and
    // the map follow.
    virtual void StationsChanged(const std::string& callsign) = 0;
    // The full scan has filled the table anew: the grid and its selection follow.
    virtual void StationsScanned() = 0;
    // The host is closing; the program ends with it.
    virtual void HostClosing() = 0;
};

class StationBoard : public HostEvents {
  public:
    StationBoard(HostMain& host, MessagePump& pump) : host_(host), pump_(pump) {}

    StationTable& Table() { return table_; }
    const StationTable& Table() const { return table_; }
    void SetListener(StationsListener* listener) { listener_ = listener; }

    // True from the host link's creation until the first grid rebuild ends;
    // the full scan runs only while it holds.
    bool HostReady() const { return hostReady_; }
    void HostLinked() { hostReady_ = true; }
    // Stations in emergency, as counted by the full scan and then by each
    // grid rebuild.
    std::int32_t EmergencyCount() const { return emergencyCount_; }
    // A grid rebuild has ended, showing `emergencies` stations in emergency.
    void GridBuilt(std::int32_t emergencies) {
        hostReady_ = false;
        emergencyCount_ = emergencies;
    }

    // The intake of one heard station: supersede its live records, ask the
    // host for it, append a record, let pending messages run once, fill it.
    void add_beacon(const std::string& strCallsign, float sngLat, float sngLong);
    // Marks every record of the callsign deleted.
    void remove_beacon(const std::string& strCallsign);
    // Rebuilds the table from every station the host holds.
    void scan_stations();
    // Stations asked for in one call by a scan, of a host that lists in batches.
    static constexpr std::int32_t kScanBatch = 2000;

    void mUIV_NotifyBeacon(const std::string& strCallsign, float sngLat, float sngLong) override;
    void mUIV_NotifyBeaconData(const HostStation& cStn) override;
    void mUIV_NotifyDelete(const std::string& strCallsign) override;
    void mUIV_UIView32IsClosing() override;

  private:
    void AfterEvent(const std::string& callsign);

    HostMain& host_;
    MessagePump& pump_;
    StationTable table_;
    StationsListener* listener_ = nullptr;
    bool hostReady_ = false;
    std::int32_t emergencyCount_ = 0;
    HostStation mUivStation;  // the query object GetStation fills
};

}  // namespace bb
