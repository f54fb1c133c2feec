#include "host/tiles.h"

#include <QDateTime>
#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <system_error>

#include "generated/version.h"
#include "support/app_paths.h"

namespace bb::hostapp {

namespace fs = std::filesystem;

namespace {

constexpr double kMaxLatitude = 85.05112878;
// Tiles kept in memory; the disk holds the rest.
constexpr int kMemoryTiles = 512;

std::int64_t Now() {
    return QDateTime::currentSecsSinceEpoch();
}

// How long the server says the tile stays good, from its headers; 0 when
// it says nothing.
std::int64_t ServerKeeps(const QNetworkReply& reply) {
    const QByteArray control = reply.rawHeader("Cache-Control");
    for (const QByteArray& part : control.split(',')) {
        const QByteArray p = part.trimmed();
        if (p.startsWith("max-age=")) return std::max<qint64>(0, p.mid(8).toLongLong());
    }
    const QByteArray expires = reply.rawHeader("Expires");
    if (!expires.isEmpty()) {
        const QDateTime at = QDateTime::fromString(QString::fromLatin1(expires), Qt::RFC2822Date);
        if (at.isValid()) return std::max<qint64>(0, at.toSecsSinceEpoch() - Now());
    }
    return 0;
}

}  // namespace

fs::path DefaultTileCache() {
    return UserFolder("XDG_CACHE_HOME", ".cache") / "tiles";
}

WorldPoint ToWorld(double latitude, double longitude, double zoom) {
    const double size = 256.0 * std::exp2(zoom);
    const double lat = std::clamp(latitude, -kMaxLatitude, kMaxLatitude) * std::numbers::pi / 180;
    return {(longitude + 180.0) / 360.0 * size,
            (1.0 - std::log(std::tan(lat) + 1.0 / std::cos(lat)) / std::numbers::pi) / 2.0 * size};
}

void FromWorld(WorldPoint p, double zoom, double& latitude, double& longitude) {
    const double size = 256.0 * std::exp2(zoom);
    longitude = p.x / size * 360.0 - 180.0;
    const double n = std::numbers::pi * (1.0 - 2.0 * p.y / size);
    latitude = std::atan(std::sinh(n)) * 180.0 / std::numbers::pi;
}

TileLoader::TileLoader(QString urlTemplate, fs::path cacheFolder, QObject* parent)
    : QObject(parent), template_(std::move(urlTemplate)), cache_(std::move(cacheFolder)) {}

QString TileLoader::UserAgent() const {
    return QStringLiteral("bb-host/%1.%2.%3 (Beaconboard APRS host)")
        .arg(version::kMajor)
        .arg(version::kMinor)
        .arg(version::kRevision);
}

QString TileLoader::Attribution() const {
    if (template_.contains(QLatin1String("openstreetmap.org")))
        return QStringLiteral("© OpenStreetMap contributors");
    return QStringLiteral("Map tiles: ") + QUrl(template_).host();
}

fs::path TileLoader::FileOf(TileKey k, const char* extension) const {
    return cache_ / std::to_string(k.z) / std::to_string(k.x) / (std::to_string(k.y) + extension);
}

bool TileLoader::ReadDisk(TileKey key, Kept& kept) const {
    QFile meta(QString::fromStdString(FileOf(key, ".meta").string()));
    if (!meta.open(QIODevice::ReadOnly)) return false;
    const QList<QByteArray> lines = meta.readAll().split('\n');
    if (lines.size() < 3) return false;
    bool ok = false;
    kept.expires = lines[0].toLongLong(&ok);
    kept.etag = lines[1];
    kept.lastModified = lines[2];
    return ok && kept.image.load(QString::fromStdString(FileOf(key, ".png").string()));
}

void TileLoader::WriteDisk(TileKey key, const QByteArray& png, const Kept& kept) const {
    std::error_code ec;
    fs::create_directories(FileOf(key, ".png").parent_path(), ec);
    if (!png.isEmpty()) {
        QSaveFile picture(QString::fromStdString(FileOf(key, ".png").string()));
        if (!picture.open(QIODevice::WriteOnly) || picture.write(png) != png.size() ||
            !picture.commit())
            return;
    }
    QSaveFile meta(QString::fromStdString(FileOf(key, ".meta").string()));
    if (!meta.open(QIODevice::WriteOnly)) return;
    meta.write(QByteArray::number(static_cast<qlonglong>(kept.expires)) + '\n' + kept.etag + '\n' +
               kept.lastModified + '\n');
    meta.commit();
}

const QImage* TileLoader::Tile(TileKey key) {
    auto it = memory_.find(key);
    if (it == memory_.end()) {
        Kept kept;
        if (ReadDisk(key, kept)) {
            if (memory_.size() >= kMemoryTiles) memory_.clear();
            it = memory_.insert(key, std::move(kept));
        }
    }
    const bool failed = failedUntil_.value(key, 0) > Now();
    if (it == memory_.end()) {
        if (!failed) Ask(key);
        return nullptr;
    }
    if (it->expires <= Now() && !failed) Ask(key);
    return &it->image;
}

void TileLoader::Showing(const QSet<TileKey>& shown) {
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        if (shown.contains(*it)) {
            ++it;
        } else {
            asked_.remove(*it);
            it = waiting_.erase(it);
        }
    }
}

void TileLoader::Ask(TileKey key) {
    if (asked_.contains(key)) return;
    asked_.insert(key);
    // The tiles asked for last are the ones on the screen now.
    waiting_.push_front(key);
    Next();
}

void TileLoader::Next() {
    while (inFlight_ < kMaxRequests && !waiting_.empty()) {
        const TileKey key = waiting_.front();
        waiting_.pop_front();
        QString url = template_;
        url.replace(QLatin1String("{z}"), QString::number(key.z))
            .replace(QLatin1String("{x}"), QString::number(key.x))
            .replace(QLatin1String("{y}"), QString::number(key.y));
        QNetworkRequest request{QUrl(url)};
        request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        request.setTransferTimeout(30000);
        // A tile kept but out of date is asked for only if it changed.
        if (const auto it = memory_.constFind(key); it != memory_.constEnd()) {
            if (!it->etag.isEmpty()) request.setRawHeader("If-None-Match", it->etag);
            if (!it->lastModified.isEmpty())
                request.setRawHeader("If-Modified-Since", it->lastModified);
        }
        ++inFlight_;
        ++requestsMade_;
        QNetworkReply* reply = network_.get(request);
        connect(reply, &QNetworkReply::finished, this,
                [this, reply, key] { Finished(reply, key); });
    }
}

void TileLoader::Finished(QNetworkReply* reply, TileKey key) {
    reply->deleteLater();
    --inFlight_;
    asked_.remove(key);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const std::int64_t keep = std::max(ServerKeeps(*reply), kMinKeepSeconds);
    if (reply->error() == QNetworkReply::NoError && status == 200) {
        const QByteArray png = reply->readAll();
        Kept kept;
        if (kept.image.loadFromData(png)) {
            kept.expires = Now() + keep;
            kept.etag = reply->rawHeader("ETag");
            kept.lastModified = reply->rawHeader("Last-Modified");
            WriteDisk(key, png, kept);
            if (memory_.size() >= kMemoryTiles) memory_.clear();
            memory_.insert(key, std::move(kept));
            failedUntil_.remove(key);
            emit TileArrived();
        } else {
            failedUntil_.insert(key, Now() + kRetryMs / 1000);
        }
    } else if (status == 304 && memory_.contains(key)) {
        // Unchanged: good for as long again.
        Kept& kept = memory_[key];
        kept.expires = Now() + keep;
        WriteDisk(key, {}, kept);
    } else {
        // Offline or refused: what is kept stays shown; asked again later.
        failedUntil_.insert(key, Now() + kRetryMs / 1000);
    }
    Next();
}

}  // namespace bb::hostapp
