// The grid's full rebuild (sort included) and one beacon's change of the
// grid, at 1,000 to 50,000 live stations; also the memory of the table and
// the grid at that size. Then what the view costs for what the user sees
// change: the ages' tick and a beacon on screen, painted.
//   build-rel/bench/grid_bench --benchmark_repetitions=5
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <fstream>

#include <memory>
#include "bench/bench_grid.h"
#include "bench/bench_host.h"
#include "grid/station_grid.h"
#include "platform/qt_grid_view.h"
#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

double ResidentMiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

struct GridAt {
    testing::FakeSystem fs;
    BenchHost host;
    StationBoard board;
    platform::GridControl control;
    NoClipboard clipboard;
    NoWindow window;
    std::unique_ptr<StationGrid> grid;
    explicit GridAt(int stations, bool spreadHeard = false) : host(stations), board(host, host) {
        host.spreadHeard = spreadHeard;
        fs.clock.Set(2026, 12, 6, 12, 5, 0);
        Settings() = SettingValues{};
        Settings().EmergencyScan = true;
        Settings().FormatAgeMMSS = true;
        for (int n = 0; n < stations; ++n)
            board.add_beacon(Callsign(n), 0, 0);
        grid = std::make_unique<StationGrid>(control, board, host, clipboard, window, Settings(),
                                             "UI-View Beaconboard V1.0.10");
        grid->FillColumnCaptions();
        grid->select_columns();
        grid->PrepareGrid();
        grid->build_station_grid();
    }
};

// The full rebuild, as after a sort or a change of columns.
void BM_GridRebuild(benchmark::State& state) {
    const double before = ResidentMiB();
    GridAt g(static_cast<int>(state.range(0)));
    for (auto _ : state)
        g.grid->build_station_grid();
    state.counters["rows"] = g.grid->GridRowCount();
    state.counters["MiB"] = ResidentMiB() - before;
}
BENCHMARK(BM_GridRebuild)->Arg(1000)->Arg(50000)->Unit(benchmark::kMillisecond);

// One beacon taken in: the station's row changed and moved to its place.
void BM_GridBeacon(benchmark::State& state) {
    const int stations = static_cast<int>(state.range(0));
    GridAt g(stations);
    int n = 0;
    for (auto _ : state) {
        const std::string call = Callsign(n++ % stations);
        g.board.add_beacon(call, 0, 0);
        g.grid->StationChanged(call);
    }
    state.counters["rows"] = g.grid->GridRowCount();
}
BENCHMARK(BM_GridBeacon)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond);

// What the user sees change, through the real grid view painted offscreen:
// 300 stations heard a second apart, in a window of 1000 x 600 pixels.
struct ViewAt : GridAt, QObject {
    platform::GridView view{control};
    int paints = 0;
    ViewAt() : GridAt(300, true) {
        view.resize(1000, 600);
        view.show();
        view.viewport()->installEventFilter(this);
        Settle();
    }
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    // The view follows the grid and paints what changed, as the event loop would.
    void Settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
};

// Each second the ages on screen follow the clock.
void BM_AgeTickOnScreen(benchmark::State& state) {
    ViewAt v;
    int second = 0;
    for (auto _ : state) {
        ++second;
        v.fs.clock.Set(2026, 12, 6 + second / 86400, 12 + second / 3600 % 12, 5 + second / 60 % 55,
                       second % 60);
        v.grid->AgeTick();
        v.Settle();
    }
    state.counters["paints"] = benchmark::Counter(v.paints, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_AgeTickOnScreen)->Unit(benchmark::kMicrosecond);

// A beacon from a station whose row is on screen: its row changes in place.
void BM_BeaconOnScreen(benchmark::State& state) {
    ViewAt v;
    int n = 0;
    for (auto _ : state) {
        const std::string call = v.control.TextMatrix(1 + n++ % 20, 0);
        v.board.add_beacon(call, 0, 0);
        v.grid->StationChanged(call);
        v.Settle();
    }
    state.counters["paints"] = benchmark::Counter(v.paints, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_BeaconOnScreen)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bb

int main(int argc, char** argv) {
    // The view benchmarks paint a real window, offscreen unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return bb::RunQtBenchmarks<QApplication>(argc, argv);
}
