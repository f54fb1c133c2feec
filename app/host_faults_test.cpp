// The board when its peers fail under it: the host killed during the full
// scan and at the first grid rebuild, a host that restarts, and the bus itself going
// away. Each time the board runs on, the table keeps what it was told, the
// log says what failed and the settings file is as it was.
#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <set>

#include "app/main_window.h"
#include "platform/dbus_dde.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/host_process.h"
#include "tests/fakes/private_bus.h"

namespace bb::app {
namespace {

using testing::FakeSystem;
using testing::HostProcess;
using testing::PrivateBus;
using testing::WaitFor;

QDBusConnection Bus() {
    return QDBusConnection::sessionBus();
}

// `count` stations T0000, T0001, ..., each with a symbol of its own (up to
// 188 of them), so that a rebuild asks the host for many pictures.
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

bool LogHas(const FakeSystem& sys, const std::string& procedure, const std::string& number) {
    for (const auto& line : sys.LogLines())
        if (line.find(procedure) != std::string::npos && line.find(number) != std::string::npos)
            return true;
    return false;
}

int LogCount(const FakeSystem& sys, const std::string& what) {
    int n = 0;
    for (const auto& line : sys.LogLines())
        n += line.find(what) != std::string::npos;
    return n;
}

std::set<std::string> LiveCalls(const StationTable& t) {
    std::set<std::string> calls;
    for (std::int32_t i = 0; i < t.StationCount(); ++i)
        if (!t[i].Deleted && !t[i].Callsign.empty()) calls.insert(t[i].Callsign);
    return calls;
}

// Runs `fault` once, at the first turn of the event loop (inside one of the
// board's pauses) at which `when` holds.
class FaultAt {
  public:
    FaultAt(std::function<bool()> when, std::function<void()> fault)
        : when_(std::move(when)), fault_(std::move(fault)) {
        Post();
    }
    ~FaultAt() { *alive_ = false; }
    bool Done() const { return done_; }

  private:
    // A posted call runs at every pause that lets posted events through, so
    // the fault comes at the first pause where it may, however busy the
    // machine (a timer may wait behind other sources).
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

std::string SettingsFile(const FakeSystem& sys) {
    return testing::ReadFile(sys.folder.path() / "Beaconboard.INI");
}

TEST(HostFaults, KilledDuringTheScanKeepsWhatWasReadAndARestartedHostIsFollowed) {
    FakeSystem sys;
    constexpr int kStations = StationBoard::kScanBatch + 500;  // more than one batch
    auto first = std::make_unique<HostProcess>();
    ASSERT_TRUE(first->Started());
    first->Send(Stations(kStations));
    ASSERT_TRUE(
        WaitFor([&] { return DBusHost::Create(Bus())->HostStationCount() == kStations; }, 20000));

    Form1 app(Form1::OnBus(Bus()));
    // Killed at the first pause after some stations were read.
    FaultAt kill([&] { return app.Wiring() && app.Wiring()->Board().Table().StationCount() > 0; },
                 [&] { EXPECT_TRUE(first->Kill()); });
    app.Form_Load();
    ASSERT_TRUE(kill.Done());
    ASSERT_NE(app.Wiring(), nullptr);
    const StationTable& t = app.Wiring()->Board().Table();
    const std::string settings = SettingsFile(sys);

    // What was read stays, each station whole; the rest never came.
    const auto read = LiveCalls(t);
    EXPECT_GT(read.size(), 0u);
    EXPECT_LT(read.size(), static_cast<std::size_t>(kStations));
    EXPECT_TRUE(t.IndexIsConsistent());
    for (const auto& call : read) {
        const StationRecord& r = t[t.find_station(call)];
        EXPECT_EQ(call.size(), 5u);
        EXPECT_FALSE(r.LatitudeText.empty()) << call;
        EXPECT_EQ(r.Locator.substr(0, 2), "JO") << call;
    }
    EXPECT_TRUE(LogHas(sys, "Form1.scan_stations", "462"));
    // The grid waits for the next beacon, as after any scan that fails.
    EXPECT_EQ(app.Wiring()->Grid().GridRowCount, 0);

    // A new host: the board asks it for its events again and shows what it
    // hears next beside everything it had.
    first.reset();
    HostProcess second;
    ASSERT_TRUE(second.Started());
    int sent = 0;
    const bool heard = WaitFor(
        [&] {
            char line[64];
            std::snprintf(line, sizeof line, "G%dNEW>APRS:!5200.00N/00000.00W-\n", sent++);
            second.Send(line);
            return WaitFor([&] { return t.LiveCount() > static_cast<std::int32_t>(read.size()); },
                           200);
        },
        10000);
    ASSERT_TRUE(heard);
    const auto after = LiveCalls(t);
    for (const auto& call : read)
        EXPECT_TRUE(after.count(call)) << call;
    EXPECT_EQ(app.Wiring()->Grid().GridRowCount, t.LiveCount());
    EXPECT_EQ(LogCount(sys, "program error"), 1) << sys.LogText();

    app.Form_Unload();
    EXPECT_EQ(SettingsFile(sys), settings);
}

TEST(HostFaults, KilledAtTheFirstRebuildLeavesTheGridShownAndTheTableWhole) {
    FakeSystem sys;
    constexpr int kStations = 400;
    HostProcess host;
    ASSERT_TRUE(host.Started());
    host.Send(Stations(kStations));
    ASSERT_TRUE(
        WaitFor([&] { return DBusHost::Create(Bus())->HostStationCount() == kStations; }, 10000));

    Form1 app(Form1::OnBus(Bus()));
    // The first rebuild, at the end of the scan, asks for the symbol's
    // picture: the host dies while that call waits, if events run then,
    // else just after.
    FaultAt kill([&] { return app.GridModel().Busy; }, [&] { EXPECT_TRUE(host.Kill()); });
    app.Form_Load();
    if (!kill.Done()) {
        EXPECT_TRUE(host.Kill());
    }
    ASSERT_NE(app.Wiring(), nullptr);
    const StationTable& t = app.Wiring()->Board().Table();
    EXPECT_EQ(t.LiveCount(), kStations);
    EXPECT_TRUE(t.IndexIsConsistent());

    // Every station has its row; the pictures the host could not give are
    // the symbol texts.
    const platform::GridControl& grid = app.GridModel();
    EXPECT_TRUE(grid.Visible);
    EXPECT_FALSE(grid.Busy);
    EXPECT_EQ(app.Wiring()->Grid().GridRowCount, kStations);
    ASSERT_EQ(grid.Rows(), kStations + 1);
    std::set<std::string> shown;
    for (int r = 1; r < grid.Rows(); ++r)
        shown.insert(grid.TextMatrix(r, 0));
    EXPECT_EQ(shown, LiveCalls(t));
    // The pass asks the host only for the one symbol's picture: killed
    // before its answer, that is one failure logged, else none.
    const int failures = LogCount(sys, "Form1.build_station_grid");
    EXPECT_LE(failures, 1) << sys.LogText();
    if (failures == 1) {
        EXPECT_TRUE(LogHas(sys, "Form1.build_station_grid", "462"));
    }

    // Later rebuilds go on without the host.
    const std::string settings = SettingsFile(sys);
    app.Wiring()->Grid().build_station_grid();
    EXPECT_TRUE(grid.Visible);
    EXPECT_EQ(app.Wiring()->Grid().GridRowCount, kStations);
    app.Form_Unload();
    EXPECT_EQ(SettingsFile(sys), settings);
}

// A board started before its host (from the desktop's menu, say) logs the
// missing host once, binds to the host when it comes, scans it and follows
// its beacons.
TEST(HostFaults, ABoardStartedBeforeItsHostBindsWhenTheHostComes) {
    FakeSystem sys;
    PrivateBus bus;
    ASSERT_TRUE(bus.Connection().isConnected()) << bus.Address().toStdString();
    Form1 app(Form1::OnBus(bus.Connection()));
    app.Form_Load();
    ASSERT_EQ(app.Wiring(), nullptr);
    app.WaitForHost(bus.Connection());
    QTest::qWait(300);
    EXPECT_EQ(app.Wiring(), nullptr);
    ASSERT_EQ(LogCount(sys, "program error"), 1) << sys.LogText();
    EXPECT_TRUE(LogHas(sys, "Form1.Form_Load", "429")) << sys.LogText();

    HostProcess host({}, bus.Address(), bus.Connection());
    ASSERT_TRUE(host.Started());
    host.Send(
        "G4ABC>APRS:=5213.50N/00007.20E-PHG5132 145.625MHz\n"
        "M0XYZ-9>APRS:!5201.00N/00010.00W>\n");
    ASSERT_TRUE(WaitFor(
        [&] { return app.Wiring() && app.Wiring()->Board().Table().LiveCount() == 2; }, 5000));
    ASSERT_TRUE(WaitFor([&] { return app.View().model()->rowCount() == 2; }, 2000));
    host.Send("PA3SOS>APRS:!5201.00N/00430.00E-\n");
    EXPECT_TRUE(WaitFor([&] { return app.View().model()->rowCount() == 3; }, 5000));
    // Bound once: a second call changes nothing, and nothing more was logged.
    BoardWiring* const wiring = app.Wiring();
    app.WaitForHost(bus.Connection());
    QTest::qWait(100);
    EXPECT_EQ(app.Wiring(), wiring);
    EXPECT_EQ(LogCount(sys, "program error"), 1) << sys.LogText();
    app.Form_Unload();
}

TEST(HostFaults, TheBusGoingAwayLeavesTheBoardRunningOnWhatItHas) {
    FakeSystem sys;
    PrivateBus bus;
    ASSERT_TRUE(bus.Connection().isConnected()) << bus.Address().toStdString();
    HostProcess host({"--notify-data"}, bus.Address(), bus.Connection());
    ASSERT_TRUE(host.Started());
    host.Send(
        "G4ABC>APRS:=5213.50N/00007.20E-PHG5132 145.625MHz\n"
        "M0XYZ-9>APRS:!5201.00N/00010.00W>\n"
        "PA3SOS>APRS:!5201.00N/00430.00E-\n");
    ASSERT_TRUE(
        WaitFor([&] { return DBusHost::Create(bus.Connection())->HostStationCount() == 3; }, 5000));
    platform::DBusDdeLayer dde(bus.Connection());
    Form1 app(Form1::OnBus(bus.Connection()));
    app.SetDdeLayer(&dde);
    app.Form_Load();
    ASSERT_NE(app.Wiring(), nullptr);
    const StationTable& t = app.Wiring()->Board().Table();
    ASSERT_EQ(t.LiveCount(), 3);
    const StationRecord before = t[t.find_station("G4ABC")];
    const std::string settings = SettingsFile(sys);
    ASSERT_EQ(LogCount(sys, "program error"), 0) << sys.LogText();

    bus.Kill();
    ASSERT_TRUE(WaitFor([&] { return !bus.Connection().isConnected(); }));
    // A beacon that cannot be read, the radio sweep and a rebuild: each
    // returns at once, and the board shows what it had.
    QElapsedTimer timer;
    timer.start();
    app.Wiring()->Board().mUIV_NotifyBeacon("G4ABC", 0, 0);
    app.tmrReconnect_Timer();
    app.Wiring()->Grid().build_station_grid();
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_TRUE(LogHas(sys, "Form1.add_beacon", "462")) << sys.LogText();
    EXPECT_EQ(t.LiveCount(), 3);
    const StationRecord& now = t[t.find_station("G4ABC")];
    EXPECT_EQ(now.LatitudeText, before.LatitudeText);
    EXPECT_EQ(now.QSY.Frequency, "145.625");
    EXPECT_TRUE(app.GridModel().Visible);
    EXPECT_EQ(app.Wiring()->Grid().GridRowCount, 3);

    app.Form_Unload();
    EXPECT_EQ(SettingsFile(sys), settings);
}

}  // namespace
}  // namespace bb::app
