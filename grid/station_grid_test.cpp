#include "grid/station_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "tests/fakes/fake_grid_window.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/fake_scheduler.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/grid_follows_table.h"

namespace bb {
namespace {

using testing::FakeClipboard;
using testing::FakeWindow;

class Grid : public ::testing::Test, public RebuildListener {
  protected:
    // What the last finished rebuild told.
    int finished = 0;
    std::int32_t shownRows = -1, shownEmergencies = -1;
    void RebuildFinished(std::int32_t rows, std::int32_t emergencies) override {
        ++finished;
        shownRows = rows;
        shownEmergencies = emergencies;
    }

    testing::FakeSystem fs;
    testing::FakeHost host;
    StationBoard board{host, host};
    platform::GridControl control;
    FakeClipboard clipboard;
    FakeWindow window;
    StationGrid grid{
        control, board, host, clipboard, window, Settings(), "UI-View Beaconboard V1.0.10"};
    testing::GridFollowsTable follow{grid};

    void SetUp() override {
        fs.clock.Set(2026, 12, 6, 12, 0, 0);
        testing::StartGridSettings(1000);
        grid.FillColumnCaptions();
        grid.select_columns();
        grid.PrepareGrid();
        grid.SetRebuildListener(this);
        board.SetListener(&follow);
    }
    HostStation& Know(const std::string& cs, int agoSeconds = 45, const std::string& text = "!x") {
        HostStation& s = host.Know(cs);
        s.BeaconText = text;
        s.CommentStart = 2;
        s.Latitude = 3150.0f;
        s.Longitude = 293.2f;
        s.Speed = -99999;
        s.Course = -32768;
        s.Symbol = "/>";
        s.ReportDate = DateSerial(2026, 12, 6, 12, 0, 0) - agoSeconds / 86400.0;
        return s;
    }
    void Beacon(const std::string& cs) { board.mUIV_NotifyBeacon(cs, 0, 0); }
    // A grid on the same control whose passes wait their turn on `later`, as
    // in the program; the board's changes go to it instead.
    std::unique_ptr<StationGrid> Spaced(testing::FakeScheduler& later) {
        auto fed = std::make_unique<StationGrid>(control, board, host, clipboard, window,
                                                 Settings(), "Beaconboard", &later);
        fed->SetRebuildListener(this);
        fed->FillColumnCaptions();
        fed->select_columns();
        fed->PrepareGrid();
        spacedFollows_ = std::make_unique<testing::GridFollowsTable>(*fed);
        board.SetListener(spacedFollows_.get());
        return fed;
    }
    std::unique_ptr<testing::GridFollowsTable> spacedFollows_;
    int Column(const std::string& header) const {
        for (int c = 0; c < control.Cols(); ++c)
            if (control.TextMatrix(0, c).rfind(header, 0) == 0) return c;
        return -1;
    }
    std::vector<std::string> Calls() const {
        std::vector<std::string> out;
        for (int r = 1; r < control.Rows(); ++r)
            out.push_back(control.TextMatrix(r, 0));
        return out;
    }
    int RowOf(const std::string& cs) const {
        const std::vector<std::string> calls = Calls();
        return static_cast<int>(std::find(calls.begin(), calls.end(), cs) - calls.begin()) + 1;
    }
    platform::Colour Back(int row, int col) const {
        const platform::GridCell c = control.Cell(row, col);
        return c.hasBack ? c.back : control.BackColor();
    }
};

TEST_F(Grid, AgesInBothFormsAndAnAgeThatDoesNotFit) {
    const auto ages = [&](bool mmss) {
        Settings().FormatAgeMMSS = mmss;
        return grid.Format_Age(60) + " " + grid.Format_Age(3600) + " " + grid.Format_Age(-95);
    };
    EXPECT_EQ(ages(false), "60 3600 -95");
    EXPECT_EQ(ages(true), "1:00 60:00 -1:-35");
    EXPECT_EQ(grid.Format_Age(-30), "0:-30");
    Know("OLD", 40000 * 60);  // 40,000 minutes: beyond 16 bits
    Know("NEW", 5);
    Beacon("OLD");
    Beacon("NEW");
    EXPECT_EQ(control.TextMatrix(RowOf("OLD"), 2), "");
    EXPECT_EQ(control.TextMatrix(RowOf("NEW"), 2), "0:05");
    EXPECT_EQ(fs.Errors().back(), "program error 6 in module Form1.Format_Age: Overflow");
}

// Symbols cross once by the clipboard or directly; a hidden Symbol column fetches none.
enum class Pictures { kClipboard, kDirect, kHidden };
class GridPictures : public Grid, public ::testing::WithParamInterface<Pictures> {};

TEST_P(GridPictures, OnRowsBelow200ByTheClipboardOnEveryRowFromTheHostNoneHidden) {
    const Pictures way = GetParam();
    host.directPictures = way == Pictures::kDirect;
    host.drawable.insert("/>");
    grid.SetVisible(1, way != Pictures::kHidden);
    grid.select_columns();
    for (int i = 0; i < 250; ++i)
        Know("S" + std::to_string(1000 + i));
    for (int i = 0; i < 250; ++i)
        board.add_beacon("S" + std::to_string(1000 + i), 0, 0);
    grid.build_station_grid();
    Know("S1300");
    Beacon("S1300");  // the newest: the last record
    Beacon("S1240");
    ASSERT_EQ(control.Rows(), 252);
    const int symbolCol = Column("Symbol");
    EXPECT_EQ(symbolCol < 0, way == Pictures::kHidden);
    // Which rows have pictures the random runs check.
    // One symbol crosses once, however many rows and rebuilds; the user's
    // own clipboard is back.
    grid.build_station_grid();
    EXPECT_EQ(host.symbolCalls, way == Pictures::kHidden ? 0 : 1);
    EXPECT_EQ(clipboard.reads, way == Pictures::kClipboard ? 1 : 0);
    EXPECT_EQ(clipboard.kept, clipboard.putBack);
    EXPECT_EQ(clipboard.kept, way == Pictures::kClipboard ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Ways, GridPictures,
                         ::testing::Values(Pictures::kClipboard, Pictures::kDirect,
                                           Pictures::kHidden));

TEST_F(Grid, AHostThatFailsItsSymbolsLeavesTheGridShownWithSymbolTexts) {
    host.drawable.insert("/>");
    for (const char* cs : {"A1", "B2", "C3"})
        Know(cs);
    Know("D4").Symbol = "/-";
    for (const char* cs : {"A1", "B2", "C3", "D4"})
        board.add_beacon(cs, 0, 0);
    host.symbolsFail = true;
    grid.build_station_grid();
    EXPECT_TRUE(control.Visible());
    EXPECT_FALSE(control.Busy());
    EXPECT_EQ(Calls(), (std::vector<std::string>{"D4", "C3", "B2", "A1"}));
    EXPECT_EQ(control.TextMatrix(RowOf("A1"), 1), "/>");
    EXPECT_EQ(control.TextMatrix(RowOf("D4"), 1), "/-");
    EXPECT_EQ(window.caption, "UI-View Beaconboard V1.0.10   [4/4]");
    EXPECT_EQ(host.symbolCalls, 1);  // one failure ends the asking for this rebuild
    EXPECT_EQ(fs.Errors(), std::vector<std::string>{"program error 462 in module "
                                                    "Form1.build_station_grid: The remote server "
                                                    "machine does not exist or is unavailable"});
    // The host back: the next rebuild asks again and shows the pictures.
    host.symbolsFail = false;
    grid.build_station_grid();
    EXPECT_TRUE(control.Cell(RowOf("A1"), 1).picture);
    EXPECT_EQ(control.TextMatrix(RowOf("D4"), 1), "oops");
}

// Finding selects as a press on the row does; the next match follows the shown order.
TEST_F(Grid, FindingACallsignSelectsItsRowAndTheNextMatchFollowsTheOrder) {
    for (const char* cs : {"PA3AAA", "G4ABC", "PA0ZZ", "PA3ABC-9", "ON4PA"})
        Know(cs);
    for (const char* cs : {"PA3AAA", "G4ABC", "PA0ZZ", "PA3ABC-9", "ON4PA"})
        Beacon(cs);
    // By callsign, descending.
    ASSERT_EQ(Calls(), (std::vector<std::string>{"PA3ABC-9", "PA3AAA", "PA0ZZ", "ON4PA", "G4ABC"}));
    // Any case, only the start of a callsign (not ON4PA), round from the top; the
    // row left is no longer painted selected. No match leaves the selection.
    std::vector<std::string> found;
    for (int i = 0; i < 4 && grid.FindCallsign("pa", i > 0); ++i)
        found.push_back(grid.SelectedCall());
    EXPECT_EQ(found, (std::vector<std::string>{"PA3ABC-9", "PA3AAA", "PA0ZZ", "PA3ABC-9"}));
    EXPECT_EQ(Back(RowOf("PA0ZZ"), 3), 0xFFFFFFu);
    EXPECT_FALSE(grid.FindCallsign("XX", true));
    EXPECT_FALSE(grid.FindCallsign("", false));
    EXPECT_EQ(grid.SelectedCall(), "PA3ABC-9");
    // The found row stays selected and current through the passes that follow.
    EXPECT_TRUE(grid.FindCallsign("g4", false));
    Know("AAA1");
    Beacon("AAA1");
    Beacon("PA0ZZ");
    EXPECT_EQ(grid.SelectedCall(), "G4ABC");
    EXPECT_EQ(Back(RowOf("G4ABC"), 0), 0x0000FFu);
    EXPECT_EQ(control.TextMatrix(control.Row(), 0), "G4ABC");
    EXPECT_TRUE(fs.Errors().empty());
}

// A pass in an intake's pause (a rebuild, or another beacon's pass) leaves out the new
// station's record being filled, and shows a station heard again from its record until then.
TEST_F(Grid, PassesInAnIntakesPauseShowEveryStationNotDeletedAndResizeKeepsMargins) {
    for (const char* cs : {"A", "B", "C"})
        Know(cs);
    Beacon("A");
    std::vector<std::vector<std::string>> seen;
    for (const char* cs : {"B", "A", "A"}) {
        host.atPause.push_back({[&] {
            seen.size() == 2 ? Beacon("C") : grid.build_station_grid();
            seen.push_back(Calls());
        }});
        Beacon(cs);
    }
    EXPECT_EQ(seen, (std::vector<std::vector<std::string>>{{"A"}, {"B", "A"}, {"C", "B", "A"}}));
    EXPECT_EQ(Calls(), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_TRUE(fs.Errors().empty()) << fs.Errors().front();
    // A resize keeps the margins; minimised, it leaves the grid alone.
    grid.Form_Resize();
    EXPECT_EQ(std::vector<int>(window.placed, window.placed + 4),
              (std::vector<int>{50, 0, 11850, 7300}));
    window.placed[2] = -1;
    window.minimized = true;
    grid.Form_Resize();
    EXPECT_EQ(window.placed[2], -1);
}

// Beacons between a full feed's passes compact the table under the rows: every
// station keeps its row, in its place, until the next pass.
TEST_F(Grid, ACompactionBetweenPassesKeepsTheRowsOfStationsHeardAgain) {
    testing::FakeScheduler later;
    const auto fed = Spaced(later);
    std::vector<std::string> calls;
    for (int i = 299; i >= 0; --i)
        calls.push_back(Know("S" + std::to_string(1000 + i)).Callsign);
    for (const std::string& cs : calls)
        Beacon(cs);
    later.Advance(1000);
    // The table compacts once a quarter of its records are superseded ones.
    for (int i = 0; i < 120; ++i)
        Beacon(calls[static_cast<std::size_t>(i * 7 % 300)]);
    EXPECT_EQ(Calls(), calls);
    later.Advance(1000);
    EXPECT_EQ(Calls(), calls);
    EXPECT_LT(board.Table().UpperBound(), 350);
}

// A beacon shows within a tenth of a second of bb-host hearing it. bb-host
// holds it up to 20 ms to send it with others and a pass over thousands of
// stations takes a few milliseconds: the grid's own wait must leave room for
// both, and a full feed still costs about a dozen passes a second.
TEST_F(Grid, UnderAFullFeedEveryBeaconShowsWithinTheTenthAndPassesStayFew) {
    testing::FakeScheduler later;
    const auto fed = Spaced(later);
    constexpr std::int64_t kHostHoldMs = 20, kPassMs = 5;
    std::vector<std::pair<std::string, std::int64_t>> waiting;  // callsign, when it came
    std::int64_t worst = 0;
    const auto look = [&] {
        const std::vector<std::string> shown = Calls();
        std::erase_if(waiting, [&](const auto& w) {
            if (std::find(shown.begin(), shown.end(), w.first) == shown.end()) return false;
            worst = std::max(worst, later.NowMsValue() - w.second);
            return true;
        });
    };
    // One beacon every 5 ms for a second, each a new station, then quiet.
    const int before = finished;
    for (int ms = 0; ms < 1100; ++ms) {
        if (ms < 1000 && ms % 5 == 0) {
            const std::string cs = Know("F" + std::to_string(ms)).Callsign;
            Beacon(cs);
            waiting.emplace_back(cs, later.NowMsValue());
        }
        look();
        later.Advance(1);
    }
    look();
    EXPECT_TRUE(waiting.empty()) << waiting.front().first << " never shown";
    EXPECT_LE(worst + kHostHoldMs + kPassMs, 100);
    EXPECT_LE(finished - before, 16);
}

// The grid holds no cells: it reads its source, and refuses cells beyond it.
TEST(GridRowSource, RowsComeFromTheSource) {
    struct Squares final : platform::GridRows {
        int RowCount() const override { return 5; }
        void CellOf(int row, int col, platform::GridCell& out) const override {
            out.text = std::to_string(row * row + col);
        }
    } source;
    platform::GridControl g;
    g.SetCols(3);
    g.SetRowSource(&source);
    EXPECT_EQ(g.Cell(4, 2).text, "18");
    EXPECT_THROW(g.TextMatrix(5, 0), RuntimeError);
    EXPECT_THROW(g.TextMatrix(0, 3), RuntimeError);
    EXPECT_THROW(g.SetRow(5), RuntimeError);
    g.SetRow(4);
    g.SetRowSource(nullptr);
    EXPECT_EQ(g.Rows() + g.Row(), 0);
}

}  // namespace
}  // namespace bb
