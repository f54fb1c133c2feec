#include "host/command_line.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace bb::hostapp
