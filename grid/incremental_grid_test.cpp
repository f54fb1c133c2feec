// The grid that changes only the rows an event touched, against the full
// rebuild after every event: random runs of beacons, deletes, events nested
// in intakes' pauses, sorts, selections, column and settings changes,
// emergencies and rescans must show the same grid cell for cell.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>

#include "grid/station_grid.h"
#include "tests/fakes/fake_grid_window.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

// One grid with all it needs of its window.
struct GridUnderTest final : RebuildListener {
    platform::GridControl control;
    testing::FakeClipboard clipboard;
    testing::FakeWindow window;
    StationGrid grid;
    std::int32_t rows = -1, emergencies = -1;
    GridUnderTest(StationBoard& board, testing::FakeHost& host, bool incremental)
        : grid(control, board, host, clipboard, window, Settings(), "UI-View Beaconboard V1.0.10") {
        grid.SetIncremental(incremental);
        grid.FillColumnCaptions();
        grid.select_columns();
        grid.PrepareGrid();
        grid.SetRebuildListener(this);
    }
    void RebuildFinished(std::int32_t r, std::int32_t e) override {
        rows = r;
        emergencies = e;
    }
};

// Both grids follow the table, as the window's wiring makes one follow it.
struct BothFollow final : StationsListener {
    StationGrid &a, &b;
    BothFollow(StationGrid& x, StationGrid& y) : a(x), b(y) {}
    void StationsChanged(const std::string& callsign) override {
        a.StationChanged(callsign);
        b.StationChanged(callsign);
    }
    void StationsScanned() override {
        a.build_station_grid();
        b.build_station_grid();
    }
    void HostClosing() override {}
};

std::string Describe(const platform::GridCell& c) {
    std::ostringstream out;
    out << '"' << c.text << '"' << (c.picture ? " picture" : "");
    if (c.hasFore) out << " fore " << std::hex << c.fore;
    if (c.hasBack) out << " back " << std::hex << c.back;
    out << " align " << static_cast<int>(c.alignment);
    return out.str();
}

class IncrementalGrid : public ::testing::TestWithParam<unsigned> {
  protected:
    testing::FakeSystem fs;
    testing::FakeHost host;
    StationBoard board{host, host};
    std::mt19937 rng{GetParam()};
    std::vector<std::string> pool;
    // Declared after the board: they leave its table before it goes.
    std::unique_ptr<GridUnderTest> changes, reference;
    std::unique_ptr<BothFollow> follow;
    int seconds = 0;  // the clock, from the start of the run

    void SetUp() override {
        fs.clock.Set(2026, 12, 6, 12, 0, 0);
        testing::StartGridSettings(500);
        host.drawable.insert("/>");
        host.drawable.insert("/-");
        for (int i = 0; i < 260; ++i)
            pool.push_back((i % 3 ? "G" : "M") + std::to_string(i % 7) + "X" + std::to_string(i));
        changes = std::make_unique<GridUnderTest>(board, host, true);
        reference = std::make_unique<GridUnderTest>(board, host, false);
        follow = std::make_unique<BothFollow>(changes->grid, reference->grid);
        board.SetListener(follow.get());
    }
    void TearDown() override { board.SetListener(nullptr); }

    int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; }
    const std::string& AnyCall() {
        return pool[static_cast<std::size_t>(Pick(Chance(0.7) ? 30 : 260))];
    }

    // What the host will answer for the station: values chosen so that
    // many rows tie in a column and sorted rows often swap.
    void Vary(const std::string& cs) {
        host::HostStation& s = host.Know(cs);
        static const char* const kTexts[] = {"!x", "!x PHG5132", "!x PHGR51304 145.625MHz T088",
                                             "!x 438.800MHz", "!x PHG2360/ 144.800MHz"};
        s.BeaconText = kTexts[Pick(5)];
        s.CommentStart = 3;
        s.Latitude = static_cast<float>(3000 + Pick(4) * 10);
        s.Longitude = static_cast<float>(-100 + Pick(4) * 50);
        s.Speed = Chance(0.5) ? -99999.0f : static_cast<float>(Pick(3)) * 2.5f;
        s.Course = static_cast<std::int16_t>(Chance(0.5) ? -32768 : Pick(4) * 90);
        static const char* const kSymbols[] = {"/>", "/-", "/k", "\\n"};
        s.Symbol = kSymbols[Pick(4)];
        s.Distance = static_cast<float>(Pick(5)) * 250.0f;
        s.StatusText = Chance(0.08) ? "EMERGENCY" : "";
        // Heard up to ten minutes before now; now and then far in the past.
        const int ago = Chance(0.02) ? 40000 * 60 : Pick(600);
        s.ReportDate = DateSerial(2026, 12, 6, 12, 0, 0) + (seconds - ago) / 86400.0;
    }
    void Beacon(const std::string& cs) {
        if (Chance(0.05))
            host.stations.erase(cs);  // the host no longer knows it
        else
            Vary(cs);
        board.mUIV_NotifyBeacon(cs, 0, 0);
    }
    void Delete(const std::string& cs) { board.mUIV_NotifyDelete(cs); }

    void Both(const std::function<void(StationGrid&, platform::GridControl&)>& f) {
        f(changes->grid, changes->control);
        f(reference->grid, reference->control);
    }

    std::string Step() {
        const int what = Pick(100);
        if (what < 45) {
            const std::string cs = AnyCall();
            Beacon(cs);
            return "beacon " + cs;
        }
        if (what < 55) {
            const std::string cs = AnyCall();
            Delete(cs);
            return "delete " + cs;
        }
        if (what < 63) {
            // Events in the intake's pause, and in theirs.
            std::vector<std::function<void()>> batch;
            for (int k = Pick(4); k >= 0; --k) {
                const std::string cs = AnyCall();
                if (Chance(0.75))
                    batch.push_back([this, cs] { Beacon(cs); });
                else
                    batch.push_back([this, cs] { Delete(cs); });
            }
            host.atPause.push_back(std::move(batch));
            if (Chance(0.5)) host.atPause.push_back({[this] { Beacon(AnyCall()); }});
            const std::string cs = AnyCall();
            Beacon(cs);
            host.atPause.clear();
            return "nested beacons around " + cs;
        }
        if (what < 70) {
            for (int k = 0; k < 40; ++k)
                Beacon(AnyCall());
            return "burst";
        }
        if (what < 76) {
            seconds += Pick(90);
            fs.clock.Set(2026, 12, 6, 12 + seconds / 3600, seconds / 60 % 60, seconds % 60);
            Beacon(AnyCall());
            return "time passes to " + std::to_string(seconds);
        }
        if (what < 82) {
            const int col = Pick(changes->control.Cols());
            Both([&](StationGrid& g, platform::GridControl& c) {
                c.MouseRow = 0;
                c.SetCol(std::min(col, c.Cols() - 1));
                g.grdStations_MouseDown(1, 0, 0, 0);
            });
            return "header " + std::to_string(col);
        }
        if (what < 88) {
            const std::string cs = Chance(0.8) ? AnyCall() : std::string();
            Both([&](StationGrid& g, platform::GridControl&) {
                g.strSelectedCall = cs;
                g.select_row();
            });
            return "select " + cs;
        }
        if (what < 91) {
            const int column = 1 + Pick(kLastColumn);
            const bool visible = Chance(0.5);
            Both([&](StationGrid& g, platform::GridControl&) {
                g.SetVisible(column, visible);
                g.select_columns();
                g.build_station_grid();
            });
            return "column " + std::to_string(column) + (visible ? " on" : " off");
        }
        if (what < 93) {
            Settings().FormatAgeMMSS = !Settings().FormatAgeMMSS;
            Settings().FormatLocator = static_cast<std::int16_t>(4 + 2 * Pick(4));
            Settings().EmergencyIgnoreOnDistance = Chance(0.5);
            Both([](StationGrid& g, platform::GridControl&) { g.build_station_grid(); });
            return "settings";
        }
        if (what < 96) {
            const StationTable& t = board.Table();
            std::vector<std::int32_t> emergencies;
            t.ForEachLive([&](std::int32_t i, const StationRecord& r) {
                if (r.Emergency && !r.EmergencyAcknowledged) emergencies.push_back(i);
            });
            if (emergencies.empty()) return "no emergency to acknowledge";
            const std::int32_t i =
                emergencies[static_cast<std::size_t>(Pick(static_cast<int>(emergencies.size())))];
            board.Table().Edit(i).EmergencyAcknowledged = true;
            Both([](StationGrid& g, platform::GridControl&) { g.select_row(); });
            return "acknowledge " + t[i].Callsign;
        }
        if (what < 98) {
            // The host's list read anew; now and then a host that lists a
            // station twice.
            host.lines.clear();
            std::set<std::string> listed;
            const bool twice = Chance(0.1);
            for (int k = Pick(40); k > 0; --k) {
                const std::string cs = AnyCall();
                if (!listed.insert(cs).second && !twice) continue;
                Vary(cs);
                host.lines.push_back(" " + cs + " 5130.00N 00100.00W");
            }
            board.HostLinked();
            board.scan_stations();
            return "scan of " + std::to_string(host.lines.size());
        }
        const int row = 1 + Pick(std::max(1, changes->control.Rows() - 1));
        Both([&](StationGrid& g, platform::GridControl& c) {
            c.MouseRow = std::min(row, c.Rows() - 1);
            c.SetRow(c.MouseRow);
            c.SetCol(0);
            g.grdStations_MouseDown(1, 0, 0, 0);
        });
        return "click row " + std::to_string(row);
    }

    // The two grids alike in everything the view shows.
    void ExpectAlike(const std::string& step) {
        const platform::GridControl &a = changes->control, &b = reference->control;
        ASSERT_EQ(a.Rows(), b.Rows()) << step;
        ASSERT_EQ(a.Cols(), b.Cols()) << step;
        EXPECT_EQ(a.FixedRows(), b.FixedRows()) << step;
        EXPECT_EQ(a.Row(), b.Row()) << step;
        EXPECT_EQ(a.Col(), b.Col()) << step;
        EXPECT_EQ(a.Visible, b.Visible) << step;
        EXPECT_EQ(a.ForeColor, b.ForeColor) << step;
        EXPECT_EQ(a.BackColor, b.BackColor) << step;
        EXPECT_EQ(changes->window.caption, reference->window.caption) << step;
        EXPECT_EQ(changes->rows, reference->rows) << step;
        EXPECT_EQ(changes->emergencies, reference->emergencies) << step;
        EXPECT_EQ(changes->grid.GridRowCount, reference->grid.GridRowCount) << step;
        for (int r = 0; r < a.Rows(); ++r) {
            for (int c = 0; c < a.Cols(); ++c) {
                const std::string x = Describe(a.Cell(r, c)), y = Describe(b.Cell(r, c));
                ASSERT_EQ(x, y) << step << ": row " << r << " column " << c;
            }
            EXPECT_EQ(a.ColWidth(std::min(r, a.Cols() - 1)), b.ColWidth(std::min(r, b.Cols() - 1)));
        }
    }
};

TEST_P(IncrementalGrid, ShowsWhatTheFullRebuildShowsCellForCell) {
    board.HostLinked();
    board.scan_stations();
    std::string step = "start";
    // Full rebuilds while every station has one live record: a station
    // listed twice draws the grid anew until it beacons again.
    const auto twice = [this] {
        std::set<std::string> seen;
        bool found = false;
        board.Table().ForEachLive([&](std::int32_t, const StationRecord& r) {
            found = found || (!r.Callsign.empty() && !seen.insert(r.Callsign).second);
        });
        return found;
    };
    int full = 0, fullReference = 0;
    for (int i = 0; i < 400 && !HasFailure(); ++i) {
        const bool before = twice();
        const int a = changes->grid.FullRebuilds(), b = reference->grid.FullRebuilds();
        step = "step " + std::to_string(i) + ": " + Step();
        ExpectAlike(step);
        if (before || twice()) continue;
        full += changes->grid.FullRebuilds() - a;
        fullReference += reference->grid.FullRebuilds() - b;
    }
    // Most events changed rows; only sorts, columns, settings and scans drew the grid anew.
    EXPECT_LT(full * 4, fullReference);
    EXPECT_TRUE(board.Table().IndexIsConsistent());
}

INSTANTIATE_TEST_SUITE_P(Seeds, IncrementalGrid, ::testing::Range(1u, 17u));

}  // namespace
}  // namespace bb
