// Runs the event loop until a condition holds, or gives up.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace bb::testing {

inline bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace bb::testing
