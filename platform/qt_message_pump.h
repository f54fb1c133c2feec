// Lets the Qt event loop run the events already waiting, once. User input
// that arrives during such a pause is held back and delivered, in the order
// it came, once the pass that paused is over: a click, key or menu command
// never lands in the middle of a rebuild, a sort or a scan.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <memory>

#include "support/message_pump.h"

namespace bb::platform {

class QtMessagePump final : public MessagePump {
  public:
    void LetPendingMessagesRun() override;
};

// The application's one gate for user input; made on first use, with the
// application as its parent.
class UserInputGate final : public QObject {
    Q_OBJECT
  public:
    static UserInputGate& Instance();

    // Inside a pause: input is held from Enter to the matching Leave.
    void Enter() { ++depth_; }
    void Leave() { --depth_; }
    bool InPause() const { return depth_ > 0; }
    // Input events waiting for the pass to end.
    int Held() const { return static_cast<int>(held_.size()); }
    // Delivers what is held when no pause is running (also called by its timer).
    void Flush();

  signals:
    // What was held has all been delivered.
    void Delivered();

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

  private:
    explicit UserInputGate(QObject* parent);

    int depth_ = 0;
    bool replaying_ = false;
    std::deque<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> held_;
    QTimer flush_;
};

}  // namespace bb::platform
