#include "platform/qt_timer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace bb::platform {
namespace {

TEST(QtTimer, EnablingARunningTimerDoesNotPushItsTickBack) {
    int argc = 1;
    char name[] = "qt_timer_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QtTimer retry;
    int ticks = 0;
    retry.Tick = [&] { ++ticks; };
    retry.SetInterval(100);
    retry.SetEnabled(true);
    // A sweep every 30 ms enables it again, as the radio link's sweep does.
    QTimer sweep;
    QObject::connect(&sweep, &QTimer::timeout, [&] { retry.SetEnabled(true); });
    sweep.start(30);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 350)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_GE(ticks, 2);
    EXPECT_TRUE(retry.Enabled());
    retry.SetEnabled(false);
    EXPECT_FALSE(retry.Enabled());
}

}  // namespace
}  // namespace bb::platform
