// bb-host's intake (packets per second through decoder, station list and
// the signals to the bus) and the board's GetStation round trip over the
// session bus. Run under dbus-run-session.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/host_binding.h"
#include "bench/bench_bus.h"
#include "bench/bench_grid.h"
#include "bus/station_dict.h"
#include "host/feed.h"
#include "host/host_service.h"

namespace {

std::vector<std::string> SamplePackets() {
    std::vector<std::string> lines, packets;
    std::string why;
    bb::hostapp::FeedReplay::Load(BB_SOURCE_DATA "/sample-feed.tnc2", lines, why);
    for (const std::string& l : lines) {
        std::string_view v(l);
        bb::hostapp::SplitFeedTime(v);
        packets.emplace_back(v);
    }
    return packets;
}

// The sample feed round and round, as heard at one second per thousand packets.
void BM_HostIntake(benchmark::State& state) {
    const auto packets = SamplePackets();
    bb::hostapp::HostService host({});
    host.SetNotify(true);
    if (state.range(0)) {
        QString error;
        if (!host.Register(QDBusConnection::sessionBus(), error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
    }
    std::int64_t now = 1796639400;
    std::size_t n = 0;
    for (auto _ : state) {
        host.Hear(packets[n % packets.size()], now);
        if (++n % 1000 == 0) {
            ++now;
            QCoreApplication::processEvents();
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(n));
    state.counters["stations"] = static_cast<double>(host.Stations().size());
    host.Close();
}
BENCHMARK(BM_HostIntake)->Arg(0)->Arg(1)->ArgName("on_bus");

void BM_GetStationRoundTrip(benchmark::State& state) {
    QProcess process;
    bb::StartBbHost(process, BB_HOST_EXE);
    QElapsedTimer wait;
    wait.start();
    const auto packets = SamplePackets();
    for (const std::string& p : packets)
        process.write((p + "\n").c_str());
    process.waitForBytesWritten(5000);
    std::unique_ptr<bb::app::DBusHost> host;
    try {
        host = bb::app::DBusHost::Create(QDBusConnection::sessionBus());
        while (host->HostStationCount() < 100 && wait.elapsed() < 10000)
            QCoreApplication::processEvents();
    } catch (...) {
        state.SkipWithError("bb-host did not come up");
        return;
    }
    std::vector<std::string> calls;
    const std::int16_t count = host->HostStationCount();
    for (std::int16_t i = 0; i < count; ++i) {
        const std::string line = host->HostStationLine(i);
        calls.push_back(line.substr(1, line.find(' ', 1) - 1));
    }
    std::vector<double> micros;
    std::size_t n = 0;
    for (auto _ : state) {
        bb::HostStation s;
        s.Callsign = calls[n++ % calls.size()];
        const auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(host->GetStation(s));
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    std::nth_element(micros.begin(), micros.begin() + micros.size() / 2, micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    process.kill();
    process.waitForFinished();
}
BENCHMARK(BM_GetStationRoundTrip);

}  // namespace

int main(int argc, char** argv) {
    return bb::RunQtBenchmarks(argc, argv);
}
