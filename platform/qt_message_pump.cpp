#include "platform/qt_message_pump.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWindow>

namespace bb::platform {
namespace {

// What a user does: presses, keys, shortcuts and menu keys. Moves, wheel
// turns and hovering only change what is shown, and pass through; so do
// close events, which Qt also makes itself while it shows a window.
bool IsUserCommand(const QEvent& e) {
    switch (e.type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ContextMenu:
            return e.spontaneous();
        case QEvent::Shortcut:
            return true;
        default:
            return false;
    }
}

}  // namespace

void QtMessagePump::LetPendingMessagesRun() {
    UserInputGate& gate = UserInputGate::Instance();
    gate.Enter();
    struct Leave {
        UserInputGate& g;
        ~Leave() { g.Leave(); }
    } leave{gate};
    // Posted events (host events, timer ticks) run here; the deferred
    // deletions of the loop proper do not, so no object a caller still uses
    // goes away underneath it.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

UserInputGate& UserInputGate::Instance() {
    static QPointer<UserInputGate> gate;
    if (!gate) gate = new UserInputGate(QCoreApplication::instance());
    return *gate;
}

UserInputGate::UserInputGate(QObject* parent) : QObject(parent) {
    if (parent) parent->installEventFilter(this);
    flush_.setSingleShot(true);
    // A few milliseconds: the timer is asked again at every pause of a long pass.
    flush_.setInterval(2);
    connect(&flush_, &QTimer::timeout, this, &UserInputGate::Flush);
}

bool UserInputGate::eventFilter(QObject* receiver, QEvent* event) {
    if (!IsUserCommand(*event)) return false;
    if (!(receiver->isWindowType() || receiver->isWidgetType() ||
          event->type() == QEvent::Shortcut))
        return false;
    // A modal window opened inside a pause (a message box) must be answerable.
    if (QGuiApplication::modalWindow()) return false;
    // Held in a pause, and behind anything already held so the order stays.
    if (!InPause() && (held_.empty() || replaying_)) return false;
    held_.emplace_back(receiver, std::unique_ptr<QEvent>(event->clone()));
    if (!flush_.isActive()) flush_.start();
    return true;
}

void UserInputGate::Flush() {
    if (replaying_) return;
    if (InPause()) {
        flush_.start();
        return;
    }
    // One at a time: an event whose command pauses holds what comes during
    // that pause behind the events still waiting.
    while (!held_.empty() && !InPause()) {
        auto [receiver, event] = std::move(held_.front());
        held_.pop_front();
        if (!receiver) continue;
        replaying_ = true;
        struct Done {
            bool& r;
            ~Done() { r = false; }
        } done{replaying_};
        QCoreApplication::sendEvent(receiver, event.get());
    }
    if (!held_.empty()) {
        flush_.start();
        return;
    }
    emit Delivered();
}

}  // namespace bb::platform
