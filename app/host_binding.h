// The board's binding to the host program on the session bus: the host's
// main object, its map and its station object, and the host's events
// delivered on the user-interface thread.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>
#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "bus/map_batch.h"
#include "platform/bus_signal_reader.h"
#include "platform/qt_scheduler.h"
#include "stations/host.h"

class OrgBeaconboardHostMainInterface;
class OrgBeaconboardHostMapInterface;

namespace bb::app {

// What the link itself tells, in turn with the host's events.
class LinkEvents {
  public:
    virtual ~LinkEvents() = default;
    // A host that went away without closing (killed, crashed) is back: it
    // knows nothing of this board yet.
    virtual void HostReturned() = 0;
};

// The host as the board holds it: its automation objects, and its events,
// held until the full scan can take them.
class HostConnection : public HostMain {
  public:
    // Where the events go. Until Release they are held, in order.
    virtual void SetEvents(HostEvents* events, MapEvents* mapEvents, LinkEvents* linkEvents) = 0;
    // Lets the held events run at the next turn of the event loop, and the
    // later ones as they come.
    virtual void Release() = 0;
};

class DBusHost final : public QObject, public HostConnection, public HostMap {
    Q_OBJECT
  public:
    // The longest the user-interface thread waits on the host for one answer.
    static constexpr int kCallTimeoutMs = 2000;
    static constexpr int kMaxBatch = 4096;  // map calls in one MapDraw

    // Where the host's announcements are read: on a bus connection of the
    // board's own, on this thread, or from the toolkit's connection, whose
    // thread hands each one over (also where the first cannot be made).
    enum class HostSignals { OwnConnection, ToolkitConnection };
    // Creates the host's main object. Raises error 429 when no host program
    // owns the name on the bus.
    static std::unique_ptr<DBusHost> Create(QDBusConnection bus,
                                            HostSignals from = HostSignals::OwnConnection);
    ~DBusHost() override;

    void SetEvents(HostEvents* events, MapEvents* mapEvents, LinkEvents* linkEvents) override;
    void Release() override;

    bool GetStation(HostStation& station) override;
    std::optional<bool> SymbolPicture(const std::string& table, const std::string& symbol,
                                      const std::string& overlay, Picture& picture) override;
    bool SymbolToClipboard(const std::string& table, const std::string& symbol,
                           const std::string& overlay, std::int16_t flags) override;
    // The map object; asks the host for it the first time.
    HostMap& Map() override;
    std::int16_t HostStationCount() override;
    std::string HostStationLine(std::int16_t index) override;
    void SetNotify(bool enabled) override;
    bool ListsInBatches() override;
    std::vector<HostListing> HostStations(std::int32_t first, std::int32_t count) override;

    void MapCircle(float x, float y, float radius, std::int32_t colour, float startAngle,
                   float endAngle, float aspect) override;
    void MapLine(float x1, float y1, float x2, float y2, std::int32_t colour,
                 std::int32_t flags) override;
    void SetMapLineWidth(std::int16_t width) override;
    void SetMapDrawMode(std::int16_t mode) override;
    void SetMapDrawColour(std::int32_t colour) override;
    std::optional<bool> ShowStation(const std::string& callsign) override;
    // Sends the map calls gathered so far.
    void FlushMap();
    // Whether map calls go in batches; on by default with a host that takes
    // them. Off sends one message per call (to compare the two).
    void SetMapBatches(bool on) {
        FlushMap();
        batches_ = on && hostBatches_;
    }

  private:
    DBusHost(QDBusConnection bus, HostSignals from);
    // Listens to the beacons told one by one (with DataAvailable).
    void HearSingleBeacons();
    static const QStringList& SingleBeacons();
    // Starts or stops listening to the host's `members` on the board's own
    // connection; false when the bus refused.
    bool ListenDirect(const QStringList& members, bool on);
    // A signal from the board's own connection, handed to the one below
    // that takes it.
    void Heard(const platform::BusSignalReader::Signal& s);
    void HeardDelete(const QString& call);
    void HeardClosing();
    void HeardDataAvailable();
    void HeardBeacon(const QString& call, double lat, double lon);
    void HeardBeaconData(const QVariantMap& dict);
    void HeardBatch(const QByteArray& bytes);
    // Takes the beacons from the host's batches instead, or again one by one.
    void TakeBeaconBatches(bool on);
    // Hands a station announced with its data to the board; `whole`: it
    // answers the intake's query for it.
    void Announce(const HostStation& station, bool whole);
    void Deliver(std::function<void()> event);
    // Delivers the events in turn, as if each had been delivered alone and
    // every later one had come during the earlier ones' pauses.
    void DeliverAll(std::vector<std::function<void()>> events);
    void RunHeld();
    // Raises the run-time error for a failed call; a host that did not
    // answer in time is not waited on again until it is heard from.
    void Check(const class QDBusError& error);
    void HeardFromHost() { unresponsive_ = false; }
    void OwnerChanged(const QString& newOwner);
    // Whether the host's object at `path` lists `member` in its introspection.
    // A question the host does not answer is a no when `quiet`, else the
    // call's run-time error.
    bool HostLists(const QString& path, const QString& member, bool quiet);
    void SendMapCall(const QString& method, QList<QVariant> arguments);
    // With a host that takes batches, map calls are gathered and sent as one
    // MapDraw at the end of the event loop's turn (or when many are waiting):
    // called after each call joins the batch.
    void Queued();
    void SetPen(bus::MapOp op, const QString& method, std::optional<std::int32_t>& sent,
                std::int32_t value);

    QDBusConnection bus_;
    std::unique_ptr<OrgBeaconboardHostMainInterface> main_;
    std::unique_ptr<OrgBeaconboardHostMapInterface> map_;
    // The board's own connection for the host's announcements; null when
    // they come from `bus_`.
    std::unique_ptr<platform::BusSignalReader> direct_;
    QString mapPath_;
    // The map's pen as last sent: a write that changes nothing is not sent
    // again (a PHG pass sets width and colour before every figure).
    std::optional<std::int32_t> sentWidth_, sentMode_, sentColour_;
    bool batches_ = false;
    bool hostBatches_ = false;  // the host lists MapDraw
    bool hostShows_ = false;    // the host lists ShowStation
    bool flushPosted_ = false;
    bus::MapBatchWriter batch_;
    // The held events' turn and the batch's flush, at the end of the event
    // loop's turn; dropped with this link.
    platform::QtScheduler scheduler_;
    HostEvents* events_ = nullptr;
    MapEvents* mapEvents_ = nullptr;
    LinkEvents* linkEvents_ = nullptr;
    std::deque<std::function<void()>> held_;
    // The station of the NotifyBeaconData being delivered, when it came
    // whole, until its intake has asked for it.
    const HostStation* announced_ = nullptr;
    bool holding_ = true;
    bool unresponsive_ = false;
    // Whether the host lists SymbolPng, HostStations and NotifyInBatches;
    // asked once per host.
    std::optional<bool> hostPng_, hostLists_, hostBeaconBatches_;
    // The connections to the beacons told one by one (DataAvailable,
    // NotifyBeacon, NotifyBeaconData), or to the batches of them.
    std::array<QMetaObject::Connection, 3> singles_;
    QMetaObject::Connection beaconBatches_;
    bool inBatches_ = false;
    // The host's signals that came with other arguments, said once each.
    std::set<std::string> misshapen_;
    bool gone_ = false;  // the host's name has lost its owner
};

}  // namespace bb::app
