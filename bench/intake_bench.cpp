// Beacon intake and full scan at the sizes of a full feed: the indexed table
// against the literal baseline, in the same run.
//   build/bench/stations_bench --benchmark_repetitions=5
#include <benchmark/benchmark.h>

#include <random>

#include "alarm/alerts.h"
#include "bench/bench_host.h"
#include "bench/literal_table.h"
#include "stations/board.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/fake_scheduler.h"
#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

std::vector<std::string> RandomOrder(int stations, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> order;
    for (int n = 0; n < 4096; ++n)
        order.push_back(Callsign(static_cast<int>(rng() % stations)));
    return order;
}

void BM_IntakeIndexed(benchmark::State& state) {
    testing::FakeSystem fs;
    const int stations = static_cast<int>(state.range(0));
    BenchHost host(stations);
    StationBoard board(host, host);
    for (int n = 0; n < stations; ++n)
        board.add_beacon(Callsign(n), 0, 0);
    const std::vector<std::string> order = RandomOrder(stations, 1);
    std::size_t k = 0;
    for (auto _ : state)
        board.add_beacon(order[k++ & 4095], 0, 0);
    state.counters["live"] = board.Table().LiveCount();
    state.counters["records"] = board.Table().UpperBound() + 1;
}
BENCHMARK(BM_IntakeIndexed)->Arg(50000)->Unit(benchmark::kMicrosecond);

// The same intake with the alerts following each beacon: a watch list that
// a sixteenth of the stations match (their SSID), a distance and a silence.
void BM_IntakeWithAlerts(benchmark::State& state) {
    testing::FakeSystem fs;
    const int stations = static_cast<int>(state.range(0));
    BenchHost host(stations);
    StationBoard board(host, host);
    SettingValues settings;
    settings.AlertWatch = "PA3XYZ-9,G4*,*-9";
    settings.AlertNearKm = 25;
    settings.AlertQuietMinutes = 30;
    testing::FakeScheduler clock;
    struct : StationActions {
        std::shared_ptr<const Picture> SymbolPicture(const std::string&) override {
            return nullptr;
        }
        void Tune(const std::string&) override {}
        void TuneRecord(const StationRecord&) override {}
        void ShowStation(const std::string&) override {}
    } actions;
    StationAlerts alerts(board, settings, actions, &clock);
    for (int n = 0; n < stations; ++n)
        board.add_beacon(Callsign(n), 0, 0);
    const std::vector<std::string> order = RandomOrder(stations, 1);
    std::size_t k = 0;
    for (auto _ : state) {
        const std::string& call = order[k++ & 4095];
        board.add_beacon(call, 0, 0);
        alerts.StationHeard(call);
        // 200 beacons a second: the clock moves 5 ms a beacon.
        clock.Advance(5);
    }
    state.counters["live"] = board.Table().LiveCount();
}
BENCHMARK(BM_IntakeWithAlerts)->Arg(50000)->Unit(benchmark::kMicrosecond);

void BM_IntakeLiteral(benchmark::State& state) {
    testing::FakeSystem fs;
    const int stations = static_cast<int>(state.range(0));
    BenchHost host(stations);
    bench::LiteralTable table;
    table.records.resize(static_cast<std::size_t>(stations));
    for (int n = 0; n < stations; ++n)
        table.records[static_cast<std::size_t>(n)].Callsign = Callsign(n);
    table.count = stations;
    HostStation query;
    const std::vector<std::string> order = RandomOrder(stations, 1);
    std::size_t k = 0;
    for (auto _ : state)
        table.add_beacon(order[k++ & 4095], host, host, query);
    state.counters["records"] = static_cast<double>(table.records.size());
}
BENCHMARK(BM_IntakeLiteral)->Arg(50000)->Unit(benchmark::kMicrosecond);

void BM_FullScan(benchmark::State& state) {
    testing::FakeSystem fs;
    BenchHost host(static_cast<int>(state.range(0)));
    StationBoard board(host, host);
    for (auto _ : state) {
        board.HostLinked();
        board.scan_stations();
    }
    state.counters["live"] = board.Table().LiveCount();
}
BENCHMARK(BM_FullScan)->Arg(30000)->Unit(benchmark::kMillisecond);

// The table's size after a long run: 1,000,000 beacons from 50,000 stations.
void BM_LongRunMemory(benchmark::State& state) {
    testing::FakeSystem fs;
    const int stations = 50000;
    BenchHost host(stations);
    std::mt19937 rng(2);
    for (auto _ : state) {
        StationBoard board(host, host);
        for (int n = 0; n < 1000000; ++n)
            board.add_beacon(Callsign(static_cast<int>(rng() % stations)), 0, 0);
        state.counters["records"] = board.Table().UpperBound() + 1;
        state.counters["live"] = board.Table().LiveCount();
    }
}
BENCHMARK(BM_LongRunMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace bb

BENCHMARK_MAIN();
