// The board under a full feed: 1,000 beacons a second onto 50,000 stations,
// with the event loop as the program runs it. Beacons and user clicks are
// posted from other threads at their own times, as the bus and the mouse
// deliver them; reported are the 99th percentile of click latency and the
// 99th percentile and longest time a beacon waited to be visible in the grid,
// counted from when the host heard it. The argument is how long bb-host
// holds a beacon for its batch (0: each beacon on its own, at once).
//   build-rel/bench/responsiveness_bench --benchmark_min_time=5
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <random>
#include <thread>

#include "bench/bench_grid.h"
#include "bench/bench_host.h"
#include "grid/station_grid.h"
#include "host/host_service.h"
#include "platform/qt_message_pump.h"
#include "platform/qt_scheduler.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/grid_follows_table.h"

namespace bb {
namespace {

using Clock = std::chrono::steady_clock;

std::int64_t Micros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
        .count();
}

// An event that runs a function on the user-interface thread.
class Call final : public QEvent {
  public:
    explicit Call(std::function<void()> f) : QEvent(QEvent::User), f_(std::move(f)) {}
    ~Call() override { f_(); }

  private:
    std::function<void()> f_;
};

void BM_FullFeedOnto50000(benchmark::State& state) {
    testing::FakeSystem fs;
    fs.clock.Set(2026, 12, 6, 12, 5, 0);
    Settings() = SettingValues{};
    Settings().EmergencyScan = true;
    Settings().FormatAgeMMSS = true;
    const int stations = 50000;
    BenchHost host(stations);
    struct GapPump final : MessagePump {
        platform::QtMessagePump qt;
        std::int64_t last = 0, worst = 0;
        int lastRebuild = -1;
        const StationGrid* grid = nullptr;
        // The longest stretch of one rebuild without a pause.
        void LetPendingMessagesRun() override {
            const std::int64_t now = Micros();
            const int rebuild = grid ? grid->Rebuilds() : -1;
            if (grid && rebuild == lastRebuild && grid->Busy()) worst = std::max(worst, now - last);
            qt.LetPendingMessagesRun();
            last = Micros();
            lastRebuild = grid ? grid->Rebuilds() : -1;
        }
    } qt;
    platform::QtScheduler scheduler;
    TimeSlicedPump pump(qt, scheduler);
    StationBoard board(host, pump);
    for (int n = 0; n < stations; ++n)
        board.add_beacon(Callsign(n), 0, 0);
    platform::GridControl control;
    NoClipboard clipboard;
    NoWindow window;
    StationGrid grid(control, board, host, clipboard, window, Settings(),
                     "UI-View Beaconboard V1.0.10", &scheduler);
    grid.FillColumnCaptions();
    grid.select_columns();
    grid.PrepareGrid();
    qt.grid = &grid;
    grid.build_station_grid();
    testing::GridFollowsTable follow{grid};
    board.SetListener(&follow);

    // A beacon is visible once a rebuild that started after it came has
    // ended: looked at whenever the loop runs anything, so the figure errs
    // on the long side by up to one pause.
    struct Waiting {
        std::int64_t at;
        int rebuilds;
    };
    std::deque<Waiting> waiting;
    std::vector<std::int64_t> visible;
    auto look = [&] {
        const std::int64_t now = Micros();
        while (!waiting.empty()) {
            const Waiting& w = waiting.front();
            const int r = grid.Rebuilds();
            if (!(r >= w.rebuilds + 2 || (r == w.rebuilds + 1 && !grid.Busy()))) break;
            visible.push_back(now - w.at);
            waiting.pop_front();
        }
    };
    const auto hold = std::chrono::milliseconds(state.range(0));
    std::vector<std::int64_t> clicks;
    int clicksInRebuild = 0;
    std::mt19937 rng(7);
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        const auto t0 = Clock::now();
        QObject target;
        // 1,000 beacons a second, each heard at its own time, and told in
        // the host's batches: one event once the first of a batch has waited.
        std::thread feed([&] {
            std::vector<std::pair<std::string, std::int64_t>> batch;
            Clock::time_point first;
            for (int k = 0; !stop; ++k) {
                std::this_thread::sleep_until(t0 + std::chrono::milliseconds(k));
                if (batch.empty()) first = Clock::now();
                batch.emplace_back(Callsign(static_cast<int>(rng() % stations)), Micros());
                if (Clock::now() - first < hold) continue;
                QCoreApplication::postEvent(&target, new Call([&, told = std::move(batch)] {
                    for (const auto& [call, at] : told) {
                        look();
                        waiting.push_back({at, grid.Rebuilds()});
                        board.mUIV_NotifyBeacon(call, 0, 0);
                    }
                }));
                batch.clear();
            }
        });
        // A click every 20 ms.
        std::thread mouse([&] {
            for (int k = 0; !stop; ++k) {
                std::this_thread::sleep_until(t0 + std::chrono::milliseconds(20 * k));
                const std::int64_t at = Micros();
                QCoreApplication::postEvent(&target, new Call([&, at] {
                    look();
                    clicks.push_back(Micros() - at);
                    if (grid.Busy()) ++clicksInRebuild;
                    grid.SetSelectedCall(Callsign(1));
                }));
            }
        });
        while (Clock::now() - t0 < std::chrono::seconds(5)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            look();
        }
        stop = true;
        feed.join();
        mouse.join();
        QCoreApplication::processEvents();
        QCoreApplication::removePostedEvents(&target);
    }
    std::sort(clicks.begin(), clicks.end());
    state.counters["click_p99_ms"] = clicks.empty() ? 0 : clicks[clicks.size() * 99 / 100] / 1000.0;
    std::sort(visible.begin(), visible.end());
    state.counters["beacon_visible_p99_ms"] =
        visible.empty() ? 0 : visible[visible.size() * 99 / 100] / 1000.0;
    state.counters["beacon_visible_max_ms"] = visible.empty() ? 0 : visible.back() / 1000.0;
    state.counters["rebuilds"] = grid.Rebuilds();
    state.counters["clicks_in_rebuild"] = clicksInRebuild;
    state.counters["clicks"] = static_cast<double>(clicks.size());
    state.counters["click_max_ms"] = clicks.empty() ? 0 : clicks.back() / 1000.0;
    state.counters["click_p50_ms"] = clicks.empty() ? 0 : clicks[clicks.size() / 2] / 1000.0;
    state.counters["pump_gap_max_ms"] = qt.worst / 1000.0;
}
BENCHMARK(BM_FullFeedOnto50000)
    ->Arg(0)
    ->Arg(hostapp::HostService::kBeaconBatchMs)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace bb

int main(int argc, char** argv) {
    return bb::RunQtBenchmarks(argc, argv);
}
