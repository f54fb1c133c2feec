#include "app/host_binding.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QImage>
#include <algorithm>
#include <utility>

#include "bus/station_batch.h"
#include "bus/station_dict.h"
#include "host_main_proxy.h"
#include "host_map_proxy.h"
#include "platform/bus_signal_reader.h"
#include "support/diagnostic_log.h"
#include "support/error_trap.h"

namespace bb::app {

using err::kRemoteServerUnavailable;

std::unique_ptr<DBusHost> DBusHost::Create(QDBusConnection bus, HostSignals from) {
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(bus::kHostService).value())
        Raise(err::kCantCreateObject, "no host program on the session bus");
    return std::unique_ptr<DBusHost>(new DBusHost(bus, from));
}

namespace {

// The trap of a beacon announced whole, alone or in a batch.
constexpr char kBeaconTrap[] = "Form1.mUIV_NotifyBeaconData";

// A batch of stations from the host, its texts as a bus string would bring
// them (bytes that are not UTF-8 read as U+FFFD); false when it is cut short,
// with the stations before the cut in `listings`.
bool ReadBusBatch(const QByteArray& bytes, std::vector<HostListing>& listings) {
    const bool whole = bus::ReadStationBatch(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), listings);
    const auto asText = [](std::string& s) {
        if (std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; })) return;
        s = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toStdString();
    };
    for (HostListing& l : listings) {
        for (std::string* s : {&l.line, &l.callsign, &l.station.Callsign, &l.station.Symbol,
                               &l.station.BeaconText, &l.station.StatusText})
            asText(*s);
    }
    return whole;
}

}  // namespace

DBusHost::DBusHost(QDBusConnection bus, HostSignals from)
    : bus_(bus),
      main_(std::make_unique<OrgBeaconboardHostMainInterface>(bus::kHostService, bus::kHostPath,
                                                              bus)) {
    main_->setTimeout(kCallTimeoutMs);
    using Main = OrgBeaconboardHostMainInterface;
    // The host's announcements come on a connection of the board's own when
    // one can be made; all of them, so they keep the order the host sent
    // them in (a batch before the deletion that follows it).
    if (from == HostSignals::OwnConnection) {
        QString why;
        direct_ = platform::BusSignalReader::Open(bus_, why);
        if (direct_) {
            direct_->SetHandler([this](const platform::BusSignalReader::Signal& s) { Heard(s); });
            if (!ListenDirect({QStringLiteral("NotifyDelete"), QStringLiteral("UIView32IsClosing")},
                              true))
                direct_.reset();
        }
    }
    if (!direct_) {
        connect(main_.get(), &Main::NotifyDelete, this,
                [this](const QString& call) { HeardDelete(call); });
        connect(main_.get(), &Main::UIView32IsClosing, this, [this] { HeardClosing(); });
    }
    HearSingleBeacons();
    auto* watcher = new QDBusServiceWatcher(bus::kHostService, bus_,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                OwnerChanged(newOwner);
            });
}

bool DBusHost::ListenDirect(const QStringList& members, bool on) {
    for (const QString& member : members) {
        QString why;
        if (!direct_->Listen(
                bus::kHostService, bus::kHostPath,
                QString::fromLatin1(OrgBeaconboardHostMainInterface::staticInterfaceName()), member,
                on, why))
            return false;
    }
    return true;
}

void DBusHost::Heard(const platform::BusSignalReader::Signal& s) {
    // Each signal as the host's interface gives it; one of other arguments
    // is left out, as the toolkit's bus leaves it out, and said once.
    const QList<QVariant>& a = s.args;
    if (s.member == QLatin1String("NotifyBeaconBatch") && s.signature == QLatin1String("ay"))
        HeardBatch(a[0].toByteArray());
    else if (s.member == QLatin1String("NotifyBeaconData") && s.signature == QLatin1String("a{sv}"))
        HeardBeaconData(a[0].toMap());
    else if (s.member == QLatin1String("NotifyBeacon") && s.signature == QLatin1String("sdd"))
        HeardBeacon(a[0].toString(), a[1].toDouble(), a[2].toDouble());
    else if (s.member == QLatin1String("NotifyDelete") && s.signature == QLatin1String("s"))
        HeardDelete(a[0].toString());
    else if (s.member == QLatin1String("DataAvailable") && s.signature.isEmpty())
        HeardDataAvailable();
    else if (s.member == QLatin1String("UIView32IsClosing") && s.signature.isEmpty())
        HeardClosing();
    else if (misshapen_.insert(s.member.toStdString()).second)
        Common::WriteErrorLog("The host's " + s.member.toStdString() + " came with arguments (" +
                              s.signature.toStdString() +
                              ") its interface does not give it; such signals are left out");
}

void DBusHost::HeardDelete(const QString& call) {
    HeardFromHost();
    Deliver([this, call = call.toStdString()] { events_->mUIV_NotifyDelete(call); });
}

void DBusHost::HeardClosing() {
    Deliver([this] { events_->mUIV_UIView32IsClosing(); });
}

void DBusHost::HeardDataAvailable() {
    HeardFromHost();
    Deliver([this] { events_->mUIV_DataAvailable(); });
}

void DBusHost::HeardBeacon(const QString& call, double lat, double lon) {
    HeardFromHost();
    Deliver([this, call = call.toStdString(), lat, lon] {
        events_->mUIV_NotifyBeacon(call, static_cast<float>(lat), static_cast<float>(lon));
    });
}

void DBusHost::HeardBeaconData(const QVariantMap& dict) {
    HeardFromHost();
    Deliver([this, dict] {
        HostStation station;
        // A dictionary the board cannot read is that event's error alone.
        if (!Trap(kBeaconTrap, [&] { bus::StationFromDict(dict, station); })) return;
        Announce(station, bus::StationDictComplete(dict));
    });
}

void DBusHost::HeardBatch(const QByteArray& bytes) {
    HeardFromHost();
    std::vector<HostListing> listings;
    const bool whole = ReadBusBatch(bytes, listings);
    std::vector<std::function<void()>> events;
    events.reserve(listings.size() + 1);
    for (HostListing& l : listings)
        if (l.known)
            events.push_back([this, station = std::move(l.station)] { Announce(station, true); });
    // The stations before the fault are taken; the fault is logged in their turn.
    if (!whole)
        events.push_back([] {
            Trap(kBeaconTrap,
                 [] { Raise(err::kAutomationError, "the host's batch of beacons is cut short"); });
        });
    DeliverAll(std::move(events));
}

const QStringList& DBusHost::SingleBeacons() {
    static const QStringList members{QStringLiteral("DataAvailable"),
                                     QStringLiteral("NotifyBeacon"),
                                     QStringLiteral("NotifyBeaconData")};
    return members;
}

void DBusHost::HearSingleBeacons() {
    using Main = OrgBeaconboardHostMainInterface;
    if (direct_) {
        if (!ListenDirect(SingleBeacons(), true))
            Raise(err::kAutomationError, "cannot listen to the host's beacons");
        return;
    }
    singles_[0] =
        connect(main_.get(), &Main::DataAvailable, this, [this] { HeardDataAvailable(); });
    singles_[1] = connect(
        main_.get(), &Main::NotifyBeacon, this,
        [this](const QString& call, double lat, double lon) { HeardBeacon(call, lat, lon); });
    singles_[2] = connect(main_.get(), &Main::NotifyBeaconData, this,
                          [this](const QVariantMap& dict) { HeardBeaconData(dict); });
}

void DBusHost::TakeBeaconBatches(bool on) {
    if (on == inBatches_) return;
    inBatches_ = on;
    using Main = OrgBeaconboardHostMainInterface;
    const QStringList batch{QStringLiteral("NotifyBeaconBatch")};
    if (!on) {
        if (direct_) {
            HearSingleBeacons();
            ListenDirect(batch, false);
            return;
        }
        disconnect(beaconBatches_);
        HearSingleBeacons();
        return;
    }
    // Listening to the batches before the host sends them, and no longer to
    // the one-by-one announcements of the same beacons (nor DataAvailable,
    // which the board has no use for), so the bus brings this board nothing
    // per beacon.
    if (direct_) {
        if (!ListenDirect(batch, true))
            Raise(err::kAutomationError, "cannot listen to the host's batches of beacons");
        ListenDirect(SingleBeacons(), false);
        return;
    }
    beaconBatches_ = connect(main_.get(), &Main::NotifyBeaconBatch, this,
                             [this](const QByteArray& bytes) { HeardBatch(bytes); });
    for (QMetaObject::Connection& c : singles_)
        disconnect(c);
}

void DBusHost::Announce(const HostStation& station, bool whole) {
    // The station came whole with its announcement: the intake's query for
    // it is answered from that, not asked across the bus again. A later
    // change comes with an announcement of its own. An announcement taken
    // during a pause in this one's handling leaves this one's station in
    // place when it is done.
    struct Restore {
        const HostStation*& now;
        const HostStation* outer;
        ~Restore() { now = outer; }
    } restore{announced_, announced_};
    announced_ = whole ? &station : nullptr;
    events_->mUIV_NotifyBeaconData(station);
}

void DBusHost::OwnerChanged(const QString& newOwner) {
    if (newOwner.isEmpty()) {
        gone_ = true;
        return;
    }
    if (!gone_) return;
    gone_ = false;
    unresponsive_ = false;
    // The new host's map is asked for again; what was drawn went with the old one.
    batch_.Clear();
    map_.reset();
    mapPath_.clear();
    hostPng_.reset();
    hostLists_.reset();
    hostBeaconBatches_.reset();
    Deliver([this] {
        if (linkEvents_) linkEvents_->HostReturned();
    });
}

void DBusHost::SetEvents(HostEvents* events, MapEvents* mapEvents, LinkEvents* linkEvents) {
    events_ = events;
    mapEvents_ = mapEvents;
    linkEvents_ = linkEvents;
}

void DBusHost::Release() {
    if (!holding_) return;
    holding_ = false;
    scheduler_.Later(0, [this] { RunHeld(); });
}

void DBusHost::RunHeld() {
    // Events that come while the held ones run join the end of the queue.
    // A board that goes during one's pause (its window closed) leaves the
    // rest of a batch untouched.
    while (!held_.empty() && events_) {
        auto event = std::move(held_.front());
        held_.pop_front();
        event();
    }
}

void DBusHost::DeliverAll(std::vector<std::function<void()>> events) {
    // A batch's beacons run one after another; whatever comes during their
    // pauses waits behind them, as it would behind beacons told one by one.
    const bool now = !holding_ && held_.empty() && events_;
    for (auto& event : events)
        held_.push_back(std::move(event));
    if (now) RunHeld();
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

bool DBusHost::GetStation(HostStation& station) {
    // The announcement answers its own intake's one question, asked before
    // that intake first pauses; an intake nested in the pause, for the same
    // station, asks the host for what is newer.
    if (const HostStation* announced = std::exchange(announced_, nullptr);
        announced && announced->Callsign == station.Callsign) {
        if (&station != announced) station = *announced;
        return true;
    }
    if (unresponsive_) Raise(kRemoteServerUnavailable, "host did not answer");
    QVariantMap dict;
    const QDBusReply<bool> reply =
        main_->GetStation(QString::fromStdString(station.Callsign), dict);
    Check(reply.error());
    if (!reply.value()) return false;
    bus::StationFromDict(dict, station);
    return true;
}

bool DBusHost::HostLists(const QString& path, const QString& member, bool quiet) {
    const QDBusMessage xml = bus_.call(
        QDBusMessage::createMethodCall(bus::kHostService, path,
                                       QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                       QStringLiteral("Introspect")),
        QDBus::Block, kCallTimeoutMs);
    if (xml.type() != QDBusMessage::ReplyMessage) {
        if (!quiet) Check(QDBusError(xml));
        return false;
    }
    return xml.arguments().value(0).toString().contains(QLatin1Char('"') + member +
                                                        QLatin1Char('"'));
}

std::optional<bool> DBusHost::SymbolPicture(const std::string& table, const std::string& symbol,
                                            const std::string& overlay, Picture& picture) {
    if (unresponsive_) Raise(kRemoteServerUnavailable, "host did not answer");
    if (!hostPng_) {
        // An older host lacks the member: its pictures come by the clipboard.
        hostPng_ = HostLists(bus::kHostPath, QStringLiteral("SymbolPng"), false);
    }
    if (!*hostPng_) return std::nullopt;
    QByteArray png;
    const QDBusReply<bool> reply =
        main_->SymbolPng(QString::fromStdString(table), QString::fromStdString(symbol),
                         QString::fromStdString(overlay), png);
    Check(reply.error());
    if (!reply.value()) return false;
    QImage image;
    if (!image.loadFromData(png, "PNG") || image.isNull())
        Raise(err::kInvalidPicture, "the host's picture of " + symbol + " is not a PNG");
    image = image.convertToFormat(QImage::Format_ARGB32);
    picture.width = image.width();
    picture.height = image.height();
    picture.argb.resize(static_cast<std::size_t>(picture.width) *
                        static_cast<std::size_t>(picture.height));
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        std::copy(line, line + image.width(),
                  picture.argb.begin() + static_cast<std::ptrdiff_t>(y) * image.width());
    }
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

HostMap& DBusHost::Map() {
    if (map_) return *this;
    if (unresponsive_) Raise(kRemoteServerUnavailable, "host did not answer");
    QDBusReply<QDBusObjectPath> reply = main_->Map();
    Check(reply.error());
    mapPath_ = reply.value().path();
    map_ = std::make_unique<OrgBeaconboardHostMapInterface>(bus::kHostService, mapPath_, bus_);
    sentWidth_.reset();
    sentMode_.reset();
    sentColour_.reset();
    // A host that lists MapDraw takes whole redraws in a few messages; any
    // other gets one message per call.
    hostBatches_ = HostLists(mapPath_, QStringLiteral("MapDraw"), true);
    batches_ = hostBatches_;
    hostShows_ = HostLists(mapPath_, QStringLiteral("ShowStation"), true);
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
    connect(map_.get(), &MapProxy::StationChosen, this, [this](const QString& call) {
        HeardFromHost();
        Deliver([this, call = call.toStdString()] {
            if (mapEvents_) mapEvents_->StationChosen(call);
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

bool DBusHost::ListsInBatches() {
    if (unresponsive_) Raise(kRemoteServerUnavailable, "host did not answer");
    // An older host lacks the member: its list is read a station at a time.
    if (!hostLists_) hostLists_ = HostLists(bus::kHostPath, QStringLiteral("HostStations"), false);
    return *hostLists_;
}

std::vector<HostListing> DBusHost::HostStations(std::int32_t first, std::int32_t count) {
    if (unresponsive_) Raise(kRemoteServerUnavailable, "host did not answer");
    const QDBusReply<QByteArray> reply = main_->HostStations(first, count);
    Check(reply.error());
    std::vector<HostListing> listings;
    if (!ReadBusBatch(reply.value(), listings))
        Raise(err::kAutomationError, "the host's batch of stations is cut short");
    return listings;
}

void DBusHost::SetNotify(bool enabled) {
    if (unresponsive_) Raise(kRemoteServerUnavailable, "host did not answer");
    if (enabled) {
        // An older host lacks the member: its beacons come one by one.
        if (!hostBeaconBatches_)
            hostBeaconBatches_ =
                HostLists(bus::kHostPath, QStringLiteral("NotifyInBatches"), false);
        bool batches = false;
        if (*hostBeaconBatches_) {
            TakeBeaconBatches(true);
            const QDBusReply<bool> asked = main_->NotifyInBatches(true);
            Check(asked.error());
            batches = asked.value();
        }
        TakeBeaconBatches(batches);
    }
    const QDBusReply<void> reply = main_->SetNotify(enabled);
    Check(reply.error());
}

// The map calls go without waiting for an answer: a redraw sends thousands.
// They are sent as plain messages that ask for no reply, so that neither
// side spends time on replies nobody reads.
void DBusHost::SendMapCall(const QString& method, QList<QVariant> arguments) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(bus::kHostService, mapPath_, map_->interface(), method);
    call.setArguments(std::move(arguments));
    call.setAutoStartService(false);
    bus_.send(call);
}

std::optional<bool> DBusHost::ShowStation(const std::string& callsign) {
    if (!map_ || !hostShows_) return std::nullopt;
    if (unresponsive_) Raise(kRemoteServerUnavailable, "host did not answer");
    // What was drawn before goes first, so the map shows it around the station.
    FlushMap();
    const QDBusReply<bool> reply = map_->ShowStation(QString::fromStdString(callsign));
    Check(reply.error());
    return reply.value();
}

DBusHost::~DBusHost() {
    FlushMap();
}

void DBusHost::Queued() {
    if (batch_.Calls() >= static_cast<std::size_t>(kMaxBatch)) {
        FlushMap();
    } else if (!flushPosted_) {
        flushPosted_ = true;
        scheduler_.Later(0, [this] { FlushMap(); });
    }
}

void DBusHost::FlushMap() {
    flushPosted_ = false;
    if (batch_.Empty() || !map_) return;
    static const QString method = QStringLiteral("MapDraw");
    const auto bytes = [](const std::string& s) {
        return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
    };
    SendMapCall(method, {bytes(batch_.Ops()), bytes(batch_.Numbers())});
    batch_.Clear();
}

void DBusHost::MapCircle(float x, float y, float radius, std::int32_t colour, float startAngle,
                         float endAngle, float aspect) {
    static const QString method = QStringLiteral("MapCircle");
    if (map_ && batches_) {
        batch_.Circle(x, y, radius, colour, startAngle, endAngle, aspect);
        Queued();
    } else if (map_) {
        SendMapCall(method, {double(x), double(y), double(radius), int(colour), double(startAngle),
                             double(endAngle), double(aspect)});
    }
}

void DBusHost::MapLine(float x1, float y1, float x2, float y2, std::int32_t colour,
                       std::int32_t flags) {
    static const QString method = QStringLiteral("MapLine");
    if (map_ && batches_) {
        batch_.Line(x1, y1, x2, y2, colour, flags);
        Queued();
    } else if (map_) {
        SendMapCall(method,
                    {double(x1), double(y1), double(x2), double(y2), int(colour), int(flags)});
    }
}

// The pen's writes: one that changes nothing is not sent again.
void DBusHost::SetPen(bus::MapOp op, const QString& method, std::optional<std::int32_t>& sent,
                      std::int32_t value) {
    if (!map_ || sent == value) return;
    sent = value;
    if (batches_) {
        batch_.Pen(op, value);
        Queued();
    } else
        SendMapCall(method, {int(value)});
}

void DBusHost::SetMapLineWidth(std::int16_t width) {
    static const QString method = QStringLiteral("SetMapLineWidth");
    SetPen(bus::MapOp::LineWidth, method, sentWidth_, width);
}

void DBusHost::SetMapDrawMode(std::int16_t mode) {
    static const QString method = QStringLiteral("SetMapDrawMode");
    SetPen(bus::MapOp::DrawMode, method, sentMode_, mode);
}

void DBusHost::SetMapDrawColour(std::int32_t colour) {
    static const QString method = QStringLiteral("SetMapDrawColour");
    SetPen(bus::MapOp::DrawColour, method, sentColour_, colour);
}

}  // namespace bb::app
