// One drawing, window or grid pass that many events ask for. A request
// during the pass (an event in one of its pauses) does not start a second
// pass inside it; one more pass follows instead, a gap after it, so a burst
// of beacons runs a handful of passes a second, not one per beacon.
#pragma once

#include <cstdint>
#include <functional>

#include "support/scheduler.h"

namespace bb {

class PassGate {
  public:
    enum class Spacing {
        // Every pass keeps the gap after the last; the first request after
        // a quiet spell runs at once.
        EveryPass,
        // Only a pass asked for during another waits for the gap; a request
        // between passes runs at once.
        AfterOverlap,
    };

    // Without a scheduler every request runs at once (after the running
    // pass, if there is one).
    PassGate(int gapMs, std::function<void()> pass, Spacing spacing = Spacing::EveryPass,
             Scheduler* scheduler = nullptr)
        : gapMs_(gapMs), pass_(std::move(pass)), spacing_(spacing), scheduler_(scheduler) {}

    void SetScheduler(Scheduler* scheduler) { scheduler_ = scheduler; }
    // Passes asked for during a pass wait for their turn (there is a scheduler).
    bool Spaced() const { return scheduler_ != nullptr; }

    void Request();
    // Runs other work under the gate: a request meanwhile waits for its end
    // as it would for a pass.
    void RunExclusive(const std::function<void()>& work);

    bool Busy() const { return busy_; }
    // A request came during the running pass.
    bool AskedAgain() const { return again_; }
    bool Waiting() const { return scheduled_; }
    int Passes() const { return passes_; }

  private:
    void RunNow();
    void Run(const std::function<void()>& work);
    void RunOnce(const std::function<void()>& work);

    int gapMs_;
    std::function<void()> pass_;
    Spacing spacing_;
    Scheduler* scheduler_ = nullptr;
    bool busy_ = false;
    bool again_ = false;
    bool overlapped_ = false;  // the waiting request came during a pass
    bool scheduled_ = false;
    bool ranOnce_ = false;
    std::int64_t lastEnd_ = 0;
    int passes_ = 0;
};

}  // namespace bb
