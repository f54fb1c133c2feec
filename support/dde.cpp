#include "support/dde.h"

#include "support/error_trap.h"

namespace bb::dde {
namespace {

class Unanswered final : public Endpoint {
  public:
    void SetLinkTopic(std::string_view) override {}
    void SetLinkItem(std::string_view) override {}
    void SetLinkMode(LinkMode mode) override {
        if (mode == LinkMode::Automatic) Raise(err::kDdeNoResponse, "no programs to talk to");
    }
    void LinkExecute(std::string_view) override { Raise(err::kDdeNoResponse, "no conversation"); }
    std::string LinkRequest(std::string_view) override {
        Raise(err::kDdeNoResponse, "no conversation");
    }
};

}  // namespace

std::unique_ptr<Endpoint> NoPeers::NewEndpoint() {
    return std::make_unique<Unanswered>();
}

}  // namespace bb::dde
