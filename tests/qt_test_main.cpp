// The main of the tests that need a Qt application: offscreen (or on the
// screen BB_TEST_PLATFORM names, such as xcb under a window manager), one for
// the whole test program, with the locale as the shipped programs set it (Qt
// takes it from the environment; numbers keep the C form).
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
    const QByteArray platform = qgetenv("BB_TEST_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
