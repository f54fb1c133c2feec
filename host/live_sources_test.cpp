// The live sources against scripted servers on 127.0.0.1, and a feed replayed days later.
#include "host/live_sources.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "host/feed.h"
#include "host/host_service.h"
#include "tests/fakes/fake_scheduler.h"
#include "tests/fakes/wait_for.h"

namespace bb::hostapp {
namespace {

using testing::WaitFor;

std::string Monitor(const std::string& frame) {
    std::string m, why;
    return DecodeAx25(frame, m, why) == Ax25Result::Aprs ? m : "(" + why + ")";
}

TEST(KissAndAx25, FramesWithEscapesSplitReadsGarbageAndTheMonitorForm) {
    std::vector<std::string> frames;
    KissDeframer d([&](const std::string& f) { frames.push_back(f); });
    const std::string one("a\300b\333c");
    std::string stream = "noise" + KissFrame(one) + std::string("\xC0\xC0", 2) + KissFrame("two");
    stream += std::string("\xC0\x01xyz\xC0", 6);       // a command frame, not data
    stream += std::string("\xC0\x00\xDB\x41\xC0", 5);  // a broken escape
    stream += KissFrame("three");
    for (char c : stream)
        d.Feed(std::string_view(&c, 1));  // one byte per read
    EXPECT_EQ(frames, (std::vector<std::string>{one, "two", "three"}));
    EXPECT_EQ(d.Dropped(), 3u);
    // AX.25 in monitor form, with the repeated mark.
    for (const char* line : {"G4ABC>APRS,WIDE1-1:!5212.00N/00007.20E-PHG5130",
                             "M0XYZ-9>APRS,G4RPT,WIDE2*,WIDE2-1:>status",
                             "PA3SOS-15>APZ123:!5201.00N/00430.00E-EMERGENCY"}) {
        const std::string frame = EncodeAx25(line);
        ASSERT_FALSE(frame.empty()) << line;
        EXPECT_EQ(Monitor(frame), line);
    }
    // Every digipeater up to the marked one has its bit set; the mark goes on the last.
    std::string f = EncodeAx25("A>B,C,D,E:x");
    f[2 * 7 + 6] |= static_cast<char>(0x80);
    f[3 * 7 + 6] |= static_cast<char>(0x80);
    EXPECT_EQ(Monitor(f), "A>B,C,D*,E:x");
    // Not APRS, and broken.
    std::string connected = EncodeAx25("A>B:x");
    connected[14] = 0x3F;  // SABM
    std::string m, why;
    EXPECT_EQ(DecodeAx25(connected, m, why), Ax25Result::NotAprs);
    for (std::string bad : {std::string("short"), EncodeAx25("A>B:x").substr(0, 10),
                            std::string(14, '\x40') + "\x03\xF0x"}) {
        EXPECT_EQ(DecodeAx25(bad, m, why), Ax25Result::Broken) << bad;
        EXPECT_FALSE(why.empty());
    }
    EXPECT_EQ(Monitor(EncodeAx25("A>B:line\rend")), "A>B:line");
}

TEST(AprsIs, LoginLineRefusesWhatWouldBreakIt) {
    std::string why;
    EXPECT_EQ(AprsIsLoginLine({"N0CALL", "-1", "r/52.2/0.12/100"}, "1.0.10", why),
              "user N0CALL pass -1 vers bb-host 1.0.10 filter r/52.2/0.12/100\r\n");
    EXPECT_EQ(AprsIsLoginLine({"N0CALL", "12345", ""}, "1", why),
              "user N0CALL pass 12345 vers bb-host 1\r\n");
    for (AprsIsLogin bad : {AprsIsLogin{"", "-1", ""}, AprsIsLogin{"N0 CALL", "-1", ""},
                            AprsIsLogin{"N0CALL", "abc", ""}, AprsIsLogin{"N0CALL", "-", ""},
                            AprsIsLogin{"N0CALL", "-1", "r/1/2/3\r\n#filter p/"}}) {
        EXPECT_EQ(AprsIsLoginLine(bad, "1", why), "");
        EXPECT_FALSE(why.empty());
    }
}

// Accepts connections one after another and keeps what each sent.
class ScriptedServer {
  public:
    ScriptedServer() {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            client = server.nextPendingConnection();
            ++connections;
            received.emplace_back();
            QObject::connect(client, &QTcpSocket::readyRead,
                             [this, c = client] { received.back() += c->readAll().toStdString(); });
        });
    }
    void Send(const std::string& bytes) {
        client->write(bytes.data(), static_cast<qint64>(bytes.size()));
        client->flush();
    }
    QTcpServer server;
    QTcpSocket* client = nullptr;
    int connections = 0;
    std::vector<std::string> received;
};

TEST(AprsIs, LogsInHearsPacketsAnswersKeepAlivesAndReconnects) {
    ScriptedServer s;
    const std::string login = "user N0CALL pass -1 vers bb-host 1\r\n";
    testing::FakeScheduler clock;
    AprsIsSource source(clock, QStringLiteral("127.0.0.1"), s.server.serverPort(), login);
    std::vector<std::string> heard;
    QObject::connect(&source, &LiveSource::Line, [&](const std::string& p) { heard.push_back(p); });
    source.Start();
    ASSERT_TRUE(WaitFor([&] { return !s.received.empty() && s.received[0] == login; }));
    s.Send("# aprsc 2.1.14\r\n# logresp N0CALL unverified, server T2TEST\r\n");
    s.Send("G4ABC>APRS,TCPIP*,qAC,T2TEST:!5212.00N/00007.20E-\r\nM0X");
    s.Send("YZ>APRS:>hello\n# 7 Dec 2026 10:00:00 GMT T2TEST 127.0.0.1:14580\r\n");
    ASSERT_TRUE(WaitFor([&] { return heard.size() == 2 && s.received[0].size() > login.size(); }));
    EXPECT_EQ(heard[1], "M0XYZ>APRS:>hello");
    EXPECT_EQ(s.received[0], login + "#keepalive\r\n");
    EXPECT_EQ(source.State().state, "logged in");

    // The server drops the link: the source logs in again, and goes on counting.
    s.client->disconnectFromHost();
    ASSERT_TRUE(WaitFor([&] { return source.State().state.startsWith("waiting 1 s"); }));
    clock.Advance(TcpSource::kRetryBaseMs);
    ASSERT_TRUE(WaitFor([&] { return s.connections == 2 && s.received[1] == login; }));
    s.Send("PA3XYZ>APRS:>again\r\n");
    ASSERT_TRUE(WaitFor([&] { return heard.size() == 3; }));
    EXPECT_EQ(source.State().packets, 3u);
    EXPECT_EQ(source.State().lastError, "the connection was closed");
    // A refusal is given up with the server's own reason.
    s.Send("# Login by user not allowed\r\n");
    EXPECT_TRUE(WaitFor([&] { return source.State().lastError == "Login by user not allowed"; }));
}

// A half-open link that carries nothing is given up and logged in again; one that talks is kept.
TEST(AprsIs, ASilentLinkIsDeadAndLoggedInAgain) {
    ScriptedServer s;
    const std::string login = "user N0CALL pass -1 vers bb-host 1\r\n";
    testing::FakeScheduler clock;
    AprsIsSource source(clock, QStringLiteral("127.0.0.1"), s.server.serverPort(), login);
    source.SetNote(QStringLiteral("no --filter: r/52.2/0.12/100"));
    source.Start();
    ASSERT_TRUE(WaitFor([&] { return s.connections == 1 && !s.received[0].empty(); }));
    // The server's comment line every minute keeps the link for three; each is answered.
    s.Send("# logresp N0CALL unverified, server T2TEST\r\n");
    for (std::size_t minute = 1; minute <= 3; ++minute) {
        clock.Advance(60000);
        s.Send("# keepalive\r\n");
        ASSERT_TRUE(WaitFor([&] { return s.received[0].size() == login.size() + 12 * minute; }));
    }
    // Then nothing, with the connection open: a reconnect, said in the state.
    QString said;
    QObject::connect(&source, &LiveSource::StateChanged, [&](const QString& t) { said = t; });
    clock.Advance(AprsIsSource::kSilenceLimitMs);
    EXPECT_EQ(source.State().lastError, "nothing heard for 120 s");
    EXPECT_TRUE(said.contains("waiting 1 s") && said.contains("(no --filter: r/52.2/0.12/100)"))
        << said.toStdString();
    clock.Advance(TcpSource::kRetryBaseMs);
    ASSERT_TRUE(WaitFor([&] { return s.connections == 2 && s.received[1] == login; }));
}

TEST(KissSources, OverTcpAndThroughANamedPipe) {
    const std::string a = KissFrame(EncodeAx25("G4ABC>APRS,WIDE1-1:!5212.00N/00007.20E-"));
    std::string notAprs = EncodeAx25("A>B:x");
    notAprs[14] = 0x3F;
    const std::string stream = "garbage" + a + KissFrame(notAprs) + KissFrame("broken") + a;

    ScriptedServer s;
    testing::FakeScheduler clock;
    KissTcpSource tcp(clock, QStringLiteral("127.0.0.1"), s.server.serverPort());
    std::vector<std::string> heard;
    QObject::connect(&tcp, &LiveSource::Line, [&](const std::string& p) { heard.push_back(p); });
    tcp.Start();
    ASSERT_TRUE(WaitFor([&] { return s.client != nullptr; }));
    s.Send(stream.substr(0, 11));
    QCoreApplication::processEvents();
    s.Send(stream.substr(11));
    ASSERT_TRUE(WaitFor([&] { return heard.size() == 2; }));
    EXPECT_EQ(heard[0], "G4ABC>APRS,WIDE1-1:!5212.00N/00007.20E-");
    EXPECT_EQ(tcp.State().dropped, 3u);
    EXPECT_TRUE(s.received.at(0).empty());  // receive only
    // Quiet for hours on an empty channel: TCP keep-alive, not a silence limit, probes it.
    const int fd = static_cast<int>(tcp.Socket().socketDescriptor());
    const auto option = [fd](int level, int name) {
        int value = -1;
        socklen_t size = sizeof value;
        ::getsockopt(fd, level, name, &value, &size);
        return value;
    };
    EXPECT_EQ(option(SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(option(IPPROTO_TCP, TCP_KEEPIDLE), TcpSource::kKeepAliveIdleS);
    EXPECT_EQ(option(IPPROTO_TCP, TCP_KEEPINTVL), TcpSource::kKeepAliveIntervalS);
    EXPECT_EQ(option(IPPROTO_TCP, TCP_KEEPCNT), TcpSource::kKeepAliveCount);

    QTemporaryDir dir;
    const QString fifo = dir.filePath("tnc");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    KissSerialSource serial(clock, fifo, 9600);
    heard.clear();
    QObject::connect(&serial, &LiveSource::Line, [&](const std::string& p) { heard.push_back(p); });
    serial.Start();
    const int w = ::open(fifo.toLocal8Bit().constData(), O_WRONLY);
    ASSERT_GE(w, 0);
    ASSERT_EQ(::write(w, stream.data(), stream.size()), static_cast<ssize_t>(stream.size()));
    ASSERT_TRUE(WaitFor([&] { return heard.size() == 2; }));
    ::close(w);  // the TNC goes away: the source says so and waits to open it again
    ASSERT_TRUE(WaitFor([&] { return serial.State().state.startsWith("waiting"); }));
    EXPECT_EQ(serial.State().packets, 2u);
}

// Lines heard are told as data available: not line by line, and never
// without a signal after the last line of a burst.
TEST(DataAvailable, ABurstIsToldAfterItsLastLine) {
    HostService host(HostService::Options{});
    int heard = 0, raised = 0, heardWhenRaised = 0;
    QObject::connect(&host, &HostService::DataAvailable, [&] {
        ++raised;
        heardWhenRaised = heard;
    });
    for (; heard < 40; ++heard)
        host.Hear("B" + std::to_string(heard) + ">APRS:!5106.00N/00010.00W-");
    EXPECT_GE(raised, 1);  // the first line at once
    ASSERT_TRUE(WaitFor([&] { return heardWhenRaised == 40; }));
    EXPECT_LT(raised, 10);
}

// A feed two days old: each report as old as when heard; a clock ahead counts as when heard.
TEST(Replay, AStationsReportIsAsOldAsWhenItWasHeard) {
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const QDateTime recorded = QDateTime::fromSecsSinceEpoch(now - 2 * 86400 - now % 60, Qt::UTC);
    const auto stamp = [&](int minutesAfter, const char* form) {
        return recorded.addSecs(minutesAfter * 60)
            .toString(QString::fromLatin1(form))
            .toStdString();
    };
    const struct {
        std::string call, stamp;
        double ageMinutes;  // ReportDate before FallbackDate, as the board reads them
    } cases[] = {
        {"G4ABC", stamp(-15, "ddHHmm") + "z", 15},
        {"G4DEF", stamp(-30, "HHmmss") + "h", 30},
        {"G4GHI", stamp(120, "ddHHmm") + "z", 0},  // a clock two hours ahead
    };
    std::vector<std::string> lines;
    for (const auto& c : cases)
        lines.push_back(recorded.toString(Qt::ISODate).toStdString() + " " + c.call + ">APRS:@" +
                        c.stamp + "5213.50N/00007.20E-");
    HostService host(HostService::Options{});
    FeedReplay replay(lines, 0, false);
    QObject::connect(&replay, &FeedReplay::Line, &host, &HostService::HearReplayed);
    bool done = false;
    QObject::connect(&replay, &FeedReplay::Finished, [&] { done = true; });
    replay.Start();
    ASSERT_TRUE(WaitFor([&] { return done; }));
    for (const auto& c : cases) {
        QVariantMap station;
        ASSERT_TRUE(host.GetStation(QString::fromStdString(c.call), station)) << c.call;
        const double age =
            (station["FallbackDate"].toDouble() - station["ReportDate"].toDouble()) * 1440;
        EXPECT_NEAR(age, c.ageMinutes, 1.5) << c.call;
    }
}

}  // namespace
}  // namespace bb::hostapp
