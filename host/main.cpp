// bb-host: a small APRS host program. It hears packets (a replayed file or
// standard input), keeps the station list, draws its map and offers its
// automation objects on the session bus for the board to follow.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <memory>

#include "generated/version.h"
#include "host/feed.h"
#include "host/host_service.h"
#include "host/live_sources.h"
#include "host/map_window.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &c, 1);
}

bool HasDisplay() {
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

bool ParseHome(const QString& text, bb::hostapp::HomePosition& home) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2) return false;
    bool okLat = false, okLon = false;
    const double lat = parts[0].toDouble(&okLat), lon = parts[1].toDouble(&okLon);
    if (!okLat || !okLon || lat < -90 || lat > 90 || lon < -180 || lon > 180) return false;
    home = {lat, lon};
    return true;
}

std::int64_t NowUnix() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
    // Decide before Qt starts: without a display the host runs with no window.
    bool windowless = !HasDisplay();
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

    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral(
        "A small APRS host program for Beaconboard. It hears APRS packets in the TNC2 monitor\n"
        "form (CALL>DEST,PATH:payload), one per line, keeps the list of stations heard, shows\n"
        "them on a map and offers them on the D-Bus session bus as org.beaconboard.Host.\n"
        "A line may start with the time it was heard (2026-12-07T10:00:05Z); a replayed file\n"
        "keeps those gaps, divided by --speed.\n\n"
        "On the map the add-on's circles have radii in statute miles and its lines run between\n"
        "positions in minutes of arc (x east, y north). Drag or use the arrow keys to pan, the\n"
        "wheel or +/- to zoom.\n\n"
        "Where the packets come from (one source):\n"
        "  bb-host --feed data/sample-feed.tnc2 --speed 10 --loop      a recorded feed\n"
        "  some-decoder | bb-host --feed -                             standard input\n"
        "  bb-host --aprs-is rotate.aprs2.net --call N0CALL --filter r/52.2/0.12/100\n"
        "                                                              APRS-IS, receive only\n"
        "  bb-host --kiss 127.0.0.1:8001                               a KISS TNC (Direwolf)\n"
        "  bb-host --kiss-serial /dev/ttyUSB0 --baud 9600              a KISS TNC on a serial "
        "port\n"
        "Each source shows its state (connecting, connected, packets heard, last error) in the\n"
        "map window's status bar and on standard error."));
    cli.addHelpOption();
    const QCommandLineOption feed(
        QStringLiteral("feed"),
        QStringLiteral("Replay the monitor lines of <file>; '-' reads standard input."),
        QStringLiteral("file"), QStringLiteral("-"));
    const QCommandLineOption speed(
        QStringLiteral("speed"),
        QStringLiteral("Replay <factor> times faster than heard; 0 as fast as possible."),
        QStringLiteral("factor"), QStringLiteral("1"));
    const QCommandLineOption loop(QStringLiteral("loop"),
                                  QStringLiteral("Start the file again at its end."));
    const QCommandLineOption home(
        QStringLiteral("home"),
        QStringLiteral("Home position in degrees, north and east positive (default 52.2,0.12)."),
        QStringLiteral("lat,lon"));
    const QCommandLineOption expiry(
        QStringLiteral("expiry"),
        QStringLiteral("Remove a station not heard for <minutes> (default 60)."),
        QStringLiteral("minutes"), QStringLiteral("60"));
    const QCommandLineOption noMap(QStringLiteral("no-map"),
                                   QStringLiteral("Run without the map window."));
    const QCommandLineOption beaconData(
        QStringLiteral("notify-data"),
        QStringLiteral("Announce beacons with NotifyBeaconData instead of NotifyBeacon."));
    const QCommandLineOption aprsIs(
        QStringLiteral("aprs-is"),
        QStringLiteral("Hear an APRS-IS server, <host[:port]> (port 14580 when left out)."),
        QStringLiteral("host:port"));
    const QCommandLineOption call(QStringLiteral("call"),
                                  QStringLiteral("Your callsign for the APRS-IS login."),
                                  QStringLiteral("callsign"));
    const QCommandLineOption passcode(
        QStringLiteral("passcode"),
        QStringLiteral("APRS-IS passcode; -1 (the default) logs in receive only."),
        QStringLiteral("number"), QStringLiteral("-1"));
    const QCommandLineOption filter(
        QStringLiteral("filter"),
        QStringLiteral("APRS-IS server filter, for example r/52.2/0.12/100 (100 km around)."),
        QStringLiteral("filter"));
    const QCommandLineOption kiss(
        QStringLiteral("kiss"),
        QStringLiteral("Hear a KISS TNC over TCP, <host[:port]> (port 8001 when left out)."),
        QStringLiteral("host:port"));
    const QCommandLineOption kissSerial(QStringLiteral("kiss-serial"),
                                        QStringLiteral("Hear a KISS TNC on a serial <device>."),
                                        QStringLiteral("device"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("Serial speed for --kiss-serial (default 9600)."),
                                  QStringLiteral("baud"), QStringLiteral("9600"));
    const QCommandLineOption dump(
        QStringLiteral("dump-stations"),
        QStringLiteral("On exit, write every station heard to <file>, one callsign a line."),
        QStringLiteral("file"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("No status lines on standard error."));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save the map window as a PNG <file> after --screenshot-after seconds."),
        QStringLiteral("file"));
    const QCommandLineOption screenshotAfter(
        QStringLiteral("screenshot-after"),
        QStringLiteral("Seconds before the screenshot is taken (default 10)."),
        QStringLiteral("seconds"), QStringLiteral("10"));
    cli.addOptions({feed, speed, loop, home, expiry, noMap, beaconData, quiet, screenshot,
                    screenshotAfter, aprsIs, call, passcode, filter, kiss, kissSerial, baud, dump});
    cli.process(app);

    bb::hostapp::HostService::Options options;
    if (cli.isSet(home) && !ParseHome(cli.value(home), options.home)) {
        std::fprintf(stderr, "bb-host: --home wants lat,lon in degrees, for example 52.2,0.12\n");
        return 2;
    }
    bool ok = false;
    options.expiryMinutes = cli.value(expiry).toInt(&ok);
    if (!ok || options.expiryMinutes < 1) {
        std::fprintf(stderr, "bb-host: --expiry wants a whole number of minutes, at least 1\n");
        return 2;
    }
    const double factor = cli.value(speed).toDouble(&ok);
    if (!ok || factor < 0) {
        std::fprintf(stderr, "bb-host: --speed wants a factor of 0 or more\n");
        return 2;
    }
    options.beaconData = cli.isSet(beaconData);
    const int sources =
        cli.isSet(feed) + cli.isSet(aprsIs) + cli.isSet(kiss) + cli.isSet(kissSerial);
    if (sources > 1) {
        std::fprintf(stderr,
                     "bb-host: choose one of --feed, --aprs-is, --kiss and --kiss-serial\n");
        return 2;
    }
    // The live source, checked before anything starts.
    std::unique_ptr<bb::hostapp::LiveSource> live;
    QString netHost;
    quint16 netPort = 0;
    if (cli.isSet(aprsIs)) {
        if (!bb::hostapp::ParseHostPort(cli.value(aprsIs), 14580, netHost, netPort)) {
            std::fprintf(stderr, "bb-host: --aprs-is wants host or host:port\n");
            return 2;
        }
        std::string why;
        const std::string login = bb::hostapp::AprsIsLoginLine(
            {cli.value(call).toStdString(), cli.value(passcode).toStdString(),
             cli.value(filter).toStdString()},
            std::to_string(bb::version::kMajor) + "." + std::to_string(bb::version::kMinor) + "." +
                std::to_string(bb::version::kRevision),
            why);
        if (login.empty()) {
            std::fprintf(stderr, "bb-host: APRS-IS login: %s (--call, --passcode, --filter)\n",
                         why.c_str());
            return 2;
        }
        live = std::make_unique<bb::hostapp::AprsIsSource>(netHost, netPort, login);
    } else if (cli.isSet(kiss)) {
        if (!bb::hostapp::ParseHostPort(cli.value(kiss), 8001, netHost, netPort)) {
            std::fprintf(stderr, "bb-host: --kiss wants host or host:port\n");
            return 2;
        }
        live = std::make_unique<bb::hostapp::KissTcpSource>(netHost, netPort);
    } else if (cli.isSet(kissSerial)) {
        const int b = cli.value(baud).toInt(&ok);
        if (!ok || !bb::hostapp::KnownBaud(b)) {
            std::fprintf(stderr,
                         "bb-host: --baud wants 1200, 2400, 4800, 9600, 19200, 38400, "
                         "57600 or 115200\n");
            return 2;
        }
        live = std::make_unique<bb::hostapp::KissSerialSource>(cli.value(kissSerial), b);
    }

    bb::hostapp::HostService host(options);
    QString error;
    if (!host.Register(QDBusConnection::sessionBus(), error)) {
        std::fprintf(stderr, "bb-host: %s\n", qPrintable(error));
        return 1;
    }

    std::unique_ptr<bb::hostapp::MapWindow> window;
    if (!windowless) {
        window = std::make_unique<bb::hostapp::MapWindow>(host);
        QObject::connect(window.get(), &bb::hostapp::MapWindow::Closing, &app, &QApplication::quit);
        window->show();
        if (cli.isSet(screenshot)) {
            const int after = std::max(0, cli.value(screenshotAfter).toInt());
            const QString file = cli.value(screenshot);
            QTimer::singleShot(after * 1000, window.get(), [w = window.get(), file] {
                if (!w->grab().save(file))
                    std::fprintf(stderr, "bb-host: cannot write the screenshot %s\n",
                                 qPrintable(file));
            });
        }
    }
    QApplication::setQuitOnLastWindowClosed(false);

    // Quitting by signal says farewell on the bus like closing the window.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QApplication::quit);
        struct sigaction sa {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGTERM, &sa, nullptr);
    }

    auto hear = [&host](const std::string& line) { host.Hear(line); };
    const bool talk = !cli.isSet(quiet);
    std::unique_ptr<QObject> source;
    if (live) {
        QObject::connect(live.get(), &bb::hostapp::LiveSource::Line, &host, hear);
        QObject::connect(live.get(), &bb::hostapp::LiveSource::StateChanged, &host,
                         [&window, talk](const QString& text) {
                             if (window) window->SetStatus(text);
                             if (talk) std::fprintf(stderr, "bb-host: %s\n", qPrintable(text));
                         });
        live->Start();
    } else if (cli.value(feed) == QLatin1String("-")) {
        auto in = std::make_unique<bb::hostapp::StdinFeed>();
        QObject::connect(in.get(), &bb::hostapp::StdinFeed::Line, &host, hear);
        source = std::move(in);
    } else {
        std::vector<std::string> lines;
        std::string why;
        if (!bb::hostapp::FeedReplay::Load(cli.value(feed).toStdString(), lines, why)) {
            host.Close();
            std::fprintf(stderr, "bb-host: %s\n", why.c_str());
            return 1;
        }
        auto replay =
            std::make_unique<bb::hostapp::FeedReplay>(std::move(lines), factor, cli.isSet(loop));
        QObject::connect(replay.get(), &bb::hostapp::FeedReplay::Line, &host, hear);
        replay->Start();
        source = std::move(replay);
    }

    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &host, [&] {
        host.ExpireStations(NowUnix());
        const auto& c = host.Counters();
        QString status = QStringLiteral("%1 packets heard, %2 stations, %3 not decoded")
                             .arg(c.heard)
                             .arg(host.Stations().size())
                             .arg(c.malformed);
        if (live) status = live->State().Text() + QStringLiteral("; ") + status;
        if (window) window->SetStatus(status);
        if (talk) std::fprintf(stderr, "bb-host: %s\n", qPrintable(status));
    });
    tick.start(10000);

    const int rc = app.exec();
    if (cli.isSet(dump)) {
        // For checking a long run: what the host ended with, station by station.
        if (FILE* f = std::fopen(cli.value(dump).toLocal8Bit().constData(), "w")) {
            host.ForEachStation([f](const bb::hostapp::HostEntry& e) {
                std::fprintf(f, "%s %d\n", e.callsign.c_str(), e.hasPosition ? 1 : 0);
            });
            std::fclose(f);
        }
    }
    host.Close();
    return rc;
}
