// The batched scan shows what the one-at-a-time scan shows, with events in its pauses.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>

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
    // The station as the host will answer for it; variant < 0: unknown to it.
    void Know(const std::string& cs, int variant) {
        static const char* const kTexts[] = {"!x", "!x PHG5132", "!x PHGR51304 145.625MHz T088"};
        if (variant < 0) return void(host.stations.erase(cs));
        HostStation& s = host.Know(cs);
        s.BeaconText = kTexts[variant % 3];
        s.CommentStart = 3;
        s.Latitude = static_cast<float>(3000 + variant % 7 * 10);
        s.Symbol = variant % 4 ? "/>" : "/-";
        s.StatusText = variant % 13 == 0 ? "EMERGENCY" : "";
        s.ReportDate = DateSerial(2026, 12, 6, 11, variant % 60, 0);
    }
    std::string Cells() const {
        std::string out = window.caption;
        for (int r = 0; r < control.Rows(); ++r)
            for (int c = 0; c < control.Cols(); ++c) {
                const platform::GridCell& cell = control.Cell(r, c);
                out += '\n' + cell.text + (cell.picture ? " picture " : " ") +
                       std::to_string(cell.hasFore * cell.fore) + " " +
                       std::to_string(cell.hasBack * cell.back);
            }
        return out;
    }
};

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
            const int variant = pick(10) ? pick(1000) : -1, form = pick(160);
            // Now and then an odd line, rarely an empty one.
            const std::string line = form < 4    ? "X" + cs
                                     : form < 8  ? "*" + cs + "* 5130.00N"
                                     : form == 8 ? ""
                                                 : " " + cs + " 5130.00N";
            for (Side* side : {&one, &batched}) {
                side->Know(cs, variant);
                side->host.lines.push_back(line);
            }
        }
        // Beacons and drops at the pauses before some batches (keyed by the next station).
        std::map<std::size_t, std::vector<std::tuple<bool, std::string, int>>> at;
        for (std::size_t i = 0; i < one.host.lines.size(); i += static_cast<std::size_t>(batch))
            for (int k = pick(5) - 2; k > 0; --k)
                at[i].emplace_back(pick(4) != 0, call(), pick(8) ? pick(1000) : -1);
        for (Side* side : {&one, &batched}) {
            int scanPauses = 0;
            bool inEvent = false;  // the pauses of the events' own intakes are not the scan's
            side->host.onPause = [&, side](int) {
                const int n = inEvent ? -1 : scanPauses++;
                const auto it = at.find(static_cast<std::size_t>(side == &one ? n : n * batch));
                if (n < 0 || it == at.end()) return;
                inEvent = true;
                for (const auto& [beacon, cs, variant] : it->second) {
                    side->Know(cs, beacon ? variant : -1);
                    if (beacon) side->board.mUIV_NotifyBeacon(cs, 0, 0);
                    if (!beacon) side->board.mUIV_NotifyDelete(cs);
                }
                inEvent = false;
            };
            side->board.HostLinked();
            side->board.scan_stations();
            side->host.onPause = nullptr;
        }
        EXPECT_GT(batched.host.batchCalls, 0);
        ASSERT_EQ(one.Cells(), batched.Cells()) << "seed " << seed;
    }
}

}  // namespace
}  // namespace bb
