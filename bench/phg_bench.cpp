// One PHG pass with 5,000 PHG stations (a third of them directional): on
// the in-process fake host, and over the session bus to bb-host, where the
// map calls go without replies and in batches. For the bus, "sent" is the
// pass with its last batch sent, and
// "drained" adds the time until bb-host has taken in every call (a reply
// to a later call proves it). Run under dbus-run-session.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <chrono>

#include "app/host_binding.h"
#include "bench/bench_bus.h"
#include "bench/bench_grid.h"
#include "bench/bench_host.h"
#include "map/phg_overlays.h"

namespace {

constexpr int kPhgStations = 5000;

// Counts the calls and keeps nothing, so that the pass is what is measured.
class CountingMap final : public bb::HostMap {
  public:
    long calls = 0;
    void MapCircle(float, float, float, std::int32_t, float, float, float) override { ++calls; }
    void MapLine(float, float, float, float, std::int32_t, std::int32_t) override { ++calls; }
    void SetMapLineWidth(std::int16_t) override { ++calls; }
    void SetMapDrawMode(std::int16_t) override { ++calls; }
    void SetMapDrawColour(std::int32_t) override { ++calls; }
};

void FillTable(bb::StationBoard& board) {
    bb::StationTable& t = board.Table();
    for (int i = 0; i < kPhgStations; ++i) {
        const std::int32_t n = t.Append();
        t.SetCallsign(n, "PHG" + std::to_string(i));
        bb::StationRecord& r = t.Edit(n);
        r.Longitude = 293.2f + static_cast<float>(i % 100);
        r.Latitude = 3150.0f + static_cast<float>(i / 100);
        r.HasPHG = true;
        r.PHG->Range = 5 + i % 20;
        r.PHG->DirectivityCode = static_cast<std::int16_t>(i % 3 == 0 ? 1 + i % 8 : 0);
    }
}

void BM_PlotPhgFakeHost(benchmark::State& state) {
    bb::BenchHost host(0);
    bb::StationBoard board(host, host);
    FillTable(board);
    bb::SettingValues settings;
    settings.PHGPlotOnMap = true;
    CountingMap map;
    bb::PhgOverlays overlays(board, map, host, settings);
    for (auto _ : state)
        overlays.Plot_PHG();
    state.counters["calls_per_pass"] =
        static_cast<double>(map.calls) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PlotPhgFakeHost)->Unit(benchmark::kMillisecond);

void BM_PlotPhgOverBus(benchmark::State& state) {
    QProcess process;
    bb::StartBbHost(process, BB_HOST_EXE);
    std::unique_ptr<bb::app::DBusHost> host;
    try {
        host = bb::app::DBusHost::Create(QDBusConnection::sessionBus());
        host->Map();
        host->SetMapBatches(state.range(0) != 0);
    } catch (...) {
        state.SkipWithError("bb-host did not come up");
        return;
    }
    bb::BenchHost pumpHost(0);
    bb::StationBoard board(pumpHost, pumpHost);
    FillTable(board);
    bb::SettingValues settings;
    settings.PHGPlotOnMap = true;
    bb::PhgOverlays overlays(board, host->Map(), pumpHost, settings);
    double drainedMs = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        overlays.Plot_PHG();
        host->FlushMap();
        state.PauseTiming();
        benchmark::DoNotOptimize(host->HostStationCount());
        drainedMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["drained_ms"] = drainedMs / static_cast<double>(state.iterations());
    process.kill();
    process.waitForFinished();
}
BENCHMARK(BM_PlotPhgOverBus)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("batched")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return bb::RunQtBenchmarks(argc, argv);
}
