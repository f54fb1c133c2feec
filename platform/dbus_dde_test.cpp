// Conversations over a private session bus, the other program on a thread of its own.
#include "platform/dbus_dde.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>

#include "support/error_trap.h"
#include "tests/fakes/bus_thread.h"

namespace bb::platform {
namespace {

// A DDE program on a thread of its own, serving `service`.
class ThreadPeer : public testing::BusThread {
  public:
    ThreadPeer(const std::string& service, const std::function<void(DdeService&)>& setup)
        : BusThread(QStringLiteral("peer")) {
        Run([&] {
            service_ = std::make_unique<DdeService>(Bus(), service);
            QString why;
            registered = service_->Register(why);
            setup(*service_);
        });
    }
    ~ThreadPeer() {
        Run([this] { service_.reset(); });
    }
    bool registered = false;

  private:
    std::unique_ptr<DdeService> service_;
};

std::int32_t ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

struct Commander final : DdeTopicHandler {
    static void Serve(DdeService& s) { s.AddTopic("DDEServer", std::make_unique<Commander>()); }
    bool Execute(const std::string& c) override { return c.rfind("000xcvrfreqmode", 0) == 0; }
    std::optional<std::string> Request(const std::string& item) override {
        if (item == "Mode" || item == "DDECommand") return "USB";
        return std::nullopt;
    }
};

TEST(DdeNames, EncodedAsTheBusContractSays) {
    EXPECT_EQ(DdeServiceName("CI-V Commander") + " " + DdeServiceName("HRD_RADIO_000"),
              "org.beaconboard.DDE.CI_2DV_20COMMANDER org.beaconboard.DDE.HRD_5FRADIO_5F000");
    EXPECT_EQ(DdeTopicPath("CIV_CommanderUI") + " " + DdeTopicPath("DDEClient"),
              "/CIV_5FCOMMANDERUI /DDECLIENT");
    EXPECT_EQ(EncodeDdeName("a.b\xC3\xBC"), "A_2EB_C3_BC");
}

TEST(DdeConversation, OpensOnlyWhereAProgramAnswersForTheTopicAndItem) {
    DBusDdeLayer layer(QDBusConnection::sessionBus());
    auto e = layer.NewEndpoint();
    const auto open = [&] { return ErrorOf([&] { e->SetLinkMode(dde::LinkMode::Automatic); }); };
    e->SetLinkTopic("CI-V Commander|DDEServer");
    e->SetLinkItem("Mode");
    EXPECT_EQ(open(), err::kDdeNoResponse);
    EXPECT_EQ(ErrorOf([&] { e->LinkExecute("000xcvrfreqmode"); }), err::kDdeNoResponse);

    ThreadPeer peer("CI-V Commander", Commander::Serve);
    ASSERT_TRUE(peer.registered);
    e->SetLinkTopic("ci-v commander|DDEServer");  // names ignore case
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(ErrorOf([&] { e->LinkExecute("000xcvrfreqmode<xcvrfreq:4>7050"); }), 0);
    EXPECT_EQ(ErrorOf([&] { e->LinkExecute("nonsense"); }), err::kDdeRefused);

    for (const char* topic : {"CI-V Commander|CIV_CommanderUI", "CI-V Commander", "|DDEServer"}) {
        e->SetLinkTopic(topic);
        EXPECT_EQ(open(), err::kDdeNoResponse) << topic;
    }
    e->SetLinkTopic("CI-V Commander|DDEServer");
    e->SetLinkItem("NoSuchItem");
    EXPECT_EQ(open(), err::kDdeNoResponse);
}

// The layer's bound made short, so that the test waits on no clock of its own.
TEST(DdeConversation, APeerThatStopsAnsweringEndsInTheTimeoutError) {
    constexpr int kBoundMs = 100;
    ThreadPeer peer("CI-V Commander", Commander::Serve);
    DBusDdeLayer layer(QDBusConnection::sessionBus(), kBoundMs);
    auto e = layer.NewEndpoint();
    e->SetLinkTopic("CI-V Commander|DDEServer");
    e->SetLinkItem("DDECommand");
    ASSERT_EQ(ErrorOf([&] { e->SetLinkMode(dde::LinkMode::Automatic); }), 0);
    peer.Hang(4 * kBoundMs);
    EXPECT_EQ(ErrorOf([&] { e->LinkExecute("000xcvrfreqmode"); }), err::kDdeTimeout);
}

TEST(DdeConversation, OurTopicAnswersOtherProgramsAndItsNameIsOurs) {
    DBusDdeLayer layer(QDBusConnection::sessionBus());
    std::vector<std::string> got;
    ASSERT_TRUE(layer.ServeTopic("Beaconboard", "DDEClient", [&](const std::string& c) {
        got.push_back(c);
        return c == "000start";
    }));
    ThreadPeer other("Other", [](DdeService&) {});
    std::int32_t accepted = -1, refused = -1;
    other.RunServing([&] {
        DBusDdeLayer theirs(other.Bus());
        auto e = theirs.NewEndpoint();
        e->SetLinkTopic("BEACONBOARD|ddeclient");
        e->SetLinkItem("");
        e->SetLinkMode(dde::LinkMode::Automatic);
        accepted = ErrorOf([&] { e->LinkExecute("000start"); });
        refused = ErrorOf([&] { e->LinkExecute("01start"); });
        // A second program cannot take the name while this one holds it.
        EXPECT_FALSE(theirs.ServeTopic("Beaconboard", "HRD_CAT", {}));
    });
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(refused, err::kDdeRefused);
    EXPECT_EQ(got, (std::vector<std::string>{"000start", "01start"}));
}

}  // namespace
}  // namespace bb::platform
