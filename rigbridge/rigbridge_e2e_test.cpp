// The tune dialog, over the bus, through bb-rigbridge to rigctld's dummy radio, and back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <atomic>
#include <csignal>

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
#include "tests/fakes/wait_for.h"
#include "windows/tune_dialog.h"

namespace bb::rigbridge {
namespace {

using testing::WaitFor;

class TuneARealRig : public ::testing::Test, protected testing::FakeBoard {
  protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("rigctld").isEmpty())
            GTEST_SKIP() << "Hamlib's rigctld is not installed (Debian libhamlib-utils)";
        Common::Initialize();
        port_ = QString::number(testing::FreeLoopbackPort());
        StartRigctld();
    }
    // Hamlib's dummy radio, on the same port each time.
    void StartRigctld() {
        rigctld_.start("rigctld", {"-m", "1", "-T", "127.0.0.1", "-t", port_});
        // Listening is not yet answering: a frequency read back is.
        ASSERT_TRUE(WaitFor(
            [&] { return testing::LoopbackListening(port_.toInt()) && !Read({"f"}, 1).empty(); },
            5000));
    }
    void TearDown() override {
        if (dialog) dialog->close();
        std::fputs(BridgeSaid().toLocal8Bit().constData(), stderr);
        for (QProcess* p : {&bridge_, &rigctld_}) {
            p->kill();
            p->waitForFinished();
        }
    }
    void StartBridge(const QStringList& more = {}) {
        bridge_.start(BB_RIGBRIDGE_EXE,
                      QStringList{"--rig-file", "127.0.0.1:" + port_, "--board", "BBTEST"} + more);
        ASSERT_TRUE(bridge_.waitForStarted());
        // It announces itself: both programs connected without waiting for a sweep.
        ASSERT_TRUE(WaitFor([&] { return radio.GetConnectedServers() == "DXL,HRD"; }, 10000));
    }
    // What the bridge wrote to its log so far.
    QString BridgeSaid() {
        bridgeSaid_ += QString::fromLocal8Bit(bridge_.readAllStandardError());
        return bridgeSaid_;
    }
    // What rigctl reads from the radio: the first `count` values it answers.
    std::string Read(const QStringList& commands, int count) {
        QProcess rigctl;
        rigctl.start("rigctl", QStringList{"-m", "2", "-r", "127.0.0.1:" + port_} + commands);
        rigctl.waitForFinished();
        const QString out = QString::fromLatin1(rigctl.readAllStandardOutput()).simplified();
        return out.section(' ', 0, count - 1).toStdString();
    }
    std::string ReadBack() { return Read({"f", "m"}, 2); }
    // Tone, tone squelch, DCS code, shift and offset.
    std::string ReadSetup() { return Read({"c", "get_ctcss_sql", "d", "r", "o"}, 5); }
    std::int32_t Station(const std::string& call, const std::string& qsy) {
        const std::int32_t i = AddRecord(call);
        Record(i).QSY->Frequency = qsy;
        return i;
    }

    QString port_;
    QProcess rigctld_, bridge_;
    QString bridgeSaid_;
    platform::DBusDdeLayer dde{QDBusConnection::sessionBus()};
    platform::QtTimer timer;
    radio::DDEClientModule radio{dde, timer, "BBTEST"};
    QPointer<windows::Form3> dialog;
};

TEST_F(TuneARealRig, EachProgramTunesFrequencyToneAndOffsetInTheUsersNumberFormat) {
    radio.Initialize();
    EXPECT_EQ(radio.GetConnectedServers(), "");
    StartBridge();

    // In the user's number format each program tunes to exactly the announced frequency.
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
    // Each station's tone, tone squelch or DCS and offset, and nothing of the one before.
    Settings().SetToneAndOffset = true;
    // The comment, the program, what the rig reads: frequency and mode, then tone, tone
    // squelch, DCS, shift and offset.
    for (const auto& [comment, program, read] :
         {std::tuple{"146.940MHz T100 -060", 0, "146940000 FM 1000 0 0 - 600000"},
          {"438.650MHz C088 +760", 1, "438650000 FM 885 885 0 + 7600000"},
          {"145.500MHz", 0, "145500000 FM 0 0 0 None 0"},
          {"439.9875MHz D023", 1, "439987500 FM 0 0 23 None 0"}}) {
        const std::int32_t i = AddRecord("DB0RPT");
        ParseComment(Record(i), comment);
        windows::OpenTuneDialog(dialog, radio, board, i, "DB0RPT");
        dialog->cmdSetFreq[program]->click();
        EXPECT_EQ(ReadBack() + " " + ReadSetup(), read) << comment;
        EXPECT_EQ(dialog->SetupResultLabel->text().left(5).toStdString(), "Set: ") << comment;
    }
    Settings().SetToneAndOffset = false;
}

// rigctld gone or hung: said in time by the dialog and the log; once back, the next tune works.
TEST_F(TuneARealRig, ARadioFailingMidTuneIsToldAndTheNextTuneWorks) {
    radio.Initialize();
    StartBridge();
    for (const auto& [hung, program, qsy, hz, said] :
         {std::tuple{false, 0, "144.800", 144800000, "The radio did not take 144"},
          {false, 1, "144.825", 144825000, "The radio did not take 144"},
          {true, 0, "144.850", 144850000, "DX-Lab Commander did not answer"}}) {
        ::kill(static_cast<pid_t>(rigctld_.processId()), hung ? SIGSTOP : SIGKILL);
        if (!hung) rigctld_.waitForFinished();
        windows::OpenTuneDialog(dialog, radio, board, Station("N0CALL", qsy), "N0CALL");
        dialog->optMode[1]->click();  // USB
        QElapsedTimer t;
        t.start();
        dialog->cmdSetFreq[program]->click();
        EXPECT_LT(t.elapsed(), platform::kDdeTimeoutMs + 1500) << qsy;
        const QString text = dialog->SetupResultLabel->text();
        EXPECT_TRUE(text.startsWith(QString::fromLatin1(said))) << text.toStdString();
        QFile log(QString::fromStdString(Common::LogPath()));
        EXPECT_TRUE(log.open(QIODevice::ReadOnly) &&
                    log.readAll().contains(("Form3.cmdSetFreq_Click: " + text).toUtf8()));
        rigctld_.kill();
        rigctld_.waitForFinished();
        StartRigctld();
        radio.ReconnectSweep();
        dialog->tmrSetFreq_Timer();  // the status buttons' refresh
        dialog->cmdSetFreq[program]->click();
        EXPECT_EQ(ReadBack(), std::to_string(hz) + " USB");
    }
    // Its log says why in a line, not with Hamlib's debug history.
    const QStringList said = BridgeSaid().split('\n').filter(QRegularExpression("^bb-rigbridge: "));
    EXPECT_FALSE(
        said.filter(QRegularExpression("^bb-rigbridge: the radio did not take .*: IO error$"))
            .isEmpty())
        << said.join('\n').toStdString();
    for (const QString& line : said)
        EXPECT_LT(line.size(), 120) << line.left(400).toStdString();
}

// rigctld restarted between two tunes, before the bridge read the radio again: the link it held
// is gone, and the tune goes over a new one rather than failing once.
TEST_F(TuneARealRig, ATuneAfterRigctldRestartedWorksTheFirstTime) {
    radio.Initialize();
    StartBridge({"--poll", "600000"});
    for (const auto& [qsy, hz] : {std::pair{"144.800", 144800000}, {"145.550", 145550000}}) {
        windows::OpenTuneDialog(dialog, radio, board, Station("N0CALL", qsy), "N0CALL");
        dialog->optMode[1]->click();  // USB
        dialog->cmdSetFreq[0]->click();
        EXPECT_EQ(dialog->SetupResultLabel->text().toStdString(), "") << qsy;
        EXPECT_EQ(ReadBack(), std::to_string(hz) + " USB");
        rigctld_.kill();
        rigctld_.waitForFinished();
        StartRigctld();
    }
}

// A program that waits on its announcement's answer is connected at once, not after the retry.
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
        struct Frequency : platform::DdeTopicHandler {
            std::optional<std::string> Request(const std::string&) override { return "7050000"; }
        };
        hrd->AddTopic("HRD_CAT", std::make_unique<Frequency>());
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
}  // namespace bb::rigbridge
