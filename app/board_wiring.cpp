#include "app/board_wiring.h"

#include "support/error_trap.h"

namespace bb::app {

HostConnection& BoardWiring::Linked(HostConnection& host) {
    host.Map();
    host.SetNotify(true);
    return host;
}

BoardWiring::BoardWiring(WindowParts parts, std::unique_ptr<HostConnection> host, BoardOwner& owner,
                         const BoardSetup& setup)
    : owner_(owner),
      host_(std::move(host)),
      board_(Linked(*host_), parts.pump),
      radio_(parts.dde, retryTimer_, setup.service, &parts.scheduler),
      grid_(parts.grid, board_, *host_, parts.clipboard, parts.window, parts.settings,
            setup.windowTitle, &parts.scheduler),
      phg_(board_, host_->Map(), parts.pump, parts.settings, &parts.scheduler),
      emergency_(board_, phg_, parts.pump, parts.forms, parts.sound, parts.window, parts.settings,
                 parts.actions, &parts.scheduler),
      alerts_(board_, parts.settings, parts.actions, &parts.scheduler) {
    board_.HostLinked();
    board_.SetListener(this);
    for (int n = 1; n <= setup.columns.UpperBound(); ++n)
        grid_.SetVisible(n, setup.columns.Visible(n));
    grid_.FillColumnCaptions();
    grid_.select_columns();
    grid_.PrepareGrid();
    grid_.SetRebuildListener(this);
    emergency_.SetWindowTitle(setup.windowTitle);
    emergency_.SetSoundFile(setup.alarmSound);
    host_->SetEvents(&board_, this, this);
}

BoardWiring::~BoardWiring() {
    // Nothing the host still delivers reaches what goes now.
    host_->SetEvents(nullptr, nullptr, nullptr);
    board_.SetListener(nullptr);
}

void BoardWiring::Start() {
    host_->Release();
    board_.scan_stations();
}

void BoardWiring::StationsChanged(const std::string& callsign) {
    grid_.StationChanged(callsign);
    phg_.StationChanged(callsign);
    phg_.Gate().Request();
    Trap("StationAlerts.StationHeard", [&] { alerts_.StationHeard(callsign); });
}

void BoardWiring::SettingsChanged() {
    phg_.DrawAllNext();
    alerts_.SettingsChanged();
    grid_.build_station_grid();
}

void BoardWiring::StationsScanned() {
    grid_.build_station_grid();
    grid_.select_row();
}

void BoardWiring::RebuildFinished(std::int32_t rows, std::int32_t emergencies) {
    // The caption counts what this grid pass showed.
    board_.GridBuilt(emergencies);
    emergency_.CheckEmergencies(rows, emergencies);
}

void BoardWiring::RedrawOverlays(const char* procedure) {
    Trap(procedure, [&] {
        phg_.DrawAllNext();
        phg_.Gate().Request();
        // The emergency markers went with the redraw too.
        emergency_.PlotMarkers();
    });
}

void BoardWiring::mUivMap_MapHasChanged() {
    RedrawOverlays("Form1.mUivMap_MapHasChanged");
}

void BoardWiring::mUivMap_MapRedrawn() {
    RedrawOverlays("Form1.mUivMap_MapRedrawn");
}

void BoardWiring::StationChosen(const std::string& callsign) {
    grid_.SelectStation(callsign);
}

void BoardWiring::HostReturned() {
    if (!Trap("BoardWiring.HostReturned", [&] {
            host_->Map();
            host_->SetNotify(true);
        }))
        return;
    RedrawOverlays("BoardWiring.HostReturned");
}

}  // namespace bb::app
