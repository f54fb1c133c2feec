#include "support/pass_gate.h"

namespace bb {

void PassGate::Request() {
    if (busy_) {
        again_ = true;
        return;
    }
    if (scheduled_) return;  // the pass waiting for its turn covers this one
    const bool spaced = spacing_ == Spacing::EveryPass || overlapped_;
    if (scheduler_ && ranOnce_ && spaced) {
        const std::int64_t waited = scheduler_->NowMs() - lastEnd_;
        if (waited < gapMs_) {
            scheduled_ = true;
            scheduler_->Later(static_cast<int>(gapMs_ - waited), [this] {
                scheduled_ = false;
                Request();
            });
            return;
        }
    }
    RunNow();
}

void PassGate::RunNow() {
    overlapped_ = false;
    ++passes_;
    Run(pass_);
}

void PassGate::RunExclusive(const std::function<void()>& work) {
    if (busy_) return;  // nothing runs inside a pass
    Run(work);
}

void PassGate::Run(const std::function<void()>& work) {
    RunOnce(work);
    // Whatever was asked for meanwhile follows; with a scheduler it waits
    // for its turn, without one it runs now, until nothing more is asked.
    while (again_) {
        again_ = false;
        overlapped_ = true;
        if (scheduler_) {
            Request();
            return;
        }
        overlapped_ = false;
        ++passes_;
        RunOnce(pass_);
    }
}

void PassGate::RunOnce(const std::function<void()>& work) {
    busy_ = true;
    struct Done {
        PassGate& g;
        ~Done() {
            g.busy_ = false;
            g.ranOnce_ = true;
            if (g.scheduler_) g.lastEnd_ = g.scheduler_->NowMs();
        }
    } done{*this};
    work();
}

}  // namespace bb
