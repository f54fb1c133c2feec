// Peers failing under the board: it runs on, keeps its table, logs the failure.
#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <cstdio>
#include <memory>
#include <set>

#include "app/main_window.h"
#include "platform/dbus_dde.h"
#include "tests/fakes/host_process.h"
#include "tests/fakes/private_bus.h"

namespace bb::app {
namespace {

using testing::PrivateBus;
using testing::WaitFor;
using HostFaults = testing::HostBusTest;

// `count` stations T0000, T0001, ..., with many symbols.
std::string Stations(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "T%04d>APRS:!52%02d.%02dN%c000%02d.00E%c\n", i, i % 60,
                      i % 100, i % 2 ? '\\' : '/', i % 60, static_cast<char>('!' + i / 2 % 94));
        lines += line;
    }
    return lines;
}

std::set<std::string> LiveCalls(const StationTable& t) {
    std::set<std::string> calls;
    for (std::int32_t i = 0; i < t.StationCount(); ++i)
        if (!t[i].Deleted && !t[i].Callsign.empty()) calls.insert(t[i].Callsign);
    return calls;
}

// Runs `fault` once, at the first turn of the event loop at which `when` holds.
class FaultAt {
  public:
    FaultAt(std::function<bool()> when, std::function<void()> fault)
        : when_(std::move(when)), fault_(std::move(fault)) {
        Post();
    }
    ~FaultAt() { *alive_ = false; }
    bool Done() const { return done_; }

  private:
    // Posted, not timed: a timer may wait behind other sources.
    void Post() {
        QMetaObject::invokeMethod(
            qApp,
            [this, alive = alive_] {
                if (!*alive || done_) return;
                if (!when_()) return Post();
                done_ = true;
                fault_();
            },
            Qt::QueuedConnection);
    }
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::function<bool()> when_;
    std::function<void()> fault_;
    bool done_ = false;
};

TEST_F(HostFaults, KilledDuringTheScanKeepsWhatWasReadAndARestartedHostIsFollowed) {
    constexpr int kStations = StationBoard::kScanBatch * 3 + 500;  // batches left after the kill
    ASSERT_TRUE(StartHost());
    host->Send(Stations(kStations));
    ASSERT_TRUE(WaitFor([&] { return HostCount() == kStations; }, 20000));
    // Killed at the first pause after some stations were read.
    FaultAt kill([&] { return board && board->Wiring() && Table().StationCount() > 0; },
                 [&] { EXPECT_TRUE(host->Kill()); });
    ASSERT_NE(Load().Wiring(), nullptr);
    ASSERT_TRUE(kill.Done());
    const StationTable& t = Table();
    const std::string settings = SettingsFile();

    // What was read stays, each station whole; the rest never came.
    const auto read = LiveCalls(t);
    EXPECT_GT(read.size(), 0u);
    EXPECT_LT(read.size(), static_cast<std::size_t>(kStations));
    EXPECT_TRUE(t.IndexIsConsistent());
    for (const auto& call : read) {
        const StationRecord& r = t[t.find_station(call)];
        EXPECT_EQ(std::tuple(call.size(), r.LatitudeText().empty(), r.Locator().substr(0, 2)),
                  std::tuple(5u, false, std::string("JO")));
    }
    EXPECT_GE(LogCount("Form1.scan_stations", "462"), 1);
    // The grid waits for the next beacon, as after any scan that fails.
    EXPECT_EQ(board->Wiring()->Grid().GridRowCount(), 0);

    // A new host: the board follows it and shows what it hears beside what it had.
    ASSERT_TRUE(StartHost());
    int sent = 0;
    const bool heard = WaitFor(
        [&] {
            char line[64];
            std::snprintf(line, sizeof line, "G%dNEW>APRS:!5200.00N/00000.00W-\n", sent++);
            host->Send(line);
            return WaitFor([&] { return t.LiveCount() > static_cast<std::int32_t>(read.size()); },
                           200);
        },
        10000);
    ASSERT_TRUE(heard);
    const auto after = LiveCalls(t);
    for (const auto& call : read)
        EXPECT_TRUE(after.count(call)) << call;
    EXPECT_EQ(board->Wiring()->Grid().GridRowCount(), t.LiveCount());
    EXPECT_EQ(LogCount("program error"), 1) << sys.LogText();
    board->Form_Unload();
    EXPECT_EQ(SettingsFile(), settings);
}

// Lets through what `bus` sent before this round trip; no wait on the clock.
void RoundTrip(QDBusConnection bus) {
    bus.interface()->isServiceRegistered(bus::kHostService);
    QCoreApplication::processEvents();
}

// Started before its host, the board binds when it comes, then outlives the bus.
TEST_F(HostFaults, ABoardStartedBeforeItsHostBindsThenOutlivesTheBus) {
    PrivateBus bus;
    ASSERT_TRUE(bus.Connection().isConnected()) << bus.Address().toStdString();
    platform::DBusDdeLayer dde(bus.Connection());
    const auto first = qScopeGuard([&] { board.reset(); });  // the board before its dde layer
    board = std::make_unique<Form1>(Form1::OnBus(bus.Connection()));
    board->SetDdeLayer(&dde);
    board->Form_Load();
    Form1& app = *board;
    ASSERT_EQ(app.Wiring(), nullptr);
    app.WaitForHost(bus.Connection());
    RoundTrip(bus.Connection());
    EXPECT_EQ(app.Wiring(), nullptr);
    ASSERT_EQ(LogCount("program error"), 1) << sys.LogText();
    EXPECT_EQ(LogCount("Form1.Form_Load", "429"), 1) << sys.LogText();

    ASSERT_TRUE(StartHost({"--notify-data"}, bus.Address(), bus.Connection()));
    host->Send(
        "G4ABC>APRS:=5213.50N/00007.20E-PHG5132 145.625MHz\n"
        "M0XYZ-9>APRS:!5201.00N/00010.00W>\n");
    ASSERT_TRUE(WaitFor([&] { return app.Wiring() && Table().LiveCount() == 2; }, 5000));
    ASSERT_TRUE(WaitFor([&] { return app.View().model()->rowCount() == 2; }, 2000));
    host->Send("PA3SOS>APRS:!5201.00N/00430.00E-\n");
    ASSERT_TRUE(WaitFor([&] { return app.View().model()->rowCount() == 3; }, 5000));
    // Bound once: a second call changes nothing, and nothing more was logged.
    BoardWiring* const wiring = app.Wiring();
    app.WaitForHost(bus.Connection());
    RoundTrip(bus.Connection());
    EXPECT_EQ(app.Wiring(), wiring);
    EXPECT_EQ(LogCount("program error"), 1) << sys.LogText();

    const StationTable& t = Table();
    const StationRecord before = *Record("G4ABC");
    const std::string settings = SettingsFile();
    bus.Kill();
    ASSERT_TRUE(WaitFor([&] { return !bus.Connection().isConnected(); }));
    // A beacon that cannot be read, the radio sweep and a rebuild each return at once.
    QElapsedTimer timer;
    timer.start();
    app.Wiring()->Board().mUIV_NotifyBeacon("G4ABC", 0, 0);
    app.tmrReconnect_Timer();
    app.Wiring()->Grid().build_station_grid();
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_GE(LogCount("Form1.add_beacon", "462"), 1) << sys.LogText();
    EXPECT_EQ(
        std::tuple(t.LiveCount(), Record("G4ABC")->LatitudeText(), Record("G4ABC")->QSY->Frequency,
                   app.GridModel().Visible(), app.Wiring()->Grid().GridRowCount()),
        std::tuple(3, before.LatitudeText(), std::string("145.625"), true, 3));
    app.Form_Unload();
    EXPECT_EQ(SettingsFile(), settings);
}

}  // namespace
}  // namespace bb::app
