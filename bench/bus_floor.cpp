// The least any board pays for a beacon on the bus: it takes the host's
// events and asks the host for each station heard, as the board's intake
// does, and does nothing else. board_load runs it in the board's place
// (board_load STATIONS RATE SECONDS build/bench/bus_floor) to show how much
// of the board's cost is the bus's. With --data-suffices it takes a
// station announced with NotifyBeaconData as it came (bb-host's default;
// --notify-callsign announces NotifyBeacon), to show what the query itself
// costs. Beside a bb-host that sends the beacons in batches (its default),
// the binding takes them so, as the board does; --notify-single on bb-host's
// side shows the cost of one message a beacon.
#include <QCoreApplication>
#include <QDBusConnection>
#include <cstdio>

#include "app/host_binding.h"
#include "support/error_trap.h"

namespace {

class Intake final : public bb::HostEvents, public bb::app::LinkEvents {
  public:
    Intake(bb::HostMain& host, bool dataSuffices) : host_(host), dataSuffices_(dataSuffices) {}
    void mUIV_NotifyBeacon(const std::string& call, float, float) override { Ask(call); }
    void mUIV_NotifyBeaconData(const bb::HostStation& station) override {
        if (!dataSuffices_) Ask(station.Callsign);
    }
    void mUIV_NotifyDelete(const std::string&) override {}
    void mUIV_UIView32IsClosing() override { QCoreApplication::quit(); }
    void HostReturned() override {}

  private:
    void Ask(const std::string& call) {
        query_.Callsign = call;
        bb::Trap("bus_floor.Ask", [&] { host_.GetStation(query_); });
    }
    bb::HostMain& host_;
    const bool dataSuffices_;
    bb::HostStation query_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::unique_ptr<bb::app::DBusHost> host;
    try {
        host = bb::app::DBusHost::Create(QDBusConnection::sessionBus());
    } catch (...) {
        std::fprintf(stderr, "bus_floor: no host on the bus\n");
        return 1;
    }
    // --data-suffices: a station announced with its data is not asked for again.
    Intake intake(*host, app.arguments().contains(QStringLiteral("--data-suffices")));
    host->SetEvents(&intake, nullptr, &intake);
    host->SetNotify(true);
    host->Release();
    return app.exec();
}
