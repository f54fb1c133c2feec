#include "windows/about_box.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>

#include "platform/qt_text.h"
#include "support/error_trap.h"

namespace bb::windows {
namespace {

using platform::Q;

}  // namespace

frm_About::frm_About(Opener& opener, AboutTexts texts, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      texts_(std::move(texts)),
      opener_(opener) {
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
    DisclaimerLabel = label(194, 50);
    DisclaimerLabel->setText(QString::fromUtf8(kDisclaimer));
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
    Trap("frm_About.lblWebURL_Click", [&] { opener_.Open(texts_.WebsiteText); });
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
