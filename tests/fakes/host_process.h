// bb-host as a child reading its packets from the test, and the board's fixture.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <string>

#include "app/host_binding.h"
#include "app/main_window.h"
#include "bus/station_dict.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/wait_for.h"

namespace bb::testing {

inline bool HostOnBus(QDBusConnection bus = QDBusConnection::sessionBus()) {
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(bus::kHostService).value();
}

class HostProcess {
  public:
    explicit HostProcess(QStringList extra = {}, QString busAddress = {},
                         QDBusConnection bus = QDBusConnection::sessionBus())
        : bus_(bus) {
        process_.setProgram(QStringLiteral(BB_HOST_EXE));
        process_.setArguments(QStringList{"--feed", "-", "--no-map", "--quiet", "--home", "52,0"} +
                              extra);
        if (!busAddress.isEmpty()) {
            auto env = QProcessEnvironment::systemEnvironment();
            env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
            process_.setProcessEnvironment(env);
        }
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        started_ = process_.waitForStarted(5000) && WaitFor([this] { return HostOnBus(bus_); });
    }
    ~HostProcess() {
        if (process_.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(process_.processId()), SIGCONT);
            process_.kill();
            process_.waitForFinished(5000);
        }
        WaitFor([this] { return !HostOnBus(bus_); }, 2000);
    }
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    bool Started() const { return started_; }
    // Ended as the desktop ends it, its name gone from the bus.
    bool Stop() { return Signal(SIGTERM), WaitGone(); }
    void Send(const std::string& lines) {
        process_.write(lines.data(), static_cast<qint64>(lines.size()));
        process_.waitForBytesWritten(1000);
    }
    void Signal(int sig) { ::kill(static_cast<pid_t>(process_.processId()), sig); }
    bool Kill() { return Signal(SIGCONT), Signal(SIGKILL), WaitGone(); }
    bool WaitGone() {
        return process_.waitForFinished(5000) && WaitFor([this] { return !HostOnBus(bus_); });
    }

  private:
    QDBusConnection bus_;
    QProcess process_;
    bool started_ = false;
};

// The board bound to bb-host over a bus, with a fake system around it.
class HostBusTest : public ::testing::Test {
  protected:
    FakeSystem sys;
    // The log is open from the start, so what goes wrong before a board is
    // loaded is in it too.
    HostBusTest() { Common::Initialize(); }
    std::unique_ptr<HostProcess> host;
    std::unique_ptr<app::Form1> board;  // goes before its host

    static QDBusConnection Bus() { return QDBusConnection::sessionBus(); }
    bool StartHost(QStringList extra = {}, const QString& address = {},
                   QDBusConnection bus = Bus()) {
        host = std::make_unique<HostProcess>(extra, address, bus);
        return host->Started();
    }
    static int HostCount(QDBusConnection bus = Bus()) {
        return app::DBusHost::Create(bus)->HostStationCount();
    }
    app::Form1& Load(QDBusConnection bus = Bus()) {
        board.reset();
        board = std::make_unique<app::Form1>(app::Form1::OnBus(bus));
        board->Form_Load();
        return *board;
    }
    const StationTable& Table() { return board->Wiring()->Board().Table(); }
    const StationRecord* Record(const std::string& call) {
        return Table().find_station(call) < 0 ? nullptr : &Table()[Table().find_station(call)];
    }
    int LogCount(const std::string& what, const std::string& also = {}) {
        int n = 0;
        for (const auto& line : sys.LogLines())
            n += line.find(what) != std::string::npos && line.find(also) != std::string::npos;
        return n;
    }
    std::string SettingsFile() { return ReadFile(sys.folder.path() / "Beaconboard.INI"); }
};

}  // namespace bb::testing
