// The grid that changes only touched rows, against the rules worked out apart, on random runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <iomanip>
#include <random>
#include <regex>
#include <set>
#include <sstream>

#include "grid/station_grid.h"
#include "stations/position.h"
#include "support/number_format.h"
#include "tests/fakes/fake_grid_window.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

constexpr platform::Colour kBlue = 0x0000FF, kWhite = 0xFFFFFF, kRed = 0xFF0000, kYellow = 0xFFFF00,
                           kOrange = 0xFF8000, kBlack = 0x000000;
const char* const kHeaders[] = {"Callsign",   "Symbol", "Age",       "Latitude",  "Longitude",
                                "Maidenhead", "Speed",  "Direction", "Bearing",   "Distance",
                                "Power",      "Height", "Gain",      "Direction", "Rate",
                                "Range",      "QSY",    "Tone"};

// The generic order: texts (any case) before numbers, by value whatever the separator.
struct Key {
    bool number = false;
    double value = 0;
    std::string text;
    bool operator<(const Key& o) const {
        if (number != o.number) return !number;
        return number ? value < o.value : text < o.text;
    }
};

Key KeyOfText(const std::string& text) {
    static const std::regex kNumber(R"( *\+?(-?([0-9]+[.,]?[0-9]*|[.,][0-9]+)) *)");
    Key k;
    std::smatch m;
    if (std::regex_match(text, m, kNumber)) {
        std::string n = m[1];
        std::replace(n.begin(), n.end(), ',', '.');
        k.number = std::from_chars(n.data(), n.data() + n.size(), k.value).ec == std::errc();
        if (k.number) return k;
    }
    k.text = text;
    for (char& c : k.text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return k;
}

// A value's text in the user's form: the shortest, or with one decimal.
std::string Written(double v, bool oneDecimal) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    if (oneDecimal) out << std::fixed << std::setprecision(1);
    out << v;
    std::string s = out.str();
    std::replace(s.begin(), s.end(), '.', DecimalSeparator());
    return s;
}

// The grid with its window's parts, following the table as the window's wiring makes it.
struct GridUnderTest final : RebuildListener, StationsListener {
    platform::GridControl control;
    testing::FakeClipboard clipboard;
    testing::FakeWindow window;
    StationGrid grid;
    std::int32_t rows = -1, emergencies = -1;
    int passes = 0;
    GridUnderTest(StationBoard& board, testing::FakeHost& host)
        : grid(control, board, host, clipboard, window, Settings(), "UI-View Beaconboard V1.0.10") {
        grid.FillColumnCaptions();
        grid.select_columns();
        grid.PrepareGrid();
        grid.SetRebuildListener(this);
    }
    void RebuildFinished(std::int32_t r, std::int32_t e) override {
        ++passes;
        rows = r;
        emergencies = e;
    }
    void StationsChanged(const std::string& callsign) override { grid.StationChanged(callsign); }
    void StationsScanned() override { grid.build_station_grid(); }
    void HostClosing() override {}
};

// A cell as the user sees it.
std::string Describe(const std::string& text, bool picture, platform::Colour fore,
                     platform::Colour back, platform::Alignment alignment) {
    std::ostringstream out;
    out << '"' << text << '"' << (picture ? " picture" : "") << std::hex << " fore " << fore
        << " back " << back << " align " << static_cast<int>(alignment);
    return out.str();
}

class IncrementalGrid : public ::testing::TestWithParam<unsigned> {
  protected:
    testing::FakeSystem fs;
    testing::FakeHost host;
    StationBoard board{host, host};
    std::mt19937 rng{GetParam()};
    std::vector<std::string> pool;
    std::unique_ptr<GridUnderTest> changes;
    int seconds = 0;  // the clock, from the start of the run
    // What the user chose: the columns shown, the sort, the selection.
    std::array<bool, kLastColumn + 1> visible;
    int sortCol = 0;
    bool descending = true;
    std::string selected;

    void SetUp() override {
        fs.clock.Set(2026, 12, 6, 12, 0, 0);
        testing::StartGridSettings(500);
        host.drawable.insert("/>");
        host.drawable.insert("/-");
        host.directPictures = GetParam() % 2 == 0;
        visible.fill(true);
        for (int i = 0; i < 260; ++i)
            pool.push_back((i % 3 ? "G" : "M") + std::to_string(i % 7) + "X" + std::to_string(i));
        changes = std::make_unique<GridUnderTest>(board, host);
        board.SetListener(changes.get());
    }
    void TearDown() override { board.SetListener(nullptr); }

    int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; }
    const std::string& AnyCall() {
        return pool[static_cast<std::size_t>(Pick(Chance(0.7) ? 30 : 260))];
    }

    // Values chosen so that many rows tie in a column and sorted rows often swap.
    void Vary(const std::string& cs) {
        HostStation& s = host.Know(cs);
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

    // A press on a header: the sort goes to it and turns round, unless no stations.
    void PressHeader(int col) {
        platform::GridControl& c = changes->control;
        c.SetMouseCell(0, std::min(col, c.Cols() - 1));
        c.SetCol(std::min(col, c.Cols() - 1));
        if (!Live().empty()) descending = !descending;
        sortCol = c.Col();
        changes->grid.grdStations_MouseDown(1, 0, 0, 0);
    }

    std::string Step() {
        StationGrid& grid = changes->grid;
        platform::GridControl& control = changes->control;
        const int what = Pick(100);
        if (what < 45) {
            const std::string cs = AnyCall();
            Beacon(cs);
            return "beacon " + cs;
        }
        if (what < 55) {
            const std::string cs = AnyCall();
            board.mUIV_NotifyDelete(cs);
            return "delete " + cs;
        }
        if (what < 63) {
            // Events in the intake's pause, and in theirs.
            std::vector<std::function<void()>> batch;
            for (int k = Pick(4); k >= 0; --k) {
                const std::string cs = AnyCall();
                const bool beacon = Chance(0.75);
                batch.push_back([=, this] { beacon ? Beacon(cs) : board.mUIV_NotifyDelete(cs); });
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
            if (Chance(0.5)) {
                changes->grid.AgeTick();
                return "the ages follow the clock to " + std::to_string(seconds);
            }
            Beacon(AnyCall());
            return "time passes to " + std::to_string(seconds);
        }
        if (what < 82) {
            const int col = Pick(control.Cols());
            PressHeader(col);
            return "header " + std::to_string(col);
        }
        if (what < 88) {
            selected = Chance(0.8) ? AnyCall() : std::string();
            grid.SetSelectedCall(selected);
            grid.select_row();
            return "select " + selected;
        }
        if (what < 91) {
            const int column = 1 + Pick(kLastColumn);
            visible[static_cast<std::size_t>(column)] = Chance(0.5);
            grid.SetVisible(column, visible[static_cast<std::size_t>(column)]);
            grid.select_columns();
            sortCol = 0;
            grid.build_station_grid();
            return "column " + std::to_string(column) +
                   (visible[static_cast<std::size_t>(column)] ? " on" : " off");
        }
        if (what < 93) {
            Settings().FormatAgeMMSS = !Settings().FormatAgeMMSS;
            Settings().FormatLocator = static_cast<std::int16_t>(4 + 2 * Pick(4));
            Settings().EmergencyIgnoreOnDistance = Chance(0.5);
            Settings().EmergencyScan = Chance(0.8);
            grid.build_station_grid();
            return "settings";
        }
        if (what < 96) {
            const StationTable& t = board.Table();
            std::vector<std::int32_t> emergencies;
            for (const std::int32_t i : Live())
                if (t[i].Emergency && !t[i].EmergencyAcknowledged) emergencies.push_back(i);
            if (emergencies.empty()) return "no emergency to acknowledge";
            const std::int32_t i =
                emergencies[static_cast<std::size_t>(Pick(static_cast<int>(emergencies.size())))];
            board.Table().Edit(i).EmergencyAcknowledged = true;
            grid.select_row();
            return "acknowledge " + t[i].Callsign;
        }
        if (what < 98) {
            // The host's list read anew; now and then one that lists a station twice.
            host.lines.clear();
            std::set<std::string> listed;
            const bool twice = Chance(0.1);
            for (int k = Pick(260); k > 0; --k) {
                const std::string cs = AnyCall();
                if (!listed.insert(cs).second && !twice) continue;
                Vary(cs);
                host.lines.push_back(" " + cs + " 5130.00N 00100.00W");
            }
            board.HostLinked();
            board.scan_stations();
            return "scan of " + std::to_string(host.lines.size());
        }
        // A press on a row selects its station; without stations it falls on the header.
        const int row = std::min(1 + Pick(std::max(1, control.Rows() - 1)), control.Rows() - 1);
        if (row == 0) {
            PressHeader(0);
            return "click on the empty grid";
        }
        selected = control.TextMatrix(row, 0);
        control.SetMouseCell(row, 0);
        control.SetRow(row);
        control.SetCol(0);
        grid.grdStations_MouseDown(1, 0, 0, 0);
        return "click row " + std::to_string(row);
    }

    // The live records, in table order (one still being filled has no callsign).
    std::vector<std::int32_t> Live() const {
        const StationTable& t = board.Table();
        std::vector<std::int32_t> out;
        for (std::int32_t i = 0; i < t.StationCount(); ++i)
            if (!t[i].Deleted && !t[i].Callsign.empty()) out.push_back(i);
        return out;
    }

    std::int64_t Now() const { return 1796558400 + seconds; }  // from 2026-12-06 12:00 UTC
    // An age's text; none when its minutes do not fit 16 bits.
    std::string Age(std::int64_t age) const {
        if (!Settings().FormatAgeMMSS) return std::to_string(age);
        if (age / 60 > 32767 || age / 60 < -32768) return {};
        const std::int64_t rest = age % 60, mag = rest < 0 ? -rest : rest;
        return std::to_string(age / 60) + ":" + (rest < 0 ? "-" : "") + (mag < 10 ? "0" : "") +
               std::to_string(mag);
    }
    // A row's cell texts, column by column; `pictured`: among the rows with pictures.
    std::array<std::string, kLastColumn + 1> Texts(const StationRecord& r, bool pictured) const {
        const std::int16_t length = Settings().FormatLocator;
        std::string locator = length == 6 ? r.Locator().substr(0, 6) : r.Locator();
        if (length == 10) LocatorFromPosition(r.Longitude / 60.0, r.Latitude / 60.0, locator, 10);
        const auto phg = [&](std::string t) { return r.HasPHG ? t : ""; };
        const auto qsy = [&](std::string t) { return r.HasQSY ? t : ""; };
        return {r.Callsign,
                !pictured                       ? r.Symbol
                : host.drawable.count(r.Symbol) ? ""
                                                : "oops",
                Age(Now() - r.HeardTime),
                r.LatitudeText(),
                r.LongitudeText(),
                locator,
                r.Speed == -99999.0f ? "----" : Written(r.Speed, false),
                r.Course == -32768 ? "----" : std::to_string(r.Course),
                std::to_string(r.Bearing),
                Written(r.Distance, true),
                phg(std::to_string(r.PHG->Power)),
                phg(Written(r.PHG->Height, false)),
                phg(std::to_string(r.PHG->Gain)),
                phg(r.PHG->Directivity),
                r.HasPHGRate ? std::to_string(r.PHG->Rate) : "",
                phg(Written(r.PHG->Range, true)),
                qsy(r.QSY->Frequency),
                qsy(Written(r.QSY->Tone, false))};
    }

    // The grid as the rules make it from the table and the user's choices.
    void ExpectAsTheRulesSay(const std::string& step) {
        const platform::GridControl& g = changes->control;
        const StationTable& t = board.Table();
        const SettingValues& s = Settings();
        const std::vector<std::int32_t> live = Live();
        EXPECT_TRUE(g.Visible()) << step;
        EXPECT_EQ(changes->window.caption, "UI-View Beaconboard V1.0.10   [" +
                                               std::to_string(live.size()) + "/" +
                                               std::to_string(t.StationCount()) + "]")
            << step;
        EXPECT_EQ(changes->rows, static_cast<std::int32_t>(live.size())) << step;
        if (live.empty()) {
            ASSERT_EQ(g.Rows() * g.Cols(), 1) << step;
            EXPECT_EQ(g.TextMatrix(0, 0), "Sorry, no stations heard...") << step;
            return;
        }
        std::vector<std::size_t> sources{0};
        for (std::size_t c = 1; c <= kLastColumn; ++c)
            if (visible[c]) sources.push_back(c);
        ASSERT_EQ(g.Cols(), static_cast<int>(sources.size())) << step;
        ASSERT_EQ(g.Rows(), static_cast<int>(live.size()) + 1) << step;
        for (int c = 0; c < g.Cols(); ++c)
            EXPECT_EQ(g.TextMatrix(0, c), std::string(kHeaders[sources[std::size_t(c)]]) +
                                              (c == sortCol ? (descending ? " v" : " ^") : ""))
                << step;
        // Pictures: all from a direct host, else the first 199 in table order.
        // Ages sort by their seconds; ties keep table order either way.
        const std::size_t sortSource = sources[static_cast<std::size_t>(sortCol)];
        std::map<std::int32_t, std::array<std::string, kLastColumn + 1>> texts;
        std::map<std::int32_t, Key> keys;
        for (std::size_t n = 0; n < live.size(); ++n) {
            const std::int32_t i = live[n];
            texts[i] = Texts(t[i], host.directPictures || n < kSymbolPictureRows - 1);
            const std::string& text = texts[i][sortSource];
            keys[i] = sortSource == 2 && !text.empty()
                          ? Key{true, static_cast<double>(Now() - t[i].HeardTime), {}}
                          : KeyOfText(text);
        }
        std::vector<std::int32_t> rows = live;
        std::sort(rows.begin(), rows.end(), [&](std::int32_t a, std::int32_t b) {
            if (keys[a] < keys[b]) return !descending;
            if (keys[b] < keys[a]) return descending;
            return a < b;
        });
        int emergencies = 0;
        for (std::size_t n = 0; n < rows.size(); ++n) {
            const StationRecord& r = t[rows[n]];
            platform::Colour fore = kBlue, back = kWhite;
            if (s.EmergencyScan && r.Emergency) {
                ++emergencies;
                fore = kYellow, back = kRed;
                if (s.EmergencyIgnoreOnDistance && r.Distance >= s.EmergencyIgnoreDistance)
                    fore = kRed, back = kYellow;
                if (r.EmergencyAcknowledged) fore = kBlack, back = kOrange;
            } else if (!selected.empty() && r.Callsign == selected) {
                fore = kWhite, back = kBlue;
            }
            for (int c = 0; c < g.Cols(); ++c) {
                const std::size_t source = sources[static_cast<std::size_t>(c)];
                const std::string& text = texts[rows[n]][source];
                const platform::GridCell cell = g.Cell(static_cast<int>(n) + 1, c);
                ASSERT_EQ(Describe(cell.text, cell.picture != nullptr,
                                   cell.hasFore ? cell.fore : g.ForeColor(),
                                   cell.hasBack ? cell.back : g.BackColor(), cell.alignment),
                          Describe(text, source == 1 && text.empty(), fore, back,
                                   platform::Alignment::Centre))
                    << step << ": row " << n + 1 << " column " << c;
            }
        }
        EXPECT_EQ(changes->emergencies, emergencies) << step;
    }

    // A view that looks again only at the rows the grid names (and at rows
    // new at the end, or all of another shape) shows the grid as it is.
    std::vector<std::vector<std::string>> seen;
    void ExpectTheViewFollows(const std::string& step) {
        platform::GridControl& g = changes->control;
        const auto [first, last] = g.TakeChangedRows();
        const auto describe = [&](int row, int col) {
            const platform::GridCell cell = g.Cell(row, col);
            return Describe(cell.text, cell.picture != nullptr,
                            cell.hasFore ? cell.fore : g.ForeColor(),
                            cell.hasBack ? cell.back : g.BackColor(), cell.alignment);
        };
        if (!seen.empty() && seen.front().size() != static_cast<std::size_t>(g.Cols()))
            seen.clear();
        const std::size_t kept = seen.size();
        seen.resize(static_cast<std::size_t>(g.Rows()));
        for (int row = 0; row < g.Rows(); ++row) {
            auto& cells = seen[static_cast<std::size_t>(row)];
            const bool look =
                static_cast<std::size_t>(row) >= kept || (row >= first && row <= last);
            for (int col = 0; col < g.Cols(); ++col) {
                if (look) cells.resize(static_cast<std::size_t>(g.Cols()));
                if (look) cells[static_cast<std::size_t>(col)] = describe(row, col);
                ASSERT_EQ(cells[static_cast<std::size_t>(col)], describe(row, col))
                    << step << ": row " << row << " column " << col << " not named as changed";
            }
        }
    }
};

TEST_P(IncrementalGrid, ShowsWhatTheRulesSayCellForCell) {
    // More stations than get pictures by the clipboard.
    for (const std::string& cs : pool) {
        Vary(cs);
        host.lines.push_back(" " + cs + " 5130.00N 00100.00W");
    }
    board.HostLinked();
    board.scan_stations();
    std::string step = "start";
    // A station listed twice draws the grid anew until it beacons again.
    const auto twice = [this] {
        std::set<std::string> seen;
        bool found = false;
        for (const std::int32_t i : Live())
            found = found || !seen.insert(board.Table()[i].Callsign).second;
        return found;
    };
    int full = 0, passes = 0;
    for (int i = 0; i < 400 && !HasFailure(); ++i) {
        const bool before = twice();
        const int a = changes->grid.FullRebuilds(), b = changes->passes;
        step = "step " + std::to_string(i) + ": " + Step();
        ExpectAsTheRulesSay(step);
        ExpectTheViewFollows(step);
        if (before || twice()) continue;
        full += changes->grid.FullRebuilds() - a;
        passes += changes->passes - b;
    }
    // Most passes changed rows; only sorts, columns, settings and scans drew the grid anew.
    EXPECT_LT(full * 4, passes);
    EXPECT_TRUE(board.Table().IndexIsConsistent());
}

// Six seeds in the suite; BB_GRID_SEEDS runs more (tools/random-use).
unsigned SeedCount() {
    const char* n = std::getenv("BB_GRID_SEEDS");
    return n ? static_cast<unsigned>(std::max(1, std::atoi(n))) : 6u;
}
INSTANTIATE_TEST_SUITE_P(Seeds, IncrementalGrid, ::testing::Range(1u, 1u + SeedCount()));

}  // namespace
}  // namespace bb
