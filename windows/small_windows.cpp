#include "windows/small_windows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>

#include "support/vb_error.h"

namespace bb::windows {
namespace {

constexpr int kTwips = 15;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QRect TwipRect(int left, int top, int width, int height) {
    return {left / kTwips, top / kTwips, width / kTwips, height / kTwips};
}

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

void ShellOpen(const std::string& target) {
    const QString t = Q(target);
    // A web address as it is; anything else is a file path.
    const QUrl url = t.contains(QStringLiteral("://")) ? QUrl(t) : QUrl::fromLocalFile(t);
    QDesktopServices::openUrl(url);
}

void CentreOnScreen(QWidget& w) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect s = screen->geometry();
    w.move(s.x() + (s.width() - w.frameGeometry().width()) / 2,
           s.y() + (s.height() - w.frameGeometry().height()) / 2);
}

Form4::Form4(const std::string& windowTitle, QWidget* parent)
    : QWidget(parent), windowTitle_(windowTitle) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("Form4"));
    setFixedSize(4665 / kTwips, 3600 / kTwips);
    lblIntro = new QLabel(
        QStringLiteral("This shows a legend of all colors used in the Beaconboard"), this);
    lblIntro->setGeometry(TwipRect(120, 120, 4455, 855));
    lblIntro->setWordWrap(true);
    lblIntro->setStyleSheet(QStringLiteral("background-color: #FFFF80;"));
    int top = 1080;
    for (const Swatch& s : kSwatches) {
        auto* swatch = new QLabel(this);
        swatch->setGeometry(TwipRect(120, top, 1575, 255));
        swatch->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid black;")
                                  .arg(QString::fromLatin1(s.colour)));
        auto* caption = new QLabel(QString::fromLatin1(s.caption), this);
        caption->setGeometry(TwipRect(2040, top, 2415, 255));
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

frm_About::frm_About(AboutTexts texts, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), texts_(std::move(texts)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frm_About"));
    setFixedSize(440, 352);
    auto label = [this](int top, int height = 20) {
        auto* l = new QLabel(this);
        l->setGeometry(16, top, 408, height);
        l->setWordWrap(true);
        return l;
    };
    Label1 = label(12, 24);
    Label2 = label(40);
    Label3 = label(64, 48);
    Label4 = label(120);
    Label4->setText(QStringLiteral("Legal"));
    Label5 = label(142, 50);
    lblDisclaimer = label(194, 50);
    lblDisclaimer->setText(QString::fromUtf8(kDisclaimer));
    Label8 = label(248);
    Label8->setText(QStringLiteral("More information on this website"));
    lblWebURL = label(270, 36);
    lblWebURL->setCursor(Qt::PointingHandCursor);
    lblWebURL->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    lblWebURL->installEventFilter(this);
    Command1 = new QPushButton(QStringLiteral("&OK"), this);
    Command1->setGeometry(340, 314, 84, 28);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    Form_Load();
}

void frm_About::Form_Load() {
    Trap("frm_About.Form_Load", [&] {
        setWindowTitle(Q("About " + texts_.WindowTitle));
        Label1->setText(Q(texts_.WindowTitle));
        Label2->setText(Q(texts_.AuthorText));
        Label3->setText(Q(texts_.DescriptionText));
        lblWebURL->setText(Q(texts_.WebsiteText));
        Label5->setText(texts_.LegalText.empty() ? QStringLiteral("Not set in Project!")
                                                 : Q(texts_.LegalText));
        CentreOnScreen(*this);
    });
}

void frm_About::Command1_Click() {
    Trap("frm_About.Command1_Click", [&] { close(); });
}

void frm_About::lblWebURL_Click() {
    Trap("frm_About.lblWebURL_Click", [&] {
        if (Open) Open(texts_.WebsiteText);
    });
}

bool frm_About::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblWebURL && event->type() == QEvent::MouseButtonRelease) {
        lblWebURL_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frm_About::closeEvent(QCloseEvent* event) {
    Trap("frm_About.Form_Unload", [&] {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    });
    event->accept();
}

}  // namespace bb::windows
