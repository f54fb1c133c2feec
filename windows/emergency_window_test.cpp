// The emergency window offscreen: its texts, the arrow, ack, Quit and Tune,
// and the windows the check opens on a real (offscreen) screen.
#include "windows/emergency_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <algorithm>

#include "tests/fakes/fake_board.h"

namespace bb::windows {
namespace {

class NoSound final : public SoundPlayer {
  public:
    int plays = 0;
    void PlayAsync(const std::filesystem::path&) override { ++plays; }
};

class EmergencyWindow : public ::testing::Test, protected testing::FakeBoard {
  protected:
    PhgOverlays map{board, host.map, host, settings};
    QtForms forms{Form2Services{}};
    NoSound sound;
    Emergency alarm{board, map, host, forms, sound, captionBar, settings};
    std::vector<std::string> tuned;
    void Check() {
        RebuildFinished();
        alarm.CheckEmergencies(board.Table().LiveCount(), LiveEmergencies());
    }

    void SetUp() override {
        settings.EmergencyScan = settings.EmergencyPlot = settings.EmergencyAlarm = true;
        forms.SetServices(
            Form2Services{&board, &alarm,
                          [](const std::string& symbol) -> std::shared_ptr<const Picture> {
                              if (symbol != "/a") return nullptr;
                              return std::make_shared<Picture>(
                                  Picture{16, 16, std::vector<std::uint32_t>(256, 0xFF00FF00)});
                          },
                          [this](const std::string& call) { tuned.push_back(call); }});
        alarm.SoundFile = "alarm.wav";
    }
    void TearDown() override {
        for (Form2* f : Open())
            f->close();
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::int32_t Add(const std::string& call, bool qsy = false) {
        const std::int32_t i = AddRecord(call);
        StationRecord& r = Record(i);
        r.Emergency = true;
        r.LatitudeText = "52.30.00N";
        r.LongitudeText = "004.53.20E";
        r.Comment = "Stuck on the ridge, one injured";
        r.Bearing = 90;
        r.Distance = 12.346;
        r.Symbol = "/a";
        r.HasQSY = qsy;
        ++emergencies;
        return i;
    }
    static std::vector<Form2*> Open() {
        std::vector<Form2*> out;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* f = qobject_cast<Form2*>(w);
            if (f && !f->Unloaded()) out.push_back(f);
        }
        return out;
    }
};

TEST_F(EmergencyWindow, ShowsTheStationWithItsTextsArrowAndButtons) {
    Add("PA3SOS-7");
    Check();
    ASSERT_EQ(Open().size(), 1u);
    Form2& f = *Open()[0];
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.windowTitle(), "Emergency beacon from PA3SOS-7");
    EXPECT_EQ(f.Tag(), "PA3SOS-7");
    EXPECT_TRUE(forms.IsFormOpen("Form2", "PA3SOS-7"));
    EXPECT_FALSE(forms.IsFormOpen("Form2", "pa3sos-7"));  // tags compare exactly
    EXPECT_EQ(f.Label1->text(), "EMERGENCY!");
    EXPECT_EQ(f.lblStationID->text(), "PA3SOS-7");
    EXPECT_EQ(f.lblLatitude->text(), "52.30.00N");
    EXPECT_EQ(f.lblLongitude->text(), "004.53.20E");
    EXPECT_EQ(f.lblBeaconComment->text(), "Stuck on the ridge, one injured");
    EXPECT_EQ(f.lblDirection->text(), " dir: 90 degrees");
    EXPECT_EQ(f.lblDistance->text(), "dist: 12.35 km");
    EXPECT_EQ(f.lblArrowDirection->text(), "90");
    EXPECT_EQ(f.cmdTune->text(), "Tune");
    EXPECT_EQ(f.Command2->text(), "ack");
    EXPECT_EQ(f.Command1->text(), "Quit");
    EXPECT_EQ(f.Command4->text(), "N/A");
    EXPECT_EQ(f.Lines.size(), 7u);
    EXPECT_FALSE(f.cmdTune->isEnabled());  // no QSY frequency
    // The arrow points east: the right of the picture is red or black, its
    // left yellow.
    const QImage& arrow = f.Picture2->Image();
    const QPoint c(arrow.width() / 2, arrow.height() / 2);
    EXPECT_EQ(arrow.pixelColor(c.x() - 40, c.y()), QColor(255, 255, 0));
    EXPECT_NE(arrow.pixelColor(c.x() + 30, c.y()), QColor(255, 255, 0));
    EXPECT_EQ(sound.plays, 1);
    f.Command4->click();  // N/A does nothing
    EXPECT_FALSE(f.Unloaded());
}

TEST_F(EmergencyWindow, AckQuietsTheStationQuitDoesNot) {
    Add("ACKME");
    Add("QUITME");
    Check();
    ASSERT_EQ(Open().size(), 2u);
    for (Form2* f : Open()) {
        if (f->Tag() == "ACKME") f->Command2->click();
        if (f->Tag() == "QUITME") f->Command1->click();
    }
    EXPECT_TRUE(Open().empty());
    EXPECT_TRUE(board.Table()[0].EmergencyAcknowledged);
    EXPECT_FALSE(board.Table()[1].EmergencyAcknowledged);
    Check();
    ASSERT_EQ(Open().size(), 1u);
    EXPECT_EQ(Open()[0]->Tag(), "QUITME");
    // The station has gone meanwhile: ack logs the error, the window stays.
    board.Table().MarkDeleted("QUITME");
    Open()[0]->Command2->click();
    EXPECT_EQ(Open().size(), 1u);
    EXPECT_NE(fs.LogText().find("Form2.Command2_Click"), std::string::npos);
    // The acknowledged station beacons again, still in emergency: a new
    // record, not acknowledged, and its window is back.
    board.Table().Supersede("ACKME");
    Add("ACKME");
    Check();
    std::vector<std::string> tags;
    for (Form2* f : Open())
        tags.push_back(f->Tag());
    EXPECT_NE(std::find(tags.begin(), tags.end(), "ACKME"), tags.end());
}

// A running feed checks twice a second: a window that is up to date stays
// the same window, where the user left it, until its record changes.
TEST_F(EmergencyWindow, AnUpToDateWindowIsRaisedNotMadeAnew) {
    Add("SOS1");
    Check();
    ASSERT_EQ(Open().size(), 1u);
    QPointer<Form2> first = Open()[0];
    first->move(first->pos() + QPoint(37, 23));  // the user moved it
    const QPoint place = first->pos();
    first->showMinimized();
    for (int i = 0; i < 3; ++i)
        Check();
    ASSERT_EQ(Open().size(), 1u);
    EXPECT_EQ(Open()[0], first.data());
    EXPECT_EQ(first->pos(), place);
    EXPECT_FALSE(first->isMinimized());
    EXPECT_EQ(first->lblBeaconComment->text(), "Stuck on the ridge, one injured");
    // The station beacons again with news: a new window shows it, the old one goes.
    board.Table().Supersede("SOS1");
    Record(Add("SOS1")).Comment = "Walking down now";
    Check();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(Open().size(), 1u);
    EXPECT_NE(Open()[0], first.data());
    EXPECT_EQ(Open()[0]->lblBeaconComment->text(), "Walking down now");
}

TEST_F(EmergencyWindow, TuneIsEnabledWithAQsyFrequencyAndTunesThatStation) {
    Add("QSY1", true);
    Check();
    ASSERT_EQ(Open().size(), 1u);
    ASSERT_TRUE(Open()[0]->cmdTune->isEnabled());
    Open()[0]->cmdTune->click();
    EXPECT_EQ(tuned, std::vector<std::string>{"QSY1"});
}

TEST_F(EmergencyWindow, ManyEmergenciesAllOpenInsideTheScreen) {
    for (int i = 0; i < 12; ++i)
        Add("SOS" + std::to_string(i));
    Check();
    ASSERT_EQ(Open().size(), 12u);
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    for (Form2* f : Open())
        EXPECT_TRUE(screen.contains(f->frameGeometry())) << f->Tag().c_str();
    EXPECT_EQ(sound.plays, 1);  // one sound for the pass
    // A second check replaces each window: still twelve.
    Check();
    QApplication::processEvents();
    EXPECT_EQ(Open().size(), 12u);
}

TEST_F(EmergencyWindow, TwoEmergencyWindowsStandSideBySideFramesIncluded) {
    Add("SOS1");
    Add("SOS2");
    Check();
    const std::vector<Form2*> open = Open();
    ASSERT_EQ(open.size(), 2u);
    // The frame is part of the window: the second starts where the first's ends.
    EXPECT_GT(open[0]->frameGeometry().width(), open[0]->width());
    EXPECT_FALSE(open[0]->frameGeometry().intersects(open[1]->frameGeometry()))
        << open[0]->frameGeometry().right() << " " << open[1]->frameGeometry().left();
}

}  // namespace
}  // namespace bb::windows
