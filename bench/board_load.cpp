// The running program's cost: bb-host hears a synthetic feed (the soak's) at
// a chosen rate and the real board follows it, offscreen, in its own process.
// First every station is heard once, at 1,000 a second; then beacons come at the rate
// for the chosen time, over which the board's CPU time (each thread's, as
// the scheduler counts it) and memory are read from /proc. Run under dbus-run-session:
//   board_load STATIONS BEACONS_A_SECOND SECONDS [BOARD] [HOST] [HOST OPTIONS...]
// Prints one line: stations, rate, the board's CPU share of one core, CPU
// per beacon and resident memory at the end, and bb-host's CPU share and
// resident memory. With BB_LOAD_MAP=1 bb-host keeps its map window
// (offscreen, no tiles), which wants a DISPLAY set (xvfb-run -a).
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <string>

#include "bench/proc_stats.h"
#include "bench/soak_feed.h"

namespace {

bool HostOnBus() {
    return QDBusConnection::sessionBus()
        .interface()
        ->isServiceRegistered(QStringLiteral("org.beaconboard.Host"))
        .value();
}

// Feeds beacons `from` to `to` at `rate` a second, from now on.
void Feed(QProcess& host, const bb::soak::Feed& feed, std::uint64_t from, std::uint64_t to,
          double rate) {
    QElapsedTimer clock;
    clock.start();
    for (std::uint64_t sent = from; sent < to;) {
        const auto due = std::min<std::uint64_t>(
            to, from + static_cast<std::uint64_t>(static_cast<double>(clock.nsecsElapsed()) / 1e9 *
                                                  rate));
        std::string chunk;
        for (; sent < due; ++sent)
            chunk += feed.Line(sent) + "\n";
        if (!chunk.empty()) host.write(chunk.data(), static_cast<qint64>(chunk.size()));
        host.waitForBytesWritten(100);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        QThread::msleep(2);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: board_load STATIONS BEACONS_A_SECOND SECONDS [BOARD] [HOST] "
                     "[HOST OPTIONS...]\n");
        return 2;
    }
    const int stations = std::atoi(argv[1]);
    const double rate = std::atof(argv[2]);
    const double seconds = std::atof(argv[3]);
    const QString boardExe = argc > 4 && *argv[4] ? argv[4] : BB_BOARD_EXE;
    const QString hostExe = argc > 5 && *argv[5] ? argv[5] : BB_HOST_EXE;
    QStringList hostArgs{"--feed", "-", "--quiet", "--expiry", "1000000"};
    hostArgs << (qEnvironmentVariable("BB_LOAD_MAP") == QLatin1String("1")
                     ? QStringList{"--tiles", "none"}
                     : QStringList{"--no-map"});
    for (int i = 6; i < argc; ++i)
        hostArgs << argv[i];

    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", home.path());
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    // The sound layer's runtime files (an alarm looks for a sound server)
    // go with the run, not into /tmp for good, one more each run.
    env.insert("XDG_RUNTIME_DIR", home.path());
    QProcess host, board;
    host.setProcessEnvironment(env);
    board.setProcessEnvironment(env);
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    host.start(hostExe, hostArgs);
    QElapsedTimer wait;
    wait.start();
    while (!HostOnBus() && wait.elapsed() < 10000)
        QThread::msleep(20);
    board.start(boardExe);
    if (!board.waitForStarted(10000)) {
        std::fprintf(stderr, "board_load: the board did not start\n");
        return 1;
    }
    QThread::msleep(1500);  // its start-up is not part of the run

    const bb::soak::Feed feed(stations);
    const std::string pid = std::to_string(board.processId());
    const double fillFrom = bb::bench::CpuSeconds(pid);
    // Every station once, at 1,000 a second (a full feed's rate ten times
    // over, which a board that keeps up takes without a backlog).
    Feed(host, feed, 0, static_cast<std::uint64_t>(stations), std::max(rate, 1000.0));
    // The board takes them in more slowly than they came: the run starts
    // once it has caught up (a second with less than a tenth of a core), so
    // that the backlog is not counted as the load's cost.
    for (int waited = 0; waited < 120; ++waited) {
        const double before = bb::bench::CpuSeconds(pid);
        QThread::msleep(1000);
        if (bb::bench::CpuSeconds(pid) - before < 0.1 && waited >= 2) break;
    }
    // A board held by a modal box (its language files missing, say) takes
    // nothing in, and its figures would be those of an idle program.
    // (The bus floor in the board's place takes them in for less than a
    // clock tick: only the board itself is checked.)
    const bool realBoard = QFileInfo(boardExe).fileName() == QLatin1String("beaconboard");
    if (realBoard && stations >= 100 && bb::bench::CpuSeconds(pid) - fillFrom < 2e-5 * stations) {
        std::fprintf(stderr,
                     "board_load: the board took no stations in; are its data files "
                     "beside it?\n");
        return 1;
    }
    const auto first = static_cast<std::uint64_t>(stations);
    const auto beacons = static_cast<std::uint64_t>(rate * seconds);
    const std::string hostPid = std::to_string(host.processId());
    bb::bench::CpuMeter boardMeter(pid), hostMeter(hostPid);
    const double cpuFrom = boardMeter.Seconds();
    const double hostFrom = hostMeter.Seconds();
    QElapsedTimer steady;
    steady.start();
    Feed(host, feed, first, first + beacons, rate);
    const double wall = static_cast<double>(steady.nsecsElapsed()) / 1e9;
    const double cpu = boardMeter.Seconds() - cpuFrom;
    const double hostCpu = hostMeter.Seconds() - hostFrom;
    const double rss = bb::bench::ResidentMb(pid);
    std::printf(
        "stations %d, %.0f beacons/s: board CPU %.2f %% of one core, %.0f us a beacon, "
        "%.0f MB resident; bb-host CPU %.2f %%, %.0f MB resident\n",
        stations, rate, cpu / wall * 100, beacons ? cpu / static_cast<double>(beacons) * 1e6 : 0,
        rss, hostCpu / wall * 100, bb::bench::ResidentMb(hostPid));
    board.terminate();
    board.waitForFinished(5000);
    host.terminate();
    host.waitForFinished(5000);
    return 0;
}
