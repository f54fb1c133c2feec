// Drives the main window as a user does: presses, popups, commands timed into a rebuild's pause.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/qt_message_pump.h"
#include "tests/fakes/fake_scheduler.h"

namespace bb::testing {

class UiDriver {
  protected:
    static constexpr int kQsyColumn = 16;  // with every column shown
    std::unique_ptr<app::Form1> form;
    struct : SoundPlayer {
        void PlayAsync(const std::filesystem::path&) override {}
    } speaker_;  // there whatever this machine has
    // Set before OpenBoard: the board's put-off work runs on this clock, which Settle moves on.
    FakeScheduler* clock = nullptr;

    void OpenBoard(app::Form1::HostFactory factory) {
        form = std::make_unique<app::Form1>(std::move(factory), clock);
        form->SetSoundPlayer(&speaker_);
        form->resize(1000, 600);
        form->show();
        form->Form_Load();
        Settle();
    }
    void Close() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != form.get() && !qobject_cast<QMenu*>(w)) w->close();
        form.reset();
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Runs the loop until no rebuild runs or waits and no input is held; then the view follows.
    void Settle() {
        using namespace std::chrono;
        const auto end = steady_clock::now() + seconds(20);
        platform::UserInputGate& gate = platform::UserInputGate::Instance();
        int quiet = 0;
        while (steady_clock::now() < end && quiet < 3) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            const bool idle = !form->Wiring()->Grid().Busy() &&
                              !form->Wiring()->Grid().RebuildWaiting() && gate.Held() == 0 &&
                              !form->Wiring()->PhgGate().Waiting() &&
                              !form->Wiring()->Alarm().AlarmGate().Waiting();
            if (clock) {
                // Held input goes at the gate's next turn: the only real time a settle waits.
                if (gate.Held() > 0) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
                quiet = idle && clock->DueWithin(500) == 0 ? quiet + 1 : 0;
                clock->Advance(10);
                continue;
            }
            quiet = idle ? quiet + 1 : 0;
            QThread::msleep(idle ? 20 : 2);
        }
        form->View().Sync();
    }

    QAbstractItemModel& Model() { return *form->View().model(); }
    // The callsigns as the view shows them, top to bottom.
    std::vector<std::string> ShownCalls() {
        std::vector<std::string> out;
        for (int r = 0; r < Model().rowCount(); ++r)
            out.push_back(Model().data(Model().index(r, 0)).toString().toStdString());
        return out;
    }
    int ViewRow(const std::string& call) {
        const std::vector<std::string> calls = ShownCalls();
        const auto at = std::find(calls.begin(), calls.end(), call);
        EXPECT_NE(at, calls.end()) << call << " is not shown";
        return at == calls.end() ? 0 : static_cast<int>(at - calls.begin());
    }
    QPoint CellCentre(const std::string& call, int col) {
        const QModelIndex index = Model().index(ViewRow(call), col);
        form->View().scrollTo(index);
        return form->View().visualRect(index).center();
    }
    void Press(Qt::MouseButton button, const std::string& call, int col) {
        QTest::mouseClick(form->View().viewport(), button, {}, CellCentre(call, col));
    }
    void PressHeader(int col) {
        QHeaderView* h = form->View().horizontalHeader();
        QTest::mouseClick(
            h->viewport(), Qt::LeftButton, {},
            QPoint(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2));
    }
    // The popup menu that is open, after the loop has let it show.
    static QMenu* OpenMenu() {
        for (int i = 0; i < 50 && !QApplication::activePopupWidget(); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    static void Choose(QMenu* menu, const char* text) {
        ASSERT_TRUE(menu);
        for (QAction* a : menu->actions()) {
            if (a->text() == QString::fromLatin1(text)) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
                return;
            }
        }
        ADD_FAILURE() << "no " << text << " in the popup";
    }
    // The background the view paints in a station's cell, read from the screen.
    QColor RowBackground(const std::string& call, int col) {
        form->View().Sync();
        const QPoint centre = CellCentre(call, col);
        const QRect cell = form->View().visualRect(Model().index(ViewRow(call), col));
        const QImage image = form->View().viewport()->grab().toImage();
        return image.pixelColor(cell.left() + 3, centre.y());
    }
    static windows::Form2* EmergencyWindow(const std::string& call) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<windows::Form2*>(w); f && !f->Unloaded() && f->Tag() == call)
                return f;
        return nullptr;
    }

    // Runs `action` at a pause of the host event `start` (or after it, if it has none), then
    // settles; returns whether it ran in a pause.
    bool AtAPauseOfAnEvent(const std::function<void()>& start,
                           const std::function<void()>& action) {
        bool ran = false, started = false;
        int tries = 0;
        std::function<void()> probe = [&] {
            if (ran || ++tries > 2000) return;
            if (started && platform::UserInputGate::Instance().InPause()) {
                ran = true;
                action();
                return;
            }
            // Time-sliced pauses: the next lets messages run only once a slice has passed.
            if (clock)
                clock->Advance(11);
            else
                QThread::msleep(11);
            QTimer::singleShot(0, form.get(), probe);
        };
        QTimer::singleShot(0, form.get(), probe);
        started = true;
        start();
        started = false;
        const bool inPause = ran;
        ran = true;  // the probe stops
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!inPause) action();
        Settle();
        return inPause;
    }

    // The rows are what a fresh rebuild gives: every live station once, none twice.
    void ExpectWholeGrid() {
        const platform::GridControl& g = form->GridModel();
        EXPECT_TRUE(g.Visible() && !g.Busy());
        const auto take = [&] {
            std::multiset<std::vector<std::string>> out;
            for (int r = g.FixedRows(); r < g.Rows(); ++r) {
                std::vector<std::string> cells;
                for (int c = 0; c < g.Cols(); ++c)
                    cells.push_back(g.TextMatrix(r, c));
                out.insert(cells);
            }
            return out;
        };
        const auto rows = take();
        EXPECT_EQ(rows.size(),
                  static_cast<std::size_t>(form->Wiring()->Board().Table().LiveCount()));
        form->Wiring()->Grid().build_station_grid();
        Settle();
        EXPECT_EQ(take(), rows);
    }
};

}  // namespace bb::testing
