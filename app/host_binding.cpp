#include "app/host_binding.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusReply>
#include <QTimer>

#include "host/dbus/station_dict.h"
#include "host_main_proxy.h"
#include "host_map_proxy.h"
#include "support/vb_error.h"

namespace bb::app {
namespace {

constexpr int kRemoteServerUnavailable = 462;

}  // namespace

std::unique_ptr<DBusHost> DBusHost::Create(QDBusConnection bus) {
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(dbus::kHostService).value())
        Raise(err::kCantCreateObject, "no host program on the session bus");
    return std::unique_ptr<DBusHost>(new DBusHost(bus));
}

DBusHost::DBusHost(QDBusConnection bus)
    : bus_(bus),
      main_(std::make_unique<OrgBeaconboardHostMainInterface>(dbus::kHostService, dbus::kHostPath,
                                                              bus)) {
    main_->setTimeout(kCallTimeoutMs);
    using Main = OrgBeaconboardHostMainInterface;
    connect(main_.get(), &Main::DataAvailable, this, [this] {
        HeardFromHost();
        Deliver([this] { events_->mUIV_DataAvailable(); });
    });
    connect(main_.get(), &Main::NotifyBeacon, this,
            [this](const QString& call, double lat, double lon) {
                HeardFromHost();
                Deliver([this, call = call.toStdString(), lat, lon] {
                    events_->mUIV_NotifyBeacon(call, static_cast<float>(lat),
                                               static_cast<float>(lon));
                });
            });
    connect(main_.get(), &Main::NotifyBeaconData, this, [this](const QVariantMap& dict) {
        HeardFromHost();
        Deliver([this, dict] {
            host::HostStation station;
            // A dictionary the board cannot read is that event's error alone.
            if (!Trap("Form1.mUIV_NotifyBeaconData", [&] { dbus::StationFromDict(dict, station); }))
                return;
            events_->mUIV_NotifyBeaconData(station);
        });
    });
    connect(main_.get(), &Main::NotifyDelete, this, [this](const QString& call) {
        HeardFromHost();
        Deliver([this, call = call.toStdString()] { events_->mUIV_NotifyDelete(call); });
    });
    connect(main_.get(), &Main::UIView32IsClosing, this,
            [this] { Deliver([this] { events_->mUIV_UIView32IsClosing(); }); });
}

DBusHost::~DBusHost() = default;

void DBusHost::SetEvents(host::HostEvents* events, host::MapEvents* mapEvents) {
    events_ = events;
    mapEvents_ = mapEvents;
}

void DBusHost::Release() {
    if (!holding_) return;
    holding_ = false;
    QTimer::singleShot(0, this, &DBusHost::RunHeld);
}

void DBusHost::RunHeld() {
    // Events that come while the held ones run join the end of the queue.
    while (!held_.empty()) {
        auto event = std::move(held_.front());
        held_.pop_front();
        event();
    }
}

void DBusHost::Deliver(std::function<void()> event) {
    if (holding_ || !held_.empty() || !events_) {
        held_.push_back(std::move(event));
        return;
    }
    event();
}

void DBusHost::Check(const QDBusError& error) {
    if (!error.isValid()) return;
    switch (error.type()) {
        case QDBusError::NoReply:
        case QDBusError::Timeout:
        case QDBusError::TimedOut:
            unresponsive_ = true;
            [[fallthrough]];
        case QDBusError::ServiceUnknown:
        case QDBusError::Disconnected:
        case QDBusError::NoServer:
        case QDBusError::NoNetwork:
            Raise(kRemoteServerUnavailable, error.message().toStdString());
        default:
            Raise(err::kAutomationError, error.message().toStdString());
    }
}

bool DBusHost::GetStation(host::HostStation& station) {
    if (unresponsive_) Raise(kRemoteServerUnavailable, "host did not answer");
    QVariantMap dict;
    const QDBusReply<bool> reply =
        main_->GetStation(QString::fromStdString(station.Callsign), dict);
    Check(reply.error());
    if (!reply.value()) return false;
    dbus::StationFromDict(dict, station);
    return true;
}

bool DBusHost::SymbolToClipboard(const std::string& table, const std::string& symbol,
                                 const std::string& overlay, std::int16_t flags) {
    if (unresponsive_) Raise(kRemoteServerUnavailable, "host did not answer");
    const QDBusReply<bool> reply =
        main_->SymbolToClipboard(QString::fromStdString(table), QString::fromStdString(symbol),
                                 QString::fromStdString(overlay), flags);
    Check(reply.error());
    return reply.value();
}

host::HostMap& DBusHost::Map() {
    if (map_) return *this;
    if (unresponsive_) Raise(kRemoteServerUnavailable, "host did not answer");
    QDBusReply<QDBusObjectPath> reply = main_->Map();
    Check(reply.error());
    map_ = std::make_unique<OrgBeaconboardHostMapInterface>(dbus::kHostService,
                                                            reply.value().path(), bus_);
    using MapProxy = OrgBeaconboardHostMapInterface;
    connect(map_.get(), &MapProxy::MapHasChanged, this, [this] {
        HeardFromHost();
        Deliver([this] {
            if (mapEvents_) mapEvents_->mUivMap_MapHasChanged();
        });
    });
    connect(map_.get(), &MapProxy::MapRedrawn, this, [this] {
        HeardFromHost();
        Deliver([this] {
            if (mapEvents_) mapEvents_->mUivMap_MapRedrawn();
        });
    });
    return *this;
}

std::int16_t DBusHost::HostStationCount() {
    if (unresponsive_) Raise(kRemoteServerUnavailable, "host did not answer");
    const QDBusReply<short> reply = main_->HostStationCount();
    Check(reply.error());
    return reply.value();
}

std::string DBusHost::HostStationLine(std::int16_t index) {
    if (unresponsive_) Raise(kRemoteServerUnavailable, "host did not answer");
    const QDBusReply<QString> reply = main_->HostStationLine(index);
    Check(reply.error());
    return reply.value().toStdString();
}

void DBusHost::SetNotify(bool enabled) {
    if (unresponsive_) Raise(kRemoteServerUnavailable, "host did not answer");
    const QDBusReply<void> reply = main_->SetNotify(enabled);
    Check(reply.error());
}

// The map calls go without waiting for an answer: a redraw sends thousands.
void DBusHost::MapCircle(float x, float y, float radius, std::int32_t colour, float startAngle,
                         float endAngle, float aspect) {
    if (map_) map_->MapCircle(x, y, radius, colour, startAngle, endAngle, aspect);
}

void DBusHost::MapLine(float x1, float y1, float x2, float y2, std::int32_t colour,
                       std::int32_t flags) {
    if (map_) map_->MapLine(x1, y1, x2, y2, colour, flags);
}

void DBusHost::SetMapLineWidth(std::int16_t width) {
    if (map_) map_->SetMapLineWidth(width);
}

void DBusHost::SetMapDrawMode(std::int16_t mode) {
    if (map_) map_->SetMapDrawMode(mode);
}

void DBusHost::SetMapDrawColour(std::int32_t colour) {
    if (map_) map_->SetMapDrawColour(colour);
}

}  // namespace bb::app
