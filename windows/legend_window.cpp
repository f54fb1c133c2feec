#include "windows/legend_window.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/qt_text.h"
#include "support/error_trap.h"
#include "windows/twip_layout.h"

namespace bb::windows {
namespace {

using platform::Q;

const TwipLayout kLayout;

struct Swatch {
    const char* colour;
    const char* caption;
};
constexpr Swatch kSwatches[] = {
    {"#FFFFFF", "Normal entry"},      {"#0000FF", "Selected entry"},
    {"#FF0000", "Emergency"},         {"#FF8000", "Acknoledged Emergency "},
    {"#FFFF00", "Distant Emergency"}, {"#00FF00", "Operational Freqency"},
    {"#FF00FF", "Vicinity"}};

}  // namespace

Form4::Form4(const std::string& windowTitle, QWidget* parent)
    : QWidget(parent), windowTitle_(windowTitle) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("Form4"));
    setFixedSize(kLayout.Px(4665), kLayout.Px(3600));
    lblIntro = new QLabel(
        QStringLiteral("This shows a legend of all colors used in the Beaconboard"), this);
    lblIntro->setGeometry(kLayout.Rect(120, 120, 4455, 855));
    lblIntro->setWordWrap(true);
    lblIntro->setStyleSheet(QStringLiteral("background-color: #FFFF80;"));
    int top = 1080;
    for (const Swatch& s : kSwatches) {
        auto* swatch = new QLabel(this);
        swatch->setGeometry(kLayout.Rect(120, top, 1575, 255));
        swatch->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid black;")
                                  .arg(QString::fromLatin1(s.colour)));
        auto* caption = new QLabel(QString::fromLatin1(s.caption), this);
        caption->setGeometry(kLayout.Rect(2040, top, 2415, 255));
        Swatches.push_back(swatch);
        Captions.push_back(caption);
        top += 360;
    }
    setWindowTitle(Q(windowTitle_ + " Legend"));
}

// The place needs the window's frame, which is known once it is shown.
void Form4::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        Form_Load();
    }
}

void Form4::Form_Load() {
    Trap("Form4.Form_Load", [&] {
        setWindowTitle(Q(windowTitle_ + " Legend"));
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen) Raise(err::kObjectNotSet, "no screen");
        // Top right of the primary screen, wherever the main window is.
        const QRect s = screen->geometry();
        const int frameExtra = frameGeometry().width() - width();
        move(s.x() + s.width() - (width() + frameExtra), s.y());
    });
}

}  // namespace bb::windows
