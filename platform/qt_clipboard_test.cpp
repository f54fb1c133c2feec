#include "platform/qt_clipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

namespace bb::platform {
namespace {

TEST(QtClipboard, ReadsTheHostsBitmapAndPutsTheUsersCopyBack) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "qt_clipboard_test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    QClipboard* cb = QGuiApplication::clipboard();
    cb->setText(QStringLiteral("the user's own text"));
    QtClipboard clipboard;
    clipboard.Keep();
    QImage symbol(16, 16, QImage::Format_ARGB32);
    symbol.fill(QColor(0, 128, 255));
    cb->setImage(symbol);  // as the host does
    const auto bitmap = clipboard.GetBitmap();
    ASSERT_TRUE(bitmap.has_value());
    EXPECT_EQ(bitmap->width, 16);
    EXPECT_EQ(bitmap->argb.at(0), 0xFF0080FFu);
    clipboard.PutBack();
    EXPECT_EQ(cb->text(), QStringLiteral("the user's own text"));
    cb->setText(QStringLiteral("plain"));
    EXPECT_FALSE(clipboard.GetBitmap().has_value());
}

}  // namespace
}  // namespace bb::platform
