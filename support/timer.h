// A window timer: ticks every interval while enabled, through the event loop.
#pragma once

#include <functional>

namespace bb {

class Timer {
  public:
    virtual ~Timer() = default;
    virtual void SetInterval(int milliseconds) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    // Runs on each tick.
    std::function<void()> Tick;
};

}  // namespace bb
