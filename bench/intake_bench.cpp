// Beacon intake and full scan at the sizes of a full feed: the indexed table
// against the literal baseline, in the same run.
//   build/bench/stations_bench --benchmark_repetitions=5
#include <benchmark/benchmark.h>

#include <random>

#include "bench/literal_table.h"
#include "stations/board.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

std::string Callsign(int n) {
    std::string callsign = "ST";
    callsign.append(std::to_string(n)).append("-").append(std::to_string(n % 16));
    return callsign;
}

// A host that knows every station: it answers each query with the same
// realistic beacon, so that the figures are the intake's own and not a
// lookup in the stand-in.
class BenchHost final : public host::HostMain, public MessagePump {
  public:
    explicit BenchHost(int stations) {
        beacon_.Symbol = "/>";
        beacon_.BeaconText = "!5230.00N/00453.20E>PHG5132 Mobile 145.625MHz T088 via digi";
        beacon_.CommentStart = 21;
        beacon_.Latitude = 3150.0f;
        beacon_.Longitude = 293.2f;
        beacon_.ReportDate = DateSerial(2026, 12, 6, 12, 0, 0);
        for (int n = 0; n < stations; ++n) {
            std::string line = "X";
            lines_.push_back(line.append(Callsign(n)).append(" 5230.00N"));
        }
    }
    bool GetStation(host::HostStation& station) override {
        std::string callsign = std::move(station.Callsign);
        station = beacon_;
        station.Callsign = std::move(callsign);
        return true;
    }
    bool SymbolToClipboard(const std::string&, const std::string&, const std::string&,
                           std::int16_t) override {
        return false;
    }
    host::HostMap& Map() override { return map_; }
    std::int16_t HostStationCount() override { return static_cast<std::int16_t>(lines_.size()); }
    std::string HostStationLine(std::int16_t i) override {
        return lines_[static_cast<std::size_t>(i)];
    }
    void SetNotify(bool) override {}
    void LetPendingMessagesRun() override {}

  private:
    host::HostStation beacon_;
    std::vector<std::string> lines_;
    testing::FakeMap map_;
};

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

void BM_IntakeLiteral(benchmark::State& state) {
    testing::FakeSystem fs;
    const int stations = static_cast<int>(state.range(0));
    BenchHost host(stations);
    bench::LiteralTable table;
    table.records.resize(static_cast<std::size_t>(stations));
    for (int n = 0; n < stations; ++n)
        table.records[static_cast<std::size_t>(n)].Callsign = Callsign(n);
    table.count = stations;
    host::HostStation query;
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
        board.HostReady = true;
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
