#include "platform/screenshot.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

namespace bb::platform {
namespace {

// The window's own pixels, in the file named; a wait below nothing is none.
TEST(Screenshot, TheWindowsPixelsAreSavedAsAPng) {
    QWidget window;
    window.setFixedSize(64, 48);
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(200, 30, 40));
    window.setPalette(palette);
    window.show();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("shot.png"));
    SaveScreenshotAfter(window, -3, file, "test");
    for (int turn = 0; turn < 20 && !QFile::exists(file); ++turn)
        QApplication::processEvents();
    const QImage shot(file);
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(64, 48) * window.devicePixelRatio());
    EXPECT_EQ(shot.pixelColor(10, 10), QColor(200, 30, 40));
}

}  // namespace
}  // namespace bb::platform
