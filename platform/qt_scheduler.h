// Work put off on the Qt event loop.
#pragma once

#include <QObject>

#include "support/scheduler.h"

namespace bb::platform {

class QtScheduler final : public Scheduler {
  public:
    std::int64_t NowMicros() const override;
    std::int64_t CoarseNowMicros() const override;
    // Tasks are tied to this scheduler: they are dropped when it goes.
    void Later(int delayMs, std::function<void()> task) override;

  private:
    QObject context_;
};

}  // namespace bb::platform
