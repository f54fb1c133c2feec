#include "platform/qt_scheduler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <memory>
#include <vector>

namespace bb::platform {
namespace {

struct App {
    int argc = 1;
    char name[20] = "qt_scheduler_test";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};

void RunFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(QtScheduler, TasksRunInTheirOrderNeverEarlyAndAreDroppedWithTheScheduler) {
    App app;
    std::vector<int> ran;
    auto scheduler = std::make_unique<QtScheduler>();
    const std::int64_t start = scheduler->NowMs();
    std::int64_t secondAt = 0;
    scheduler->Later(40, [&] {
        ran.push_back(2);
        secondAt = scheduler->NowMs();
    });
    scheduler->Later(0, [&] { ran.push_back(1); });
    RunFor(100);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_GE(secondAt - start, 40);

    // A task still waiting when the scheduler goes never runs.
    scheduler->Later(20, [&] { ran.push_back(3); });
    scheduler.reset();
    RunFor(60);
    EXPECT_EQ(ran.size(), 2u);
}

}  // namespace
}  // namespace bb::platform
