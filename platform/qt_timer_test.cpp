#include "platform/qt_timer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include "tests/fakes/wait_for.h"

namespace bb::platform {
namespace {

TEST(QtTimer, EnablingARunningTimerDoesNotPushItsTickBack) {
    int argc = 1;
    char name[] = "qt_timer_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QtTimer retry;
    int ticks = 0;
    retry.SetTick([&] { ++ticks; });
    retry.SetInterval(100);
    retry.SetEnabled(true);
    // A sweep every 30 ms enables it again, as the radio link's sweep does:
    // pushed back each time, it would never tick.
    QTimer sweep;
    QObject::connect(&sweep, &QTimer::timeout, [&] { retry.SetEnabled(true); });
    sweep.start(30);
    EXPECT_TRUE(testing::WaitFor([&] { return ticks >= 2; }, 2000));
    retry.SetEnabled(false);
    EXPECT_FALSE(retry.Enabled());
}

}  // namespace
}  // namespace bb::platform
