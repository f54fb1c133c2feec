// The host's automation objects on the session bus: the main object at /Host
// and the map object at /Host/Map, with the station list behind them.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVariantMap>
#include <cstdint>
#include <map>
#include <string>

#include "host/map_overlays.h"
#include "host/station_history.h"
#include "host/station_list.h"
#include "stations/host.h"

class QDBusServiceWatcher;

namespace bb::hostapp {

struct HostCounters {
    std::uint64_t heard = 0;          // lines taken in
    std::uint64_t decoded = 0;        // packets that gave a station
    std::uint64_t notStation = 0;     // messages, telemetry and the like
    std::uint64_t malformed = 0;      // lines or packets that could not be decoded
    std::uint64_t queries = 0;        // GetStation calls answered
    std::uint64_t batches = 0;        // HostStations calls answered
    std::uint64_t beaconBatches = 0;  // NotifyBeaconBatch signals raised
};

class MapService : public QObject {
    Q_OBJECT
  public:
    MapService(MapOverlays& overlays, const StationList& stations, QObject* parent = nullptr)
        : QObject(parent), overlays_(overlays), stations_(stations) {}

    void MapCircle(double x, double y, double radius, int colour, double start, double end,
                   double aspect);
    void MapLine(double x1, double y1, double x2, double y2, int colour, int flags);
    void SetMapLineWidth(int width);
    void SetMapDrawMode(int mode);
    void SetMapDrawColour(int colour);
    // The batched form; a call that lacks its arguments or is unknown ends
    // the batch there.
    void MapDraw(const QByteArray& ops, const QByteArray& numbers);
    // True when the station is known; the map window centres on it.
    bool ShowStation(const QString& callsign);

  signals:
    void MapHasChanged();
    void MapRedrawn();
    // The user clicked the station on the map.
    void StationChosen(const QString& callsign);
    void OverlaysChanged();
    // For the map window: a board asked to see this known station.
    void StationShown(const QString& callsign);

  private:
    MapOverlays& overlays_;
    const StationList& stations_;
};

// Each board (each client on the bus) turns the announcements on and off for
// itself: a board that closes leaves the others theirs.
class HostService : public QObject, protected QDBusContext {
    Q_OBJECT
  public:
    struct Options {
        HomePosition home;
        int expiryMinutes = 60;
        // Beacons announced with NotifyBeaconData, the station whole; false:
        // with NotifyBeacon, which has a board ask for each one.
        bool beaconData = true;
        // Beacons also in batches to a board that asks (NotifyInBatches);
        // only with beaconData.
        bool beaconBatches = true;
        bool tracks = true;  // keep the moving stations' tracks
    };

    explicit HostService(const Options& options, QObject* parent = nullptr);

    // Puts both objects on the bus and takes the well-known name. False, with
    // the reason, when the name is taken or the bus is not there.
    bool Register(QDBusConnection bus, QString& error);
    // Says UIView32IsClosing and gives the name up.
    void Close();

    // One line of monitor text, as heard now.
    void Hear(const std::string& line);
    void Hear(const std::string& line, std::int64_t nowUnix);
    // A replayed line, recorded at `recordedUnix` (0: not known), as heard now.
    void Hear(const std::string& line, std::int64_t nowUnix, std::int64_t recordedUnix);
    void HearReplayed(const std::string& line, std::int64_t recordedUnix);
    // Removes the stations not heard within the expiry time.
    void ExpireStations(std::int64_t nowUnix);

    const StationList& Stations() const { return stations_; }
    // For the list kept over a restart, before the host is on the bus.
    StationList& Stations() { return stations_; }
    template <class F>
    void ForEachStation(F&& f) const {
        stations_.ForEach(std::forward<F>(f));
    }
    const HostCounters& Counters() const { return counters_; }
    MapOverlays& Overlays() { return overlays_; }
    const StationHistory& History() const { return history_; }
    StationHistory& History() { return history_; }
    MapService& MapObject() { return *map_; }
    bool NotifyOn() const { return notify_; }

    // The members the bus calls.
    bool GetStation(const QString& callsign, QVariantMap& station);
    bool SymbolToClipboard(const QString& table, const QString& symbol, const QString& overlay,
                           int flags);
    bool SymbolPng(const QString& table, const QString& symbol, const QString& overlay,
                   QByteArray& png);
    QDBusObjectPath Map();
    short HostStationCount();
    QString HostStationLine(short index);
    QByteArray HostStations(int first, int count);
    void SetNotify(bool on);
    bool NotifyInBatches(bool on);
    // A client that left the bus is forgotten with what it asked for.
    void Forget(const QString& client);
    // Sends the beacons gathered for the batch now.
    void FlushBeaconBatch();

    // How long a beacon waits for others to share its batch, and how many
    // share one at most. Longer batches would cost the board less, but
    // every millisecond here is one more before the beacon shows, and at
    // 1,000 a second 20 is what keeps it within a tenth of a second
    // (bench/responsiveness_bench).
    static constexpr int kBeaconBatchMs = 20;
    static constexpr int kBeaconBatchMax = 500;
    // DataAvailable is raised at most this often: the first line after a
    // quiet spell at once, the lines that follow in a signal at the end of
    // the spacing. It says only that lines came (a board takes the beacons
    // themselves), so a full feed need not pay for a bus message every 20 ms.
    static constexpr int kDataAvailableMs = 100;

  signals:
    void DataAvailable();
    void NotifyBeacon(const QString& callsign, double lat, double lon);
    void NotifyBeaconData(const QVariantMap& station);
    void NotifyDelete(const QString& callsign);
    void NotifyBeaconBatch(const QByteArray& stations);
    void UIView32IsClosing();
    // For the map window: the station list changed.
    void StationsChanged();

  private:
    Options options_;
    StationList stations_;
    StationHistory history_;
    MapOverlays overlays_;
    MapService* map_;
    HostCounters counters_;
    // What each client asked for, by its unique name on the bus; the calls
    // made in this process count as one client with an empty name.
    struct Listener {
        bool notify = false;
        bool batches = false;
    };
    // The caller's entry; null for one that has left the bus already.
    Listener* Caller();
    // Works out which announcements are raised from what the clients asked.
    void Recount();
    // A line was heard: DataAvailable now, or at the end of its spacing.
    void TellDataAvailable();
    void RaiseDataAvailable();

    std::map<QString, Listener> listeners_;
    QDBusServiceWatcher* watcher_ = nullptr;
    bool notify_ = false;   // some client has the announcements on
    bool singles_ = false;  // ... and it takes the beacons one by one
    bool batches_ = false;  // ... and it takes them in batches
    std::string batch_;     // the beacons not yet sent in a batch
    int batched_ = 0;
    QTimer batchTimer_;
    QTimer dataTimer_;         // lines wait for their DataAvailable
    QElapsedTimer sinceData_;  // since the last DataAvailable; invalid before the first
    bool registered_ = false;
    QDBusConnection bus_;
};

HostStation ToHostStation(const HostEntry& entry);

}  // namespace bb::hostapp
