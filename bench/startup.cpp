// The board's start beside a busy host: bb-host first hears the soak's
// synthetic feed of N stations; then the board (offscreen, in this process)
// starts, binds to it and scans it. Timed from the board's start until its
// grid shows every station it took in and its event loop has gone idle.
// Run under dbus-run-session:
//   startup [STATIONS...]        (default 20000 50000)
// Prints one line a size: the stations the host holds and the grid shows,
// the seconds to the whole grid, the board's and bb-host's CPU over them,
// and the board's resident memory.
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/services.h"
#include "bench/proc_stats.h"
#include "bench/soak_feed.h"
#include "bus/station_dict.h"
#include "support/app_paths.h"

namespace {

bool HostOnBus() {
    return QDBusConnection::sessionBus()
        .interface()
        ->isServiceRegistered(bb::bus::kHostService)
        .value();
}

int HostStationCount() {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        bb::bus::kHostService, bb::bus::kHostPath, QStringLiteral("org.beaconboard.Host.Main"),
        QStringLiteral("HostStationCount")));
    return reply.arguments().value(0).toInt();
}

// Waits until the process has used less than a twentieth of a core for
// half a second: it has taken in all it was given.
void WaitIdle(const std::string& pid) {
    for (int waited = 0; waited < 600; ++waited) {
        const double before = bb::bench::CpuSeconds(pid);
        QThread::msleep(500);
        if (bb::bench::CpuSeconds(pid) - before < 0.025) return;
    }
}

void Run(int stations, const QString& folder) {
    QProcess host;
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    host.start(BB_HOST_EXE, {"--feed", "-", "--no-map", "--quiet", "--expiry", "1000000",
                             "--stations-file", "none"});
    QElapsedTimer wait;
    wait.start();
    while (!HostOnBus() && wait.elapsed() < 10000)
        QThread::msleep(20);
    const bb::soak::Feed feed(stations);
    std::string chunk;
    for (int n = 0; n < stations; ++n)
        chunk += feed.Line(static_cast<std::uint64_t>(n)) + "\n";
    host.write(chunk.data(), static_cast<qint64>(chunk.size()));
    while (host.bytesToWrite() > 0 && host.waitForBytesWritten(10000)) {
    }
    const std::string hostPid = std::to_string(host.processId());
    WaitIdle(hostPid);
    const int listed = HostStationCount();
    if (listed != std::min(stations, 32767)) {
        std::fprintf(stderr, "startup: bb-host lists %d stations, not %d\n", listed, stations);
        return;
    }

    bb::App().writableFolder = folder.toStdString();
    const double boardFrom = bb::bench::CpuSeconds();
    const double hostFrom = bb::bench::CpuSeconds(hostPid);
    QElapsedTimer clock;
    clock.start();
    auto board =
        std::make_unique<bb::app::Form1>(bb::app::Form1::OnBus(QDBusConnection::sessionBus()));
    board->show();
    board->Form_Load();
    if (!board->Wiring()) {
        std::fprintf(stderr, "startup: the board did not attach to bb-host\n");
        return;
    }
    // Whole: the grid has a row for every live station and is not between
    // passes; idle: the event loop then has nothing left to do.
    const bb::platform::GridControl& grid = board->GridModel();
    const bb::StationTable& table = board->Wiring()->Board().Table();
    const auto whole = [&] {
        return !grid.Busy() && table.LiveCount() > 0 &&
               grid.Rows() - grid.FixedRows() == table.LiveCount();
    };
    while (!whole() && clock.elapsed() < 120000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const double boardCpu = bb::bench::CpuSeconds() - boardFrom;
    const double hostCpu = bb::bench::CpuSeconds(hostPid) - hostFrom;
    std::printf(
        "host %d stations, grid %d rows: whole and idle in %.2f s; CPU board %.2f s, "
        "bb-host %.2f s; board %.0f MB resident\n",
        stations, grid.Rows() - grid.FixedRows(), seconds, boardCpu, hostCpu,
        bb::bench::ResidentMb());
    std::fflush(stdout);
    board.reset();
    host.terminate();
    host.waitForFinished(10000);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bb::app::InstallPlatformServices();
    QTemporaryDir work;
    bb::App().dataFolders.insert(bb::App().dataFolders.begin(), BB_BIN_DIR);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {20000, 50000};
    for (const int n : sizes)
        Run(n, work.path());
    return 0;
}
