#include "host/command_line.h"
#include "host/status_line.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "tests/fakes/fake_system.h"

namespace bb::hostapp {
namespace {

// What the command line set, a line a field, for the tables to look for.
QStringList Described(const HostCommandLine& l) {
    const char* kSources[] = {"feed", "stdin", "aprs-is", "kiss", "kiss-serial"};
    const auto n = [](double v) { return QString::number(v); };
    // clang-format off
    return {QStringLiteral("source=") + kSources[static_cast<int>(l.source)],
            "given=" + n(l.sourceGiven), "feed=" + l.feedFile, "speed=" + n(l.speed),
            "loop=" + n(l.loop), "host=" + l.netHost, "port=" + n(l.netPort),
            "login=" + QString::fromStdString(l.aprsIsLogin), "note=" + l.filterNote,
            "serial=" + l.serialDevice, "baud=" + n(l.baud), "windowless=" + n(l.windowless),
            "shot=" + l.screenshot, "after=" + n(l.screenshotAfter), "dump=" + l.dumpFile,
            "stations=" + l.stationsFile, "tiles=" + l.tiles, "contact=" + l.contact,
            "cache=" + n(l.tileCacheMb), "log=" + l.packetLog, "logdays=" + n(l.packetLogDays),
            "home=" + n(l.service.home.latitude) + "," + n(l.service.home.longitude),
            "expiry=" + n(l.service.expiryMinutes), "data=" + n(l.service.beaconData),
            "batches=" + n(l.service.beaconBatches),
            "tracks=" + n(l.service.tracks)};
    // clang-format on
}

// Each expected line is among the described ones; "*" stands for the user's folders.
void ExpectDescribed(const HostCommandLine& line, const QStringList& says, const QString& what) {
    const QStringList described = Described(line);
    for (const QString& s : says) {
        const QString before = s.section('*', 0, 0), after = s.section('*', 1);
        const bool found = std::any_of(described.begin(), described.end(), [&](const QString& d) {
            return s.contains('*') ? d.startsWith(before) && d.endsWith(after) : d == s;
        });
        EXPECT_TRUE(found) << what.toStdString() << ": " << s.toStdString() << " not in\n"
                           << described.join('\n').toStdString();
    }
}

// The options, blank-separated; what they set, or what the message says, "|"-separated.
using R = CommandLineRead;
const struct ReadCase {
    const char* args;
    R read;
    const char* says;
    bool display = true;
} kReadCases[] = {
    {"", R::Ok,
     "source=stdin|given=0|expiry=60|speed=1|data=1|batches=1|windowless=0|stations=|log=|tracks=1|"
     "cache=200|logdays=30|home=52.2,0.12|tiles=https://tile.openstreetmap.org/{z}/{x}/"
     "{y}.png"},
    {"", R::Ok, "windowless=1", false},  // no display, no window
    {"--feed a.tnc2 --speed 0 --loop --home -33.9,18.4 --expiry 5 --no-map --dump-stations o",
     R::Ok,
     "source=feed|given=1|feed=a.tnc2|speed=0|loop=1|home=-33.9,18.4|expiry=5|windowless=1|"
     "dump=o|stations=|log="},
    {"--notify-callsign --tiles none --tile-cache 7 --contact me@x.org", R::Ok,
     "data=0|tiles=|cache=7|contact=me@x.org"},
    {"--notify-single", R::Ok, "data=1|batches=0"},
    {"--screenshot s.png --screenshot-after -5", R::Ok, "shot=s.png|after=0"},
    // A live source keeps its stations over a restart and logs its packets.
    {"--kiss 127.0.0.1", R::Ok,
     "source=kiss|host=127.0.0.1|port=8001|stations=*/beaconboard/stations|"
     "log=*/beaconboard/packets"},
    {"--kiss ::1 --stations-file none --packet-log none --tracks off", R::Ok,
     "stations=|log=|tracks=0"},
    {"--feed a.tnc2 --stations-file /tmp/s", R::Ok, "stations=/tmp/s"},
    {"--kiss-serial /dev/ttyUSB0 --baud 1200", R::Ok,
     "source=kiss-serial|serial=/dev/ttyUSB0|baud=1200"},
    {"--aprs-is localhost:14581 --call N0CALL --filter r/52/0/50", R::Ok,
     "source=aprs-is|port=14581|note=|login=user N0CALL pass -1 vers bb-host * filter "
     "r/52/0/50\r\n"},
    // Without a filter a filtered port sends next to nothing: 100 km around home.
    {"--aprs-is localhost --call N0CALL --home -33.9,18.4", R::Ok,
     "port=14580|login=* filter r/-33.9000/18.4000/100\r\n|"
     "note=no --filter: r/-33.9000/18.4000/100, 100 km around --home"},
    {"--home 95,0", R::Wrong, "bb-host: --home wants lat,lon in degrees, for example 52.2,0.12"},
    {"--home 52.2", R::Wrong, "bb-host: --home wants lat,lon"},
    {"--expiry 0", R::Wrong, "bb-host: --expiry wants a whole number of minutes, at least 1"},
    {"--speed -1", R::Wrong, "bb-host: --speed wants a factor of 0 or more"},
    {"--feed a --kiss b", R::Wrong,
     "bb-host: choose one of --feed, --aprs-is, --kiss and --kiss-serial"},
    {"--kiss host:port", R::Wrong, "bb-host: --kiss wants host or host:port"},
    {"--kiss :8001", R::Wrong, "bb-host: --kiss wants host or host:port"},
    {"--aprs-is host:99999", R::Wrong, "bb-host: --aprs-is wants host or host:port"},
    {"--kiss-serial /dev/ttyS0 --baud 1234", R::Wrong,
     "bb-host: --baud wants 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200"},
    {"--aprs-is localhost", R::Wrong,
     "bb-host: APRS-IS login: the callsign must be 1 to 9 characters without blanks (--call, "
     "--passcode, --filter)"},
    {"--notify-data --notify-callsign", R::Wrong,
     "bb-host: choose one of --notify-data and --notify-callsign"},
    {"--tiles ftp://t/{z}/{x}/{y}", R::Wrong,
     "bb-host: --tiles wants an http(s) URL with {z}, {x} and {y}, or none"},
    {"--tile-cache 0", R::Wrong, "bb-host: --tile-cache wants a whole number of MB, at least 1"},
    {"--tracks yes", R::Wrong, "bb-host: --tracks wants on or off"},
    {"--packet-log-days 0", R::Wrong,
     "bb-host: --packet-log-days wants a whole number of days, at least 1"},
    {"--no-such-option", R::Unreadable, "bb-host: |no-such-option"},
    {"--home", R::Unreadable, "bb-host: |--home"},
    {"--help", R::Help,
     "Where the packets come from (one source):|--kiss-serial <device>|"
     "Hear a KISS TNC on a serial <device>.|--write-config|--version"},
    {"--version", R::Version, "config file: |station list: |sample feed: "},
};

TEST(HostCommandLine, EachOptionSetsItsValueAndAWrongOneIsNamed) {
    for (const ReadCase& c : kReadCases) {
        HostCommandLine line;
        QString text;
        const QStringList args = QString(c.args).split(' ', Qt::SkipEmptyParts);
        const QStringList says = QString(c.says).split('|');
        ASSERT_EQ(ReadHostCommandLine(QStringList{"bb-host"} + args, c.display, line, text), c.read)
            << c.args << ": " << text.toStdString();
        if (c.read == R::Ok) ExpectDescribed(line, says, c.args);
        for (const QString& s : c.read == R::Ok ? QStringList() : says)
            EXPECT_TRUE(text.contains(s)) << c.args << ": " << text.toStdString();
    }
}

CommandLineRead ReadWith(const std::filesystem::path& config, QStringList args,
                         HostCommandLine& line, QString& text) {
    return ReadHostCommandLine(QStringList{"bb-host"} + args, true, config, line, text);
}

// The config file's options; the command line overrides each, its source replaces the file's.
TEST(HostConfig, TheFileFirstTheCommandLineOverEachAndWriteConfigReadsBack) {
    testing::TempFolder t;
    const auto file = t.path() / "bb-host.conf";
    std::ofstream(file) << "# my station\n"
                           "source = kiss-serial /dev/ttyUSB0 1200   # the TNC by the desk\n"
                           "call = N0CALL\npasscode = -1\nfilter = r/51/-1/50\n"
                           "home = 51.5,-1.25\nexpiry = 90\n"
                           "contact = https://example.org/g0abc\ntile-cache = 50\n"
                           "tracks = off\npacket-log-days = 7\n"
                           "colour = red\n"
                           "this line has no value\n";
    HostCommandLine line, over, wrong, plain;
    QString text;
    ASSERT_EQ(ReadWith(file, {}, line, text), CommandLineRead::Ok) << text.toStdString();
    ExpectDescribed(
        line,
        {"source=kiss-serial", "serial=/dev/ttyUSB0", "baud=1200", "home=51.5,-1.25", "expiry=90",
         "contact=https://example.org/g0abc", "cache=50", "tracks=0", "logdays=7"},
        "file");
    ASSERT_EQ(line.configNotes.size(), 2);
    EXPECT_TRUE(line.configNotes[0].endsWith("line 12: unknown key \"colour\""))
        << line.configNotes[0].toStdString();
    EXPECT_TRUE(line.configNotes[1].contains("line 13:"));

    ASSERT_EQ(
        ReadWith(file, {"--aprs-is", "localhost", "--expiry", "30", "--tracks", "on"}, over, text),
        CommandLineRead::Ok)
        << text.toStdString();
    // The file's source goes, the rest stays.
    ExpectDescribed(over,
                    {"source=aprs-is", "expiry=30", "tracks=1", "home=51.5,-1.25",
                     "login=* filter r/51/-1/50\r\n"},
                    "file and command line");

    // A value the file gets wrong is named as the command line's would be, with the file.
    std::ofstream(file) << "home = north\n";
    EXPECT_EQ(ReadWith(file, {}, wrong, text), CommandLineRead::Wrong);
    EXPECT_TRUE(text.contains("--home")) << text.toStdString();
    EXPECT_TRUE(text.contains("bb-host.conf")) << text.toStdString();
    // No file: the command line alone.
    ASSERT_EQ(ReadWith(t.path() / "none.conf", {}, plain, text), CommandLineRead::Ok);
    EXPECT_EQ(plain.source, HostCommandLine::Source::StandardInput);

    // --write-config saves the options a start reads back.
    const auto written = t.path() / "config" / "beaconboard" / "bb-host.conf";
    HostCommandLine given, back;
    ASSERT_EQ(ReadWith(written,
                       {"--aprs-is", "rotate.aprs2.net", "--call", "N0CALL", "--passcode", "12345",
                        "--home", "52.25,0.125", "--expiry", "45", "--tracks", "off",
                        "--packet-log", "/srv/log", "--write-config"},
                       given, text),
              CommandLineRead::ConfigWritten)
        << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromStdString(written.string())));
    std::stringstream bytes;
    bytes << std::ifstream(written).rdbuf();
    EXPECT_NE(bytes.str().find("source = aprs-is rotate.aprs2.net:14580\n"), std::string::npos)
        << bytes.str();
    EXPECT_NE(bytes.str().find("passcode = 12345\n"), std::string::npos);
    EXPECT_EQ(bytes.str().find("filter"), std::string::npos);  // not given: chosen at each start
    struct stat st {};
    ASSERT_EQ(::stat(written.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // it holds a passcode

    ASSERT_EQ(ReadWith(written, {}, back, text), CommandLineRead::Ok) << text.toStdString();
    EXPECT_EQ(Described(back), Described(given));
    EXPECT_TRUE(back.configNotes.isEmpty());
}

// The status line on standard error: when it says something new, at most once a minute.
TEST(HostStatusLine, WrittenWhenItChangesAtMostOnceAMinute) {
    StatusLine status;
    const struct {
        std::int64_t ms;
        const char* text;
        bool written;
    } steps[] = {
        {0, "1 packets", true},      {10000, "1 packets", false},  {20000, "2 packets", false},
        {60000, "2 packets", true},  {70000, "2 packets", false},  {600000, "2 packets", false},
        {610000, "3 packets", true}, {620000, "4 packets", false}, {680000, "4 packets", true},
    };
    for (const auto& s : steps)
        EXPECT_EQ(status.Due(QString::fromUtf8(s.text), s.ms), s.written) << s.ms;
}

}  // namespace
}  // namespace bb::hostapp
