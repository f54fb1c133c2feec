// One drawing or window pass that many events ask for. A request during the
// pass (an event in one of its pauses) does not start a second pass inside
// it; one more pass follows instead. Passes are kept at least a gap apart, so
// a burst of beacons runs a handful of passes a second, not one per beacon;
// the first request after a quiet spell runs at once.
#pragma once

#include <cstdint>
#include <functional>

namespace bb {

class PassGate {
  public:
    using Clock = std::function<std::int64_t()>;  // milliseconds, steady
    using Later = std::function<void(int delayMs, std::function<void()>)>;

    PassGate(int gapMs, std::function<void()> pass) : gapMs_(gapMs), pass_(std::move(pass)) {}

    // Without a clock and a way to run later, every request runs at once
    // (after the running pass, if there is one).
    void SetTiming(Clock now, Later later) {
        now_ = std::move(now);
        later_ = std::move(later);
    }

    void Request();
    bool Busy() const { return busy_; }
    bool Waiting() const { return scheduled_; }
    int Passes() const { return passes_; }

  private:
    void RunNow();

    int gapMs_;
    std::function<void()> pass_;
    Clock now_;
    Later later_;
    bool busy_ = false;
    bool again_ = false;
    bool scheduled_ = false;
    bool ranOnce_ = false;
    std::int64_t lastEnd_ = 0;
    int passes_ = 0;
};

}  // namespace bb
