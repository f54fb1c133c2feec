#include "platform/qt_message_pump.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

namespace bb::platform {
namespace {

TEST(QtMessagePump, RunsWhatIsWaitingAndNothingLater) {
    int argc = 1;
    char name[] = "qt_message_pump_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QtMessagePump pump;
    int ran = 0, nested = 0;
    QTimer::singleShot(0, &app, [&] {
        ++ran;
        // An event that waits in its turn inside a nested pause runs there.
        QTimer::singleShot(0, &app, [&] { ++nested; });
        pump.LetPendingMessagesRun();
    });
    QTimer::singleShot(60000, &app, [&] { ADD_FAILURE() << "a far timer ran"; });
    pump.LetPendingMessagesRun();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(nested, 1);
    pump.LetPendingMessagesRun();
    EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace bb::platform
