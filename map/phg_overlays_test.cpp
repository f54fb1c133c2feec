// The PHG overlays as the host's map receives them.
#include "map/phg_overlays.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <set>
#include <tuple>

#include "tests/fakes/fake_board.h"

namespace bb {
namespace {

class PhgOverlaysTest : public ::testing::Test, protected testing::FakeBoard {
  protected:
    PhgOverlays overlays{board, host.map, host, settings};

    void SetUp() override { settings.PHGPlotOnMap = true; }
    std::int32_t Add(const std::string& call, float lonMin, float latMin, double range,
                     int directivity = 0, bool phg = true) {
        const std::int32_t i = AddRecord(call);
        StationRecord& r = Record(i);
        r.Longitude = lonMin;
        r.Latitude = latMin;
        r.HasPHG = phg;
        r.PHG->Range = range;
        r.PHG->DirectivityCode = static_cast<std::int16_t>(directivity);
        return i;
    }
    // Centre, radius and colour of each circle drawn.
    std::vector<std::tuple<float, float, float, std::int32_t>> Circles() const {
        std::vector<std::tuple<float, float, float, std::int32_t>> out;
        for (const auto& c : host.map.circles)
            out.emplace_back(c.x, c.y, c.radius, c.colour);
        return out;
    }
};

// Omni stations get green circles of 1.5 times the range, rounded down; deleted
// records, stations without PHG and plotting off draw nothing.
TEST_F(PhgOverlaysTest, OmniCirclesAndWhatDrawsNothing) {
    Add("A", 10, 3120, 0.66);  // just below 2/3: radius 0
    Add("B", 11, 3121, 0.67);  // just above: radius 1
    board.Table().SetDeleted(Add("OLD", 1, 1, 10), true);
    Add("NOPHG", 2, 2, 10, 0, false);
    board.Table().Edit(Add("RATE", 3, 3, 4, 0, false)).HasPHGRate = true;
    Add("C", 12, 3122, 1234.5);  // 1851.75 → 1851
    overlays.Plot_PHG();
    EXPECT_EQ(Circles(), (std::vector<std::tuple<float, float, float, std::int32_t>>{
                             {10, 3120, 0, colour::kGreen},
                             {11, 3121, 1, colour::kGreen},
                             {3, 3, 6, colour::kGreen},
                             {12, 3122, 1851, colour::kGreen}}));
    host.map.Clear();
    settings.PHGPlotOnMap = false;
    overlays.Plot_PHG();
    EXPECT_TRUE(host.map.calls.empty());
    EXPECT_GT(host.pauses, 0);  // the pass still walked the table
}

// Compass bearing from the station to a point, with the host's y north.
double BearingTo(float x0, float y0, float x, float y) {
    double b = std::atan2(x - x0, y - y0) * 180 / std::numbers::pi;
    return b < 0 ? b + 360 : b;
}

TEST_F(PhgOverlaysTest, ArrowTipsPointWhereTheDirectivityDigitSaysOnTheHostsMap) {
    for (int d = 1; d <= 8; ++d)
        Add("D" + std::to_string(d), 100.0f * d, 3000, 60, d);
    overlays.Plot_PHG();
    ASSERT_EQ(host.map.lines.size(), 24u);
    ASSERT_EQ(host.map.circles.size(), 8u);
    for (int d = 1; d <= 8; ++d) {
        SCOPED_TRACE(d);
        const float x = 100.0f * d, y = 3000;
        const auto& tipToB1 = host.map.lines[static_cast<std::size_t>(3 * (d - 1))];
        const auto& b1ToB2 = host.map.lines[static_cast<std::size_t>(3 * (d - 1) + 1)];
        const auto& b2ToTip = host.map.lines[static_cast<std::size_t>(3 * (d - 1) + 2)];
        // Digit 1 is north-east, 8 north.
        EXPECT_NEAR(BearingTo(x, y, tipToB1.x1, tipToB1.y1), std::fmod(45.0 * d, 360.0), 1e-3);
        EXPECT_NEAR(std::hypot(tipToB1.x1 - x, tipToB1.y1 - y), 60, 1e-3);
        // A closed triangle, its base corners behind the station at a sixth of the range.
        EXPECT_EQ(std::tuple(tipToB1.x2, b1ToB2.x2, b2ToTip.x2),
                  std::tuple(b1ToB2.x1, b2ToTip.x1, tipToB1.x1));
        const double axis = 45.0 * d;
        for (float bx : {b1ToB2.x1, b1ToB2.x2}) {
            const float by = bx == b1ToB2.x1 ? b1ToB2.y1 : b1ToB2.y2;
            EXPECT_NEAR(std::hypot(bx - x, by - y), 10, 1e-3);
            const double off = std::fmod(BearingTo(x, y, bx, by) - axis + 720, 360);
            EXPECT_NEAR(std::min(off, 360 - off), 150, 1e-2);
        }
        EXPECT_EQ(tipToB1.colour, colour::kBlue);
        EXPECT_EQ(host.map.circles[static_cast<std::size_t>(d - 1)].radius, 60.0f);
    }
}

TEST_F(PhgOverlaysTest, AFigureTheHostCannotTakeCostsThatStationNotThePass) {
    Add("HUGE", 1, 1, 1e40);  // beyond single precision: error 6
    Add("NEXT", 2, 2, 10);
    overlays.Plot_PHG();
    EXPECT_EQ(
        Circles(),
        (std::vector<std::tuple<float, float, float, std::int32_t>>{{2, 2, 15, colour::kGreen}}));
    EXPECT_NE(fs.LogText().find("Form1.Plot_PHGCircle"), std::string::npos);
}

TEST_F(PhgOverlaysTest, StationsArrivingDuringThePassAreSafeAndComeWithTheNextPass) {
    for (int i = 0; i < 5; ++i)
        Add("S" + std::to_string(i), static_cast<float>(i), 0, 10);
    host.onPause = [this](int n) {
        if (n == 2) Add("LATE", 99, 0, 10);
    };
    overlays.Plot_PHG();
    EXPECT_EQ(host.map.circles.size(), 5u);
    host.onPause = nullptr;
    host.map.Clear();
    overlays.Plot_PHG();
    EXPECT_EQ(host.map.circles.size(), 6u);
}

// The host keeps every figure until it repaints: drawing only the changed stations
// must leave the figures a full pass would, at every step of a random run.
class HostMapFigures {
  public:
    using Figure =
        std::tuple<int, float, float, float, float, float, std::int32_t, int, int, std::int32_t>;
    explicit HostMapFigures(testing::FakeMap& map) : map_(map) {}
    // What the host shows: every distinct figure since its last repaint.
    const std::set<Figure>& Shown() {
        for (; circles_ < map_.circles.size(); ++circles_) {
            const auto& c = map_.circles[circles_];
            shown_.insert({0, c.x, c.y, c.radius, 0, 0, c.colour, c.width, c.mode, c.drawColour});
        }
        for (; lines_ < map_.lines.size(); ++lines_) {
            const auto& l = map_.lines[lines_];
            shown_.insert({1, l.x1, l.y1, l.x2, l.y2, 0, l.colour, l.width, 0, l.flags});
        }
        return shown_;
    }
    void Repaint() {
        Shown();
        shown_.clear();
    }

  private:
    testing::FakeMap& map_;
    std::size_t circles_ = 0, lines_ = 0;
    std::set<Figure> shown_;
};

TEST_F(PhgOverlaysTest, DrawingTheChangedStationsLeavesTheMapAsAFullPassWould) {
    testing::FakeMap fullMap, changesMap;
    PhgOverlays full{board, fullMap, host, settings};
    PhgOverlays changes{board, changesMap, host, settings};
    HostMapFigures fullShown(fullMap), changesShown(changesMap);
    std::mt19937 random(20261207);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    int waiting = 0;  // events since the last pass: one pass follows a burst of them
    for (int step = 0; step < 3000; ++step) {
        const std::string call = "ST" + std::to_string(pick(15));
        const int what = pick(100);
        if (what < 70) {
            // A beacon: the station's live record is superseded by a new one.
            board.Table().Supersede(call);
            Add(call, static_cast<float>(pick(50)), static_cast<float>(3000 + pick(50)),
                pick(4) * 2.5, pick(3) == 0 ? pick(9) : 0, pick(4) != 0);
        } else if (what < 85) {
            board.Table().MarkDeleted(call);
        } else if (what < 93) {
            fullShown.Repaint();
            changesShown.Repaint();
            full.Plot_PHG();
            changes.DrawAllNext();
            changes.PlotPass();
            waiting = 0;
            continue;
        } else {
            settings.PHGPlotOnMap = !settings.PHGPlotOnMap;
            changes.DrawAllNext();  // the options tell the board
            continue;
        }
        changes.StationChanged(call);
        if (++waiting < 1 + pick(4)) continue;
        // One pass for the burst: everything, or only what changed.
        full.Plot_PHG();
        changes.PlotPass();
        waiting = 0;
        ASSERT_EQ(changesShown.Shown(), fullShown.Shown()) << "step " << step;
    }
    // And it draws far less.
    EXPECT_LT(changesMap.circles.size() * 2, fullMap.circles.size());
}

}  // namespace
}  // namespace bb
