// Real radio traffic end to end: Direwolf's gen_packets makes the audio,
// Direwolf decodes it and serves the frames over KISS on 127.0.0.1, bb-host
// hears them, and the board shows the stations.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <fstream>

#include "app/main_window.h"
#include "bus/station_dict.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/host_process.h"
#include "tests/fakes/loopback_port.h"

namespace bb::app {
namespace {

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

    // Direwolf first, holding back the audio until bb-host is attached to it.
    QProcess host, direwolf;
    direwolf.setWorkingDirectory(dir.path());
    // Its own process group, so that the whole pipeline goes at the end.
    direwolf.setChildProcessModifier([] { ::setpgid(0, 0); });
    direwolf.start("bash", {"-c",
                            "(for i in $(seq 300); do [ -f go ] && break; sleep 0.1; done; "
                            "cat x.wav; sleep 1) | "
                            "direwolf -c dw.conf -t 0 -q hd - > dw.log 2>&1"});
    const auto log = [&] { return testing::ReadFile(dir.filePath("dw.log").toStdString()); };
    ASSERT_TRUE(testing::WaitFor(
        [&] { return log().find("Ready to accept KISS TCP") != std::string::npos; }, 10000))
        << log();
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    host.start(BB_HOST_EXE,
               {"--kiss", QStringLiteral("127.0.0.1:%1").arg(kiss), "--no-map", "--quiet"});
    ASSERT_TRUE(testing::WaitFor([] { return testing::HostOnBus(); }, 5000));
    Form1 board(Form1::OnBus(QDBusConnection::sessionBus()));
    board.Form_Load();
    ASSERT_NE(board.Wiring(), nullptr);
    ASSERT_TRUE(testing::WaitFor(
        [&] { return log().find("Attached to KISS TCP") != std::string::npos; }, 10000))
        << log();
    std::ofstream(d + "/go") << "";
    const StationTable& t = board.Wiring()->Board().Table();
    const bool arrived = testing::WaitFor(
        [&] {
            return t.LiveCount() == 3 && t.find_station("PA3SOS") >= 0 &&
                   t[t.find_station("PA3SOS")].Emergency;
        },
        30000);
    if (!direwolf.waitForFinished(10000))
        ::kill(-static_cast<pid_t>(direwolf.processId()), SIGKILL);
    direwolf.waitForFinished();
    host.kill();
    host.waitForFinished();
    ASSERT_TRUE(arrived) << log();
    const StationRecord& g = t[t.find_station("G4ABC")];
    EXPECT_TRUE(g.HasPHG);
    EXPECT_EQ(g.QSY.Frequency, "145.500");
    EXPECT_TRUE(t[t.find_station("PA3SOS")].Emergency);
    EXPECT_GE(t.find_station("M0XYZ-9"), 0);
}

}  // namespace
}  // namespace bb::app
