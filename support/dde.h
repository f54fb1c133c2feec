// Conversations with other programs by service, topic and item, as the
// radio-control programs offer them. The platform carries them; the radio
// link only opens links, sends executes and answers its own topics.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace bb::dde {

enum class LinkMode { None = 0, Automatic = 1 };

// One client end of a conversation, set up as a label's link is: topic
// ("Application|Topic"), item, then the link mode.
class Endpoint {
  public:
    virtual ~Endpoint() = default;
    virtual void SetLinkTopic(std::string_view applicationBarTopic) = 0;
    virtual void SetLinkItem(std::string_view item) = 0;
    // Automatic ends any conversation this end had and initiates a new one
    // with a hot link on the item: error 282 when no program answers for the
    // topic, 286 when it does not answer in time. None ends the conversation.
    virtual void SetLinkMode(LinkMode mode) = 0;
    // One execute on the open conversation: 282 without one, 285 when the
    // program refuses the command, 286 when it does not answer in time.
    virtual void LinkExecute(std::string_view command) = 0;
    // One request for an item on the open conversation: 282 without one or
    // when the program has no such item, 286 when it does not answer in time.
    virtual std::string LinkRequest(std::string_view item) = 0;
};

// Answers an execute sent to one of this program's topics; true accepts it.
using ExecuteHandler = std::function<bool(const std::string& command)>;

class Layer {
  public:
    virtual ~Layer() = default;
    virtual std::unique_ptr<Endpoint> NewEndpoint() = 0;
    // Starts answering for `topic` of this program's `service`; false when
    // the topic cannot be offered.
    virtual bool ServeTopic(std::string_view service, std::string_view topic,
                            ExecuteHandler onExecute) = 0;
    virtual void StopTopic(std::string_view service, std::string_view topic) = 0;
};

// A layer where no other program ever answers: every initiate fails.
class NoPeers final : public Layer {
  public:
    std::unique_ptr<Endpoint> NewEndpoint() override;
    bool ServeTopic(std::string_view, std::string_view, ExecuteHandler) override { return true; }
    void StopTopic(std::string_view, std::string_view) override {}
};

}  // namespace bb::dde
