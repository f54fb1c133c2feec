#include "support/pass_gate.h"

namespace bb {

void PassGate::Request() {
    if (busy_) {
        again_ = true;
        return;
    }
    if (scheduled_) return;  // the pass waiting for its turn covers this one
    if (now_ && later_ && ranOnce_) {
        const std::int64_t waited = now_() - lastEnd_;
        if (waited < gapMs_) {
            scheduled_ = true;
            later_(static_cast<int>(gapMs_ - waited), [this] {
                scheduled_ = false;
                Request();
            });
            return;
        }
    }
    RunNow();
}

void PassGate::RunNow() {
    busy_ = true;
    struct Done {
        PassGate& g;
        ~Done() {
            g.busy_ = false;
            g.ranOnce_ = true;
            if (g.now_) g.lastEnd_ = g.now_();
        }
    };
    {
        Done done{*this};
        ++passes_;
        pass_();
    }
    if (again_) {
        again_ = false;
        Request();
    }
}

}  // namespace bb
