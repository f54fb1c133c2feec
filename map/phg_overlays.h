// The board's drawings on the host's map: each PHG station's coverage (a
// green circle when omnidirectional, a blue arrow with a blue circle when
// directional) and the red marker of an unacknowledged emergency. The host
// keeps none of them across its own redraws, so every pass draws them all.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "stations/board.h"
#include "stations/host.h"
#include "support/colours.h"
#include "support/message_pump.h"
#include "support/pass_gate.h"
#include "support/scheduler.h"
#include "support/settings.h"

namespace bb {

inline constexpr float kTwoPi = 6.2831855f;  // 2π as the host receives it

// The arrow's angle for a directivity digit 1 to 8 (NE, E, ... N). The host's
// y is the latitude, north up, and the tip lies at (x + L·cos θ, y − L·sin θ);
// a compass bearing β therefore needs θ = β − π/2, kept within 0 to 2π.
double DirectionAngle(int directivityCode);

class PhgOverlays {
  public:
    // The least time between two passes: a pass over the bus to the host
    // costs tens of milliseconds with thousands of PHG stations, and under a
    // full feed the overlays still follow within a quarter of a second.
    static constexpr int kPassGapMs = 250;

    // The passes the events ask for go through `scheduler`; without one
    // each runs at once.
    PhgOverlays(StationBoard& board, HostMap& map, MessagePump& pump, const SettingValues& settings,
                Scheduler* scheduler = nullptr)
        : board_(board),
          map_(map),
          pump_(pump),
          settings_(settings),
          gate_(
              kPassGapMs, [this] { PlotPass(); }, PassGate::Spacing::EveryPass, scheduler) {}

    // Every live PHG station of the table, in table order; nothing when
    // "PlotOnMap" is off. No trap of its own: errors pass to the caller.
    void Plot_PHG();

    // The host keeps every figure until it repaints its map, so between
    // repaints a pass needs only the figures of the stations that changed.
    // A station's records changed: the next pass draws its live one.
    void StationChanged(const std::string& callsign);
    // The host has repainted its map (or is new, or the settings changed):
    // the next pass draws every station. The first pass does too.
    void DrawAllNext() { all_ = true; }
    // The pass the events ask for: all stations or the changed ones. After
    // plotting is switched on every station is drawn, whatever the pass in
    // between missed.
    void PlotPass();
    // Where the events ask for PlotPass: a burst of them runs a few passes.
    PassGate& Gate() { return gate_; }
    void Plot_PHGCircle(float x, float y, double range);
    void Plot_PHGArrow(float x, float y, double theta, double range);
    void Plot_Circle2(float x, float y, double size);

  private:
    void Circle(float x, float y, double radius, std::int32_t colour);
    void PlotStation(const StationRecord& r);

    StationBoard& board_;
    HostMap& map_;
    MessagePump& pump_;
    const SettingValues& settings_;
    PassGate gate_;
    bool all_ = true;
    bool plotting_ = false;                    // "PlotOnMap" as the last pass found it
    std::vector<std::string> changed_;         // in the order they came, each once
    std::unordered_set<std::string> pending_;  // the same, to look up
};

}  // namespace bb
