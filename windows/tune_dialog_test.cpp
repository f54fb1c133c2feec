// The tune dialog offscreen: its texts, the mode choice across openings, the
// status buttons and what each button sends.
#include "windows/tune_dialog.h"

#include <gtest/gtest.h>

#include <optional>

#include <QApplication>

#include "support/diagnostic_log.h"
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
    }
    void TearDown() override {
        if (dialog) dialog->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::int32_t Station(const std::string& call, const std::string& qsy) {
        const std::int32_t i = AddRecord(call);
        Record(i).HasQSY = true;
        Record(i).QSY.Frequency = qsy;
        return i;
    }
    void Open(std::int32_t i) {
        OpenTuneDialog(dialog, radio, board, i, board.Table()[i].Callsign);
    }
    std::string Text(QWidget* w) const {
        if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toStdString();
        return static_cast<QAbstractButton*>(w)->text().toStdString();
    }
};

TEST_F(TuneDialog, TextsInTheUsersNumberFormat) {
    Open(Station("N0CALL", "145.500"));
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Tune radio to QSY fequency");
    EXPECT_EQ(Text(dialog->lblDescription), "Tune to station N0CALL = 145.5000 MHz");
    EXPECT_EQ(Text(dialog->lblFreqMHz), "145.5000");
    EXPECT_EQ(Text(dialog->lblFreqkHz), "145500.00");
    EXPECT_EQ(Text(dialog->lblFreqHz), "145500000");
    EXPECT_EQ(Text(dialog->Frame1->findChildren<QRadioButton*>()[3]), "AM");
    EXPECT_TRUE(dialog->optMode[2]->isChecked());

    fs.locale.items[sys::kLocaleSDecimal] = ",";
    for (bool processComma : {false, true}) {
        // The same with the C library's own numbers in a comma locale, as a
        // German user's board runs: the station's "." text is still read whole.
        std::optional<testing::CommaLocale> comma;
        if (processComma) comma.emplace();
        Open(Station("PA3XYZ-9", "438.1625"));
        EXPECT_EQ(Text(dialog->lblDescription), "Tune to station PA3XYZ-9 = 438,1625 MHz");
        EXPECT_EQ(Text(dialog->lblFreqkHz), "438162,50");
        EXPECT_EQ(Text(dialog->lblFreqHz), "438162500");
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
    EXPECT_EQ(dialog->SelectedMode, 2);
    EXPECT_TRUE(dialog->optMode[2]->isChecked());
}

TEST_F(TuneDialog, StatusButtonsFollowThePrograms) {
    Open(Station("N0CALL", "145.500"));
    EXPECT_EQ(Text(dialog->cmdSetFreq[0]), "DX-Lab Commander is not connected.");
    EXPECT_EQ(Text(dialog->cmdSetFreq[1]), "Ham Radio Deluxe is not connected.");
    EXPECT_EQ(dialog->BackColor(0), 255);
    EXPECT_FALSE(dialog->cmdSetFreq[0]->isEnabled());
    EXPECT_EQ(dialog->tmrSetFreq.interval(), 5000);
    EXPECT_TRUE(dialog->tmrSetFreq.isActive());

    dde.StartCommander();
    radio.ReconnectSweep();
    EXPECT_FALSE(dialog->cmdSetFreq[0]->isEnabled());  // until the next refresh
    dialog->tmrSetFreq_Timer();
    EXPECT_EQ(Text(dialog->cmdSetFreq[0]), "DX-Lab Commander is connected.");
    EXPECT_EQ(dialog->BackColor(0), 32768);
    EXPECT_TRUE(dialog->cmdSetFreq[0]->isEnabled());
    EXPECT_EQ(dialog->BackColor(1), 255);
    EXPECT_NE(dialog->cmdSetFreq[0]->styleSheet().indexOf("rgb(0,128,0)"), -1);
}

TEST_F(TuneDialog, NoFrequencyIsShownButNeverSent) {
    dde.StartCommander();
    dde.StartHrd();
    radio.ReconnectSweep();
    Open(Station("N0CALL", "QRT"));
    EXPECT_EQ(Text(dialog->lblFreqMHz), "0.0000");
    EXPECT_EQ(Text(dialog->lblFreqkHz), "0.00");
    EXPECT_EQ(Text(dialog->lblFreqHz), "0");
    dialog->cmdSetFreq[0]->click();
    dialog->cmdSetFreq[1]->click();
    EXPECT_TRUE(dde.Topic("CI-V Commander", "DDEServer").executes.empty());
    EXPECT_TRUE(dde.Topic("HRD_RADIO_000", "HRD_CAT").executes.empty());
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
    EXPECT_EQ(Text(dialog->lblDescription), "Tune to station N0CALL = 145.5000 MHz");
}

}  // namespace
}  // namespace bb::windows
