// Live sources through bb-host to the board: Direwolf's audio decoded and served over KISS,
// APRS-IS on loopback, its packet log and a replay of it.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/fakes/host_process.h"
#include "tests/fakes/loopback_port.h"

namespace bb::app {
namespace {

using LiveFeed = testing::HostBusTest;

// Real radio traffic end to end: gen_packets makes the audio, Direwolf decodes it.
TEST_F(LiveFeed, DirewolfOverKissToTheBoard) {
    for (const char* tool : {"direwolf", "gen_packets"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " is not installed (Debian direwolf)";
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
    QProcess kissHost, direwolf;
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
    kissHost.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    kissHost.start(BB_HOST_EXE,
                   {"--kiss", QStringLiteral("127.0.0.1:%1").arg(kiss), "--no-map", "--quiet"});
    ASSERT_TRUE(testing::WaitFor([] { return testing::HostOnBus(); }, 5000));
    ASSERT_NE(Load().Wiring(), nullptr);
    ASSERT_TRUE(testing::WaitFor(
        [&] { return log().find("Attached to KISS TCP") != std::string::npos; }, 10000))
        << log();
    std::ofstream(d + "/go") << "";
    const bool arrived = testing::WaitFor(
        [&] { return Table().LiveCount() == 3 && Record("PA3SOS") && Record("PA3SOS")->Emergency; },
        30000);
    if (!direwolf.waitForFinished(10000))
        ::kill(-static_cast<pid_t>(direwolf.processId()), SIGKILL);
    direwolf.waitForFinished();
    kissHost.kill();
    kissHost.waitForFinished();
    ASSERT_TRUE(arrived) << log();
    EXPECT_TRUE(Record("G4ABC")->HasPHG && Record("G4ABC")->QSY->Frequency == "145.500");
    EXPECT_NE(Record("M0XYZ-9"), nullptr);
}

// What bb-host hears from APRS-IS goes to the day's packet log; its replay ends alike.
TEST_F(LiveFeed, APacketLogReplaysToTheSameStations) {
    QTemporaryDir dir;
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QTcpSocket* client = nullptr;
    std::string login;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        client = server.nextPendingConnection();
        QObject::connect(client, &QTcpSocket::readyRead,
                         [&] { login += client->readAll().toStdString(); });
    });
    const auto run = [&](QStringList args, const QString& dump) {
        auto p = std::make_unique<QProcess>();
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_STATE_HOME", dir.filePath("state"));
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(BB_HOST_EXE,
                 args + QStringList{"--no-map", "--quiet", "--home", "52,0", "--stations-file",
                                    "none", "--dump-stations", dump});
        return p;
    };
    const auto stop = [](QProcess& p) {
        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        return p.waitForFinished(5000) && testing::WaitFor([] { return !testing::HostOnBus(); });
    };
    const QString logs = dir.filePath("packets");
    // Days past --packet-log-days go at start; what is not a day's log stays.
    std::filesystem::create_directories(logs.toStdString());
    for (const char* name : {"2020-01-01.tnc2", "notes.txt"})
        std::ofstream(logs.toStdString() + "/" + name) << "kept?\n";
    auto live = run({"--aprs-is", QStringLiteral("127.0.0.1:%1").arg(server.serverPort()), "--call",
                     "N0CALL", "--filter", "r/52/0/100", "--packet-log", logs},
                    dir.filePath("live.txt"));
    ASSERT_TRUE(testing::WaitFor([&] { return login.find("user N0CALL") != std::string::npos; }));
    EXPECT_EQ(std::pair(std::filesystem::exists(logs.toStdString() + "/2020-01-01.tnc2"),
                        std::filesystem::exists(logs.toStdString() + "/notes.txt")),
              std::pair(false, true));
    const std::string packets =
        "G4ABC>APRS,TCPIP*,qAC,T2TEST:!5212.00N/00007.20E-PHG5130\r\n"
        "M0XYZ-9>APRS:!5213.50N/00010.00W>\r\n"
        "M0XYZ-9>APRS:!5214.50N/00011.00W>\r\n"
        "G4ABC>APRS::M0XYZ-9  :a message, not a station\r\n"
        "M1OBJ>APRS:;GB3AV    *071200z5210.00N/00010.00Er146.940MHz\r\n"
        "M1OBJ>APRS:;GB3XX    *071200z5211.00N/00010.00Er\r\n"
        "M1OBJ>APRS:;GB3XX    _071200z5211.00N/00010.00Er\r\n"
        "broken line\r\n"
        "PA3XYZ>APRS:>status alone\r\n";
    client->write("# aprsc 2.1.14\r\n# logresp N0CALL unverified, server T2TEST\r\n");
    client->write(packets.data(), static_cast<qint64>(packets.size()));
    client->flush();
    std::filesystem::path file;
    const auto logged = [&] {
        for (const auto& f : std::filesystem::directory_iterator(logs.toStdString()))
            file = f;
        return testing::ReadFile(file);
    };
    std::filesystem::remove(logs.toStdString() + "/notes.txt");
    ASSERT_TRUE(testing::WaitFor([&] {
        const std::string text = logged();
        return std::count(text.begin(), text.end(), '\n') == 9;
    }));
    ASSERT_TRUE(stop(*live));
    // Each line as heard, after the time it was heard.
    const std::string log = logged();
    EXPECT_EQ(file.filename().string(), log.substr(0, 10) + ".tnc2");
    EXPECT_NE(log.find("Z M0XYZ-9>APRS:!5214.50N/00011.00W>\n"), std::string::npos) << log;
    const auto sorted = [&](const QString& dump) {
        QStringList lines = QString::fromStdString(testing::ReadFile(dump.toStdString()))
                                .split('\n', Qt::SkipEmptyParts);
        lines.sort();
        return lines.join(' ').toStdString();
    };
    EXPECT_EQ(sorted(dir.filePath("live.txt")), "G4ABC 1 GB3AV 1 M0XYZ-9 1");

    auto replay = run({"--feed", QString::fromStdString(file.string()), "--speed", "0"},
                      dir.filePath("replay.txt"));
    ASSERT_TRUE(testing::WaitFor([] { return testing::HostOnBus(); }));
    ASSERT_TRUE(testing::WaitFor([] { return HostCount() == 3; }));
    ASSERT_TRUE(stop(*replay));
    EXPECT_EQ(sorted(dir.filePath("replay.txt")), "G4ABC 1 GB3AV 1 M0XYZ-9 1");
}

}  // namespace
}  // namespace bb::app
