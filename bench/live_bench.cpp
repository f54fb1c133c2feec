// bb-host taking in a full APRS-IS feed: a local server sends 20,000
// packets of as many stations at once, with the board (the real program,
// offscreen) attached. Timed from the first byte sent until bb-host holds
// every station. Run under dbus-run-session.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include "bench/bench_grid.h"
#include "bus/station_dict.h"

namespace {

constexpr int kPackets = 20000;

bool Registered(const QString& name) {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(name).value();
}

int HostStationCount() {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        bb::bus::kHostService, bb::bus::kHostPath, QStringLiteral("org.beaconboard.Host.Main"),
        QStringLiteral("HostStationCount")));
    return reply.arguments().value(0).toInt();
}

template <class Done>
bool Wait(Done done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

QByteArray Feed() {
    QByteArray feed;
    for (int i = 0; i < kPackets; ++i) {
        char line[160];
        std::snprintf(
            line, sizeof line,
            "G%dBB>APRS,TCPIP*,qAC,T2TEST:!52%02d.%02dN/000%02d.%02dE-PHG5130 145.500MHz\r\n", i,
            10 + i % 40, i % 60, i / 60 % 60, i % 60);
        feed += line;
    }
    return feed;
}

void BM_AprsIsIntakeWithBoard(benchmark::State& state) {
    const QByteArray feed = Feed();
    for (auto _ : state) {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        QProcess host, board;
        host.start(BB_HOST_EXE,
                   {"--aprs-is", QStringLiteral("127.0.0.1:%1").arg(server.serverPort()), "--call",
                    "N0CALL", "--no-map", "--quiet", "--expiry", "600"});
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        board.setProcessEnvironment(env);
        QTcpSocket* link = nullptr;
        const bool up =
            Wait([&] { return Registered(bb::bus::kHostService); }, 5000) &&
            (board.start(BB_BOARD_EXE),
             Wait([] { return Registered("org.beaconboard.DDE.BEACONBOARD"); }, 10000)) &&
            Wait(
                [&] {
                    if (!link && server.hasPendingConnections())
                        link = server.nextPendingConnection();
                    return link && link->canReadLine();  // the login
                },
                5000);
        if (!up) {
            state.SkipWithError("bb-host or the board did not come up");
            break;
        }
        QElapsedTimer t;
        t.start();
        link->write(feed);
        const bool all = Wait([] { return HostStationCount() == kPackets; }, 60000);
        state.SetIterationTime(static_cast<double>(t.nsecsElapsed()) / 1e9);
        for (QProcess* p : {&board, &host}) {
            p->kill();
            p->waitForFinished();
        }
        Wait([] { return !Registered(bb::bus::kHostService); }, 2000);
        if (!all) {
            state.SkipWithError("bb-host did not take in every packet");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kPackets);
}
BENCHMARK(BM_AprsIsIntakeWithBoard)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bb::RunQtBenchmarks(argc, argv);
}
