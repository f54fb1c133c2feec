#include "host/command_line.h"

#include <QCommandLineParser>
#include <QFile>
#include <algorithm>
#include <system_error>
#include <vector>

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

// The options as given, before they are checked: each one's text (or its
// default) and whether the command line named it.
struct GivenOptions {
    struct Value {
        QString text;
        bool given = false;
    };
    Value feed, speed, loop, home, expiry, noMap, notifyData, notifyCallsign, notifySingle, quiet,
        screenshot, screenshotAfter, aprsIs, call, passcode, filter, kiss, kissSerial, baud, dump,
        stationsFile, tiles, contact, tileCache, tracks, packetLog, packetLogDays, writeConfig;
};

// One option: its name, the value it takes (none: a switch) and that value's
// default, its help text, and what it sets.
struct OptionRow {
    const char* name;
    const char* valueName;
    const char* defaultValue;
    const char* help;
    GivenOptions::Value GivenOptions::*sets;
};

// In the order --help lists them.
const OptionRow kOptions[] = {
    {"feed", "file", "-", "Replay the monitor lines of <file>; '-' reads standard input.",
     &GivenOptions::feed},
    {"speed", "factor", "1", "Replay <factor> times faster than heard; 0 as fast as possible.",
     &GivenOptions::speed},
    {"loop", nullptr, nullptr, "Start the file again at its end.", &GivenOptions::loop},
    {"home", "lat,lon", nullptr,
     "Home position in degrees, north and east positive (default 52.2,0.12).", &GivenOptions::home},
    {"expiry", "minutes", "60", "Remove a station not heard for <minutes> (default 60).",
     &GivenOptions::expiry},
    {"no-map", nullptr, nullptr, "Run without the map window.", &GivenOptions::noMap},
    {"notify-data", nullptr, nullptr,
     "Announce each beacon with NotifyBeaconData, the station whole (the default).",
     &GivenOptions::notifyData},
    {"notify-callsign", nullptr, nullptr,
     "Announce each beacon with NotifyBeacon, its callsign and position alone; a board then "
     "asks for the station.",
     &GivenOptions::notifyCallsign},
    {"notify-single", nullptr, nullptr,
     "Announce each beacon alone, also to a board that asks for them in batches.",
     &GivenOptions::notifySingle},
    {"quiet", nullptr, nullptr, "No status lines on standard error.", &GivenOptions::quiet},
    {"screenshot", "file", nullptr,
     "Save the map window as a PNG <file> after --screenshot-after seconds.",
     &GivenOptions::screenshot},
    {"screenshot-after", "seconds", "10", "Seconds before the screenshot is taken (default 10).",
     &GivenOptions::screenshotAfter},
    {"aprs-is", "host:port", nullptr,
     "Hear an APRS-IS server, <host[:port]> (port 14580 when left out).", &GivenOptions::aprsIs},
    {"call", "callsign", nullptr, "Your callsign for the APRS-IS login.", &GivenOptions::call},
    {"passcode", "number", "-1", "APRS-IS passcode; -1 (the default) logs in receive only.",
     &GivenOptions::passcode},
    {"filter", "filter", nullptr,
     "APRS-IS server filter, for example r/52.2/0.12/100 (100 km around).", &GivenOptions::filter},
    {"kiss", "host:port", nullptr,
     "Hear a KISS TNC over TCP, <host[:port]> (port 8001 when left out).", &GivenOptions::kiss},
    {"kiss-serial", "device", nullptr, "Hear a KISS TNC on a serial <device>.",
     &GivenOptions::kissSerial},
    {"baud", "baud", "9600", "Serial speed for --kiss-serial (default 9600).", &GivenOptions::baud},
    {"dump-stations", "file", nullptr,
     "On exit, write every station heard to <file>, one callsign a line.", &GivenOptions::dump},
    {"stations-file", "file", nullptr,
     "Keep the station list in <file> over a restart ('none': not kept). Live sources keep it "
     "in $XDG_STATE_HOME/beaconboard/stations, a replayed feed or standard input nowhere.",
     &GivenOptions::stationsFile},
    {"tiles", "url", kDefaultTiles,
     "The map's tile server, a URL with {z}, {x} and {y} (default the OpenStreetMap standard "
     "tiles); 'none' draws the graticule alone.",
     &GivenOptions::tiles},
    {"contact", "url", nullptr,
     "Whom the tile server's operators can ask about this copy, a URL or mail address, sent "
     "with each tile request (default: the build's).",
     &GivenOptions::contact},
    {"tile-cache", "MB", "200",
     "Keep at most <MB> of map tiles on disk, the oldest removed at start (default 200).",
     &GivenOptions::tileCache},
    {"tracks", "on|off", "on",
     "Keep and draw the moving stations' tracks, on (the default) or off.", &GivenOptions::tracks},
    {"packet-log", "folder", nullptr,
     "Log the packets heard from a live source in <folder>, a file a day that --feed replays "
     "('none': not logged; default $XDG_STATE_HOME/beaconboard/packets).",
     &GivenOptions::packetLog},
    {"packet-log-days", "days", "30", "Remove packet logs older than <days> at start (default 30).",
     &GivenOptions::packetLogDays},
    {"write-config", nullptr, nullptr,
     "Save the options given (source, call, passcode, filter, home, expiry, tiles, contact, "
     "tile-cache, tracks, packet-log, packet-log-days) in "
     "$XDG_CONFIG_HOME/beaconboard/bb-host.conf, which later starts read first, and end.",
     &GivenOptions::writeConfig},
};

QString Description() {
    return QStringLiteral(
               "A small APRS host program for Beaconboard. It hears APRS packets in the TNC2 "
               "monitor\n"
               "form (CALL>DEST,PATH:payload), one per line, keeps the list of stations heard, "
               "shows\n"
               "them on a map and offers them on the D-Bus session bus as org.beaconboard.Host.\n"
               "A line may start with the time it was heard (2026-12-07T10:00:05Z); a replayed "
               "file\n"
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
               "                                                              APRS-IS, receive "
               "only\n"
               "    (port 14580 sends only what the filter asks for: without --filter, 100 km "
               "around\n"
               "    --home; port 10152 sends the whole world's feed, so use it sparingly)\n"
               "  bb-host --kiss 127.0.0.1:8001                               a KISS TNC "
               "(Direwolf)\n"
               "  bb-host --kiss-serial /dev/ttyUSB0 --baud 9600              a KISS TNC on a "
               "serial port\n"
               "Each source shows its state (connecting, connected, packets heard, last error) in "
               "the\n"
               "map window's status bar and on standard error.")
        .arg(QString::fromStdString(SampleFeed().string()));
}

// The version as the board gives it, then where this copy keeps its files.
QString VersionText(const std::filesystem::path& configFile) {
    QString text = QStringLiteral("%1 %2.%3.%4\n")
                       .arg(QString::fromUtf8(version::kProductName))
                       .arg(version::kMajor)
                       .arg(version::kMinor)
                       .arg(version::kRevision);
    const auto line = [&](const char* what, const std::filesystem::path& p) {
        text += QString::fromUtf8(what) + QString::fromStdString(p.string()) + QLatin1Char('\n');
    };
    line("config file: ", configFile.empty() ? DefaultConfigFile() : configFile);
    line("station list: ", DefaultStationsFile());
    line("tile cache: ", DefaultTileCache());
    line("packet logs: ", DefaultPacketLogFolder());
    line("sample feed: ", SampleFeed());
    return text;
}

// The table read into the parser and back; `Help`, `Version` and
// `Unreadable` answer before anything is checked.
CommandLineRead ParseOptions(const QStringList& arguments, const std::filesystem::path& configFile,
                             GivenOptions& given, QString& text) {
    QCommandLineParser cli;
    cli.setApplicationDescription(Description());
    std::vector<QCommandLineOption> options;
    for (const OptionRow& row : kOptions) {
        options.emplace_back(QString::fromLatin1(row.name), QString::fromUtf8(row.help),
                             row.valueName ? QString::fromLatin1(row.valueName) : QString(),
                             row.defaultValue ? QString::fromLatin1(row.defaultValue) : QString());
        cli.addOption(options.back());
    }
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
        text = VersionText(configFile);
        return CommandLineRead::Version;
    }
    for (std::size_t i = 0; i < options.size(); ++i)
        given.*kOptions[i].sets = {cli.value(options[i]), cli.isSet(options[i])};
    return CommandLineRead::Ok;
}

// Each check below leaves the message for a wrong value in `wrong`.
bool Wrong(QString& wrong, const char* message) {
    wrong = QString::fromUtf8(message);
    return false;
}

// Where the stations are and how they are announced.
bool CheckService(const GivenOptions& g, HostCommandLine& out, QString& wrong) {
    if (g.home.given && !ParseHome(g.home.text, out.service.home))
        return Wrong(wrong, "--home wants lat,lon in degrees, for example 52.2,0.12");
    bool ok = false;
    out.service.expiryMinutes = g.expiry.text.toInt(&ok);
    if (!ok || out.service.expiryMinutes < 1)
        return Wrong(wrong, "--expiry wants a whole number of minutes, at least 1");
    out.speed = g.speed.text.toDouble(&ok);
    if (!ok || out.speed < 0) return Wrong(wrong, "--speed wants a factor of 0 or more");
    if (g.notifyData.given && g.notifyCallsign.given)
        return Wrong(wrong, "choose one of --notify-data and --notify-callsign");
    out.service.beaconData = !g.notifyCallsign.given;
    out.service.beaconBatches = !g.notifySingle.given;
    out.loop = g.loop.given;
    return true;
}

// The APRS-IS server and its login; without a filter, 100 km around home,
// as a filtered port sends next to nothing without one.
bool CheckAprsIs(const GivenOptions& g, HostCommandLine& out, QString& wrong) {
    if (!ParseHostPort(g.aprsIs.text, 14580, out.netHost, out.netPort))
        return Wrong(wrong, "--aprs-is wants host or host:port");
    std::string why;
    QString serverFilter = g.filter.text;
    if (!g.filter.given) {
        serverFilter = QStringLiteral("r/%1/%2/100")
                           .arg(QString::number(out.service.home.latitude, 'f', 4),
                                QString::number(out.service.home.longitude, 'f', 4));
        out.filterNote = QStringLiteral("no --filter: %1, 100 km around --home").arg(serverFilter);
    }
    out.aprsIsLogin = AprsIsLoginLine(
        {g.call.text.toStdString(), g.passcode.text.toStdString(), serverFilter.toStdString()},
        std::to_string(version::kMajor) + "." + std::to_string(version::kMinor) + "." +
            std::to_string(version::kRevision),
        why);
    if (out.aprsIsLogin.empty()) {
        wrong = QStringLiteral("APRS-IS login: %1 (--call, --passcode, --filter)")
                    .arg(QString::fromStdString(why));
        return false;
    }
    out.source = HostCommandLine::Source::AprsIs;
    return true;
}

// The one source, checked before anything starts.
bool CheckSource(const GivenOptions& g, HostCommandLine& out, QString& wrong) {
    const int sources = g.feed.given + g.aprsIs.given + g.kiss.given + g.kissSerial.given;
    out.sourceGiven = sources > 0;
    if (sources > 1)
        return Wrong(wrong, "choose one of --feed, --aprs-is, --kiss and --kiss-serial");
    if (g.aprsIs.given) return CheckAprsIs(g, out, wrong);
    if (g.kiss.given) {
        if (!ParseHostPort(g.kiss.text, 8001, out.netHost, out.netPort))
            return Wrong(wrong, "--kiss wants host or host:port");
        out.source = HostCommandLine::Source::KissTcp;
    } else if (g.kissSerial.given) {
        bool ok = false;
        out.baud = g.baud.text.toInt(&ok);
        if (!ok || !KnownBaud(out.baud))
            return Wrong(wrong,
                         "--baud wants 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200");
        out.serialDevice = g.kissSerial.text;
        out.source = HostCommandLine::Source::KissSerial;
    } else if (g.feed.text != QLatin1String("-")) {
        out.feedFile = g.feed.text;
        out.source = HostCommandLine::Source::Feed;
    }
    return true;
}

// A file named, 'none', or else the live sources' default.
QString FileOrNone(const GivenOptions::Value& v, bool live,
                   const std::filesystem::path& byDefault) {
    if (v.given) return v.text == QLatin1String("none") ? QString() : v.text;
    return live ? QString::fromStdString(byDefault.string()) : QString();
}

// The window, and the files the host keeps.
bool CheckWindowAndFiles(const GivenOptions& g, bool haveDisplay, HostCommandLine& out,
                         QString& wrong) {
    out.windowless = !haveDisplay || g.noMap.given;
    out.quiet = g.quiet.given;
    if (g.screenshot.given) {
        out.screenshot = g.screenshot.text;
        out.screenshotAfter = std::max(0, g.screenshotAfter.text.toInt());
    }
    if (g.dump.given) out.dumpFile = g.dump.text;
    using Source = HostCommandLine::Source;
    const bool live = out.source == Source::AprsIs || out.source == Source::KissTcp ||
                      out.source == Source::KissSerial;
    out.stationsFile = FileOrNone(g.stationsFile, live, DefaultStationsFile());
    const QString& tileUrl = g.tiles.text;
    if (tileUrl != QLatin1String("none")) {
        if (!(tileUrl.startsWith(QLatin1String("http://")) ||
              tileUrl.startsWith(QLatin1String("https://"))) ||
            !tileUrl.contains(QLatin1String("{z}")) || !tileUrl.contains(QLatin1String("{x}")) ||
            !tileUrl.contains(QLatin1String("{y}")))
            return Wrong(wrong, "--tiles wants an http(s) URL with {z}, {x} and {y}, or none");
        out.tiles = tileUrl;
    }
    bool ok = false;
    out.tileCacheMb = g.tileCache.text.toInt(&ok);
    if (!ok || out.tileCacheMb < 1)
        return Wrong(wrong, "--tile-cache wants a whole number of MB, at least 1");
    if (g.contact.given) out.contact = g.contact.text;
    if (g.tracks.text != QLatin1String("on") && g.tracks.text != QLatin1String("off"))
        return Wrong(wrong, "--tracks wants on or off");
    out.service.tracks = g.tracks.text == QLatin1String("on");
    out.packetLogDays = g.packetLogDays.text.toInt(&ok);
    if (!ok || out.packetLogDays < 1)
        return Wrong(wrong, "--packet-log-days wants a whole number of days, at least 1");
    out.packetLogGiven = g.packetLog.given;
    out.packetLog = FileOrNone(g.packetLog, live, DefaultPacketLogFolder());
    return true;
}

CommandLineRead ReadArguments(const QStringList& arguments, bool haveDisplay,
                              const std::filesystem::path& configFile, HostCommandLine& out,
                              QString& text) {
    GivenOptions given;
    if (const CommandLineRead read = ParseOptions(arguments, configFile, given, text);
        read != CommandLineRead::Ok)
        return read;
    // One check of the values, in the order the messages are given.
    if (!CheckService(given, out, text) || !CheckSource(given, out, text) ||
        !CheckWindowAndFiles(given, haveDisplay, out, text)) {
        text = QStringLiteral("bb-host: ") + text;
        return CommandLineRead::Wrong;
    }
    if (given.call.given) out.call = given.call.text;
    if (given.passcode.given) out.passcode = given.passcode.text;
    if (given.filter.given) out.filter = given.filter.text;
    if (!given.writeConfig.given) return CommandLineRead::Ok;
    const std::filesystem::path file = configFile.empty() ? DefaultConfigFile() : configFile;
    if (!WriteConfig(file, ConfigText(out), text)) {
        text = QStringLiteral("bb-host: ") + text;
        return CommandLineRead::Wrong;
    }
    text =
        QStringLiteral("bb-host: options saved in %1\n").arg(QString::fromStdString(file.string()));
    return CommandLineRead::ConfigWritten;
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
