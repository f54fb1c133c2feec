// The board's rooms and the way between them. A beacon comes over the host
// link to the station board; the board's table changes and it tells the
// wiring, which has the station's grid row changed and its PHG overlays
// drawn; a finished grid pass is told on to the board (its counts) and to
// the emergency check.
// The radio link tunes a station's QSY frequency. The main window lends its
// grid window, clipboard, pump and scheduler and keeps its menus.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "alarm/alerts.h"
#include "alarm/emergency.h"
#include "app/host_binding.h"
#include "grid/station_grid.h"
#include "map/phg_overlays.h"
#include "platform/grid_control.h"
#include "platform/qt_timer.h"
#include "radio/dde_client.h"
#include "stations/board.h"
#include "support/pass_gate.h"
#include "support/scheduler.h"

namespace bb::app {

// Who ends the program when the host closes.
class BoardOwner {
  public:
    virtual ~BoardOwner() = default;
    virtual void HostClosing() = 0;
};

// What the main window lends the board.
struct WindowParts {
    GridWindow& window;
    platform::GridControl& grid;
    Clipboard& clipboard;
    MessagePump& pump;
    Scheduler& scheduler;
    const SettingValues& settings;
};

class BoardWiring final : public StationsListener,
                          public RebuildListener,
                          public host::MapEvents,
                          public LinkEvents {
  public:
    // The least time between two PHG passes: a pass over the bus to the host
    // costs tens of milliseconds with thousands of PHG stations, and under a
    // full feed the overlays still follow within a quarter of a second.
    static constexpr int kPhgGapMs = 250;

    // Takes the host link, asks for its map and its events; the board's
    // table is empty until Start.
    BoardWiring(WindowParts parts, std::unique_ptr<HostConnection> host, BoardOwner& owner);
    ~BoardWiring() override;

    // The radio link, offered under this program's service name.
    radio::DDEClientModule& MakeRadio(dde::Layer& layer, const std::string& service);
    // The grid, before the settings give it its columns.
    StationGrid& MakeGrid(const std::string& windowTitle);
    // The grid made ready, the map overlays and the emergency check, all
    // following the table.
    void Connect(EmergencyForms& forms, SoundPlayer& sound, const std::string& windowTitle,
                 const std::filesystem::path& alarmSound);
    // The host's events flow: those held since the link run inside the full
    // scan, once it has reset the table.
    void Start();

    HostConnection& Host() { return *host_; }
    StationBoard& Board() { return board_; }
    StationGrid* Grid() { return grid_.get(); }
    PhgOverlays* Overlays() { return phg_.get(); }
    PassGate& PhgGate() { return phgGate_; }
    Emergency* Alarm() { return emergency_.get(); }
    StationAlerts* Alerts() { return alerts_.get(); }
    radio::DDEClientModule* Radio() { return radio_.get(); }

    // The options have changed: the grid is built again, and the next PHG
    // pass draws every station.
    void SettingsChanged();

    // StationsListener
    void StationsChanged(const std::string& callsign) override;
    void StationsScanned() override;
    void HostClosing() override { owner_.HostClosing(); }
    // RebuildListener
    void RebuildFinished(std::int32_t rows, std::int32_t emergencies) override;
    // The host has dropped the overlays with its map: they are drawn again.
    void mUivMap_MapHasChanged() override;
    void mUivMap_MapRedrawn() override;
    // The user chose a station on the host's map: its row is selected.
    void mUivMap_StationChosen(const std::string& callsign) override;
    // A restarted host starts with its own station list; the board keeps
    // what it was told and follows the new host from here on.
    void HostReturned() override;

  private:
    void RedrawOverlays(const char* procedure);

    WindowParts parts_;
    BoardOwner& owner_;
    std::unique_ptr<HostConnection> host_;
    StationBoard board_;
    platform::QtTimer retryTimer_;
    std::unique_ptr<radio::DDEClientModule> radio_;
    std::unique_ptr<StationGrid> grid_;
    std::unique_ptr<PhgOverlays> phg_;
    PassGate phgGate_;
    std::unique_ptr<Emergency> emergency_;
    std::unique_ptr<StationAlerts> alerts_;
};

}  // namespace bb::app
