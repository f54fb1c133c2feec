// The tune dialog offscreen: texts, mode choice, status buttons and what each sends.
#include "windows/tune_dialog.h"

#include <gtest/gtest.h>

#include <optional>

#include <QApplication>

#include "stations/comment_decoder.h"
#include "support/diagnostic_log.h"
#include "support/settings.h"
#include "support/system_api.h"
#include "tests/fakes/comma_locale.h"
#include "tests/fakes/fake_board.h"
#include "tests/fakes/fake_dde.h"

namespace bb::windows {
namespace {

class TuneDialog : public ::testing::Test, protected testing::FakeBoard {
  protected:
    testing::FakeDde dde;
    testing::FakeTimer timer;
    radio::DDEClientModule radio{dde, timer, "Beaconboard"};
    QPointer<Form3> dialog;

    void SetUp() override {
        Common::Initialize();
        radio.Initialize();
        Settings().SetToneAndOffset = true;
    }
    void TearDown() override {
        Settings().SetToneAndOffset = false;
        if (dialog) dialog->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::int32_t Station(const std::string& call, const std::string& qsy) {
        const std::int32_t i = AddRecord(call);
        Record(i).HasQSY = true;
        Record(i).QSY->Frequency = qsy;
        return i;
    }
    std::int32_t Announcing(const std::string& call, const std::string& comment) {
        const std::int32_t i = AddRecord(call);
        ParseComment(Record(i), comment);
        return i;
    }
    void Open(std::int32_t i) {
        OpenTuneDialog(dialog, radio, board, i, board.Table()[i].Callsign);
    }
    std::string Text(QWidget* w) const {
        if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toStdString();
        return static_cast<QAbstractButton*>(w)->text().toStdString();
    }
    std::string Frequency() const {
        return Text(dialog->lblDescription) + "|" + Text(dialog->lblFreqkHz) + "|" +
               Text(dialog->lblFreqHz);
    }
};

TEST_F(TuneDialog, TextsInTheUsersNumberFormat) {
    Open(Station("N0CALL", "145.500"));
    ASSERT_TRUE(dialog && dialog->isVisible());
    EXPECT_EQ(Frequency(), "Tune to station N0CALL = 145.5000 MHz|145500.00|145500000");
    EXPECT_TRUE(dialog->optMode[2]->isChecked());

    fs.locale.items[sys::kLocaleSDecimal] = ",";
    for (bool processComma : {false, true}) {
        // And with the C library's numbers in a comma locale: the "." text is read whole.
        std::optional<testing::CommaLocale> comma;
        if (processComma) comma.emplace();
        Open(Station("PA3XYZ-9", "438.1625"));
        EXPECT_EQ(Frequency(), "Tune to station PA3XYZ-9 = 438,1625 MHz|438162,50|438162500");
    }
}

TEST_F(TuneDialog, ModeChoiceLastsWhileOpenAndResetsAfterQuit) {
    dde.StartCommander();
    dde.StartHrd();
    radio.ReconnectSweep();
    Open(Station("N0CALL", "145.500"));
    dialog->optMode[1]->click();  // USB
    Open(Station("K1ABC", "7.050"));
    EXPECT_EQ(dialog->SelectedMode, 1);
    EXPECT_EQ(Text(dialog->lblFreqkHz), "7050.00");
    dialog->cmdSetFreq[0]->click();
    dialog->cmdSetFreq[1]->click();
    EXPECT_EQ(dde.Topic("CI-V Commander", "DDEServer").executes,
              std::vector<std::string>{"000xcvrfreqmode<xcvrfreq:7>7050.00<xcvrmode:3>USB"});
    EXPECT_EQ(dde.Topic("HRD_RADIO_000", "HRD_CAT").executes,
              (std::vector<std::string>{"freq 7050000", "mode USB"}));

    dialog->cmdSetFreqQuit->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(dialog);
    Open(1);
    EXPECT_TRUE(dialog->SelectedMode == 2 && dialog->optMode[2]->isChecked());
}

// Tone and offset go only to a program that answers for them (bb-rigbridge on the
// Ham Radio Deluxe topic); DXLab Commander gets what it always got.
TEST_F(TuneDialog, ToneAndOffsetGoOnlyWhereTheyAreUnderstood) {
    dde.StartCommander();
    dde.StartHrd();
    dde.Topic("HRD_RADIO_000", "HRD_CAT").values["RigSetup"] = "tone tsql shift offset";
    radio.ReconnectSweep();
    struct Case {
        const char* comment;
        int program;
        const char* shown;
        const char* sent;  // the last execute, on the Ham Radio Deluxe topic
        const char* result;
    };
    for (const Case& c :
         {Case{"146.940MHz T100 -060", 1, "T 100.0 Hz, \u2212600 kHz",
               "xcvrsetup<tonemode:4>tone<tone:5>100.0<dcs:0><shift:5>minus<offset:6>600000",
               "Set: T 100.0 Hz, \u2212600 kHz."},
          Case{"439.9875MHz D023", 1, "DCS 023, no offset",
               "xcvrsetup<tonemode:3>dcs<tone:0><dcs:3>023<shift:4>none<offset:1>0",
               "Not set, the radio has no DCS."},
          Case{"145.500MHz", 1, "no tone, no offset",
               "xcvrsetup<tonemode:3>off<tone:0><dcs:0><shift:4>none<offset:1>0",
               "Set: no tone, no offset."},
          Case{"438.650MHz C088 +760", 0, "TSQL 88.5 Hz, +7.6 MHz",
               "xcvrsetup<tonemode:3>off<tone:0><dcs:0><shift:4>none<offset:1>0",
               "DX-Lab Commander does not set tone or offset: set them on the radio by "
               "hand."}}) {
        Open(Announcing("N0CALL", c.comment));
        EXPECT_EQ(Text(dialog->SetupLabel), c.shown) << c.comment;
        dialog->cmdSetFreq[c.program]->click();
        EXPECT_EQ(dde.Topic("HRD_RADIO_000", "HRD_CAT").executes.back(), c.sent) << c.comment;
        EXPECT_EQ(Text(dialog->SetupResultLabel), c.result) << c.comment;
    }
    EXPECT_EQ(dde.Topic("CI-V Commander", "DDEServer").executes,
              std::vector<std::string>{"000xcvrfreqmode<xcvrfreq:9>438650.00<xcvrmode:2>FM"});

    // The user's say: no tone and offset at all.
    Settings().SetToneAndOffset = false;
    Open(Announcing("N0CALL", "146.940MHz T100 -060"));
    dialog->cmdSetFreq[1]->click();
    EXPECT_EQ(dde.Topic("HRD_RADIO_000", "HRD_CAT").executes.back(), "mode FM");
    EXPECT_EQ(Text(dialog->SetupLabel),
              "T 100.0 Hz, \u2212600 kHz (not set when tuning: see Options)");
    EXPECT_EQ(Text(dialog->SetupResultLabel), "");
}

TEST_F(TuneDialog, StatusButtonsFollowTheProgramsAndNoFrequencyIsNeverSent) {
    Open(Station("N0CALL", "145.500"));
    EXPECT_EQ(Text(dialog->cmdSetFreq[0]), "DX-Lab Commander is not connected.");
    EXPECT_TRUE(!dialog->cmdSetFreq[0]->isEnabled() && dialog->tmrSetFreq.isActive());
    dde.StartCommander();
    radio.ReconnectSweep();
    dialog->tmrSetFreq_Timer();  // the dialog's refresh
    EXPECT_EQ(Text(dialog->cmdSetFreq[0]), "DX-Lab Commander is connected.");
    EXPECT_TRUE(dialog->cmdSetFreq[0]->isEnabled());
    EXPECT_NE(dialog->BackColor(0), dialog->BackColor(1));

    dde.StartHrd();
    radio.ReconnectSweep();
    Open(Station("QRT", "QRT"));
    EXPECT_EQ(Text(dialog->lblFreqHz), "0");
    dialog->cmdSetFreq[0]->click();
    dialog->cmdSetFreq[1]->click();
    EXPECT_TRUE(dde.Topic("CI-V Commander", "DDEServer").executes.empty() &&
                dde.Topic("HRD_RADIO_000", "HRD_CAT").executes.empty());
    EXPECT_NE(fs.LogText().find("Form3.cmdSetFreq_Click: the station gives no QSY frequency"),
              std::string::npos);
}

TEST_F(TuneDialog, AStationThatIsGoneLeavesTheDialogAsItWas) {
    Open(Station("N0CALL", "145.500"));
    Form3* before = dialog;
    EXPECT_THROW(OpenTuneDialog(dialog, radio, board, -1, "GONE"), RuntimeError);
    EXPECT_THROW(OpenTuneDialog(dialog, radio, board, Station("HUGE", "1e20"), "HUGE"),
                 RuntimeError);
    EXPECT_EQ(dialog, before);
    EXPECT_EQ(Frequency(), "Tune to station N0CALL = 145.5000 MHz|145500.00|145500000");
}

}  // namespace
}  // namespace bb::windows
