// Lets the Qt event loop run the events already waiting, once.
#pragma once

#include "support/message_pump.h"

namespace bb::platform {

class QtMessagePump final : public MessagePump {
  public:
    void LetPendingMessagesRun() override;
};

}  // namespace bb::platform
