#include "platform/qt_message_pump.h"

#include <QCoreApplication>

namespace bb::platform {

void QtMessagePump::LetPendingMessagesRun() {
    // Posted events (host events, timer ticks, user input) run here; the
    // deferred deletions of the loop proper do not, so no object a caller
    // still uses goes away underneath it.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace bb::platform
