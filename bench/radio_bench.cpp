// How long the window's thread waits on the radio link: one reconnect sweep
// (every 5 s) with no radio-control program running and with bb-rigbridge
// answering as both, and one tune command through to Hamlib's dummy radio.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include "bench/bench_grid.h"
#include "platform/dbus_dde.h"
#include "radio/dde_client.h"
#include "tests/fakes/fake_dde.h"
#include "tests/fakes/loopback_port.h"

namespace bb {
namespace {

struct Link {
    platform::DBusDdeLayer dde{QDBusConnection::sessionBus()};
    testing::FakeTimer timer;
    radio::DDEClientModule radio{dde, timer, "BBBENCH"};
};

void BM_SweepNoPrograms(benchmark::State& state) {
    Link link;
    link.radio.Initialize();
    for (auto _ : state)
        link.radio.ReconnectSweep();
    if (link.radio.GetConnectedServers() != "") state.SkipWithError("a program answered");
}
BENCHMARK(BM_SweepNoPrograms)->Unit(benchmark::kMicrosecond)->UseRealTime();

// rigctld with the dummy radio and bb-rigbridge in front of it.
class Bridge {
  public:
    Bridge() {
        port_ = QString::number(testing::FreeLoopbackPort());
        rigctld_.start("rigctld", {"-m", "1", "-T", "127.0.0.1", "-t", port_});
        QThread::msleep(300);
        bridge_.start(BB_RIGBRIDGE_EXE, {"--rig-file", "127.0.0.1:" + port_, "--board", "BBBENCH"});
        bridge_.waitForStarted();
    }
    ~Bridge() {
        for (QProcess* p : {&bridge_, &rigctld_}) {
            p->kill();
            p->waitForFinished();
        }
    }
    bool WaitConnected(radio::DDEClientModule& radio) {
        QElapsedTimer t;
        t.start();
        while (radio.GetConnectedServers() != "DXL,HRD" && t.elapsed() < 10000) {
            radio.ReconnectSweep();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        return radio.GetConnectedServers() == "DXL,HRD";
    }

  private:
    QString port_;
    QProcess rigctld_, bridge_;
};

// The link with both programs connected through the bridge; false when the
// bridge did not answer.
bool ConnectThroughBridge(benchmark::State& state, Link& link, Bridge& bridge) {
    link.radio.Initialize();
    if (bridge.WaitConnected(link.radio)) return true;
    state.SkipWithError("bb-rigbridge did not answer");
    return false;
}

void BM_SweepBridgeRunning(benchmark::State& state) {
    Link link;
    Bridge bridge;
    if (!ConnectThroughBridge(state, link, bridge)) return;
    for (auto _ : state)
        link.radio.ReconnectSweep();
}
BENCHMARK(BM_SweepBridgeRunning)->Unit(benchmark::kMicrosecond)->UseRealTime();

// From the send to the dummy radio having taken mode and frequency.
void BM_TuneThroughBridge(benchmark::State& state) {
    Link link;
    Bridge bridge;
    if (!ConnectThroughBridge(state, link, bridge)) return;
    bool usb = false;
    for (auto _ : state) {
        usb = !usb;
        link.radio.SendCommanderFreqMode("145500.00", usb ? "USB" : "FM");
    }
    if (!link.radio.IsServerConnected(0)) state.SkipWithError("a send failed");
}
BENCHMARK(BM_TuneThroughBridge)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace bb

int main(int argc, char** argv) {
    return bb::RunQtBenchmarks(argc, argv);
}
