#include "platform/qt_scheduler.h"

#include <QTimer>
#include <chrono>

namespace bb::platform {

std::int64_t QtScheduler::NowMicros() const {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void QtScheduler::Later(int delayMs, std::function<void()> task) {
    // A precise timer: a pass kept a gap apart must not come early.
    QTimer::singleShot(std::max(0, delayMs), Qt::PreciseTimer, &context_, std::move(task));
}

}  // namespace bb::platform
