// The main of the tests that need a Qt application: offscreen, one for the
// whole test program, with the locale as the shipped programs set it (Qt takes
// it from the environment; numbers keep the C form).
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
