// The grid rebuild (sort and row repaint included) at 50,000 live stations:
// letting the event loop run by time slice, as the program does, against
// letting it run once per record and row. Also the memory of the table and
// the grid at that size.
//   build-rel/bench/grid_bench --benchmark_repetitions=5
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <fstream>

#include "bench/bench_grid.h"
#include "bench/bench_host.h"
#include "grid/station_grid.h"
#include "platform/qt_message_pump.h"
#include "platform/qt_scheduler.h"
#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

double ResidentMiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

void Rebuild(benchmark::State& state, bool sliced) {
    testing::FakeSystem fs;
    fs.clock.Set(2026, 12, 6, 12, 5, 0);
    Settings() = SettingValues{};
    Settings().EmergencyScan = true;
    Settings().FormatAgeMMSS = true;
    const int stations = static_cast<int>(state.range(0));
    const double before = ResidentMiB();
    BenchHost host(stations);
    StationBoard board(host, host);
    for (int n = 0; n < stations; ++n)
        board.add_beacon(Callsign(n), 0, 0);
    platform::QtMessagePump qt;
    platform::QtScheduler clock;
    TimeSlicedPump slicedPump(qt, clock);
    MessagePump& pump = sliced ? static_cast<MessagePump&>(slicedPump) : qt;
    platform::GridControl control;
    NoClipboard clipboard;
    NoWindow window;
    StationGrid grid(control, board, host, clipboard, pump, window, Settings(),
                     "UI-View Beaconboard V1.0.10");
    grid.FillColumnCaptions();
    grid.select_columns();
    grid.PrepareGrid();
    for (auto _ : state)
        grid.build_station_grid();
    state.counters["rows"] = grid.GridRowCount;
    state.counters["MiB"] = ResidentMiB() - before;
}

void BM_GridRebuildSliced(benchmark::State& state) {
    Rebuild(state, true);
}
void BM_GridRebuildPerRecord(benchmark::State& state) {
    Rebuild(state, false);
}
BENCHMARK(BM_GridRebuildSliced)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridRebuildPerRecord)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace bb

int main(int argc, char** argv) {
    return bb::RunQtBenchmarks(argc, argv);
}
