#include "windows/emergency_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QScreen>
#include <QWindow>
#include <numbers>

#include "map/arrow.h"
#include "platform/qt_text.h"
#include "support/error_trap.h"
#include "support/number_format.h"

namespace bb::windows {
namespace {

using platform::Q;

constexpr float kHalfPi = 1.5707964f;

QFrame* Rule(QWidget* parent, int x, int y, int w, int h) {
    auto* line = new QFrame(parent);
    line->setFrameShape(w > h ? QFrame::HLine : QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(x, y, w, h);
    return line;
}

QLabel* Text(QWidget* parent, int x, int y, int w, int h) {
    auto* label = new QLabel(parent);
    label->setGeometry(x, y, w, h);
    return label;
}

}  // namespace

Form2::Form2(const Form2Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(services) {
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    // An alarm must not take the keys the user is typing: the window comes
    // to the front, the keyboard stays where it is. Set before the native
    // window is made, which takes it from here.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(360, 262);

    Label1 = Text(this, 56, 8, 200, 30);
    QFont big = Label1->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    Label1->setFont(big);
    Label1->setStyleSheet(QStringLiteral("color: #ff0000"));
    Picture1 = new platform::QtPictureBox(this);
    Picture1->setGeometry(12, 8, 36, 36);
    lblStationID = Text(this, 12, 50, 200, 22);
    QFont bold = lblStationID->font();
    bold.setPointSize(bold.pointSize() + 3);
    bold.setBold(true);
    lblStationID->setFont(bold);
    lblLatitude = Text(this, 12, 76, 110, 18);
    lblLongitude = Text(this, 124, 76, 110, 18);
    lblDirection = Text(this, 12, 98, 110, 18);
    lblDistance = Text(this, 124, 98, 110, 18);
    lblBeaconComment = Text(this, 12, 126, 222, 76);
    lblBeaconComment->setWordWrap(true);
    lblBeaconComment->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture2 = new platform::QtPictureBox(this);
    Picture2->setGeometry(248, 50, 100, 100);
    lblArrowDirection = Text(this, 248, 154, 100, 18);
    lblArrowDirection->setAlignment(Qt::AlignCenter);

    // The frame around the data and the rules between its parts.
    Lines = {Rule(this, 6, 46, 348, 2), Rule(this, 6, 120, 232, 2),  Rule(this, 6, 206, 348, 2),
             Rule(this, 6, 46, 2, 162), Rule(this, 352, 46, 2, 162), Rule(this, 240, 46, 2, 162),
             Rule(this, 6, 94, 232, 2)};

    cmdTune = new QPushButton(QStringLiteral("Tune"), this);
    Command2 = new QPushButton(QStringLiteral("ack"), this);
    Command1 = new QPushButton(QStringLiteral("Quit"), this);
    Command4 = new QPushButton(QStringLiteral("N/A"), this);
    int x = 12;
    for (QPushButton* b : {cmdTune, Command2, Command1, Command4}) {
        b->setGeometry(x, 220, 78, 30);
        x += 86;
    }
    connect(cmdTune, &QPushButton::clicked, this, [this] { cmdTune_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    Form_Load();
}

void Form2::Form_Load() {
    Trap("Form2.Form_Load", [&] {
        if (!services_.board || !services_.alarm) Raise(err::kObjectNotSet, "Form2");
        const StationRecord& r = services_.board->Table()[services_.alarm->EmergencyIndex()];
        // What the window needs later is copied now: the record may be
        // superseded while the window is open.
        const std::string symbol = r.Symbol;
        const bool hasQsy = r.HasQSY;
        const double bearing = r.Bearing;
        const char decimal = DecimalSeparator();
        Label1->setText(QStringLiteral("EMERGENCY!"));
        lblStationID->setText(Q(r.Callsign));
        lblLatitude->setText(Q(r.LatitudeText()));
        lblLongitude->setText(Q(r.LongitudeText()));
        lblBeaconComment->setText(Q(r.Comment()));
        lblDirection->setText(Q(" dir: " + Whole(bearing) + " degrees"));
        lblDistance->setText(Q("dist: " + FixedDecimals(r.Distance, 2, decimal) + " km"));
        lblArrowDirection->setText(Q(Whole(bearing)));
        // Loaded again for a newer record: nothing of the older one stays.
        Picture1->SetPicture(nullptr);
        if (services_.actions) {
            const std::shared_ptr<const Picture> picture = services_.actions->SymbolPicture(symbol);
            if (picture) Picture1->SetPicture(picture.get());
        }
        Arrow::DrawDirectionArrow(*Picture2, kHalfPi - bearing * 6.28 / 360,
                                  platform::QtSystemColours());
        cmdTune->setEnabled(hasQsy);
    });
}

void Form2::cmdTune_Click() {
    Trap("Form2.cmdTune_Click", [&] {
        if (services_.actions) services_.actions->Tune(lblStationID->text().toStdString());
    });
}

void Form2::Command2_Click() {
    Trap("Form2.Command2_Click", [&] {
        // The station this window shows, by its callsign: its live record,
        // the newest, is the one that alarms.
        services_.alarm->Acknowledge(lblStationID->text().toStdString());
        Unload();
    });
}

void Form2::Command1_Click() {
    Trap("Form2.Command1_Click", [&] { Unload(); });
}

void Form2::Command4_Click() {
    Trap("Form2.Command4_Click", [] {});
}

void Form2::Unload() {
    unloaded_ = true;
    close();
}

void Form2::closeEvent(QCloseEvent* event) {
    unloaded_ = true;
    event->accept();
}

namespace {

QMargins FrameOf(const QWidget& w) {
    const QRect outer = w.frameGeometry(), inner = w.geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

}  // namespace

QMargins Form2::FrameMargins() const {
    // The frame is known once the window exists on the screen, shown or not;
    // where the desktop adds it only at the first show, the frame of another
    // emergency window, or else of another window of the program, tells it.
    const_cast<Form2*>(this)->winId();
    if (const QMargins own = FrameOf(*this); !own.isNull()) return own;
    QMargins other;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == this || !w->isVisible()) continue;
        const QMargins frame = FrameOf(*w);
        if (frame.isNull()) continue;
        if (qobject_cast<Form2*>(w)) return frame;
        if (other.isNull()) other = frame;
    }
    return other;
}

QSize Form2::FrameSize() const {
    const QMargins m = FrameMargins();
    return size() + QSize(m.left() + m.right(), m.top() + m.bottom());
}

void Form2::SetTag(const std::string& tag) {
    setProperty("tag", Q(tag));
}

std::string Form2::Tag() const {
    return property("tag").toString().toStdString();
}

void Form2::SetCaption(const std::string& caption) {
    setWindowTitle(Q(caption));
}

ScreenArea Form2::Frame() const {
    const QRect r = frameGeometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

void Form2::Move(int left, int top) {
    // The frame's corner goes there. A window not yet framed is placed by
    // its inside, the frame it will get around it (the window manager puts
    // a frame corner asked for before it knows the frame elsewhere).
    const QMargins m = FrameMargins();
    if (!FrameOf(*this).isNull() || m.isNull())
        move(left, top);
    else
        setGeometry(QRect(QPoint(left + m.left(), top + m.top()), size()));
}

void Form2::Show() {
    show();
    raise();
}

void Form2::BringToFront() {
    if (isMinimized()) showNormal();
    raise();
}

namespace {

// A loaded window: one of ours, not closed.
bool Loaded(QWidget* w) {
    if (auto* form = qobject_cast<Form2*>(w)) return !form->Unloaded();
    return true;
}

QWidget* FindForm(std::string_view name, std::string_view tag) {
    const QString n = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    const QString t = QString::fromUtf8(tag.data(), static_cast<qsizetype>(tag.size()));
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == n && w->property("tag").toString() == t && Loaded(w)) return w;
    }
    return nullptr;
}

}  // namespace

bool QtForms::IsFormOpen(std::string_view name, std::string_view tag) {
    return FindForm(name, tag) != nullptr;
}

void QtForms::CloseFormByTag(std::string_view name, std::string_view tag) {
    if (QWidget* w = FindForm(name, tag)) w->close();
}

EmergencyForm* QtForms::OpenEmergencyWindow(std::string_view tag) {
    return qobject_cast<Form2*>(FindForm("Form2", tag));
}

std::vector<ScreenArea> QtForms::EmergencyFrames() const {
    std::vector<ScreenArea> frames;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* form = qobject_cast<Form2*>(w);
        if (form && !form->Unloaded() && form->isVisible()) frames.push_back(form->Frame());
    }
    return frames;
}

EmergencyForm& QtForms::NewEmergencyWindow() {
    return *new Form2(services_);
}

ScreenArea QtForms::AvailableArea() const {
    const QScreen* screen = QApplication::primaryScreen();
    if (!screen) return {0, 0, 1024, 768};
    const QRect r = screen->availableGeometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace bb::windows
