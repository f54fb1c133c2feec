#include "windows/desktop.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

namespace bb::windows {

void ShellOpen(const std::string& target) {
    const QString t = QString::fromStdString(target);
    // A web address as it is; anything else is a file path.
    const QUrl url = t.contains(QStringLiteral("://")) ? QUrl(t) : QUrl::fromLocalFile(t);
    QDesktopServices::openUrl(url);
}

Opener& DesktopOpener() {
    static struct : Opener {
        void Open(const std::string& target) override { ShellOpen(target); }
    } desktop;
    return desktop;
}

void CentreOnScreen(QWidget& w) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect s = screen->geometry();
    w.move(s.x() + (s.width() - w.frameGeometry().width()) / 2,
           s.y() + (s.height() - w.frameGeometry().height()) / 2);
}

}  // namespace bb::windows
