// Map tiles behind the host's map: raster tiles in the web's Mercator
// projection from a tile server, kept in a disk cache. The tile servers'
// usage policy is kept: a User-Agent that names the program and whom to ask
// about it, at most two requests at once, only the tiles the map shows, each
// kept as long as the server says and at least a week and then asked for only
// if it changed, no request that bypasses caches, a server that refuses left
// alone for a while, a disk cache of bounded size, and the attribution on the
// map.
#pragma once

#include <QHash>
#include <QImage>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSet>
#include <QString>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>

#include "support/scheduler.h"

namespace bb::hostapp {

// The OpenStreetMap standard tile server.
inline constexpr const char* kDefaultTiles = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";

// $XDG_CACHE_HOME/beaconboard/tiles (~/.cache/beaconboard/tiles).
std::filesystem::path DefaultTileCache();

// Degrees to the Mercator world's pixels at `zoom` (256 × 2^zoom wide),
// and back.
struct WorldPoint {
    double x = 0, y = 0;
};
WorldPoint ToWorld(double latitude, double longitude, double zoom);
void FromWorld(WorldPoint p, double zoom, double& latitude, double& longitude);

struct TileKey {
    int z = 0, x = 0, y = 0;
    bool operator==(const TileKey&) const = default;
};
inline std::size_t qHash(const TileKey& k, std::size_t seed = 0) {
    return ::qHash((static_cast<quint64>(k.z) << 48) ^ (static_cast<quint64>(k.x) << 24) ^
                       static_cast<quint64>(k.y),
                   seed);
}

// The disk cache's largest size when none is set: 200 MB.
inline constexpr std::int64_t kDefaultTileCacheBytes = 200LL * 1000 * 1000;

// Removes the cache's tiles, least recently written first, until the files
// in `folder` take at most `limitBytes`. Gives the bytes removed.
std::int64_t PruneTileCache(const std::filesystem::path& folder, std::int64_t limitBytes);

struct TilePolicy {
    // Whom the servers' operators can ask about this copy (a URL or a mail
    // address), in the User-Agent; empty: the build's.
    QString contact;
    std::int64_t cacheBytes = kDefaultTileCacheBytes;
    // Times the waits after a refusal; null: the event loop.
    Scheduler* scheduler = nullptr;
};

class TileLoader : public QObject {
    Q_OBJECT
  public:
    static constexpr int kMaxRequests = 2;
    static constexpr std::int64_t kMinKeepSeconds = 7 * 24 * 3600;
    // After a failure a tile is not asked for again for this long; a server
    // that cannot be reached is left alone this long, one that refuses as
    // long as it asks or this long at first and twice as long after each
    // refusal in a row, up to kMaxBackOffMs.
    static constexpr int kRetryMs = 60000;
    static constexpr int kMaxBackOffMs = 3600 * 1000;

    // `urlTemplate` holds {z}, {x} and {y}. The cache is pruned to the
    // policy's size here.
    TileLoader(QString urlTemplate, std::filesystem::path cacheFolder, QObject* parent = nullptr);
    TileLoader(QString urlTemplate, std::filesystem::path cacheFolder, const TilePolicy& policy,
               QObject* parent = nullptr);
    ~TileLoader() override;

    // The tile's picture when there is one (a stale one too, while it is
    // asked for again); null otherwise, and it is asked for.
    const QImage* Tile(TileKey key);
    // Requests waiting that the map no longer shows are dropped: call with
    // the tiles shown before asking for them.
    void Showing(const QSet<TileKey>& shown);
    QString Attribution() const;
    QString UserAgent() const;
    int RequestsMade() const { return requestsMade_; }
    // Why tiles do not come (refused, cannot be reached), for the status
    // bar; empty while they do.
    QString State() const { return state_; }
    // Nothing asked for or on its way.
    bool Idle() const { return inFlight_ == 0 && waiting_.empty(); }
    // Requests made and not yet answered.
    int InFlight() const { return inFlight_; }

  signals:
    void TileArrived();
    void StateChanged(const QString& state);

  private:
    struct Kept {
        QImage image;
        std::int64_t expires = 0;
        QByteArray etag, lastModified;
    };
    std::filesystem::path FileOf(TileKey key, const char* extension) const;
    bool ReadDisk(TileKey key, Kept& kept) const;
    void WriteDisk(TileKey key, const QByteArray& png, const Kept& kept) const;
    void Ask(TileKey key);
    void Next();
    void Finished(QNetworkReply* reply, TileKey key);
    // The server refused or cannot be reached: the tile waits for it.
    void WaitForServer(QNetworkReply& reply, TileKey key, int status, bool refused);
    // A tile that came, or came unchanged, kept for `keep` seconds.
    void Arrived(QNetworkReply& reply, TileKey key, int status, std::int64_t keep);
    // The whole server is left alone for `ms`, then asked for one tile.
    void BackOff(int ms, const QString& why);
    void SetState(const QString& state);

    QString template_;
    std::filesystem::path cache_;
    QNetworkAccessManager network_;
    QHash<TileKey, Kept> memory_;
    QSet<TileKey> asked_;  // waiting or on their way
    QHash<TileKey, std::int64_t> failedUntil_;
    std::deque<TileKey> waiting_;
    int inFlight_ = 0;
    int requestsMade_ = 0;
    QString contact_;
    std::unique_ptr<Scheduler> ownScheduler_;
    Scheduler* scheduler_;
    std::int64_t pausedUntilMs_ = 0;  // on the scheduler's clock
    int refusals_ = 0;                // in a row
    bool probing_ = false;            // one request until the server answers again
    QString state_;
    // Tells waits put off on a scheduler that outlives the loader that it went.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace bb::hostapp
