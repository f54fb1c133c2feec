// "Let pending window messages run once": the one point where a long task
// lets user input, timer ticks and host events through. The app wires it to
// the event loop; tests wire it to a scripted host.
#pragma once

namespace bb {

class MessagePump {
  public:
    virtual ~MessagePump() = default;
    // Handlers of the events that run here may change any shared state; the
    // caller must not hold references into it across this call.
    virtual void LetPendingMessagesRun() = 0;
};

}  // namespace bb
