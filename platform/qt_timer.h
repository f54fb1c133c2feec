// A window timer on the Qt event loop.
#pragma once

#include <QTimer>

#include "support/timer.h"

namespace bb::platform {

class QtTimer final : public Timer {
  public:
    QtTimer() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Ticked(); });
    }
    void SetInterval(int ms) override { timer_.setInterval(ms); }
    // Enabling a timer that runs already leaves it running on its own
    // schedule: a one-shot retry enabled again at every sweep still fires.
    void SetEnabled(bool on) override {
        if (!on)
            timer_.stop();
        else if (!timer_.isActive())
            timer_.start();
    }
    bool Enabled() const override { return timer_.isActive(); }

  private:
    QTimer timer_;
};

}  // namespace bb::platform
