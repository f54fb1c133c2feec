// bb-host's command line: where the packets come from, the map window, the
// station list's home and expiry.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <string>

#include "host/host_service.h"

namespace bb::hostapp {

struct HostCommandLine {
    enum class Source { Feed, StandardInput, AprsIs, KissTcp, KissSerial };

    HostService::Options service;
    Source source = Source::StandardInput;
    // False when neither the command line nor the config file named a
    // source: standard input is read, but a new user may not know.
    bool sourceGiven = false;
    QString feedFile;  // Source::Feed
    double speed = 1;
    bool loop = false;
    QString netHost;  // APRS-IS or KISS over TCP
    quint16 netPort = 0;
    std::string aprsIsLogin;
    // Said on standard error and in the status when the host chose the
    // APRS-IS filter itself.
    QString filterNote;
    QString serialDevice;
    int baud = 9600;
    bool windowless = false;
    bool quiet = false;
    QString screenshot;
    int screenshotAfter = 10;
    QString dumpFile;
    // Where the station list is kept over a restart; empty: not kept.
    QString stationsFile;
    // The APRS-IS login's parts as given, and the serial speed, for
    // --write-config.
    QString call, passcode, filter;
    // The map's tile server, {z}/{x}/{y} in its URL; empty: none.
    QString tiles;
    // Whom the tile server's operators can ask about this copy; empty: the build's.
    QString contact;
    // The tile cache's largest size in MB.
    int tileCacheMb = 200;
    // Where the packets heard from a live source are logged, a file a day;
    // empty: not logged.
    QString packetLog;
    // Logs older than this many days are removed at start.
    int packetLogDays = 30;
    bool packetLogGiven = false;  // for --write-config
    // Lines of the config file that were not read, for standard error.
    QStringList configNotes;
};

// Without a display the host runs with no window, whatever the options say.
bool HasDisplay();

// Reads `arguments` (the program's name first). `Help` leaves the help text
// in `text`; `Unreadable` (an unknown option, a value missing) and `Wrong`
// (a value out of its range) leave the message for standard error there.
// `ConfigWritten`: --write-config saved the options, and `text` says where.
// `Version`: the version and where the files are, in `text`.
enum class CommandLineRead { Ok, Help, Version, Unreadable, Wrong, ConfigWritten };
CommandLineRead ReadHostCommandLine(const QStringList& arguments, bool haveDisplay,
                                    HostCommandLine& out, QString& text);
// The same with the options of a config file first, which the command line
// overrides one by one (a source on the command line replaces the file's).
CommandLineRead ReadHostCommandLine(const QStringList& arguments, bool haveDisplay,
                                    const std::filesystem::path& configFile, HostCommandLine& out,
                                    QString& text);

// $XDG_CONFIG_HOME/beaconboard/bb-host.conf (~/.config/beaconboard/bb-host.conf).
std::filesystem::path DefaultConfigFile();

// The sample feed shipped with this copy: beside the program, or in the
// installation's share folder.
std::filesystem::path SampleFeed();

// What to do when bb-host was given nothing to hear, for the map and
// standard error.
QString NoSourceAdvice();

// The options of a config file ("key = value" lines: source, call, passcode,
// filter, home, expiry, tiles, contact, tile-cache, tracks, packet-log,
// packet-log-days; "#" at the start or after a blank begins a
// comment) as command-line arguments; `notes` names each line that could not be read.
QStringList ConfigArguments(const QString& text, QStringList& notes);

}  // namespace bb::hostapp
