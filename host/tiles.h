// Map tiles behind the host's map: raster tiles in the web's Mercator
// projection from a tile server, kept in a disk cache. The tile servers'
// usage policy is kept: a User-Agent that names the program, at most two
// requests at once, only the tiles the map shows, each kept as long as the
// server says and at least a week, and the attribution on the map.
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

class TileLoader : public QObject {
    Q_OBJECT
  public:
    static constexpr int kMaxRequests = 2;
    static constexpr std::int64_t kMinKeepSeconds = 7 * 24 * 3600;
    // After a failure a tile is not asked for again for this long.
    static constexpr int kRetryMs = 60000;

    // `urlTemplate` holds {z}, {x} and {y}.
    TileLoader(QString urlTemplate, std::filesystem::path cacheFolder, QObject* parent = nullptr);

    // The tile's picture when there is one (a stale one too, while it is
    // asked for again); null otherwise, and it is asked for.
    const QImage* Tile(TileKey key);
    // Requests waiting that the map no longer shows are dropped: call with
    // the tiles shown before asking for them.
    void Showing(const QSet<TileKey>& shown);
    QString Attribution() const;
    QString UserAgent() const;
    int RequestsMade() const { return requestsMade_; }
    // Nothing asked for or on its way.
    bool Idle() const { return inFlight_ == 0 && waiting_.empty(); }

  signals:
    void TileArrived();

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

    QString template_;
    std::filesystem::path cache_;
    QNetworkAccessManager network_;
    QHash<TileKey, Kept> memory_;
    QSet<TileKey> asked_;  // waiting or on their way
    QHash<TileKey, std::int64_t> failedUntil_;
    std::deque<TileKey> waiting_;
    int inFlight_ = 0;
    int requestsMade_ = 0;
};

}  // namespace bb::hostapp
