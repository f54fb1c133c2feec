#include "grid/station_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/fakes/fake_grid_window.h"
#include "tests/fakes/fake_host.h"
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
    host::HostStation& Know(const std::string& cs, int agoSeconds = 45,
                            const std::string& text = "!x") {
        host::HostStation& s = host.Know(cs);
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
    int Column(const std::string& header) const {
        for (int c = 0; c < control.Cols(); ++c) {
            if (control.TextMatrix(0, c).rfind(header, 0) == 0) return c;
        }
        return -1;
    }
    std::vector<std::string> Calls() const {
        std::vector<std::string> out;
        for (int r = 1; r < control.Rows(); ++r)
            out.push_back(control.TextMatrix(r, 0));
        return out;
    }
    int RowOf(const std::string& cs) const {
        for (int r = 1; r < control.Rows(); ++r) {
            if (control.TextMatrix(r, 0) == cs) return r;
        }
        return -1;
    }
    // A cell as the view shows it.
    platform::GridCell Shown(int row, int col) const { return control.Cell(row, col); }
    platform::Colour Back(int row, int col) const {
        const platform::GridCell c = Shown(row, col);
        return c.hasBack ? c.back : control.BackColor();
    }
    std::vector<std::string> Errors() const { return fs.Errors(); }
};

TEST_F(Grid, AgesInBothFormsAndAnAgeThatDoesNotFit) {
    EXPECT_EQ(grid.Format_Age(60), "1:00");
    EXPECT_EQ(grid.Format_Age(3600), "60:00");
    EXPECT_EQ(grid.Format_Age(-30), "0:-30");
    EXPECT_EQ(grid.Format_Age(-95), "-1:-35");
    Settings().FormatAgeMMSS = false;
    EXPECT_EQ(grid.Format_Age(59), "59");
    EXPECT_EQ(grid.Format_Age(-30), "-30");
    Settings().FormatAgeMMSS = true;
    Know("OLD", 40000 * 60);  // 40,000 minutes: beyond 16 bits
    Know("NEW", 5);
    Beacon("OLD");
    Beacon("NEW");
    EXPECT_EQ(control.TextMatrix(RowOf("OLD"), 2), "");
    EXPECT_EQ(control.TextMatrix(RowOf("NEW"), 2), "0:05");
    EXPECT_EQ(Errors().back(), "program error 6 in module Form1.Format_Age: Overflow");
}

// Pictures by the clipboard go to the first 199 stations in table order;
// a host that gives them directly gives every row its picture, a station
// heard later too; a hidden Symbol column fetches none.
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
    for (int r = 1; r < 252 && symbolCol > 0; ++r) {
        const platform::GridCell c = Shown(r, symbolCol);
        if (way == Pictures::kDirect || std::stoi(control.TextMatrix(r, 0).substr(1)) < 1199)
            EXPECT_TRUE(c.picture && c.text.empty()) << r;
        else
            EXPECT_TRUE(!c.picture && c.text == "/>") << r;
    }
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
    EXPECT_EQ(Errors(), std::vector<std::string>{"program error 462 in module "
                                                 "Form1.build_station_grid: The remote server "
                                                 "machine does not exist or is unavailable"});
    // The host back: the next rebuild asks again and shows the pictures.
    host.symbolsFail = false;
    grid.build_station_grid();
    EXPECT_TRUE(Shown(RowOf("A1"), 1).picture);
    EXPECT_EQ(control.TextMatrix(RowOf("D4"), 1), "oops");
}

// Finding a station selects it as a press on its row does; the next match
// follows the shown order from the selected station and comes round.
TEST_F(Grid, FindingACallsignSelectsItsRowAndTheNextMatchFollowsTheOrder) {
    for (const char* cs : {"PA3AAA", "G4ABC", "PA0ZZ", "PA3ABC-9", "ON4PA"})
        Know(cs);
    for (const char* cs : {"PA3AAA", "G4ABC", "PA0ZZ", "PA3ABC-9", "ON4PA"})
        Beacon(cs);
    // By callsign, descending.
    ASSERT_EQ(Calls(), (std::vector<std::string>{"PA3ABC-9", "PA3AAA", "PA0ZZ", "ON4PA", "G4ABC"}));
    EXPECT_TRUE(grid.FindCallsign("pa3", false));  // any case, from the top
    EXPECT_EQ(grid.SelectedCall(), "PA3ABC-9");
    EXPECT_EQ(control.Row(), RowOf("PA3ABC-9"));
    EXPECT_EQ(Back(RowOf("PA3ABC-9"), 3), 0x0000FFu);
    EXPECT_TRUE(grid.FindCallsign("PA3", true));
    EXPECT_EQ(grid.SelectedCall(), "PA3AAA");
    EXPECT_EQ(Back(RowOf("PA3ABC-9"), 3), 0xFFFFFFu);
    EXPECT_TRUE(grid.FindCallsign("PA3", true));  // round from the top
    EXPECT_EQ(grid.SelectedCall(), "PA3ABC-9");
    // Only the start of a callsign counts (not ON4PA); no match leaves the selection.
    std::vector<std::string> found;
    for (int i = 0; i < 4 && grid.FindCallsign("PA", i > 0); ++i)
        found.push_back(grid.SelectedCall());
    EXPECT_EQ(found, (std::vector<std::string>{"PA3ABC-9", "PA3AAA", "PA0ZZ", "PA3ABC-9"}));
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
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Grid, PopupsByColumnAndEnterAtTheCell) {
    Know("G4ABC", 5, "!x 145.625MHz").CommentStart = 3;
    Beacon("G4ABC");
    control.SetRow(1);
    control.SetCol(Column("QSY"));
    grid.grdStations_MouseDown(2, 0, 0, 0);
    control.SetCol(Column("Age"));
    grid.grdStations_MouseDown(2, 0, 0, 0);
    EXPECT_EQ(window.popups, (std::vector<int>{1, 0}));
    // A right press selects the row it falls on: the popup's command acts on it.
    EXPECT_EQ(grid.SelectedCall(), "G4ABC");
    control.SetCol(Column("QSY"));
    grid.grdStations_KeyDown(13, 0);
    EXPECT_EQ(window.popups.back(), 1);
    control.SetRow(0);
    grid.grdStations_KeyDown(13, 0);
    grid.grdStations_KeyDown(32, 0);
    EXPECT_EQ(window.popups.size(), 3u);
}

TEST_F(Grid, AllOptionalColumnsOffLeavesTheCallsign) {
    for (int i = 1; i <= kLastColumn; ++i)
        grid.SetVisible(i, false);
    Know("A");
    Beacon("A");
    control.SetMouseCell(0, 5);  // a press on a header sorts by its column
    control.SetCol(5);
    grid.grdStations_MouseDown(1, 0, 0, 0);
    ASSERT_EQ(grid.SortCol(), 5);
    grid.select_columns();
    EXPECT_EQ(grid.LastGridCol(), 0);
    EXPECT_EQ(grid.SortCol(), 0);
    grid.build_station_grid();
    EXPECT_EQ(control.Cols(), 1);
    EXPECT_EQ(control.TextMatrix(0, 0), "Callsign ^");  // turned round by the press
}

TEST_F(Grid, ResizeKeepsTheMarginsAndMinimisingLeavesTheGrid) {
    grid.Form_Resize();
    EXPECT_EQ(std::vector<int>(window.placed, window.placed + 4),
              (std::vector<int>{50, 0, 11850, 7300}));
    window.placed[2] = -1;
    window.minimized = true;
    grid.Form_Resize();
    EXPECT_EQ(window.placed[2], -1);
}

TEST_F(Grid, ARebuildDuringAnIntakesPauseLeavesOutTheRecordBeingFilled) {
    Know("A");
    Know("B", 5);
    Beacon("A");
    host.atPause.push_back({[this] { grid.build_station_grid(); }});
    board.add_beacon("B", 0, 0);
    EXPECT_EQ(Calls(), std::vector<std::string>{"A"});
    EXPECT_TRUE(Errors().empty()) << Errors().front();
    grid.build_station_grid();
    EXPECT_EQ(Calls(), (std::vector<std::string>{"B", "A"}));
}

TEST(GridSort, OneTotalOrderForMixedColumns) {
    std::vector<std::string> texts = {"10", "9", "5x", "----", "2:05", "abc"};
    std::stable_sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) {
        return platform::SortKey::Of(a) < platform::SortKey::Of(b);
    });
    EXPECT_EQ(texts, (std::vector<std::string>{"----", "5x", "abc", "9", "10", "2:05"}));
}

// The grid holds no cells: every row, the header's too, is read from its source.
TEST(GridRowSource, RowsComeFromTheSource) {
    struct Squares final : platform::GridRows {
        int rows = 3;
        int RowCount() const override { return rows; }
        void CellOf(int row, int col, platform::GridCell& out) const override {
            out.text = std::to_string(row * row + col);
        }
    } source;
    platform::GridControl g;
    EXPECT_EQ(g.Rows(), 0);
    g.SetCols(3);
    g.SetRowSource(&source);
    EXPECT_EQ(g.TextMatrix(2, 2), "6");
    source.rows = 5;  // the source grew: so does the grid
    EXPECT_EQ(g.Rows(), 5);
    EXPECT_EQ(g.Cell(4, 0).text, "16");
    EXPECT_THROW(g.TextMatrix(5, 0), RuntimeError);
    EXPECT_THROW(g.TextMatrix(0, 3), RuntimeError);
    EXPECT_THROW(g.SetRow(5), RuntimeError);
    g.SetRow(4);
    g.SetRowSource(nullptr);
    EXPECT_EQ(g.Rows(), 0);
    EXPECT_EQ(g.Row(), 0);
}

}  // namespace
}  // namespace bb
