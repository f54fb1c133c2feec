// The indexed intake against the literal one: the same random events,
// nested ones included, must leave the same live stations in the same order.
#include <gtest/gtest.h>

#include <random>

#include "bench/literal_table.h"
#include "stations/board.h"
#include "support/clock.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

// The live stations' callsign, beacon text and locator, in table order.
using Snapshot = std::vector<std::string>;
void Take(Snapshot& s, const StationRecord& r) {
    if (!r.Deleted) s.push_back(r.Callsign + "|" + r.BeaconText + "|" + r.Locator());
}

// One event of a random script; either intake can run it.
struct Event {
    enum Kind { kBeacon, kDelete, kRefuse, kAllow } kind;
    std::string callsign;
    int nested = 0;  // events delivered in this beacon's pause
};

TEST(IndexedIntake, MatchesTheLiteralIntakeOnRandomEvents) {
    testing::FakeSystem fs;
    Common::Initialize();
    Snapshot indexed;
    std::size_t flaggedSeen = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        const int stations = 3 + static_cast<int>(rng() % 40);
        std::vector<Event> script;
        for (int n = 0; n < 1500; ++n) {
            const int r = static_cast<int>(rng() % 100);
            Event e{r < 80   ? Event::kBeacon
                    : r < 92 ? Event::kDelete
                    : r < 96 ? Event::kRefuse
                             : Event::kAllow,
                    "S" + std::to_string(rng() % stations), 0};
            if (e.kind == Event::kBeacon && rng() % 8 == 0) e.nested = 1 + rng() % 3;
            script.push_back(e);
        }

        for (int which = 0; which < 2; ++which) {
            testing::FakeHost host;
            StationBoard board(host, host);
            bench::LiteralTable literal;
            HostStation query;
            for (int s = 0; s < stations; ++s) {
                HostStation& st = host.Know("S" + std::to_string(s));
                st.Latitude = static_cast<float>(s * 60);
                st.CommentStart = 1;
                st.FallbackDate = DateSerial(2026, 12, 1);  // a date the record can hold
            }
            int serial = 0;
            std::size_t next = 0;
            std::function<void()> runOne = [&] {
                if (next >= script.size()) return;  // a late batch after the script's end
                const Event& e = script[next++];
                switch (e.kind) {
                    case Event::kBeacon: {
                        host.stations[e.callsign].BeaconText = "b" + std::to_string(++serial);
                        // A station calls for help now and then, and stops.
                        host.stations[e.callsign].StatusText = serial % 5 == 0 ? "EMERGENCY" : "";
                        std::vector<std::function<void()>> batch;
                        for (int k = 0; k < e.nested; ++k)
                            batch.push_back([&] { runOne(); });
                        host.atPause.push_front(std::move(batch));
                        if (which == 0)
                            board.mUIV_NotifyBeacon(e.callsign, 0, 0);
                        else
                            literal.add_beacon(e.callsign, host, host, query);
                        break;
                    }
                    case Event::kDelete:
                        if (which == 0)
                            board.mUIV_NotifyDelete(e.callsign);
                        else
                            literal.remove_beacon(e.callsign);
                        break;
                    case Event::kRefuse:
                        host.failing.insert(e.callsign);
                        break;
                    case Event::kAllow:
                        host.failing.erase(e.callsign);
                }
            };
            // The emergencies the table keeps are those its records say,
            // through compactions and nested intakes: asked for after every
            // event, or after every 37th, when the edits between may
            // outnumber the records.
            const auto emergenciesKept = [&] {
                const StationTable& t = board.Table();
                std::vector<std::int32_t> flagged;
                for (std::int32_t i = 0; i < t.StationCount(); ++i)
                    if (t[i].Emergency) flagged.push_back(i);
                flaggedSeen += flagged.size();
                return t.EmergencyRecords() == flagged;
            };
            while (next < script.size()) {
                runOne();
                if (which == 0 && next % (seed % 2 ? 1 : 37) == 0) {
                    ASSERT_TRUE(emergenciesKept()) << seed;
                }
            }
            if (which == 0) {
                ASSERT_TRUE(emergenciesKept()) << seed;
                indexed.clear();
                board.Table().ForEachLive(
                    [&](std::int32_t, const StationRecord& r) { Take(indexed, r); });
                ASSERT_TRUE(board.Table().IndexIsConsistent()) << seed;
                ASSERT_LE(board.Table().UpperBound() + 1,
                          2 * board.Table().LiveCount() + 2 +
                              static_cast<int>(StationTable::kMinRecordsToCompact));
            } else {
                Snapshot literalLive;
                for (const StationRecord& r : literal.records)
                    Take(literalLive, r);
                EXPECT_EQ(literalLive, indexed) << "seed " << seed;
                // Every live record was filled: the comparison is of beacons heard.
                EXPECT_TRUE(std::ranges::all_of(indexed, [](const std::string& l) {
                    return l.find("|b") != l.npos;
                })) << seed;
            }
        }
    }
    EXPECT_GT(flaggedSeen, 0u);
}

}  // namespace
}  // namespace bb
