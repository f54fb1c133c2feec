// Real radio traffic end to end: Direwolf's gen_packets makes the audio,
// Direwolf decodes it and serves the frames over KISS on 127.0.0.1, bb-host
// hears them, and the board shows the stations.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <fstream>

#include "app/form1.h"
#include "host/dbus/station_dict.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/loopback_port.h"

namespace bb::app {
namespace {

bool WaitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

bool HostOnBus() {
    return QDBusConnection::sessionBus()
        .interface()
        ->isServiceRegistered(dbus::kHostService)
        .value();
}

TEST(LiveFeed, DirewolfOverKissToTheBoard) {
    for (const char* tool : {"direwolf", "gen_packets"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " is not installed (Debian direwolf)";
    testing::FakeSystem sys;
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    std::ofstream(d + "/packets.txt")
        << "G4ABC>APRS,WIDE1-1:!5212.00N/00007.20E-PHG5130 145.500MHz Test one\n"
           "M0XYZ-9>APRS,G4RPT*,WIDE2-1:!5213.50N/00010.00W>Mobile\n"
           "PA3SOS>APRS:!5201.00N/00430.00E-On the dyke\n"
           "PA3SOS>APRS:>EMERGENCY\n";
    const int kiss = testing::FreeLoopbackPort(), agw = testing::FreeLoopbackPort();
    std::ofstream(d + "/dw.conf") << "ADEVICE null null\nKISSPORT " << kiss << "\nAGWPORT " << agw
                                  << "\n";
    QProcess gen;
    gen.setWorkingDirectory(dir.path());
    gen.start("gen_packets", {"-o", "x.wav", "packets.txt"});
    ASSERT_TRUE(gen.waitForFinished(10000) && gen.exitCode() == 0);

    QProcess host, direwolf;
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    host.start(BB_HOST_EXE,
               {"--kiss", QStringLiteral("127.0.0.1:%1").arg(kiss), "--no-map", "--quiet"});
    ASSERT_TRUE(WaitUntil(HostOnBus, 5000));
    Form1 board(Form1::OnBus(QDBusConnection::sessionBus()));
    board.Form_Load();
    ASSERT_NE(board.Board(), nullptr);

    // Audio only once bb-host has found the KISS port; then Direwolf ends.
    direwolf.setWorkingDirectory(dir.path());
    direwolf.start("bash",
                   {"-c", QStringLiteral("(while ! (exec 3<>/dev/tcp/127.0.0.1/%1) 2>/dev/null; "
                                         "do sleep 0.2; done; sleep 2; cat x.wav; sleep 1) | "
                                         "direwolf -c dw.conf -t 0 -q hd - > dw.log 2>&1")
                              .arg(kiss)});
    const StationTable& t = board.Board()->Table();
    const bool arrived = WaitUntil(
        [&] {
            return t.LiveCount() == 3 && t.find_station("PA3SOS") >= 0 &&
                   t[t.find_station("PA3SOS")].Emergency;
        },
        30000);
    direwolf.waitForFinished(10000);
    host.kill();
    host.waitForFinished();
    ASSERT_TRUE(arrived) << testing::ReadFile(dir.filePath("dw.log").toStdString());
    const StationRecord& g = t[t.find_station("G4ABC")];
    EXPECT_TRUE(g.HasPHG);
    EXPECT_EQ(g.QSY.Frequency, "145.500");
    EXPECT_TRUE(t[t.find_station("PA3SOS")].Emergency);
    EXPECT_GE(t.find_station("M0XYZ-9"), 0);
}

}  // namespace
}  // namespace bb::app
