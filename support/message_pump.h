// "Let pending window messages run once": the one point where a long task
// lets user input, timer ticks and host events through. The app wires it to
// the event loop; tests wire it to a scripted host.
#pragma once

#include <cstdint>

#include "support/scheduler.h"

namespace bb {

class MessagePump {
  public:
    virtual ~MessagePump() = default;
    // Handlers of the events that run here may change any shared state; the
    // caller must not hold references into it across this call.
    virtual void LetPendingMessagesRun() = 0;
};

// A pump that lets messages run at most once per time slice, however often
// it is asked: a pass over 50,000 rows stays quick and the window answering.
class TimeSlicedPump final : public MessagePump {
  public:
    TimeSlicedPump(MessagePump& inner, const Scheduler& clock, std::int64_t sliceMicros = 10000)
        : inner_(inner), clock_(clock), slice_(sliceMicros) {}
    void LetPendingMessagesRun() override;

  private:
    MessagePump& inner_;
    const Scheduler& clock_;
    std::int64_t slice_;
    std::int64_t last_ = 0;
};

}  // namespace bb
