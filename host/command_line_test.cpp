#include "host/command_line.h"
#include "host/status_line.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "tests/fakes/fake_system.h"

namespace bb::hostapp {
namespace {

CommandLineRead Read(QStringList args, HostCommandLine& line, QString& text, bool display = true) {
    args.prepend(QStringLiteral("bb-host"));
    return ReadHostCommandLine(args, display, line, text);
}

TEST(HostCommandLine, NoOptionsHearStandardInputWithTheMapAndTheDefaults) {
    HostCommandLine line;
    QString text;
    ASSERT_EQ(Read({}, line, text), CommandLineRead::Ok) << text.toStdString();
    EXPECT_EQ(line.source, HostCommandLine::Source::StandardInput);
    EXPECT_EQ(line.service.expiryMinutes, 60);
    EXPECT_EQ(line.speed, 1);
    EXPECT_TRUE(line.service.beaconData);  // beacons announced whole
    EXPECT_FALSE(line.windowless);
    // No display, no window, whatever the options say.
    HostCommandLine headless;
    ASSERT_EQ(Read({}, headless, text, false), CommandLineRead::Ok);
    EXPECT_TRUE(headless.windowless);
}

TEST(HostCommandLine, EachSourceWithItsSettings) {
    HostCommandLine feed;
    QString text;
    ASSERT_EQ(Read({"--feed", "a.tnc2", "--speed", "0", "--loop", "--home", "-33.9,18.4",
                    "--expiry", "5", "--no-map", "--dump-stations", "out.txt"},
                   feed, text),
              CommandLineRead::Ok)
        << text.toStdString();
    EXPECT_EQ(feed.source, HostCommandLine::Source::Feed);
    EXPECT_EQ(feed.feedFile, "a.tnc2");
    EXPECT_EQ(feed.speed, 0);
    EXPECT_TRUE(feed.loop);
    EXPECT_EQ(feed.service.home.latitude, -33.9);
    EXPECT_EQ(feed.service.home.longitude, 18.4);
    EXPECT_EQ(feed.service.expiryMinutes, 5);
    EXPECT_TRUE(feed.windowless);
    EXPECT_EQ(feed.dumpFile, "out.txt");
    HostCommandLine callsigns;
    ASSERT_EQ(Read({"--notify-callsign"}, callsigns, text), CommandLineRead::Ok);
    EXPECT_FALSE(callsigns.service.beaconData);
    EXPECT_TRUE(feed.service.beaconBatches);
    ASSERT_EQ(Read({"--notify-single"}, callsigns, text), CommandLineRead::Ok);
    EXPECT_FALSE(callsigns.service.beaconBatches);

    HostCommandLine kiss;
    ASSERT_EQ(Read({"--kiss", "127.0.0.1"}, kiss, text), CommandLineRead::Ok);
    EXPECT_EQ(kiss.source, HostCommandLine::Source::KissTcp);
    EXPECT_EQ(kiss.netHost, "127.0.0.1");
    EXPECT_EQ(kiss.netPort, 8001);

    HostCommandLine is;
    ASSERT_EQ(Read({"--aprs-is", "localhost:14581", "--call", "N0CALL", "--filter", "r/52/0/50"},
                   is, text),
              CommandLineRead::Ok)
        << text.toStdString();
    EXPECT_EQ(is.source, HostCommandLine::Source::AprsIs);
    EXPECT_EQ(is.netPort, 14581);
    EXPECT_NE(is.aprsIsLogin.find("user N0CALL pass -1"), std::string::npos) << is.aprsIsLogin;
    EXPECT_TRUE(is.filterNote.isEmpty());
    // Without a filter a filtered port sends next to nothing: 100 km around home.
    HostCommandLine unfiltered;
    ASSERT_EQ(Read({"--aprs-is", "localhost", "--call", "N0CALL", "--home", "-33.9,18.4"},
                   unfiltered, text),
              CommandLineRead::Ok);
    EXPECT_TRUE(unfiltered.aprsIsLogin.ends_with(" filter r/-33.9000/18.4000/100\r\n"))
        << unfiltered.aprsIsLogin;
    EXPECT_EQ(unfiltered.filterNote, "no --filter: r/-33.9000/18.4000/100, 100 km around --home");
    // A live source keeps its station list over a restart; a replay does not
    // unless told where.
    EXPECT_TRUE(unfiltered.stationsFile.endsWith("/beaconboard/stations"))
        << unfiltered.stationsFile.toStdString();
    HostCommandLine replay, kept, unkept;
    ASSERT_EQ(Read({"--feed", "a.tnc2"}, replay, text), CommandLineRead::Ok);
    EXPECT_TRUE(replay.stationsFile.isEmpty());
    ASSERT_EQ(Read({"--feed", "a.tnc2", "--stations-file", "/tmp/s"}, kept, text),
              CommandLineRead::Ok);
    EXPECT_EQ(kept.stationsFile, "/tmp/s");
    ASSERT_EQ(Read({"--kiss", "127.0.0.1", "--stations-file", "none"}, unkept, text),
              CommandLineRead::Ok);
    EXPECT_TRUE(unkept.stationsFile.isEmpty());
    // A live source's packets are logged, a replay's not; tracks are kept unless told.
    EXPECT_TRUE(unfiltered.packetLog.endsWith("/beaconboard/packets"))
        << unfiltered.packetLog.toStdString();
    EXPECT_TRUE(replay.packetLog.isEmpty());
    EXPECT_TRUE(replay.service.tracks);
    HostCommandLine unlogged;
    ASSERT_EQ(
        Read({"--kiss", "127.0.0.1", "--packet-log", "none", "--tracks", "off"}, unlogged, text),
        CommandLineRead::Ok);
    EXPECT_TRUE(unlogged.packetLog.isEmpty());
    EXPECT_FALSE(unlogged.service.tracks);

    HostCommandLine serial;
    ASSERT_EQ(Read({"--kiss-serial", "/dev/ttyUSB0", "--baud", "1200"}, serial, text),
              CommandLineRead::Ok);
    EXPECT_EQ(serial.serialDevice, "/dev/ttyUSB0");
    EXPECT_EQ(serial.baud, 1200);
}

TEST(HostCommandLine, WrongValuesAreNamedAndStartNothing) {
    const std::vector<std::pair<QStringList, const char*>> wrong = {
        {{"--home", "95,0"}, "--home"},
        {{"--home", "52.2"}, "--home"},
        {{"--expiry", "0"}, "--expiry"},
        {{"--expiry", "ten"}, "--expiry"},
        {{"--speed", "-1"}, "--speed"},
        {{"--feed", "a", "--kiss", "b"}, "choose one"},
        {{"--kiss", "host:port"}, "--kiss"},
        {{"--kiss-serial", "/dev/ttyS0", "--baud", "1234"}, "--baud"},
        {{"--aprs-is", "localhost"}, "APRS-IS login"},
        {{"--notify-data", "--notify-callsign"}, "choose one"},
        {{"--tracks", "yes"}, "--tracks"},
        {{"--packet-log-days", "0"}, "--packet-log-days"},
    };
    for (const auto& [args, says] : wrong) {
        HostCommandLine line;
        QString text;
        EXPECT_EQ(Read(args, line, text), CommandLineRead::Wrong) << args.join(' ').toStdString();
        EXPECT_TRUE(text.startsWith("bb-host: ")) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(says))) << text.toStdString();
    }
    HostCommandLine line;
    QString text;
    EXPECT_EQ(Read({"--no-such-option"}, line, text), CommandLineRead::Unreadable);
    EXPECT_TRUE(text.contains("no-such-option")) << text.toStdString();
    EXPECT_EQ(Read({"--help"}, line, text), CommandLineRead::Help);
    EXPECT_TRUE(text.contains("--kiss-serial")) << text.toStdString();
}

CommandLineRead ReadWith(const std::filesystem::path& config, QStringList args,
                         HostCommandLine& line, QString& text) {
    args.prepend(QStringLiteral("bb-host"));
    return ReadHostCommandLine(args, true, config, line, text);
}

// The config file gives the options a user would otherwise retype; the
// command line overrides each, and a source there replaces the file's.
TEST(HostConfig, TheFileFirstTheCommandLineOverEach) {
    testing::TempFolder t;
    const auto file = t.path() / "bb-host.conf";
    std::ofstream(file) << "# my station\n"
                           "source = kiss-serial /dev/ttyUSB0 1200   # the TNC by the desk\n"
                           "call = N0CALL\n"
                           "passcode = -1\n"
                           "filter = r/51/-1/50\n"
                           "home = 51.5,-1.25\n"
                           "expiry = 90\n"
                           "contact = https://example.org/g0abc\n"
                           "tile-cache = 50\n"
                           "tracks = off\n"
                           "packet-log-days = 7\n"
                           "colour = red\n"
                           "this line has no value\n";
    HostCommandLine line;
    QString text;
    ASSERT_EQ(ReadWith(file, {}, line, text), CommandLineRead::Ok) << text.toStdString();
    EXPECT_EQ(line.source, HostCommandLine::Source::KissSerial);
    EXPECT_EQ(line.serialDevice, "/dev/ttyUSB0");
    EXPECT_EQ(line.baud, 1200);
    EXPECT_EQ(line.service.home.latitude, 51.5);
    EXPECT_EQ(line.service.expiryMinutes, 90);
    EXPECT_EQ(line.contact, "https://example.org/g0abc");
    EXPECT_EQ(line.tileCacheMb, 50);
    EXPECT_FALSE(line.service.tracks);
    EXPECT_EQ(line.packetLogDays, 7);
    ASSERT_EQ(line.configNotes.size(), 2);
    EXPECT_TRUE(line.configNotes[0].endsWith("line 12: unknown key \"colour\""))
        << line.configNotes[0].toStdString();
    EXPECT_TRUE(line.configNotes[1].contains("line 13:"));

    HostCommandLine over;
    ASSERT_EQ(
        ReadWith(file, {"--aprs-is", "localhost", "--expiry", "30", "--tracks", "on"}, over, text),
        CommandLineRead::Ok)
        << text.toStdString();
    EXPECT_EQ(over.source, HostCommandLine::Source::AprsIs);  // the file's source goes
    EXPECT_EQ(over.service.expiryMinutes, 30);
    EXPECT_TRUE(over.service.tracks);
    EXPECT_EQ(over.service.home.longitude, -1.25);  // the rest stays
    EXPECT_TRUE(over.aprsIsLogin.ends_with(" filter r/51/-1/50\r\n")) << over.aprsIsLogin;

    // A value the file gets wrong is named as the command line's would be, with the file.
    std::ofstream(file) << "home = north\n";
    HostCommandLine wrong;
    EXPECT_EQ(ReadWith(file, {}, wrong, text), CommandLineRead::Wrong);
    EXPECT_TRUE(text.contains("--home")) << text.toStdString();
    EXPECT_TRUE(text.contains("bb-host.conf")) << text.toStdString();
    // No file: the command line alone.
    HostCommandLine plain;
    ASSERT_EQ(ReadWith(t.path() / "none.conf", {}, plain, text), CommandLineRead::Ok);
    EXPECT_EQ(plain.source, HostCommandLine::Source::StandardInput);
}

TEST(HostConfig, WriteConfigSavesTheOptionsAStartReadsBack) {
    testing::TempFolder t;
    const auto file = t.path() / "config" / "beaconboard" / "bb-host.conf";
    HostCommandLine line;
    QString text;
    ASSERT_EQ(ReadWith(file,
                       {"--aprs-is", "rotate.aprs2.net", "--call", "N0CALL", "--passcode", "12345",
                        "--home", "52.25,0.125", "--expiry", "45", "--tracks", "off",
                        "--packet-log", "/srv/log", "--write-config"},
                       line, text),
              CommandLineRead::ConfigWritten)
        << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromStdString(file.string())));
    std::ifstream in(file);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_NE(bytes.str().find("source = aprs-is rotate.aprs2.net:14580\n"), std::string::npos)
        << bytes.str();
    EXPECT_NE(bytes.str().find("passcode = 12345\n"), std::string::npos);
    EXPECT_EQ(bytes.str().find("filter"), std::string::npos);  // not given: chosen at each start
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // it holds a passcode

    HostCommandLine back;
    ASSERT_EQ(ReadWith(file, {}, back, text), CommandLineRead::Ok) << text.toStdString();
    EXPECT_EQ(back.source, HostCommandLine::Source::AprsIs);
    EXPECT_EQ(back.netHost, "rotate.aprs2.net");
    EXPECT_EQ(back.aprsIsLogin, line.aprsIsLogin);
    EXPECT_EQ(back.service.home.latitude, 52.25);
    EXPECT_EQ(back.service.home.longitude, 0.125);
    EXPECT_EQ(back.service.expiryMinutes, 45);
    EXPECT_FALSE(back.service.tracks);
    EXPECT_EQ(back.packetLog, "/srv/log");
    EXPECT_TRUE(back.configNotes.isEmpty());
}

// The status line on standard error: written when it says something new, at
// most once a minute; a host with nothing new stays quiet.
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
