#include "platform/qt_scheduler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <memory>
#include <vector>

#include "tests/fakes/wait_for.h"

namespace bb::platform {
namespace {

TEST(QtScheduler, TasksRunInTheirOrderNeverEarlyAndAreDroppedWithTheScheduler) {
    int argc = 1;
    char name[] = "qt_scheduler_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    std::vector<int> ran;
    auto scheduler = std::make_unique<QtScheduler>();
    const std::int64_t start = scheduler->NowMs();
    std::int64_t secondAt = 0;
    scheduler->Later(40, [&] {
        ran.push_back(2);
        secondAt = scheduler->NowMs();
    });
    scheduler->Later(0, [&] { ran.push_back(1); });
    ASSERT_TRUE(testing::WaitFor([&] { return ran.size() == 2; }));
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_GE(secondAt - start, 40);
    // A task still waiting when the scheduler goes never runs.
    scheduler->Later(20, [&] { ran.push_back(3); });
    scheduler.reset();
    bool later = false;
    QTimer::singleShot(40, [&] { later = true; });
    ASSERT_TRUE(testing::WaitFor([&] { return later; }));
    EXPECT_EQ(ran.size(), 2u);
}

}  // namespace
}  // namespace bb::platform

namespace bb::platform {
namespace {

// The cheap clock is the same clock, at most a few ticks behind.
TEST(QtScheduler, TheCoarseClockIsTheSameClockALittleBehind) {
    const QtScheduler scheduler;
    const std::int64_t coarse = scheduler.CoarseNowMicros();
    const std::int64_t now = scheduler.NowMicros();
    EXPECT_LE(coarse, now);
    EXPECT_GT(coarse, now - 50000);
}

}  // namespace
}  // namespace bb::platform
