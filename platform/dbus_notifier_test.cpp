// Desktop notifications against a scripted notification service on the test's own bus.
#include "platform/dbus_notifier.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>

#include "support/diagnostic_log.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/notification_service.h"
#include "tests/fakes/wait_for.h"

namespace bb::platform {
namespace {

using testing::NotificationService;
using testing::WaitFor;

DesktopNote Note(const std::string& summary, const std::string& body = "dist: 1.00 km") {
    return DesktopNote{summary, body, {{"ack", "ack"}, {"tune", "Tune"}}};
}

struct Told {
    std::vector<std::pair<std::string, std::string>> events;
    DesktopNotifier::Handler Handler() {
        return [this](const std::string& tag, const std::string& action) {
            events.emplace_back(tag, action);
        };
    }
};

TEST(Notifier, AskedForACriticalNoteThatStaysAndReplacedInPlace) {
    NotificationService service({}, QStringLiteral("notify-a"));
    ASSERT_TRUE(service.Registered());
    DBusNotifier notifier(QDBusConnection::sessionBus());
    Told told;
    notifier.SetHandler(told.Handler());
    notifier.Show("SOS1", Note("Emergency beacon from SOS1"));
    ASSERT_TRUE(WaitFor([&] { return service.calls.size() == 1; }));
    const auto [id, n] = service.calls[0];
    EXPECT_EQ(std::tuple(n.app, n.replaces, n.summary, n.body, n.actions.join("|"), n.timeout),
              std::tuple("Beaconboard", 0u, "Emergency beacon from SOS1", "dist: 1.00 km",
                         "ack|ack|tune|Tune", 0));
    const QVariant urgency = n.hints.value("urgency");
    EXPECT_EQ(
        std::tuple(urgency.metaType().id(), urgency.toInt(), n.hints.value("resident").toBool()),
        std::tuple(int{QMetaType::UChar}, 2, true));

    // The same tag again replaces that notification; another is its own.
    notifier.Show("SOS1", Note("Emergency beacon from SOS1", "dist: 2.00 km"));
    notifier.Show("SOS2", Note("Emergency beacon from SOS2"));
    ASSERT_TRUE(WaitFor([&] { return service.calls.size() == 3; }));
    EXPECT_EQ(service.up.size(), 2u);
    EXPECT_EQ(service.Up("Emergency beacon from SOS1")->body, "dist: 2.00 km");
    EXPECT_EQ(service.Up("Emergency beacon from SOS1")->replaces, id);

    // Closing by the board tells nothing back.
    notifier.Close("SOS2");
    notifier.Close("NEVER");
    ASSERT_TRUE(WaitFor([&] { return service.up.size() == 1; }));
    ASSERT_TRUE(service.Drain(QDBusConnection::sessionBus()));
    EXPECT_TRUE(told.events.empty());
}

TEST(Notifier, ButtonsAndTheUsersCloseAreToldByTag) {
    NotificationService service({}, QStringLiteral("notify-b"));
    DBusNotifier notifier(QDBusConnection::sessionBus());
    Told told;
    notifier.SetHandler(told.Handler());
    notifier.Show("ONE", Note("one"));
    notifier.Show("TWO", Note("two"));
    ASSERT_TRUE(WaitFor([&] { return service.up.size() == 2; }));
    service.Press(service.IdOf("two"), "tune");
    service.Press(service.IdOf("one"), "ack");
    service.Dismiss(service.IdOf("two"));
    // Another program's notification is not ours.
    service.Press(999, "ack");
    ASSERT_TRUE(service.Drain(QDBusConnection::sessionBus()));
    EXPECT_EQ(told.events, (std::vector<std::pair<std::string, std::string>>{
                               {"TWO", "tune"}, {"ONE", "ack"}, {"TWO", ""}}));
    // Closed by the user: a new one for the tag is a new notification.
    notifier.Show("TWO", Note("two again"));
    ASSERT_TRUE(WaitFor([&] { return service.Up("two again"); }));
    EXPECT_EQ(service.calls.back().second.replaces, 0u);
}

TEST(Notifier, ChangesBeforeTheServiceAnswersEndAsTheLastOneSaid) {
    NotificationService service({}, QStringLiteral("notify-c"));
    DBusNotifier notifier(QDBusConnection::sessionBus());
    for (int i = 0; i < 5; ++i)
        notifier.Show("SOS", Note("sos " + std::to_string(i)));
    notifier.Show("GONE", Note("gone"));
    notifier.Close("GONE");
    notifier.Show("BACK", Note("back"));
    notifier.Close("BACK");
    notifier.Show("BACK", Note("back again"));
    ASSERT_TRUE(WaitFor([&] { return service.Up("sos 4") && service.Up("back again"); }));
    ASSERT_TRUE(service.Drain(QDBusConnection::sessionBus()));
    EXPECT_EQ(service.up.size(), 2u);
    EXPECT_EQ(service.Up("gone"), nullptr);
}

TEST(Notifier, TextIsEscapedOnlyForAServiceThatReadsMarkup) {
    for (const bool markup : {false, true}) {
        NotificationService service({}, QStringLiteral("notify-d"));
        if (markup) service.capabilities << QStringLiteral("body-markup");
        DBusNotifier notifier(QDBusConnection::sessionBus());
        notifier.Show("X", Note("x", "<b>PHG & QSY</b>"));
        ASSERT_TRUE(WaitFor([&] { return service.calls.size() == 1; }));
        EXPECT_EQ(service.calls[0].second.body,
                  markup ? "&lt;b&gt;PHG &amp; QSY&lt;/b&gt;" : "<b>PHG & QSY</b>");
    }
}

TEST(Notifier, NoServiceIsLoggedOnceAndAServiceThatComesLaterIsUsed) {
    testing::FakeSystem sys;
    Common::Initialize();
    DBusNotifier notifier(QDBusConnection::sessionBus());
    const auto logged = [&] {
        const auto lines = sys.LogLines();
        return std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
            return l.find("Desktop notifications are not shown") != l.npos;
        });
    };
    // The bus's refusals come before its answers to later calls.
    const auto roundTrips = [] {
        for (int trip = 0; trip < 3; ++trip) {
            QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("x.y"));
            QCoreApplication::processEvents();
        }
    };
    for (int i = 0; i < 3; ++i) {
        notifier.Show("SOS", Note("early " + std::to_string(i)));
        roundTrips();
    }
    ASSERT_TRUE(WaitFor([&] { return logged() > 0; }));
    roundTrips();
    EXPECT_EQ(logged(), 1) << sys.LogText();

    NotificationService service({}, QStringLiteral("notify-e"));
    notifier.Show("SOS", Note("later"));
    ASSERT_TRUE(WaitFor([&] { return service.Up("later"); }));
    EXPECT_EQ(service.calls.size(), 1u);
}

}  // namespace
}  // namespace bb::platform
