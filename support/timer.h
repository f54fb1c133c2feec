// A window timer: ticks every interval while enabled, through the event loop.
#pragma once

#include <functional>
#include <utility>

namespace bb {

class Timer {
  public:
    virtual ~Timer() = default;
    virtual void SetInterval(int milliseconds) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    // What runs on each tick; nothing when empty.
    void SetTick(std::function<void()> tick) { tick_ = std::move(tick); }

  protected:
    void Ticked() {
        if (tick_) tick_();
    }

  private:
    std::function<void()> tick_;
};

}  // namespace bb
