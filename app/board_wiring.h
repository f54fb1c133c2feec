// The board's rooms and the way between them. A beacon comes over the host
// link to the station board; the board's table changes and it tells the
// wiring, which has the station's grid row changed and its PHG overlays
// drawn; a finished grid pass is told on to the board (its counts) and to
// the emergency check.
// The radio link tunes a station's QSY frequency. The main window reads the
// settings first and lends its grid window, clipboard, pump, scheduler and
// windows; every room is built with the wiring, and none is ever missing.
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
    EmergencyForms& forms;
    SoundPlayer& sound;
    // How the radio link talks to the radio-control programs.
    dde::Layer& dde;
    // What the alarm's and the alerts' notifications ask of the board.
    StationActions& actions;
};

// What the settings and the program give the board at start-up.
struct BoardSetup {
    // The program's own service name for the radio link, its executable's name.
    std::string service;
    std::string windowTitle;
    // The alarm sound; an empty path plays nothing.
    std::filesystem::path alarmSound;
    // The grid's columns as the settings file has them.
    const ColumnVisibility& columns;
};

class BoardWiring final : public StationsListener,
                          public RebuildListener,
                          public MapEvents,
                          public LinkEvents {
  public:
    // Takes the host link, asks for its map and its events, and builds every
    // room: the grid with its columns, the overlays, the emergency check, the
    // alerts and the radio link, each on the window's scheduler. The board's
    // table is empty until Start.
    BoardWiring(WindowParts parts, std::unique_ptr<HostConnection> host, BoardOwner& owner,
                const BoardSetup& setup);
    ~BoardWiring() override;
    BoardWiring(const BoardWiring&) = delete;
    BoardWiring& operator=(const BoardWiring&) = delete;

    // The host's events flow: those held since the link run inside the full
    // scan, once it has reset the table.
    void Start();

    HostConnection& Host() { return *host_; }
    StationBoard& Board() { return board_; }
    StationGrid& Grid() { return grid_; }
    PhgOverlays& Overlays() { return phg_; }
    PassGate& PhgGate() { return phg_.Gate(); }
    Emergency& Alarm() { return emergency_; }
    StationAlerts& Alerts() { return alerts_; }
    radio::DDEClientModule& Radio() { return radio_; }

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
    void StationChosen(const std::string& callsign) override;
    // A restarted host starts with its own station list; the board keeps
    // what it was told and follows the new host from here on.
    void HostReturned() override;

  private:
    // The host's map and events asked for, before any room uses the link.
    static HostConnection& Linked(HostConnection& host);
    void RedrawOverlays(const char* procedure);

    BoardOwner& owner_;
    std::unique_ptr<HostConnection> host_;
    StationBoard board_;
    platform::QtTimer retryTimer_;
    radio::DDEClientModule radio_;
    StationGrid grid_;
    PhgOverlays phg_;
    Emergency emergency_;
    StationAlerts alerts_;
};

}  // namespace bb::app
