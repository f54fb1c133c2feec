#include "map/phg_overlays.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "support/error_trap.h"
#include "support/vbtypes.h"

namespace bb {
namespace {

constexpr float kThirdTurn = kTwoPi / 3.0f;

}  // namespace

double DirectionAngle(int directivityCode) {
    const double bearing = directivityCode * std::numbers::pi / 4.0;
    double theta = bearing - std::numbers::pi / 2.0;
    if (theta < 0) theta += 2.0 * std::numbers::pi;
    if (theta >= 2.0 * std::numbers::pi) theta -= 2.0 * std::numbers::pi;
    return theta;
}

void PhgOverlays::Plot_PHG() {
    StationTable& table = board_.Table();
    // Indices stay valid across the pauses; records appended meanwhile are
    // drawn by the pass their own event asks for.
    StationTable::WalkHold hold(table);
    const std::int32_t count = table.StationCount();
    for (std::int32_t i = 0; i < count; ++i) {
        pump_.LetPendingMessagesRun();
        PlotStation(table[i]);
    }
}

void PhgOverlays::PlotStation(const StationRecord& r) {
    if (r.Deleted || !settings_.PHGPlotOnMap) return;
    if (!r.HasPHG && !r.HasPHGRate) return;
    // Copies: the drawing calls may pause, and the record must not be
    // read through a reference after that.
    const float x = r.Longitude, y = r.Latitude;
    const double range = r.PHG->Range;
    if (r.PHG->DirectivityCode < 1)
        Plot_PHGCircle(x, y, range);
    else
        Plot_PHGArrow(x, y, DirectionAngle(r.PHG->DirectivityCode), range);
}

void PhgOverlays::StationChanged(const std::string& callsign) {
    if (all_) return;
    if (pending_.insert(callsign).second) changed_.push_back(callsign);
}

void PhgOverlays::PlotPass() {
    // What comes during this pass's pauses is for the next one.
    // A pass that fails leaves its work for the next.
    if (settings_.PHGPlotOnMap && !plotting_) all_ = true;
    plotting_ = settings_.PHGPlotOnMap;
    if (all_) {
        all_ = false;
        changed_.clear();
        pending_.clear();
        try {
            Plot_PHG();
        } catch (...) {
            all_ = true;
            throw;
        }
        return;
    }
    const std::vector<std::string> changed = std::move(changed_);
    changed_.clear();
    pending_.clear();
    StationTable& table = board_.Table();
    StationTable::WalkHold hold(table);
    try {
        for (const std::string& callsign : changed) {
            pump_.LetPendingMessagesRun();
            const std::int32_t i = table.find_station(callsign);
            if (i >= 0) PlotStation(table[i]);
        }
    } catch (...) {
        for (const std::string& callsign : changed)
            StationChanged(callsign);
        throw;
    }
}

void PhgOverlays::Circle(float x, float y, double radius, std::int32_t colour) {
    map_.SetMapDrawColour(colour::kWhite);
    map_.MapCircle(x, y, CSng(std::trunc(radius)), colour, 0.0f, kTwoPi, 1.0f);
}

void PhgOverlays::Plot_PHGCircle(float x, float y, double range) {
    Trap("Form1.Plot_PHGCircle", [&] {
        map_.SetMapLineWidth(5);
        Circle(x, y, range * 1.5, colour::kGreen);
    });
}

void PhgOverlays::Plot_PHGArrow(float x, float y, double theta, double range) {
    Trap("Form1.Plot_PHGCircle", [&] {
        const float t = CSng(theta);
        const float L = CSng(range);
        float t1 = t + kThirdTurn;
        if (t1 > kTwoPi) t1 -= kTwoPi;
        float t2 = t - kThirdTurn;
        if (t2 < 0) t2 += kTwoPi;
        const float tipX = x + L * std::cos(t), tipY = y - L * std::sin(t);
        const float b = L / 6.0f;
        const float b1x = x - b * std::sin(t1), b1y = y - b * std::cos(t1);
        const float b2x = x + b * std::sin(t2), b2y = y + b * std::cos(t2);
        map_.SetMapLineWidth(3);
        map_.MapLine(tipX, tipY, b1x, b1y, colour::kBlue, 0);
        map_.MapLine(b1x, b1y, b2x, b2y, colour::kBlue, 0);
        map_.MapLine(b2x, b2y, tipX, tipY, colour::kBlue, 0);
        Circle(x, y, L, colour::kBlue);
    });
}

void PhgOverlays::Plot_Circle2(float x, float y, double size) {
    Trap("Form1.Plot_Circle2", [&] {
        map_.SetMapLineWidth(5);
        map_.SetMapDrawMode(7);
        Circle(x, y, size * 0.9, colour::kRed);
    });
}

}  // namespace bb
