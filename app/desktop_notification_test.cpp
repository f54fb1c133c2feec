// Emergencies and alerts reach a scripted notification service end to end,
// the board bound to bb-host on a bus of the test's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <set>

#include "app/main_window.h"
#include "platform/dbus_notifier.h"
#include "tests/fakes/fake_scheduler.h"
#include "tests/fakes/host_process.h"
#include "tests/fakes/notification_service.h"
#include "tests/fakes/private_bus.h"
#include "tests/fakes/ui_driver.h"
#include "windows/tune_dialog.h"

namespace bb::app {
namespace {

using testing::WaitFor;

class DesktopNotification : public testing::HostBusTest, protected testing::UiDriver {
  protected:
    testing::PrivateBus bus{"bb-notify-private"};
    testing::NotificationService service{bus.Address(), QStringLiteral("bb-notify-service")};
    platform::DBusNotifier notifier{bus.Connection()};
    void SetUp() override {
        ASSERT_TRUE(service.Registered());
        ASSERT_TRUE(StartHost({}, bus.Address(), bus.Connection()));
    }
    // The board goes before the notifier it borrows.
    void TearDown() override { Close(); }
};

TEST_F(DesktopNotification, AnEmergencyIsANotificationWhoseButtonsAreTheWindows) {
    OpenBoard(Form1::OnBus(bus.Connection()));
    Form1& app = *form;
    app.SetNotifier(&notifier);
    const StationTable& t = app.Wiring()->Board().Table();
    // A first start switches notifications on and says so in the file.
    EXPECT_NE(testing::ReadFile(Texts().SettingsFilePath).find("Notify=TRUE"), std::string::npos);

    host->Send(
        "PA3SOS>APRS:!5201.00N/00430.00E-145.500MHz Injured on the dyke\n"
        "PA3SOS>APRS:>EMERGENCY\n"
        "G4ABC>APRS:!5213.50N/00007.20E-\n"
        "G4ABC>APRS:>EMERGENCY\n"
        "M0XYZ>APRS:!5201.00N/00010.00W>\n");
    const QString sos = QStringLiteral("Emergency beacon from PA3SOS");
    const QString abc = QStringLiteral("Emergency beacon from G4ABC");
    ASSERT_TRUE(WaitFor([&] { return service.Up(sos) && service.Up(abc); }, 10000))
        << sys.LogText();
    const auto* n = service.Up(sos);
    EXPECT_EQ(std::tuple(n->app, n->body.contains(" km   dir: "),
                         n->body.endsWith("\n145.500MHz Injured on the dyke"), n->actions,
                         n->hints.value("urgency").toInt(), service.Up(abc)->actions),
              std::tuple("Beaconboard", true, true, QStringList{"ack", "ack", "tune", "Tune"}, 2,
                         QStringList{"ack", "ack"}))  // G4ABC has no QSY
        << n->body.toStdString();
    ASSERT_TRUE(EmergencyWindow("PA3SOS") && EmergencyWindow("G4ABC"));

    // Other stations' beacons rebuild the grid and check again: nothing raised anew.
    host->Send("M0XYZ>APRS:!5202.00N/00010.00W>\n2E0AAA>APRS:!5203.00N/00011.00W>\n");
    ASSERT_TRUE(WaitFor([&] { return t.LiveCount() == 4; }));
    Settle();
    ASSERT_TRUE(service.Drain(bus.Connection()));
    EXPECT_EQ(service.calls.size(), 2u);

    // Tune on the notification opens the tune dialog for that station.
    service.Press(service.IdOf(sos), "tune");
    ASSERT_TRUE(WaitFor([&] { return app.TuneDialog() && app.TuneDialog()->isVisible(); }));
    EXPECT_NE(app.TuneDialog()->lblDescription->text().indexOf("PA3SOS"), -1)
        << app.TuneDialog()->lblDescription->text().toStdString();
    EXPECT_NE(service.Up(sos), nullptr);  // the emergency is not over
    app.TuneDialog()->close();

    // ack on the notification acknowledges: the window and notification go.
    service.Press(service.IdOf(abc), "ack");
    ASSERT_TRUE(WaitFor([&] { return t[t.find_station("G4ABC")].EmergencyAcknowledged; }));
    EXPECT_TRUE(WaitFor([&] { return !service.Up(abc) && !EmergencyWindow("G4ABC"); }));

    // The window's ack, pressed with the mouse, closes its notification.
    windows::Form2* window = EmergencyWindow("PA3SOS");
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window->Command2, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !service.Up(sos); }));
    EXPECT_EQ(service.closedByCaller.size(), 2u);

    // The station's next emergency beacon raises a new one.
    host->Send("PA3SOS>APRS:>EMERGENCY\n");
    ASSERT_TRUE(WaitFor([&] { return service.Up(sos) != nullptr; }, 5000));
    EXPECT_EQ(service.calls.back().second.replaces, 0u);
    EXPECT_EQ(sys.LogText().find("program error"), std::string::npos) << sys.LogText();
    app.Form_Unload();
}

// One alert per watched or newly near station; "Show" selects its row on screen.
TEST_F(DesktopNotification, WatchedAndNearStationsAreToldOnceAndShowSelectsTheRow) {
    testing::FakeScheduler fake;
    clock = &fake;
    OpenBoard(Form1::OnBus(bus.Connection()));
    form->SetNotifier(&notifier);
    StationAlerts& alerts = form->Wiring()->Alerts();
    Settings().AlertWatch = "PA3*,*-9";
    Settings().AlertNearKm = 20;
    alerts.SettingsChanged();

    const std::string feed =
        "PA3XYZ-9>APRS:!5130.00N/00430.00E>145.500MHz On the road\n"
        "PA3ABC>APRS:!5130.00N/00430.00E-\n"
        "G4NEAR>APRS:!5201.00N/00001.00E-\n"
        "G4FAR>APRS:!5100.00N/00010.00W-\n";
    host->Send(feed);
    fake.Advance(60'000);
    host->Send(feed);  // heard again within the minutes: nothing new
    ASSERT_TRUE(testing::WaitFor([&] { return service.calls.size() >= 3; }, 10000))
        << sys.LogText();
    Settle();
    ASSERT_TRUE(service.Drain(bus.Connection()));
    std::set<QString> told;  // summary, urgency, icon
    for (const auto& [id, n] : service.calls)
        told.insert(n.summary + QString(" %1 ").arg(n.hints.value("urgency").toInt()) + n.icon);
    EXPECT_EQ(told, (std::set<QString>{"PA3XYZ-9 heard 1 beaconboard", "PA3ABC heard 1 beaconboard",
                                       "G4NEAR heard 1 beaconboard"}));
    EXPECT_EQ(service.calls.size(), 3u);
    const auto* road = service.Up(QStringLiteral("PA3XYZ-9 heard"));
    ASSERT_NE(road, nullptr);
    EXPECT_EQ(std::pair(road->actions, road->body.endsWith("\n145.500MHz On the road")),
              std::pair(QStringList{"show", "Show", "tune", "Tune"}, true));
    // Show selects its row, painted as pressed; a near one has the Vicinity colour.
    service.Press(service.IdOf(QStringLiteral("PA3ABC heard")), "show");
    ASSERT_TRUE(
        testing::WaitFor([&] { return form->Wiring()->Grid().SelectedCall() == "PA3ABC"; }));
    EXPECT_EQ(RowBackground("PA3ABC", 3), QColor(0, 0, 255));
    EXPECT_EQ(RowBackground("G4NEAR", 3), QColor(255, 0, 255));
    EXPECT_EQ(sys.LogText().find("program error"), std::string::npos) << sys.LogText();
}

}  // namespace
}  // namespace bb::app
