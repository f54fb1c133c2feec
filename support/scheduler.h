// Work put off: a steady clock and "run this later, from the event loop".
// The rebuild that waits for its turn, the spaced map and alarm passes and
// the radio link's connect after an announcement all go through one.
#pragma once

#include <cstdint>
#include <functional>

namespace bb {

class Scheduler {
  public:
    virtual ~Scheduler() = default;
    // A steady clock, never set back.
    virtual std::int64_t NowMicros() const = 0;
    std::int64_t NowMs() const { return NowMicros() / 1000; }
    // The same clock, read more cheaply and a few milliseconds coarse: for
    // a pass that asks the time once a station.
    virtual std::int64_t CoarseNowMicros() const { return NowMicros(); }
    // Runs `task` once, from the event loop, no sooner than `delayMs` from
    // now; tasks still waiting when the scheduler goes are dropped.
    virtual void Later(int delayMs, std::function<void()> task) = 0;
};

}  // namespace bb
