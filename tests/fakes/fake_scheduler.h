// A scheduler on a clock the test moves: tasks run in the order they fall due.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "support/scheduler.h"

namespace bb::testing {

class FakeScheduler final : public Scheduler {
  public:
    std::int64_t NowMicros() const override { return nowMs_ * 1000; }
    void Later(int delayMs, std::function<void()> task) override {
        tasks_.emplace(std::make_pair(nowMs_ + std::max(0, delayMs), next_++), std::move(task));
    }

    // Moves the clock on by `ms`, running each task as its time comes
    // (tasks they add run too when they fall due within the step).
    void Advance(std::int64_t ms) {
        const std::int64_t end = nowMs_ + ms;
        while (!tasks_.empty() && tasks_.begin()->first.first <= end) {
            auto it = tasks_.begin();
            nowMs_ = std::max(nowMs_, it->first.first);
            auto task = std::move(it->second);
            tasks_.erase(it);
            task();
        }
        nowMs_ = end;
    }
    std::size_t Waiting() const { return tasks_.size(); }
    // Tasks due within `ms`: what a settle waits for, not the steady ticks further off.
    std::size_t DueWithin(std::int64_t ms) const {
        std::size_t n = 0;
        for (auto it = tasks_.begin(); it != tasks_.end() && it->first.first <= nowMs_ + ms; ++it)
            ++n;
        return n;
    }
    std::int64_t NowMsValue() const { return nowMs_; }

  private:
    std::int64_t nowMs_ = 10'000;
    std::uint64_t next_ = 0;
    std::multimap<std::pair<std::int64_t, std::uint64_t>, std::function<void()>> tasks_;
};

}  // namespace bb::testing
