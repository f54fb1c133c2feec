// The scan that reads the host's list in batches against the one that reads
// it a station at a time: on random host lists, with stations that beacon,
// vanish from the host or are deleted while the scan pauses between
// batches, both boards show the same grid cell for cell.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "grid/station_grid.h"
#include "tests/fakes/fake_grid_window.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/grid_follows_table.h"

namespace bb {
namespace {

// One board and its grid, following a host of its own.
struct Side {
    testing::FakeHost host;
    StationBoard board{host, host};
    platform::GridControl control;
    testing::FakeClipboard clipboard;
    testing::FakeWindow window;
    StationGrid grid{control, board, host, clipboard, window, Settings(), "Beaconboard"};
    testing::GridFollowsTable follow{grid};
    Side() {
        grid.FillColumnCaptions();
        grid.select_columns();
        grid.PrepareGrid();
        board.SetListener(&follow);
        host.drawable = {"/>", "/-"};
    }
};

// What happens at a pause: a station beacons with new data (or the host no
// longer knows it), or the host drops it and says so.
struct Event {
    bool beacon;
    std::string callsign;
    int variant;  // < 0: the host does not know the station
};

void Know(testing::FakeHost& host, const std::string& cs, int variant) {
    if (variant < 0) {
        host.stations.erase(cs);
        return;
    }
    static const char* const kTexts[] = {"!x", "!x PHG5132", "!x PHGR51304 145.625MHz T088",
                                         "!x 438.800MHz"};
    host::HostStation& s = host.Know(cs);
    s.BeaconText = kTexts[variant % 4];
    s.CommentStart = 3;
    s.Latitude = static_cast<float>(3000 + variant % 7 * 10);
    s.Longitude = static_cast<float>(-100 + variant % 5 * 50);
    s.Symbol = variant % 3 ? "/>" : "/-";
    s.Distance = static_cast<float>(variant % 6) * 250.0f;
    s.StatusText = variant % 13 == 0 ? "EMERGENCY" : "";
    s.ReportDate = DateSerial(2026, 12, 6, 11, variant % 60, 0);
}

std::string Cells(const platform::GridControl& g) {
    std::ostringstream out;
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = 0; c < g.Cols(); ++c) {
            const platform::GridCell& cell = g.Cell(r, c);
            out << r << ',' << c << ' ' << cell.text << (cell.picture ? " picture" : "") << ' '
                << cell.hasFore << cell.fore << ' ' << cell.hasBack << cell.back << '\n';
        }
    return out.str();
}

TEST(BatchedScan, ShowsWhatTheScanOfOneStationAtATimeShows) {
    testing::FakeSystem fs;
    fs.clock.Set(2026, 12, 6, 12, 0, 0);
    for (unsigned seed = 1; seed <= 60 && !::testing::Test::HasFailure(); ++seed) {
        std::mt19937 rng(seed);
        const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        testing::StartGridSettings(500);
        Side one, batched;
        const int pool = 5 + pick(120), batch = 1 + pick(12);
        batched.host.batchSize = batch;
        const auto call = [&] { return "G" + std::to_string(pick(pool)) + "X"; };
        for (int k = pick(pool + 20); k > 0; --k) {
            const std::string cs = call();
            const int variant = pick(10) ? pick(1000) : -1;
            const int form = pick(40);  // now and then an odd line
            const std::string line = form == 0                   ? "X" + cs
                                     : form == 1                 ? "*" + cs + "* 5130.00N"
                                     : form == 2 && pick(4) == 0 ? ""
                                                                 : " " + cs + " 5130.00N";
            for (Side* side : {&one, &batched}) {
                Know(side->host, cs, variant);
                side->host.lines.push_back(line);
            }
        }
        // Events at the pauses before some batches, keyed by the station
        // the scan reads next.
        std::map<std::size_t, std::vector<Event>> at;
        for (std::size_t i = 0; i < one.host.lines.size(); i += static_cast<std::size_t>(batch))
            for (int k = pick(5) - 2; k > 0; --k)
                at[i].push_back({pick(4) != 0, call(), pick(8) ? pick(1000) : -1});
        for (Side* side : {&one, &batched}) {
            int scanPauses = 0;
            bool inEvent = false;  // the pauses of the events' own intakes
            side->host.onPause = [&, side](int) {
                if (inEvent) return;
                const int n = scanPauses++;
                const auto it = at.find(side->host.batchSize ? static_cast<std::size_t>(n * batch)
                                                             : static_cast<std::size_t>(n));
                if (it == at.end()) return;
                inEvent = true;
                for (const Event& e : it->second) {
                    Know(side->host, e.callsign, e.beacon ? e.variant : -1);
                    if (e.beacon)
                        side->board.mUIV_NotifyBeacon(e.callsign, 0, 0);
                    else
                        side->board.mUIV_NotifyDelete(e.callsign);
                }
                inEvent = false;
            };
            side->board.HostLinked();
            side->board.scan_stations();
            side->host.onPause = nullptr;
        }
        EXPECT_GT(batched.host.batchCalls, 0);
        EXPECT_EQ(one.board.EmergencyCount(), batched.board.EmergencyCount()) << "seed " << seed;
        EXPECT_EQ(one.window.caption, batched.window.caption) << "seed " << seed;
        ASSERT_EQ(Cells(one.control), Cells(batched.control)) << "seed " << seed;
    }
}

}  // namespace
}  // namespace bb
