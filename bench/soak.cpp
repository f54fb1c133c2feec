// The soak at full-feed scale: a synthetic feed of 50,000 stations and
// 1,000,000 beacons replayed through bb-host into the board (its window
// offscreen), accelerated. Every 100,000 beacons it records the board's
// resident memory and how late a 10 ms timer ran (the window's input
// latency) and the board's CPU time since the step before; at the end it
// compares the board's live stations with bb-host's
// list, station by station, and counts the errors the board logged.
// Writes docs/performance.md and docs/images/soak.svg. Run by tools/soak.
#include <time.h>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <set>
#include <sstream>
#include <thread>

#include "app/main_window.h"
#include "app/services.h"
#include "bench/proc_stats.h"
#include "bench/soak_feed.h"
#include "bus/station_dict.h"
#include "support/app_paths.h"

namespace {

// While the stations are first heard: the board at each step of the way.
struct Growth {
    std::int32_t stations;  // sent so far, each a new station
    double rssMb = 0;
    double p99Ms = 0;    // input latency since the step before
    double gridMs = -1;  // from sending the step's last station until the grid shows it
    qint64 sentAt = 0;   // ns
};

struct Point {
    std::uint64_t beacons;
    std::int32_t live;
    double rssMb;
    double p99Ms;
    double maxMs;
    double cpuShare = 0;  // of one core, since the point before
};

// CPU seconds of this process or of the calling thread.
double CpuSeconds(clockid_t which) {
    timespec t{};
    clock_gettime(which, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The board's CPU time: the process's, less what the feed's writer spent.
struct BoardCpu {
    double feeder = 0;
    double Now() const { return CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - feeder; }
};

double Percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    const auto k = static_cast<std::size_t>(q * static_cast<double>(v.size() - 1));
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k), v.end());
    return v[k];
}

std::string Svg(const std::vector<Point>& pts) {
    // Two panels over the beacons sent: p99 latency (ms) and memory (MB).
    const double w = 640, h = 220, left = 60, right = 20, top = 20, bottom = 40;
    const double maxX = static_cast<double>(pts.back().beacons);
    auto panel = [&](double y0, const char* title, auto value, double maxY, const char* colour) {
        std::ostringstream o;
        o << "<g transform='translate(0," << y0 << ")'>"
          << "<rect x='" << left << "' y='" << top << "' width='" << w - left - right
          << "' height='" << h - top - bottom << "' fill='none' stroke='#888'/>"
          << "<text x='" << left << "' y='14' font-size='13'>" << title << "</text>"
          << "<text x='" << left - 6 << "' y='" << top + 4 << "' font-size='11' text-anchor='end'>"
          << maxY << "</text><text x='" << left - 6 << "' y='" << h - bottom
          << "' font-size='11' text-anchor='end'>0</text>"
          << "<polyline fill='none' stroke='" << colour << "' stroke-width='2' points='";
        for (const Point& p : pts)
            o << left + (w - left - right) * static_cast<double>(p.beacons) / maxX << ","
              << top + (h - top - bottom) * (1 - value(p) / maxY) << " ";
        o << "'/><text x='" << w - right << "' y='" << h - 10
          << "' font-size='11' text-anchor='end'>beacons sent: " << maxX << "</text></g>";
        return o.str();
    };
    double maxLat = 1, maxMem = 1;
    for (const Point& p : pts) {
        maxLat = std::max(maxLat, p.p99Ms * 1.2);
        maxMem = std::max(maxMem, p.rssMb * 1.2);
    }
    maxLat = std::ceil(maxLat);
    maxMem = std::ceil(maxMem / 10) * 10;
    std::ostringstream svg;
    svg << "<svg xmlns='http://www.w3.org/2000/svg' width='" << w << "' height='" << 2 * h
        << "' font-family='sans-serif'><rect width='100%' height='100%' fill='white'/>"
        << panel(
               0, "99th percentile input latency per 100,000 beacons (ms)",
               [](const Point& p) { return p.p99Ms; }, maxLat, "#c00")
        << panel(
               h, "Board resident memory (MB)", [](const Point& p) { return p.rssMb; }, maxMem,
               "#00c")
        << "</svg>\n";
    return svg.str();
}

// Grid latency, input latency and memory over the stations on the board.
std::string ScaleSvg(const std::vector<Growth>& pts) {
    const double w = 640, h = 220, left = 60, right = 20, top = 20, bottom = 40;
    const double maxX = pts.back().stations;
    double maxLat = 1, maxMem = 1;
    for (const Growth& p : pts) {
        maxLat = std::max({maxLat, p.gridMs * 1.2, p.p99Ms * 1.2});
        maxMem = std::max(maxMem, p.rssMb * 1.2);
    }
    maxLat = std::ceil(maxLat / 10) * 10;
    maxMem = std::ceil(maxMem / 10) * 10;
    auto line = [&](auto value, double maxY, const char* colour) {
        std::ostringstream o;
        o << "<polyline fill='none' stroke='" << colour << "' stroke-width='2' points='";
        for (const Growth& p : pts)
            o << left + (w - left - right) * p.stations / maxX << ","
              << top + (h - top - bottom) * (1 - std::max(0.0, value(p)) / maxY) << " ";
        o << "'/>";
        return o.str();
    };
    auto frame = [&](double y0, const std::string& title, double maxY, const std::string& body) {
        std::ostringstream o;
        o << "<g transform='translate(0," << y0 << ")'><rect x='" << left << "' y='" << top
          << "' width='" << w - left - right << "' height='" << h - top - bottom
          << "' fill='none' stroke='#888'/><text x='" << left << "' y='14' font-size='13'>" << title
          << "</text><text x='" << left - 6 << "' y='" << top + 4
          << "' font-size='11' text-anchor='end'>" << maxY << "</text><text x='" << left - 6
          << "' y='" << h - bottom << "' font-size='11' text-anchor='end'>0</text>" << body
          << "<text x='" << w - right << "' y='" << h - 10
          << "' font-size='11' text-anchor='end'>stations on the board: " << maxX << "</text></g>";
        return o.str();
    };
    std::ostringstream svg;
    svg << "<svg xmlns='http://www.w3.org/2000/svg' width='" << w << "' height='" << 2 * h
        << "' font-family='sans-serif'><rect width='100%' height='100%' fill='white'/>"
        << frame(0,
                 "Grid latency, beacon sent to row shown (red), and p99 input latency (grey), ms",
                 maxLat,
                 line([](const Growth& p) { return p.gridMs; }, maxLat, "#c00") +
                     line([](const Growth& p) { return p.p99Ms; }, maxLat, "#888"))
        << frame(h, "Board resident memory (MB)", maxMem,
                 line([](const Growth& p) { return p.rssMb; }, maxMem, "#00c"))
        << "</svg>\n";
    return svg.str();
}

bool HostOnBus() {
    return QDBusConnection::sessionBus()
        .interface()
        ->isServiceRegistered(bb::bus::kHostService)
        .value();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int stations = argc > 1 ? std::atoi(argv[1]) : 50000;
    const std::uint64_t beacons = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1000000;
    const int rate = argc > 3 ? std::atoi(argv[3]) : 5000;  // beacons a second
    const std::string out = argc > 4 ? argv[4] : "docs";
    bb::app::InstallPlatformServices();
    QTemporaryDir work;
    // Settings and log in a folder of the run's own; the shipped data beside the programs.
    bb::App().writableFolder = work.path().toStdString();
    bb::App().dataFolders.insert(bb::App().dataFolders.begin(), BB_BIN_DIR);

    QProcess host;
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QString dump = work.filePath("host-stations.txt");
    host.start(BB_HOST_EXE, {"--feed", "-", "--no-map", "--quiet", "--expiry", "1000000", "--home",
                             "51,-1", "--dump-stations", dump});
    QElapsedTimer wait;
    wait.start();
    while (!HostOnBus() && wait.elapsed() < 10000)
        app.processEvents(QEventLoop::AllEvents, 20);
    auto board =
        std::make_unique<bb::app::Form1>(bb::app::Form1::OnBus(QDBusConnection::sessionBus()));
    board->show();
    board->Form_Load();
    if (!board->Wiring()) {
        std::fprintf(stderr, "soak: the board did not attach to bb-host\n");
        return 1;
    }

    const bb::soak::Feed feed(stations);
    // The first `stations` beacons bring one new station each.
    const std::uint64_t kGrowthStep = std::max(1, stations / 20);
    std::vector<Point> points;
    std::vector<double> late;
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = clock.nsecsElapsed();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    std::vector<Growth> growth;
    std::size_t pendingGrowth = 0, lateAtGrowth = 0;
    int lastRebuild = -1;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        // A step is shown once a finished rebuild has a row for its last
        // station. (Counting rows would not do: a rebuild that runs in an
        // intake's pause leaves out the station being filled.)
        const bb::platform::GridControl& grid = board->GridModel();
        if (pendingGrowth < growth.size() && !grid.Busy() &&
            board->Wiring()->Grid().Rebuilds() != lastRebuild) {
            lastRebuild = board->Wiring()->Grid().Rebuilds();
            while (pendingGrowth < growth.size()) {
                const std::string call = feed.Call(growth[pendingGrowth].stations - 1);
                bool shown = false;
                for (int r = 1; r < grid.Rows() && !shown; ++r)
                    shown = grid.TextMatrix(r, 0) == call;
                if (!shown) break;
                growth[pendingGrowth].gridMs =
                    static_cast<double>(now - growth[pendingGrowth].sentAt) / 1e6;
                ++pendingGrowth;
            }
        }
        late.push_back(std::max(0.0, static_cast<double>(now - lastTick) / 1e6 - 10.0));
        lastTick = now;
    });
    probe.start(10);

    BoardCpu cpu;
    // The steady state: from the last new station to the last beacon sent.
    struct Mark {
        double cpu = 0, wall = 0;
        std::uint64_t sent = 0;
    } steadyFrom, steadyTo, lastPoint;
    std::uint64_t sent = 0;
    // Start-up is not part of the run.
    app.processEvents();
    late.clear();
    lastTick = clock.nsecsElapsed();
    const double start = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    QTimer pump;
    const auto mark = [&] {
        return Mark{cpu.Now(), static_cast<double>(clock.nsecsElapsed()) / 1e9, sent};
    };
    lastPoint = mark();
    QObject::connect(&pump, &QTimer::timeout, [&] {
        const double feederFrom = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        struct Feeding {
            BoardCpu& cpu;
            double from;
            ~Feeding() { cpu.feeder += CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - from; }
        } feeding{cpu, feederFrom};
        // Paced: as many as the rate allows by now, at most 1,000 a turn.
        const double t = static_cast<double>(clock.nsecsElapsed()) / 1e9 - start;
        const auto due = std::min<std::uint64_t>(beacons, static_cast<std::uint64_t>(t * rate));
        std::string chunk;
        while (sent < due && chunk.size() < 100000) {
            chunk += feed.Line(sent++) + "\n";
            if (sent == static_cast<std::uint64_t>(stations)) steadyFrom = mark();
            if (sent <= static_cast<std::uint64_t>(stations) && sent % kGrowthStep == 0) {
                host.write(chunk.data(), static_cast<qint64>(chunk.size()));
                chunk.clear();
                std::vector<double> window(
                    late.begin() + static_cast<std::ptrdiff_t>(std::min(lateAtGrowth, late.size())),
                    late.end());
                lateAtGrowth = late.size();
                growth.push_back({static_cast<std::int32_t>(sent), bb::bench::ResidentMb(),
                                  Percentile(window, 0.99), -1, clock.nsecsElapsed()});
            }
            if (sent % 100000 == 0 || sent == beacons) {
                host.write(chunk.data(), static_cast<qint64>(chunk.size()));
                chunk.clear();
                const Mark now = mark();
                points.push_back(
                    {sent, board->Wiring()->Board().Table().LiveCount(), bb::bench::ResidentMb(),
                     Percentile(late, 0.99), Percentile(late, 1.0),
                     (now.cpu - lastPoint.cpu) / std::max(1e-9, now.wall - lastPoint.wall)});
                lastPoint = now;
                std::fprintf(stderr, "soak: p50 %.1f p90 %.1f p99 %.1f ms over %zu ticks\n",
                             Percentile(late, 0.5), Percentile(late, 0.9), Percentile(late, 0.99),
                             late.size());
                late.clear();
                lateAtGrowth = 0;
                std::fprintf(stderr, "soak: %llu beacons, %d live, %.1f MB, p99 %.1f ms\n",
                             static_cast<unsigned long long>(sent), points.back().live,
                             points.back().rssMb, points.back().p99Ms);
            }
        }
        if (!chunk.empty()) host.write(chunk.data(), static_cast<qint64>(chunk.size()));
        if (sent == beacons) {
            steadyTo = mark();
            pump.stop();
            // Let the last events reach the board, then stop.
            QTimer::singleShot(15000, &app, &QApplication::quit);
        }
    });
    pump.start(5);
    app.exec();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9 - start;

    std::set<std::string> onBoard;
    const bb::StationTable& t = board->Wiring()->Board().Table();
    for (std::int32_t i = 0; i <= t.UpperBound(); ++i)
        if (!t[i].Deleted && !t[i].Callsign.empty()) onBoard.insert(t[i].Callsign);
    board.reset();
    host.terminate();
    host.waitForFinished(10000);
    std::set<std::string> onHost;
    std::ifstream in(dump.toStdString());
    for (std::string call, flag; in >> call >> flag;)
        onHost.insert(call);
    std::vector<std::string> onlyBoard, onlyHost;
    std::set_difference(onBoard.begin(), onBoard.end(), onHost.begin(), onHost.end(),
                        std::back_inserter(onlyBoard));
    std::set_difference(onHost.begin(), onHost.end(), onBoard.begin(), onBoard.end(),
                        std::back_inserter(onlyHost));
    int errors = 0;
    std::ifstream log(work.filePath("ErrorLog.txt").toStdString());
    for (std::string line; std::getline(log, line);)
        errors += line.find("program error") != std::string::npos;

    const double memFirst = points.front().rssMb, memLast = points.back().rssMb;
    const double steadyWall = steadyTo.wall - steadyFrom.wall;
    const double steadyCpu = steadyTo.cpu - steadyFrom.cpu;
    const auto steadyBeacons = static_cast<double>(steadyTo.sent - steadyFrom.sent);
    const double cpuShare = steadyWall > 0 ? steadyCpu / steadyWall : 0;
    const double cpuPerBeaconUs = steadyBeacons > 0 ? steadyCpu / steadyBeacons * 1e6 : 0;
    std::fprintf(stderr, "soak: board CPU %.1f %% of one core, %.1f us a beacon, steady state\n",
                 cpuShare * 100, cpuPerBeaconUs);
    double p99 = 0, worst = 0;
    for (const Point& p : points) {
        p99 = std::max(p99, p.p99Ms);
        worst = std::max(worst, p.maxMs);
    }
    std::ostringstream md;
    md << std::fixed << std::setprecision(1);
    md << "# Performance: the soak at full-feed scale\n\n"
       << "`tools/soak` replays a synthetic feed of " << stations << " stations and " << beacons
       << " beacons (a quarter of them moving, a third with PHG, a fifth with a QSY frequency, "
          "emergencies, objects made and killed, one packet in a hundred broken) through `bb-host` "
          "into the board, whose window runs offscreen, at "
       << rate << " beacons a second, on " << std::thread::hardware_concurrency()
       << " processor threads with nothing else running. It took " << static_cast<int>(seconds)
       << " s.\n\n"
       << "| Figure | Target | Result |\n|---|---|---|\n"
       << "| Board's live stations equal bb-host's list, station by station | equal | "
       << onBoard.size() << " on the board, " << onHost.size() << " on the host, "
       << onlyBoard.size() << " only on the board, " << onlyHost.size() << " only on the host |\n"
       << "| Resident memory after the first and after the last 100,000 beacons | within 20 % | "
       << memFirst << " MB and " << memLast << " MB (" << (memLast / memFirst - 1) * 100
       << " %) |\n"
       << "| 99th percentile input latency (worst window) | under 100 ms | " << p99
       << " ms (worst single delay " << worst << " ms) |\n"
       << "| Errors in the board's log | none the feed did not cause | " << errors << " |\n"
       << "| Board CPU once every station is known (share of one core; CPU per beacon) | "
          "reported | "
       << cpuShare * 100 << " % (" << cpuPerBeaconUs << " µs a beacon) |\n\n"
       << "![Latency and memory against beacons sent](images/soak.svg)\n\n"
       << "| Beacons sent | Live stations on the board | Memory (MB) | p99 latency (ms) | Worst "
          "(ms) | Board CPU (% of one core) |\n"
       << "|---|---|---|---|---|---|\n";
    for (const Point& p : points)
        md << "| " << p.beacons << " | " << p.live << " | " << p.rssMb << " | " << p.p99Ms << " | "
           << p.maxMs << " | " << p.cpuShare * 100 << " |\n";
    md << "\n## Against the number of stations\n\n"
       << "The first " << stations << " beacons of the feed each bring a new station, so the "
       << "board's table grows from none to all of them. At every " << kGrowthStep
       << "th the run notes the board's memory and how long it takes until a finished grid "
          "pass shows the last station sent (grid latency: the beacon through bb-host, the "
          "bus, the intake, and the grid's passes, which wait 70 ms after one another). It "
          "depends on where in that gap the beacon falls, which moves a little from one "
          "sample to the next: the figures climb and fall by up to the gap as the run "
          "goes.\n\n"
       << "![Grid latency and memory against stations](images/soak-scale.svg)\n\n"
       << "| Stations | Grid latency (ms) | p99 input latency (ms) | Memory (MB) |\n"
       << "|---|---|---|---|\n";
    for (const Growth& g : growth)
        if (g.gridMs < 0)
            md << "| " << g.stations << " | not shown | " << g.p99Ms << " | " << g.rssMb << " |\n";
        else
            md << "| " << g.stations << " | " << g.gridMs << " | " << g.p99Ms << " | " << g.rssMb
               << " |\n";
    md << "\nInput latency is how late a 10 ms timer on the board's event loop ran: a click or key "
          "waits at most that long. Memory is the board's resident set (`VmRSS`), read as each "
          "100,000th beacon is sent. Board CPU is the CPU time of the board's process less what "
          "the run's own feed writer spent, over the wall time.\n";
    std::ofstream(out + "/performance.md") << md.str();
    std::ofstream(out + "/images/soak.svg") << Svg(points);
    if (!growth.empty()) std::ofstream(out + "/images/soak-scale.svg") << ScaleSvg(growth);
    std::fputs(md.str().c_str(), stdout);
    for (std::size_t i = 0; i < onlyHost.size() && i < 5; ++i)
        std::fprintf(stderr, "soak: only on the host: %s\n", onlyHost[i].c_str());
    for (std::size_t i = 0; i < onlyBoard.size() && i < 5; ++i)
        std::fprintf(stderr, "soak: only on the board: %s\n", onlyBoard[i].c_str());
    const bool pass = onlyBoard.empty() && onlyHost.empty() && memLast <= memFirst * 1.2 &&
                      memLast >= memFirst * 0.8 && p99 < 100 && errors == 0;
    return pass ? 0 : 1;
}
