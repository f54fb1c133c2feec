// From the tune dialog's buttons, over the session bus, through bb-rigbridge
// to Hamlib's dummy radio behind rigctld on 127.0.0.1, and back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <atomic>

#include "platform/dbus_dde.h"
#include "platform/linux_system.h"
#include "platform/qt_scheduler.h"
#include "platform/qt_timer.h"
#include "radio/dde_client.h"
#include "stations/comment_decoder.h"
#include "support/diagnostic_log.h"
#include "support/settings.h"
#include "tests/fakes/bus_thread.h"
#include "tests/fakes/fake_board.h"
#include "tests/fakes/loopback_port.h"
#include "windows/tune_dialog.h"

namespace bb {
namespace {

template <class Done>
bool WaitFor(Done done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return done();
}

class TuneARealRig : public ::testing::Test, protected testing::FakeBoard {
  protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("rigctld").isEmpty())
            GTEST_SKIP() << "Hamlib's rigctld is not installed (Debian libhamlib-utils)";
        Common::Initialize();
        port_ = QString::number(testing::FreeLoopbackPort());
        rigctld_.start("rigctld", {"-m", "1", "-T", "127.0.0.1", "-t", port_});
        ASSERT_TRUE(WaitFor([&] { return testing::LoopbackListening(port_.toInt()); }, 5000));
    }
    void TearDown() override {
        if (dialog) dialog->close();
        for (QProcess* p : {&bridge_, &rigctld_}) {
            p->kill();
            p->waitForFinished();
        }
    }
    void StartBridge() {
        bridge_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        bridge_.start(BB_RIGBRIDGE_EXE, {"--rig-file", "127.0.0.1:" + port_, "--board", "BBTEST"});
        ASSERT_TRUE(bridge_.waitForStarted());
    }
    // The radio's frequency and mode as rigctl reads them.
    std::string ReadBack() {
        QProcess rigctl;
        rigctl.start("rigctl", {"-m", "2", "-r", "127.0.0.1:" + port_, "f", "m"});
        rigctl.waitForFinished();
        const QStringList lines = QString::fromLatin1(rigctl.readAllStandardOutput()).split('\n');
        return lines.size() < 2 ? "" : (lines[0] + " " + lines[1]).toStdString();
    }
    // Tone, tone squelch, DCS code, shift and offset as rigctl reads them.
    std::string ReadSetup() {
        QProcess rigctl;
        rigctl.start("rigctl", {"-m", "2", "-r", "127.0.0.1:" + port_});
        rigctl.write(
            "\\get_ctcss_tone\n\\get_ctcss_sql\n\\get_dcs_code\n"
            "\\get_rptr_shift\n\\get_rptr_offs\nq\n");
        rigctl.closeWriteChannel();
        rigctl.waitForFinished();
        // One "Rig command: CTCSS Tone: 885" line per answer.
        QStringList values;
        for (const QString& line : QString::fromLatin1(rigctl.readAllStandardOutput()).split('\n'))
            if (const qsizetype colon = line.lastIndexOf(QStringLiteral(": "));
                colon > 12 && colon + 2 < line.size())
                values << line.mid(colon + 2).trimmed();
        return values.join(' ').toStdString();
    }
    std::int32_t Station(const std::string& call, const std::string& qsy) {
        const std::int32_t i = AddRecord(call);
        Record(i).QSY.Frequency = qsy;
        return i;
    }

    QString port_;
    QProcess rigctld_, bridge_;
    platform::DBusDdeLayer dde{QDBusConnection::sessionBus()};
    platform::QtTimer timer;
    radio::DDEClientModule radio{dde, timer, "BBTEST"};
    QPointer<windows::Form3> dialog;
};

TEST_F(TuneARealRig, TuneSetsTheRigAndTheStatusFollowsTheBridge) {
    radio.Initialize();
    EXPECT_EQ(radio.GetConnectedServers(), "");
    // The bridge announces itself: both programs count as connected without
    // waiting for a sweep.
    StartBridge();
    ASSERT_TRUE(WaitFor([&] { return radio.GetConnectedServers() == "DXL,HRD"; }, 10000));

    windows::OpenTuneDialog(dialog, radio, board, Station("N0CALL", "145.500"), "N0CALL");
    ASSERT_TRUE(dialog->cmdSetFreq[0]->isEnabled());
    dialog->optMode[1]->click();     // USB
    dialog->cmdSetFreq[0]->click();  // Commander
    EXPECT_EQ(ReadBack(), "145500000 USB");

    windows::OpenTuneDialog(dialog, radio, board, Station("PA3XYZ", "7.050"), "PA3XYZ");
    dialog->optMode[0]->click();     // LSB
    dialog->cmdSetFreq[1]->click();  // Ham Radio Deluxe, with the chosen mode
    EXPECT_EQ(ReadBack(), "7050000 LSB");

    // In the user's own number format (a comma where the environment has
    // one), each program tunes the rig to exactly the announced frequency.
    platform::LinuxLocale user;
    sys::Services services = sys::Current();
    services.locale = &user;
    sys::ScopedServices scoped(services);
    for (int program : {0, 1}) {
        windows::OpenTuneDialog(dialog, radio, board, Station("DB0XYZ", "438.1625"), "DB0XYZ");
        dialog->optMode[2]->click();  // FM
        dialog->cmdSetFreq[program]->click();
        EXPECT_EQ(ReadBack(), "438162500 FM")
            << "program " << program << ", shown as " << dialog->lblFreqkHz->text().toStdString();
    }
    EXPECT_EQ(radio.GetConnectedServers(), "DXL,HRD");

    // The bridge goes away: the next sweep and refresh show it.
    bridge_.kill();
    bridge_.waitForFinished();
    radio.ReconnectSweep();
    dialog->tmrSetFreq_Timer();
    EXPECT_EQ(dialog->cmdSetFreq[0]->text(), "DX-Lab Commander is not connected.");
    EXPECT_FALSE(dialog->cmdSetFreq[1]->isEnabled());
}

// Each station's tone, tone squelch or DCS and repeater offset reach the
// rig through either program, and nothing of the station before is left.
TEST_F(TuneARealRig, ToneAndOffsetAsAnnouncedAndNothingLeftOver) {
    radio.Initialize();
    StartBridge();
    ASSERT_TRUE(WaitFor([&] { return radio.GetConnectedServers() == "DXL,HRD"; }, 10000));
    Settings().SetToneAndOffset = true;
    struct Case {
        const char* comment;
        int program;
        const char* frequency;
        const char* setup;  // tone, tone squelch, DCS, shift, offset
    };
    for (const Case& c : {Case{"146.940MHz T100 -060", 0, "146940000 FM", "1000 0 0 - 600000"},
                          Case{"438.650MHz C088 +760", 1, "438650000 FM", "885 885 0 + 7600000"},
                          Case{"145.500MHz", 0, "145500000 FM", "0 0 0 None 0"},
                          Case{"439.9875MHz D023", 1, "439987500 FM", "0 0 23 None 0"}}) {
        const std::int32_t i = AddRecord("DB0RPT");
        ParseComment(Record(i), c.comment);
        windows::OpenTuneDialog(dialog, radio, board, i, "DB0RPT");
        dialog->cmdSetFreq[c.program]->click();
        EXPECT_EQ(ReadBack(), c.frequency) << c.comment;
        EXPECT_EQ(ReadSetup(), c.setup) << c.comment;
        EXPECT_EQ(dialog->lblSetupResult->text().left(5).toStdString(), "Set: ") << c.comment;
    }
    Settings().SetToneAndOffset = false;
}

// A program that announces itself with a call that waits for the answer is
// connected at once, not after the retry: the board opens its links to it
// only once it has answered.
TEST_F(TuneARealRig, AProgramThatWaitsOnItsAnnouncementIsConnectedAtOnce) {
    platform::QtScheduler scheduler;
    radio::DDEClientModule scheduled{dde, timer, "BBTEST", &scheduler};
    scheduled.Initialize();
    std::unique_ptr<platform::DdeService> hrd;
    std::atomic<bool> answered = false;
    testing::BusThread thread(QStringLiteral("hrd"));
    thread.AtEnd([&] { hrd.reset(); });
    // Posted, not waited on: its own call waits for the board's answer.
    thread.Post([&] {
        QDBusConnection bus = thread.Bus();
        hrd = std::make_unique<platform::DdeService>(bus, "HRD_RADIO_000");
        QString why;
        hrd->Register(why);
        platform::DdeTopicHandlers h;
        h.request = [](const std::string&) { return std::optional<std::string>("7050000"); };
        hrd->AddTopic("HRD_CAT", h);
        QDBusMessage m = QDBusMessage::createMethodCall(
            platform::DdeServiceName("BBTEST"), platform::DdeTopicPath("DDEClient"),
            QStringLiteral("org.beaconboard.DDE.Topic"), QStringLiteral("Execute"));
        m << QStringLiteral("001start");
        answered = bus.call(m, QDBus::Block, 5000).arguments().value(0).toBool();
    });
    ASSERT_TRUE(WaitFor([&] { return answered.load(); }, 5000));
    EXPECT_TRUE(WaitFor([&] { return scheduled.GetConnectedServers() == "HRD"; }, 1000));
}

}  // namespace
}  // namespace bb
