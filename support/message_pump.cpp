#include "support/message_pump.h"

namespace bb {

void TimeSlicedPump::LetPendingMessagesRun() {
    const std::int64_t now = clock_.CoarseNowMicros();
    if (now - last_ < slice_) return;
    last_ = now;
    inner_.LetPendingMessagesRun();
}

}  // namespace bb
