// bb-host: a small APRS host program. It hears packets (a replayed file or
// standard input), keeps the station list, draws its map and offers its
// automation objects on the session bus for the board to follow.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>

#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

#include "host/command_line.h"
#include "host/feed.h"
#include "host/host_service.h"
#include "host/live_sources.h"
#include "host/map_window.h"
#include "host/packet_log.h"
#include "host/station_store.h"
#include "host/status_line.h"
#include "host/tiles.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &c, 1);
}

std::int64_t NowUnix() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

using bb::hostapp::HostCommandLine;

// Quitting by signal says farewell on the bus like closing the window.
void QuitOnSignals(QApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QApplication::quit);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

std::unique_ptr<bb::hostapp::MapWindow> ShowMap(const HostCommandLine& line,
                                                bb::hostapp::HostService& host, QApplication& app) {
    if (line.windowless) return nullptr;
    auto window = std::make_unique<bb::hostapp::MapWindow>(host);
    if (!line.tiles.isEmpty()) {
        bb::hostapp::TilePolicy policy;
        policy.contact = line.contact;
        policy.cacheBytes = std::int64_t{line.tileCacheMb} * 1000 * 1000;
        window->SetTiles(new bb::hostapp::TileLoader(line.tiles, bb::hostapp::DefaultTileCache(),
                                                     policy, window.get()));
    }
    QObject::connect(window.get(), &bb::hostapp::MapWindow::Closing, &app, &QApplication::quit);
    window->show();
    if (!line.screenshot.isEmpty()) {
        QTimer::singleShot(line.screenshotAfter * 1000, window.get(),
                           [w = window.get(), file = line.screenshot] {
                               if (!w->grab().save(file))
                                   std::fprintf(stderr, "bb-host: cannot write the screenshot %s\n",
                                                qPrintable(file));
                           });
    }
    return window;
}

std::unique_ptr<bb::hostapp::LiveSource> MakeLiveSource(const HostCommandLine& line) {
    using Source = HostCommandLine::Source;
    switch (line.source) {
        case Source::AprsIs: {
            auto source = std::make_unique<bb::hostapp::AprsIsSource>(line.netHost, line.netPort,
                                                                      line.aprsIsLogin);
            source->SetNote(line.filterNote);
            return source;
        }
        case Source::KissTcp:
            return std::make_unique<bb::hostapp::KissTcpSource>(line.netHost, line.netPort);
        case Source::KissSerial:
            return std::make_unique<bb::hostapp::KissSerialSource>(line.serialDevice, line.baud);
        default:
            return nullptr;
    }
}

// Without a source and with nothing on standard input, a new user is told
// what to do, on the map and on standard error; the host keeps running so a
// board can bind to it.
void Advise(bb::hostapp::MapWindow* window) {
    const QString advice = bb::hostapp::NoSourceAdvice();
    std::fprintf(stderr, "bb-host: %s\n", qPrintable(advice));
    if (window) window->ShowAdvice(advice);
}

// The replayed file or standard input; null with the reason when the file
// cannot be read.
std::unique_ptr<QObject> StartRecordedSource(const HostCommandLine& line,
                                             bb::hostapp::HostService& host,
                                             bb::hostapp::MapWindow* window, std::string& why) {
    if (line.source == HostCommandLine::Source::StandardInput) {
        auto in = std::make_unique<bb::hostapp::StdinFeed>();
        auto heard = std::make_shared<bool>(false);
        QObject::connect(in.get(), &bb::hostapp::StdinFeed::Line, &host,
                         [&host, heard](const std::string& packet) {
                             *heard = true;
                             host.Hear(packet);
                         });
        if (!line.sourceGiven) {
            if (::isatty(STDIN_FILENO))
                Advise(window);
            else
                QObject::connect(in.get(), &bb::hostapp::StdinFeed::Finished, &host,
                                 [window, heard] {
                                     if (!*heard) Advise(window);
                                 });
        }
        return in;
    }
    std::vector<std::string> lines;
    if (!bb::hostapp::FeedReplay::Load(line.feedFile.toStdString(), lines, why)) return nullptr;
    auto replay =
        std::make_unique<bb::hostapp::FeedReplay>(std::move(lines), line.speed, line.loop);
    QObject::connect(replay.get(), &bb::hostapp::FeedReplay::Line, &host,
                     &bb::hostapp::HostService::HearReplayed);
    replay->Start();
    return replay;
}

// For checking a long run: what the host ended with, station by station.
void DumpStations(const QString& file, bb::hostapp::HostService& host) {
    FILE* f = std::fopen(file.toLocal8Bit().constData(), "w");
    if (!f) return;
    host.ForEachStation([f](const bb::hostapp::HostEntry& e) {
        std::fprintf(f, "%s %d\n", e.callsign.c_str(), e.hasPosition ? 1 : 0);
    });
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    // Decide before Qt starts: without a display the host runs with no window.
    bool windowless = !bb::hostapp::HasDisplay();
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--no-map") == 0) windowless = true;
    }
    if (windowless && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Qt takes the C library's locale from the environment; the numbers the
    // host writes for the board and reads from packets keep their ".".
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("bb-host"));

    HostCommandLine line;
    QString text;
    switch (ReadHostCommandLine(QApplication::arguments(), !windowless,
                                bb::hostapp::DefaultConfigFile(), line, text)) {
        case bb::hostapp::CommandLineRead::Help:
        case bb::hostapp::CommandLineRead::Version:
        case bb::hostapp::CommandLineRead::ConfigWritten:
            std::fputs(qPrintable(text), stdout);
            return 0;
        case bb::hostapp::CommandLineRead::Unreadable:
            std::fprintf(stderr, "%s\n", qPrintable(text));
            return 1;
        case bb::hostapp::CommandLineRead::Wrong:
            std::fprintf(stderr, "%s\n", qPrintable(text));
            return 2;
        case bb::hostapp::CommandLineRead::Ok:
            break;
    }
    for (const QString& note : line.configNotes)
        std::fprintf(stderr, "bb-host: %s\n", qPrintable(note));
    std::unique_ptr<bb::hostapp::LiveSource> live = MakeLiveSource(line);

    bb::hostapp::HostService host(line.service);
    // What was heard before a restart, there before the board first asks.
    std::optional<bb::hostapp::StationStore> store;
    if (!line.stationsFile.isEmpty()) {
        store.emplace(line.stationsFile.toStdString());
        std::string note;
        store->Load(host.Stations(), &host.History(), NowUnix(),
                    std::int64_t{line.service.expiryMinutes} * 60, note);
        if (!note.empty()) std::fprintf(stderr, "bb-host: %s\n", note.c_str());
    }
    std::string lastSaveError;
    const auto save = [&] {
        std::string why;
        if (!store || store->Save(host.Stations(), &host.History(), why)) return;
        if (why != lastSaveError)
            std::fprintf(stderr, "bb-host: cannot keep the stations: %s\n", why.c_str());
        lastSaveError = why;
    };
    QString error;
    if (!host.Register(QDBusConnection::sessionBus(), error)) {
        std::fprintf(stderr, "bb-host: %s\n", qPrintable(error));
        return 1;
    }
    std::unique_ptr<bb::hostapp::MapWindow> window = ShowMap(line, host, app);
    QApplication::setQuitOnLastWindowClosed(false);
    QuitOnSignals(app);

    const bool talk = !line.quiet;
    if (!line.filterNote.isEmpty())
        std::fprintf(stderr, "bb-host: %s\n", qPrintable(line.filterNote));
    std::unique_ptr<QObject> source;
    // What a live source hears is logged, to look back at or replay.
    std::optional<bb::hostapp::PacketLog> packetLog;
    if (live && !line.packetLog.isEmpty()) {
        const std::filesystem::path folder = line.packetLog.toStdString();
        bb::hostapp::PacketLog::RemoveOld(folder, line.packetLogDays, NowUnix());
        packetLog.emplace(folder);
    }
    std::string lastLogError;
    if (live) {
        QObject::connect(
            live.get(), &bb::hostapp::LiveSource::Line, &host, [&](const std::string& packet) {
                const std::int64_t now = NowUnix();
                std::string why;
                if (packetLog && !packetLog->Write(packet, now, why) && why != lastLogError) {
                    std::fprintf(stderr, "bb-host: cannot log packets: %s\n", why.c_str());
                    lastLogError = why;
                }
                host.Hear(packet, now);
            });
        QObject::connect(live.get(), &bb::hostapp::LiveSource::StateChanged, &host,
                         [&window, talk](const QString& state) {
                             if (window) window->SetStatus(state);
                             if (talk) std::fprintf(stderr, "bb-host: %s\n", qPrintable(state));
                         });
        live->Start();
    } else {
        std::string why;
        source = StartRecordedSource(line, host, window.get(), why);
        if (!source) {
            host.Close();
            std::fprintf(stderr, "bb-host: %s\n", why.c_str());
            return 1;
        }
    }

    QTimer tick;
    bb::hostapp::StatusLine statusLine;
    QElapsedTimer running;
    running.start();
    QObject::connect(&tick, &QTimer::timeout, &host, [&] {
        host.ExpireStations(NowUnix());
        const auto& c = host.Counters();
        QString status = QStringLiteral("%1 packets heard, %2 stations, %3 not decoded")
                             .arg(c.heard)
                             .arg(host.Stations().size())
                             .arg(c.malformed);
        if (live) status = live->State().Text() + QStringLiteral("; ") + status;
        if (window) window->SetStatus(status);
        if (talk && statusLine.Due(status, running.elapsed()))
            std::fprintf(stderr, "bb-host: %s\n", qPrintable(status));
    });
    tick.start(10000);
    QTimer keep;
    QObject::connect(&keep, &QTimer::timeout, &host, save);
    if (store) keep.start(60000);

    const int rc = app.exec();
    save();
    if (!line.dumpFile.isEmpty()) DumpStations(line.dumpFile, host);
    host.Close();
    return rc;
}
