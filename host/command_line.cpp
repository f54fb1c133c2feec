#include "host/command_line.h"

#include <QCommandLineParser>
#include <QFile>
#include <algorithm>
#include <system_error>

#include "host/packet_log.h"
#include "host/station_store.h"
#include "host/tiles.h"

#include "generated/version.h"
#include "host/live_sources.h"
#include "support/app_paths.h"
#include "support/whole_file.h"

namespace bb::hostapp {
namespace {

bool ParseHome(const QString& text, HomePosition& home) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2) return false;
    bool okLat = false, okLon = false;
    const double lat = parts[0].toDouble(&okLat), lon = parts[1].toDouble(&okLon);
    if (!okLat || !okLon || lat < -90 || lat > 90 || lon < -180 || lon > 180) return false;
    home = {lat, lon};
    return true;
}

CommandLineRead Wrong(QString& text, const char* message) {
    text = QStringLiteral("bb-host: ") + QString::fromUtf8(message);
    return CommandLineRead::Wrong;
}

}  // namespace

std::filesystem::path DefaultConfigFile() {
    return UserFolder("XDG_CONFIG_HOME", ".config") / "bb-host.conf";
}

std::filesystem::path SampleFeed() {
    return ResolveAppPaths(CurrentExecutable()).FindData("sample-feed.tnc2");
}

QString NoSourceAdvice() {
    return QStringLiteral(
               "No packets to hear: no source was given, and standard input has none.\n"
               "Start bb-host with one of\n"
               "  --aprs-is HOST --call CALL    an APRS-IS server, receive only\n"
               "  --kiss HOST[:PORT]            a KISS TNC over TCP (Direwolf)\n"
               "  --kiss-serial DEVICE          a KISS TNC on a serial port\n"
               "  --feed FILE                   a recorded feed, such as\n"
               "                                %1\n"
               "and add --write-config to keep the choice for the next start.\n"
               "Meanwhile the board can bind to this bb-host.")
        .arg(QString::fromStdString(SampleFeed().string()));
}

QStringList ConfigArguments(const QString& text, QStringList& notes) {
    QStringList args;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines[n].trimmed();
        // A comment may end a line too, after a blank.
        if (const int hash = line.indexOf(QStringLiteral(" #")); hash >= 0) line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const int equals = line.indexOf(QLatin1Char('='));
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = line.mid(equals + 1).trimmed();
        const QString where = QStringLiteral("line %1: ").arg(n + 1);
        if (equals < 0 || value.isEmpty()) {
            notes << where + QStringLiteral("not \"key = value\"");
            continue;
        }
        if (key == QLatin1String("source")) {
            const int blank = value.indexOf(QLatin1Char(' '));
            const QString kind = value.left(blank);
            const QString rest = blank < 0 ? QString() : value.mid(blank + 1).trimmed();
            if (kind == QLatin1String("kiss-serial")) {
                const QStringList parts = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
                if (parts.size() == 1 || parts.size() == 2) {
                    args << QStringLiteral("--kiss-serial") << parts[0];
                    if (parts.size() == 2) args << QStringLiteral("--baud") << parts[1];
                    continue;
                }
            } else if ((kind == QLatin1String("aprs-is") || kind == QLatin1String("kiss") ||
                        kind == QLatin1String("feed")) &&
                       !rest.isEmpty()) {
                args << QStringLiteral("--") + kind << rest;
                continue;
            }
            notes << where + QStringLiteral(
                                 "source wants aprs-is HOST[:PORT], kiss HOST[:PORT], "
                                 "kiss-serial DEVICE [BAUD] or feed FILE");
        } else if (key == QLatin1String("call") || key == QLatin1String("passcode") ||
                   key == QLatin1String("filter") || key == QLatin1String("home") ||
                   key == QLatin1String("expiry") || key == QLatin1String("tiles") ||
                   key == QLatin1String("contact") || key == QLatin1String("tile-cache") ||
                   key == QLatin1String("tracks") || key == QLatin1String("packet-log") ||
                   key == QLatin1String("packet-log-days")) {
            args << QStringLiteral("--") + key << value;
        } else {
            notes << where + QStringLiteral("unknown key \"%1\"").arg(key);
        }
    }
    return args;
}

bool HasDisplay() {
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

namespace {

bool IsSourceOption(const QString& a) {
    for (const char* name : {"--feed", "--aprs-is", "--kiss", "--kiss-serial"}) {
        const QString n = QString::fromLatin1(name);
        if (a == n || a.startsWith(n + QLatin1Char('='))) return true;
    }
    return false;
}

// The effective options as a config file, for --write-config.
QString ConfigText(const HostCommandLine& o) {
    QString t = QStringLiteral(
        "# bb-host's options, written by bb-host --write-config. The command line\n"
        "# overrides each of them.\n");
    using Source = HostCommandLine::Source;
    const QString where = QStringLiteral("%1:%2").arg(o.netHost).arg(o.netPort);
    switch (o.source) {
        case Source::AprsIs:
            t += QStringLiteral("source = aprs-is ") + where + QLatin1Char('\n');
            break;
        case Source::KissTcp:
            t += QStringLiteral("source = kiss ") + where + QLatin1Char('\n');
            break;
        case Source::KissSerial:
            t += QStringLiteral("source = kiss-serial %1 %2\n").arg(o.serialDevice).arg(o.baud);
            break;
        case Source::Feed:
            t += QStringLiteral("source = feed ") + o.feedFile + QLatin1Char('\n');
            break;
        case Source::StandardInput:
            break;
    }
    if (!o.call.isEmpty()) t += QStringLiteral("call = ") + o.call + QLatin1Char('\n');
    if (!o.passcode.isEmpty()) t += QStringLiteral("passcode = ") + o.passcode + QLatin1Char('\n');
    if (!o.filter.isEmpty()) t += QStringLiteral("filter = ") + o.filter + QLatin1Char('\n');
    t += QStringLiteral("home = %1,%2\n")
             .arg(QString::number(o.service.home.latitude, 'g', 10),
                  QString::number(o.service.home.longitude, 'g', 10));
    t += QStringLiteral("expiry = %1\n").arg(o.service.expiryMinutes);
    t += QStringLiteral("tiles = %1\n").arg(o.tiles.isEmpty() ? QStringLiteral("none") : o.tiles);
    if (!o.contact.isEmpty()) t += QStringLiteral("contact = ") + o.contact + QLatin1Char('\n');
    t += QStringLiteral("tile-cache = %1\n").arg(o.tileCacheMb);
    t += QStringLiteral("tracks = %1\n").arg(o.service.tracks ? "on" : "off");
    if (o.packetLogGiven)
        t += QStringLiteral("packet-log = %1\n")
                 .arg(o.packetLog.isEmpty() ? QStringLiteral("none") : o.packetLog);
    t += QStringLiteral("packet-log-days = %1\n").arg(o.packetLogDays);
    return t;
}

// Written whole beside the old file and put in its place; only the user may
// read it (it may hold a passcode).
bool WriteConfig(const std::filesystem::path& file, const QString& text, QString& why) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const QByteArray bytes = text.toUtf8();
    ReplaceFailure failure;
    if (ReplaceFile(
            file, 0600,
            [&](int fd) {
                return WriteAll(fd, std::string_view(bytes.constData(),
                                                     static_cast<std::size_t>(bytes.size())));
            },
            failure))
        return true;
    why = QStringLiteral("cannot write ") + QString::fromStdString(file.string());
    return false;
}

CommandLineRead ReadArguments(const QStringList& arguments, bool haveDisplay,
                              const std::filesystem::path& configFile, HostCommandLine& out,
                              QString& text) {
    QCommandLineParser cli;
    cli.setApplicationDescription(
        QStringLiteral(
            "A small APRS host program for Beaconboard. It hears APRS packets in the TNC2 monitor\n"
            "form (CALL>DEST,PATH:payload), one per line, keeps the list of stations heard, shows\n"
            "them on a map and offers them on the D-Bus session bus as org.beaconboard.Host.\n"
            "A line may start with the time it was heard (2026-12-07T10:00:05Z); a replayed file\n"
            "keeps those gaps, divided by --speed.\n\n"
            "On the map the add-on's circles have radii in statute miles and its lines run "
            "between\n"
            "positions in minutes of arc (x east, y north). Drag or use the arrow keys to pan, "
            "the\n"
            "wheel or +/- to zoom.\n\n"
            "Where the packets come from (one source):\n"
            "  bb-host --feed %1 --speed 10 --loop\n"
            "                                                              a recorded feed\n"
            "  some-decoder | bb-host --feed -                             standard input\n"
            "  bb-host --aprs-is rotate.aprs2.net --call N0CALL --filter r/52.2/0.12/100\n"
            "                                                              APRS-IS, receive only\n"
            "    (port 14580 sends only what the filter asks for: without --filter, 100 km around\n"
            "    --home; port 10152 sends the whole world's feed, so use it sparingly)\n"
            "  bb-host --kiss 127.0.0.1:8001                               a KISS TNC (Direwolf)\n"
            "  bb-host --kiss-serial /dev/ttyUSB0 --baud 9600              a KISS TNC on a serial "
            "port\n"
            "Each source shows its state (connecting, connected, packets heard, last error) in "
            "the\n"
            "map window's status bar and on standard error.")
            .arg(QString::fromStdString(SampleFeed().string())));
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
        QStringLiteral("Announce each beacon with NotifyBeaconData, the station whole (the "
                       "default)."));
    const QCommandLineOption callsignOnly(
        QStringLiteral("notify-callsign"),
        QStringLiteral("Announce each beacon with NotifyBeacon, its callsign and position "
                       "alone; a board then asks for the station."));
    const QCommandLineOption single(
        QStringLiteral("notify-single"),
        QStringLiteral("Announce each beacon alone, also to a board that asks for them in "
                       "batches."));
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
    const QCommandLineOption stationsFile(
        QStringLiteral("stations-file"),
        QStringLiteral("Keep the station list in <file> over a restart ('none': not kept). "
                       "Live sources keep it in $XDG_STATE_HOME/beaconboard/stations, a "
                       "replayed feed or standard input nowhere."),
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
    const QCommandLineOption tiles(
        QStringLiteral("tiles"),
        QStringLiteral("The map's tile server, a URL with {z}, {x} and {y} (default the "
                       "OpenStreetMap standard tiles); 'none' draws the graticule alone."),
        QStringLiteral("url"), QString::fromLatin1(kDefaultTiles));
    const QCommandLineOption contact(
        QStringLiteral("contact"),
        QStringLiteral("Whom the tile server's operators can ask about this copy, a URL or mail "
                       "address, sent with each tile request (default: the build's)."),
        QStringLiteral("url"));
    const QCommandLineOption tileCache(
        QStringLiteral("tile-cache"),
        QStringLiteral("Keep at most <MB> of map tiles on disk, the oldest removed at start "
                       "(default 200)."),
        QStringLiteral("MB"), QStringLiteral("200"));
    const QCommandLineOption tracks(
        QStringLiteral("tracks"),
        QStringLiteral("Keep and draw the moving stations' tracks, on (the default) or off."),
        QStringLiteral("on|off"), QStringLiteral("on"));
    const QCommandLineOption packetLog(
        QStringLiteral("packet-log"),
        QStringLiteral("Log the packets heard from a live source in <folder>, a file a day "
                       "that --feed replays ('none': not logged; default "
                       "$XDG_STATE_HOME/beaconboard/packets)."),
        QStringLiteral("folder"));
    const QCommandLineOption packetLogDays(
        QStringLiteral("packet-log-days"),
        QStringLiteral("Remove packet logs older than <days> at start (default 30)."),
        QStringLiteral("days"), QStringLiteral("30"));
    const QCommandLineOption writeConfig(
        QStringLiteral("write-config"),
        QStringLiteral("Save the options given (source, call, passcode, filter, home, expiry, "
                       "tiles, contact, tile-cache, tracks, packet-log, packet-log-days) "
                       "in $XDG_CONFIG_HOME/beaconboard/bb-host.conf, which later starts read "
                       "first, and end."));
    // clang-format off
    cli.addOptions({feed, speed, loop, home, expiry, noMap, beaconData, callsignOnly, single, quiet, screenshot,
                    screenshotAfter, aprsIs, call, passcode, filter, kiss, kissSerial, baud, dump,
                    stationsFile, tiles, contact, tileCache, tracks, packetLog, packetLogDays,
                    writeConfig});
    // clang-format on
    const QCommandLineOption help = cli.addHelpOption();
    const QCommandLineOption showVersion(
        QStringLiteral("version"), QStringLiteral("Show the version and where the files are."));
    cli.addOption(showVersion);
    if (!cli.parse(arguments)) {
        text = QStringLiteral("bb-host: ") + cli.errorText();
        return CommandLineRead::Unreadable;
    }
    if (cli.isSet(help)) {
        text = cli.helpText();
        return CommandLineRead::Help;
    }
    if (cli.isSet(showVersion)) {
        // As the board gives it, then where this copy keeps its files.
        text = QStringLiteral("%1 %2.%3.%4\n")
                   .arg(QString::fromUtf8(version::kProductName))
                   .arg(version::kMajor)
                   .arg(version::kMinor)
                   .arg(version::kRevision);
        const auto line = [&](const char* what, const std::filesystem::path& p) {
            text +=
                QString::fromUtf8(what) + QString::fromStdString(p.string()) + QLatin1Char('\n');
        };
        line("config file: ", configFile.empty() ? DefaultConfigFile() : configFile);
        line("station list: ", DefaultStationsFile());
        line("tile cache: ", DefaultTileCache());
        line("packet logs: ", DefaultPacketLogFolder());
        line("sample feed: ", SampleFeed());
        return CommandLineRead::Version;
    }

    if (cli.isSet(home) && !ParseHome(cli.value(home), out.service.home))
        return Wrong(text, "--home wants lat,lon in degrees, for example 52.2,0.12");
    bool ok = false;
    out.service.expiryMinutes = cli.value(expiry).toInt(&ok);
    if (!ok || out.service.expiryMinutes < 1)
        return Wrong(text, "--expiry wants a whole number of minutes, at least 1");
    out.speed = cli.value(speed).toDouble(&ok);
    if (!ok || out.speed < 0) return Wrong(text, "--speed wants a factor of 0 or more");
    if (cli.isSet(beaconData) && cli.isSet(callsignOnly))
        return Wrong(text, "choose one of --notify-data and --notify-callsign");
    out.service.beaconData = !cli.isSet(callsignOnly);
    out.service.beaconBatches = !cli.isSet(single);
    out.loop = cli.isSet(loop);
    const int sources =
        cli.isSet(feed) + cli.isSet(aprsIs) + cli.isSet(kiss) + cli.isSet(kissSerial);
    out.sourceGiven = sources > 0;
    if (sources > 1)
        return Wrong(text, "choose one of --feed, --aprs-is, --kiss and --kiss-serial");
    // The live source, checked before anything starts.
    if (cli.isSet(aprsIs)) {
        if (!ParseHostPort(cli.value(aprsIs), 14580, out.netHost, out.netPort))
            return Wrong(text, "--aprs-is wants host or host:port");
        std::string why;
        QString serverFilter = cli.value(filter);
        if (!cli.isSet(filter)) {
            // A filtered port sends next to nothing without a filter.
            serverFilter = QStringLiteral("r/%1/%2/100")
                               .arg(QString::number(out.service.home.latitude, 'f', 4),
                                    QString::number(out.service.home.longitude, 'f', 4));
            out.filterNote =
                QStringLiteral("no --filter: %1, 100 km around --home").arg(serverFilter);
        }
        out.aprsIsLogin = AprsIsLoginLine(
            {cli.value(call).toStdString(), cli.value(passcode).toStdString(),
             serverFilter.toStdString()},
            std::to_string(version::kMajor) + "." + std::to_string(version::kMinor) + "." +
                std::to_string(version::kRevision),
            why);
        if (out.aprsIsLogin.empty()) {
            text = QStringLiteral("bb-host: APRS-IS login: %1 (--call, --passcode, --filter)")
                       .arg(QString::fromStdString(why));
            return CommandLineRead::Wrong;
        }
        out.source = HostCommandLine::Source::AprsIs;
    } else if (cli.isSet(kiss)) {
        if (!ParseHostPort(cli.value(kiss), 8001, out.netHost, out.netPort))
            return Wrong(text, "--kiss wants host or host:port");
        out.source = HostCommandLine::Source::KissTcp;
    } else if (cli.isSet(kissSerial)) {
        out.baud = cli.value(baud).toInt(&ok);
        if (!ok || !KnownBaud(out.baud))
            return Wrong(text,
                         "--baud wants 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200");
        out.serialDevice = cli.value(kissSerial);
        out.source = HostCommandLine::Source::KissSerial;
    } else if (cli.value(feed) != QLatin1String("-")) {
        out.feedFile = cli.value(feed);
        out.source = HostCommandLine::Source::Feed;
    }
    out.windowless = !haveDisplay || cli.isSet(noMap);
    out.quiet = cli.isSet(quiet);
    if (cli.isSet(screenshot)) {
        out.screenshot = cli.value(screenshot);
        out.screenshotAfter = std::max(0, cli.value(screenshotAfter).toInt());
    }
    if (cli.isSet(dump)) out.dumpFile = cli.value(dump);
    const bool live = out.source == HostCommandLine::Source::AprsIs ||
                      out.source == HostCommandLine::Source::KissTcp ||
                      out.source == HostCommandLine::Source::KissSerial;
    if (cli.isSet(stationsFile))
        out.stationsFile =
            cli.value(stationsFile) == QLatin1String("none") ? QString() : cli.value(stationsFile);
    else if (live)
        out.stationsFile = QString::fromStdString(DefaultStationsFile().string());
    const QString tileUrl = cli.value(tiles);
    if (tileUrl != QLatin1String("none")) {
        if (!(tileUrl.startsWith(QLatin1String("http://")) ||
              tileUrl.startsWith(QLatin1String("https://"))) ||
            !tileUrl.contains(QLatin1String("{z}")) || !tileUrl.contains(QLatin1String("{x}")) ||
            !tileUrl.contains(QLatin1String("{y}")))
            return Wrong(text, "--tiles wants an http(s) URL with {z}, {x} and {y}, or none");
        out.tiles = tileUrl;
    }
    out.tileCacheMb = cli.value(tileCache).toInt(&ok);
    if (!ok || out.tileCacheMb < 1)
        return Wrong(text, "--tile-cache wants a whole number of MB, at least 1");
    if (cli.isSet(contact)) out.contact = cli.value(contact);
    const QString tracksValue = cli.value(tracks);
    if (tracksValue != QLatin1String("on") && tracksValue != QLatin1String("off"))
        return Wrong(text, "--tracks wants on or off");
    out.service.tracks = tracksValue == QLatin1String("on");
    out.packetLogDays = cli.value(packetLogDays).toInt(&ok);
    if (!ok || out.packetLogDays < 1)
        return Wrong(text, "--packet-log-days wants a whole number of days, at least 1");
    out.packetLogGiven = cli.isSet(packetLog);
    if (cli.isSet(packetLog))
        out.packetLog =
            cli.value(packetLog) == QLatin1String("none") ? QString() : cli.value(packetLog);
    else if (live)
        out.packetLog = QString::fromStdString(DefaultPacketLogFolder().string());
    if (cli.isSet(call)) out.call = cli.value(call);
    if (cli.isSet(passcode)) out.passcode = cli.value(passcode);
    if (cli.isSet(filter)) out.filter = cli.value(filter);
    if (cli.isSet(writeConfig)) {
        const std::filesystem::path file = configFile.empty() ? DefaultConfigFile() : configFile;
        if (!WriteConfig(file, ConfigText(out), text)) {
            text = QStringLiteral("bb-host: ") + text;
            return CommandLineRead::Wrong;
        }
        text = QStringLiteral("bb-host: options saved in %1\n")
                   .arg(QString::fromStdString(file.string()));
        return CommandLineRead::ConfigWritten;
    }
    return CommandLineRead::Ok;
}

}  // namespace

CommandLineRead ReadHostCommandLine(const QStringList& arguments, bool haveDisplay,
                                    HostCommandLine& out, QString& text) {
    return ReadArguments(arguments, haveDisplay, {}, out, text);
}

CommandLineRead ReadHostCommandLine(const QStringList& arguments, bool haveDisplay,
                                    const std::filesystem::path& configFile, HostCommandLine& out,
                                    QString& text) {
    QFile file(QString::fromStdString(configFile.string()));
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return ReadArguments(arguments, haveDisplay, configFile, out, text);
    QStringList notes;
    QStringList config = ConfigArguments(QString::fromUtf8(file.read(1 << 16)), notes);
    const QStringList given = arguments.mid(1);
    // A source on the command line replaces the file's (and its speed).
    if (std::any_of(given.begin(), given.end(), IsSourceOption)) {
        for (int i = 0; i + 1 < config.size();) {
            if (IsSourceOption(config[i]) || config[i] == QLatin1String("--baud"))
                config.remove(i, 2);
            else
                i += 2;
        }
    }
    const CommandLineRead read = ReadArguments(QStringList{arguments.value(0)} + config + given,
                                               haveDisplay, configFile, out, text);
    for (const QString& note : notes)
        out.configNotes << QString::fromStdString(configFile.string()) + QStringLiteral(", ") +
                               note;
    if (read == CommandLineRead::Wrong || read == CommandLineRead::Unreadable)
        text += QStringLiteral(" (with the options of %1)")
                    .arg(QString::fromStdString(configFile.string()));
    return read;
}

}  // namespace bb::hostapp
