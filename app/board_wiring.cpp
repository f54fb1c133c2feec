#include "app/board_wiring.h"

#include "support/error_trap.h"

namespace bb::app {

BoardWiring::BoardWiring(WindowParts parts, std::unique_ptr<HostConnection> host, BoardOwner& owner)
    : parts_(parts),
      owner_(owner),
      host_(std::move(host)),
      board_(*host_, parts.pump),
      phgGate_(kPhgGapMs, [this] {
          if (phg_) phg_->Plot_Changes();
      }) {
    host_->Map();
    host_->SetNotify(true);
    board_.HostLinked();
    board_.SetListener(this);
    phgGate_.SetScheduler(&parts.scheduler);
}

BoardWiring::~BoardWiring() {
    // Nothing the host still delivers reaches what goes now.
    host_->SetEvents(nullptr, nullptr, nullptr);
    board_.SetListener(nullptr);
}

radio::DDEClientModule& BoardWiring::MakeRadio(dde::Layer& layer, const std::string& service) {
    radio_ = std::make_unique<radio::DDEClientModule>(layer, retryTimer_, service);
    radio_->SetScheduler(&parts_.scheduler);
    return *radio_;
}

StationGrid& BoardWiring::MakeGrid(const std::string& windowTitle) {
    grid_ = std::make_unique<StationGrid>(parts_.grid, board_, *host_, parts_.clipboard,
                                          parts_.window, parts_.settings, windowTitle);
    return *grid_;
}

void BoardWiring::Connect(EmergencyForms& forms, SoundPlayer& sound, const std::string& windowTitle,
                          const std::filesystem::path& alarmSound) {
    grid_->FillColumnCaptions();
    grid_->select_columns();
    grid_->PrepareGrid();
    grid_->SetScheduler(&parts_.scheduler);
    grid_->SetRebuildListener(this);
    phg_ = std::make_unique<PhgOverlays>(board_, host_->Map(), parts_.pump, parts_.settings);
    emergency_ = std::make_unique<Emergency>(board_, *phg_, parts_.pump, forms, sound,
                                             parts_.window, parts_.settings);
    emergency_->WindowGate().SetScheduler(&parts_.scheduler);
    emergency_->SetWindowTitle(windowTitle);
    emergency_->SetSoundFile(alarmSound);
    alerts_ = std::make_unique<StationAlerts>(board_, parts_.settings);
    alerts_->SetScheduler(&parts_.scheduler);
    host_->SetEvents(&board_, this, this);
}

void BoardWiring::Start() {
    host_->Release();
    board_.scan_stations();
}

void BoardWiring::StationsChanged(const std::string& callsign) {
    if (grid_) grid_->StationChanged(callsign);
    if (phg_) phg_->StationChanged(callsign);
    phgGate_.Request();
    if (alerts_) Trap("StationAlerts.StationHeard", [&] { alerts_->StationHeard(callsign); });
}

void BoardWiring::SettingsChanged() {
    if (phg_) phg_->DrawAllNext();
    if (alerts_) alerts_->SettingsChanged();
    if (grid_) grid_->build_station_grid();
}

void BoardWiring::StationsScanned() {
    if (!grid_) return;
    grid_->build_station_grid();
    grid_->select_row();
}

void BoardWiring::RebuildFinished(std::int32_t rows, std::int32_t emergencies) {
    // The caption counts what this grid pass showed.
    board_.GridBuilt(emergencies);
    if (emergency_) emergency_->CheckEmergencies(rows, emergencies);
}

void BoardWiring::RedrawOverlays(const char* procedure) {
    Trap(procedure, [&] {
        if (phg_) phg_->DrawAllNext();
        phgGate_.Request();
        // The emergency markers went with the redraw too.
        if (emergency_) emergency_->PlotMarkers();
    });
}

void BoardWiring::mUivMap_MapHasChanged() {
    RedrawOverlays("Form1.mUivMap_MapHasChanged");
}

void BoardWiring::mUivMap_MapRedrawn() {
    RedrawOverlays("Form1.mUivMap_MapRedrawn");
}

void BoardWiring::mUivMap_StationChosen(const std::string& callsign) {
    if (grid_) grid_->SelectStation(callsign);
}

void BoardWiring::HostReturned() {
    if (!Trap("Form1.host_returned", [&] {
            host_->Map();
            host_->SetNotify(true);
        }))
        return;
    RedrawOverlays("Form1.host_returned");
}

}  // namespace bb::app
