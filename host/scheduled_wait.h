// A single-shot wait on a scheduler that can be put off or called off, as a
// restarted single-shot timer is. Putting it off often (a silence limit at
// every read, a settle at every pan step) keeps one task waiting, not one
// per restart.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

#include "support/scheduler.h"

namespace bb::hostapp {

class ScheduledWait {
  public:
    ScheduledWait(Scheduler& scheduler, std::function<void()> due)
        : scheduler_(scheduler), due_(std::move(due)) {}
    ScheduledWait(const ScheduledWait&) = delete;
    ScheduledWait& operator=(const ScheduledWait&) = delete;

    // Runs `due` `ms` from now, instead of when it would have.
    void Start(int ms) {
        dueMs_ = scheduler_.NowMs() + std::max(0, ms);
        if (!active_ || armedMs_ > dueMs_) Arm();
        active_ = true;
    }
    void Stop() {
        ++*armed_;
        active_ = false;
    }
    bool Active() const { return active_; }

  private:
    void Arm() {
        armedMs_ = dueMs_;
        scheduler_.Later(static_cast<int>(dueMs_ - scheduler_.NowMs()),
                         [this, id = ++*armed_, armed = std::weak_ptr<std::uint64_t>(armed_)] {
                             // Gone, called off, or armed again sooner.
                             if (const auto a = armed.lock(); !a || *a != id) return;
                             if (scheduler_.NowMs() < dueMs_) return Arm();  // put off since
                             active_ = false;
                             due_();
                         });
    }

    Scheduler& scheduler_;
    std::function<void()> due_;
    std::int64_t dueMs_ = 0, armedMs_ = 0;
    bool active_ = false;
    // Counts the tasks handed to the scheduler; only the latest one counts,
    // and none once this wait is gone.
    std::shared_ptr<std::uint64_t> armed_ = std::make_shared<std::uint64_t>(0);
};

}  // namespace bb::hostapp
