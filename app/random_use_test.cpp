// A seeded run of host events landing in the board's pauses amid the user's
// clicks, popups, options, languages and emergency buttons; after every step
// the board must be whole. BB_SEED repeats a run, BB_RANDOM_STEPS lengthens it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <random>
#include <regex>
#include <sstream>

#include "tests/fakes/main_window_fixture.h"
#include "tests/fakes/ui_driver.h"

namespace bb::app {
namespace {

class RandomUse : public testing::MainWindow, protected testing::UiDriver {
  protected:
    testing::FakeScheduler scheduler;
    std::mt19937 rng;
    std::vector<std::string> pool;
    int beacons = 0;
    // What each open window was opened for.
    std::string detailsFor, tuneFor;

    void TearDown() override { Close(); }
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(rng); }

    std::string RandomComment() {
        std::string text = "!";
        if (Chance(0.4)) text += "PHG" + std::to_string(1000 + Pick(9000)) + " ";
        if (Chance(0.4)) text += std::to_string(144 + Pick(300)) + ".500MHz ";
        if (Chance(0.2)) text += "T" + std::to_string(67 + Pick(100)) + " ";
        return text + "seen " + std::to_string(beacons);
    }
    void HostEvent() {
        const std::string& cs = pool[static_cast<std::size_t>(Pick(int(pool.size())))];
        if (Chance(0.1)) {
            connection->events->mUIV_NotifyDelete(cs);
            return;
        }
        Station(cs, Pick(600), RandomComment());
        host.Know(cs).Distance = static_cast<float>(Pick(2000));
        host.Know(cs).StatusText = Chance(0.08) ? "EMERGENCY" : "";
        ++beacons;
        connection->events->mUIV_NotifyBeacon(cs, 0, 0);
    }
    void HostBurst() {
        for (int i = Pick(4); i > 0; --i)
            QTimer::singleShot(0, form.get(), [this] { HostEvent(); });
    }

    qsizetype LogLinesWith(const char* what) {
        return QString::fromStdString(fs.LogText()).count(QLatin1String(what));
    }
    // One thing the user does, for the trace. At a pause only single presses
    // and keys: a popup shows once the pass is over.
    std::string UserAction(bool atPause) {
        static constexpr int kAtPause[] = {0, 1, 4, 6, 7};
        const std::vector<std::string> shown = ShownCalls();
        const std::string call =
            shown.empty() ? "" : shown[static_cast<std::size_t>(Pick(int(shown.size())))];
        const int cols = form->View().model()->columnCount();
        switch (atPause ? kAtPause[Pick(5)] : Pick(8)) {
            case 0:
                if (call.empty()) return "nothing to click";
                Press(Qt::LeftButton, call, Pick(cols));
                return "click " + call;
            case 1: {
                const int c = Pick(cols);
                PressHeader(c);
                return "header " + std::to_string(c);
            }
            case 2: {
                const StationGrid& g = form->Wiring()->Grid();
                int qsy = g.LastGridCol();  // the QSY column's place, -1 when hidden
                while (qsy >= 0 && g.GridColumns()[static_cast<std::size_t>(qsy)].source != 16)
                    --qsy;
                if (call.empty() || qsy < 0) return "no Tune to choose";
                Press(Qt::RightButton, call, qsy);
                if (QMenu* popup = OpenMenu()) {
                    const std::string before = tuneFor;
                    const qsizetype failed = LogLinesWith("Form1.mnuPopupTune_Click");
                    tuneFor = form->Wiring()->Grid().SelectedCall();
                    Choose(popup, "Tune");
                    // Deleted by the host as the popup opened: Tune fails, logged.
                    if (LogLinesWith("Form1.mnuPopupTune_Click") > failed) tuneFor = before;
                }
                return "Tune " + call;
            }
            case 3: {
                if (call.empty()) return "no Detail to choose";
                Press(Qt::RightButton, call, 0);
                if (QMenu* popup = OpenMenu()) {
                    detailsFor = form->Wiring()->Grid().SelectedCall();
                    Choose(popup, "Detail");
                }
                return "Detail " + call;
            }
            case 4: {
                form->mnuConfig_Click();
                windows::frmOptions* options = form->OptionsDialog();
                for (int i = 1; i <= 17; ++i)
                    if (Chance(0.2)) QTest::mouseClick(options->chkField[i], Qt::LeftButton);
                QTest::mouseClick(Chance(0.5) ? options->cmdApply : options->cmdOK, Qt::LeftButton);
                return "options";
            }
            case 5: {
                static const char* kLanguages[] = {"English", "Deutsch", "Nederlands"};
                const char* language = kLanguages[Pick(3)];
                for (QAction* a : form->Menu("mnuOptionsLang")->menu()->actions())
                    if (a->text() == language) a->trigger();
                return std::string("language ") + language;
            }
            case 6: {
                std::vector<windows::Form2*> open;
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* f = qobject_cast<windows::Form2*>(w); f && !f->Unloaded())
                        open.push_back(f);
                if (open.empty()) return "no emergency window";
                windows::Form2* f = open[static_cast<std::size_t>(Pick(int(open.size())))];
                const bool ack = Chance(0.5);
                const std::string tag = f->Tag();
                QTest::mouseClick(ack ? f->Command2 : f->Command1, Qt::LeftButton);
                return (ack ? "ack " : "Quit ") + tag;
            }
            default:
                QTest::keyClick(&form->View(), Chance(0.5) ? Qt::Key_Down : Qt::Key_Up);
                return "arrow key";
        }
    }

    void ExpectBoardWhole() {
        ExpectWholeGrid();
        // The selected row alone is painted selected (emergencies paint over it).
        const StationTable& table = form->Wiring()->Board().Table();
        QAbstractItemModel& m = Model();
        for (int r = 0; r < m.rowCount(); ++r) {
            const std::string cs = m.data(m.index(r, 0)).toString().toStdString();
            const std::int32_t i = table.find_station(cs);
            if (i >= 0 && table[i].Emergency && Settings().EmergencyScan) continue;
            const bool painted =
                m.data(m.index(r, 0), Qt::BackgroundRole).value<QColor>() == QColor(0, 0, 255);
            EXPECT_EQ(painted, cs == form->Wiring()->Grid().SelectedCall()) << cs;
        }
        if (windows::Form5* d = form->DetailsWindow(); d && d->isVisible()) {
            EXPECT_EQ(d->windowTitle().toStdString(), "Detail of " + detailsFor);
            EXPECT_EQ(d->Record ? d->Record->Callsign.str() : detailsFor, detailsFor);
        }
        if (windows::Form3* t = form->TuneDialog(); t && t->isVisible() && !tuneFor.empty()) {
            EXPECT_NE(t->lblDescription->text().toStdString().find("station " + tuneFor + " "),
                      std::string::npos)
                << t->lblDescription->text().toStdString();
        }
        // Errors only from Tune or ack on a station the host just deleted; the
        // run's header and closing lines are no errors.
        static const std::regex kFine(
            "version |App\\.Path|App\\.exe|Operating System|Language |Country |DXLab Apps| shutdown"
            "|error 9 in module (Form1\\.mnuPopupTune_Click|Form2\\.Command2_Click)");
        std::istringstream log(fs.LogText());
        for (std::string line; std::getline(log, line);)
            EXPECT_TRUE(line.find(" > ") == std::string::npos || std::regex_search(line, kFine))
                << line;
    }
};

TEST_F(RandomUse, HostAndUserTogetherLeaveTheBoardWhole) {
    const unsigned seed =
        qEnvironmentVariableIsSet("BB_SEED") ? qEnvironmentVariable("BB_SEED").toUInt() : 20261208u;
    const int steps = qEnvironmentVariableIsSet("BB_RANDOM_STEPS")
                          ? qEnvironmentVariableIntValue("BB_RANDOM_STEPS")
                          : 120;
    SCOPED_TRACE("BB_SEED=" + std::to_string(seed));
    std::printf("BB_SEED=%u, %d steps\n", seed, steps);
    rng.seed(seed);
    clock = &scheduler;
    for (int i = 0; i < 60; ++i) {
        pool.push_back("ST" + std::to_string(100 + i) + (i % 4 ? "" : "-9"));
        if (i >= 30) continue;
        Station(pool.back(), Pick(600), RandomComment());
        host.Know(pool.back()).StatusText = i % 10 == 3 ? "EMERGENCY" : "";
    }
    OpenBoard(Factory());
    for (int step = 0; step < steps && !HasFailure(); ++step) {
        std::string what;
        if (Chance(0.3)) {
            // The user's command lands in a pause of a host event.
            const bool paused =
                AtAPauseOfAnEvent([this] { HostEvent(); }, [&] { what = UserAction(true); });
            what += paused ? " at a pause" : " after an event";
        } else {
            HostBurst();
            what = UserAction(false);
        }
        Settle();
        SCOPED_TRACE("step " + std::to_string(step) + ": " + what);
        ExpectBoardWhole();
    }
}

}  // namespace
}  // namespace bb::app
