// The emergency window offscreen: texts, arrow, ack, Quit and Tune, and its places on the screen.
#include "windows/emergency_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <algorithm>

#include "tests/fakes/fake_board.h"
#include "tests/fakes/wait_for.h"

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
    Emergency alarm{board, map, host, forms, sound, captionBar, settings, actions};
    std::vector<std::string>& tuned = actions.tuned;
    void Check() {
        RebuildFinished();
        alarm.CheckEmergencies(board.Table().LiveCount(), LiveEmergencies());
    }

    void SetUp() override {
        settings.EmergencyScan = settings.EmergencyPlot = settings.EmergencyAlarm = true;
        actions.pictures["/a"] =
            std::make_shared<Picture>(Picture{16, 16, std::vector<std::uint32_t>(256, 0xFF00FF00)});
        forms.SetServices(Form2Services{&board, &alarm, &actions});
        alarm.SetSoundFile("alarm.wav");
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
        r.Latitude = 52 * 60 + 30;     // shown as 52.30.00N
        r.Longitude = 4 * 60 + 53.2f;  // and 004.53.20E
        r.SetComment("Stuck on the ridge, one injured");
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
        std::sort(out.begin(), out.end(), [](Form2* a, Form2* b) { return a->Tag() < b->Tag(); });
        return out;
    }
};

TEST_F(EmergencyWindow, ShowsTheStationWithItsTextsArrowAndButtonsAndAckQuietsIt) {
    Add("PA3SOS-7");
    Add("QSY1", true);
    Check();
    ASSERT_EQ(Open().size(), 2u);
    Form2& f = *Open()[0];
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.Tag(), "PA3SOS-7");
    EXPECT_FALSE(forms.IsFormOpen("Form2", "pa3sos-7"));  // tags compare exactly
    EXPECT_EQ(f.lblLongitude->text(), "004.53.20E");
    EXPECT_EQ(f.lblDistance->text(), "dist: 12.35 km");
    EXPECT_FALSE(f.cmdTune->isEnabled());  // no QSY frequency
    // The arrow points east: the picture's right is red or black, its left yellow.
    const QImage& arrow = f.Picture2->Image();
    const QPoint c(arrow.width() / 2, arrow.height() / 2);
    EXPECT_EQ(arrow.pixelColor(c.x() - 40, c.y()), QColor(255, 255, 0));
    EXPECT_NE(arrow.pixelColor(c.x() + 30, c.y()), QColor(255, 255, 0));
    EXPECT_EQ(sound.plays, 1);
    f.Command4->click();  // N/A does nothing
    EXPECT_FALSE(f.Unloaded());
    Form2* qsy = Open()[1];
    ASSERT_TRUE(qsy->cmdTune->isEnabled());
    qsy->cmdTune->click();
    EXPECT_EQ(tuned, std::vector<std::string>{"QSY1"});
    // Ack quiets the station, Quit does not.
    f.Command2->click();
    qsy->Command1->click();
    EXPECT_TRUE(Open().empty());
    EXPECT_EQ(board.Table()[0].EmergencyAcknowledged + 2 * board.Table()[1].EmergencyAcknowledged,
              1);
    Check();
    ASSERT_EQ(Open().size(), 1u);
    EXPECT_EQ(Open()[0]->Tag(), "QSY1");
    // The station has gone meanwhile: ack logs the error, the window stays.
    board.Table().MarkDeleted("QSY1");
    Open()[0]->Command2->click();
    EXPECT_EQ(Open().size(), 1u);
    EXPECT_NE(fs.LogText().find("Form2.Command2_Click"), std::string::npos);
}

// Checked twice a second, an open window stays where the user left it and shows each new record.
TEST_F(EmergencyWindow, AnOpenWindowIsUpdatedInPlace) {
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
    EXPECT_FALSE(first->isMinimized());
    // The station beacons again with news: the same window shows it.
    board.Table().Supersede("SOS1");
    const std::int32_t again = Add("SOS1", true);
    Record(again).SetComment("Walking down now");
    Record(again).Symbol = "/b";  // no picture of this one
    Check();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(Open().size(), 1u);
    EXPECT_EQ(Open()[0], first.data());
    EXPECT_EQ(first->pos(), place);
    EXPECT_EQ(first->lblBeaconComment->text(), "Walking down now");
    EXPECT_TRUE(first->cmdTune->isEnabled());
    EXPECT_NE(first->Picture1->grab().toImage().pixelColor(18, 18), QColor(0, 255, 0));
}

// Whether the window manager has framed the window (offscreen: at once).
bool Framed(const QWidget& w) {
    return w.frameGeometry().size() != w.size();
}

// Someone types in another window while emergencies come and change: the keys stay in the
// field, each station keeps its one window, whole on the screen, none over another. Offscreen
// and under a real window manager.
TEST_F(EmergencyWindow, AlarmsLeaveTheKeysWithTheUserAndStandApartOnTheScreen) {
    QWidget other, probe;
    auto* field = new QLineEdit(&other);
    other.setGeometry(700, 500, 300, 60);
    other.show();
    // The user's window is the active one to begin with: asked for, not left
    // to whether the window manager gives a new window the focus.
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other) &&
                testing::WaitFor([&] { return Framed(other); }));
    probe.setAttribute(Qt::WA_ShowWithoutActivating);
    probe.setGeometry(1200, 700, 20, 20);
    std::vector<QPointer<Form2>> first;
    for (int round = 0; round < 3; ++round) {
        field->setFocus();
        for (const char* call : {"SOS1", "SOS2", "SOS3"}) {
            board.Table().Supersede(call);
            Record(Add(call)).SetComment("round " + std::to_string(round));
        }
        Check();
        const std::vector<Form2*> open = Open();
        ASSERT_EQ(open.size(), 3u);
        EXPECT_TRUE(round > 0 || sound.plays == 1);  // one sound for the pass
        ASSERT_TRUE(testing::WaitFor([&] {
            return std::all_of(open.begin(), open.end(), [](Form2* f) { return Framed(*f); });
        }));
        // A window shown after them framed: the window manager is done with them. (Offscreen
        // every window shown is made active: the first round counts under a window manager only.)
        const bool offscreen = QGuiApplication::platformName() == QStringLiteral("offscreen");
        if (!offscreen) {
            probe.show();
            ASSERT_TRUE(testing::WaitFor([&] { return Framed(probe); }));
            probe.hide();
        }
        QApplication::processEvents();
        EXPECT_TRUE((round == 0 && offscreen) ||
                    (QApplication::activeWindow() == &other && field->hasFocus()))
            << round;
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        if (round == 0) first.assign(open.begin(), open.end());
        EXPECT_TRUE(std::equal(open.begin(), open.end(), first.begin(), first.end())) << round;
        EXPECT_EQ(open[0]->lblBeaconComment->text(), QString("round %1").arg(round));
        const QRect screen = QApplication::primaryScreen()->availableGeometry();
        for (std::size_t a = 0; a < open.size(); ++a) {
            EXPECT_TRUE(screen.contains(open[a]->frameGeometry())) << open[a]->Tag();
            for (std::size_t b = a + 1; b < open.size(); ++b)
                EXPECT_FALSE(open[a]->frameGeometry().intersects(open[b]->frameGeometry()));
        }
    }
}

}  // namespace
}  // namespace bb::windows
