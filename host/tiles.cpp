#include "host/tiles.h"

#include <QDateTime>
#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <system_error>
#include <vector>

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

// The wait a refusal asks for in its Retry-After header (seconds, or an
// HTTP date), in ms; -1 when it names none.
std::int64_t RetryAfterMs(const QNetworkReply& reply) {
    const QByteArray value = reply.rawHeader("Retry-After").trimmed();
    if (value.isEmpty()) return -1;
    bool ok = false;
    const qint64 seconds = value.toLongLong(&ok);
    if (ok) return seconds < 0 ? -1 : seconds * 1000;
    const QDateTime at = QDateTime::fromString(QString::fromLatin1(value), Qt::RFC2822Date);
    if (!at.isValid()) return -1;
    return std::max<qint64>(0, at.toSecsSinceEpoch() - Now()) * 1000;
}

QString Wait(std::int64_t ms) {
    const std::int64_t seconds = (ms + 999) / 1000;
    if (seconds < 120) return QStringLiteral("%1 s").arg(seconds);
    return QStringLiteral("%1 min").arg((seconds + 59) / 60);
}

// Waits on the event loop, for a loader given no scheduler.
class LoopScheduler final : public Scheduler {
  public:
    std::int64_t NowMicros() const override {
        using namespace std::chrono;
        return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
    }
    void Later(int delayMs, std::function<void()> task) override {
        QTimer::singleShot(std::max(0, delayMs), &context_, std::move(task));
    }

  private:
    QObject context_;
};

}  // namespace

std::int64_t PruneTileCache(const fs::path& folder, std::int64_t limitBytes) {
    struct File {
        fs::file_time_type written;
        fs::path path;
        std::int64_t bytes;
    };
    std::vector<File> files;
    std::int64_t total = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code e;
        if (!it->is_regular_file(e)) continue;
        const auto bytes = static_cast<std::int64_t>(it->file_size(e));
        const auto written = it->last_write_time(e);
        if (e) continue;
        files.push_back({written, it->path(), bytes});
        total += bytes;
    }
    if (total <= limitBytes) return 0;
    // A tile's picture and its notes go together, so the picture's time
    // decides for both.
    std::sort(files.begin(), files.end(), [](const File& a, const File& b) {
        return a.written != b.written ? a.written < b.written : a.path < b.path;
    });
    std::int64_t removed = 0;
    for (const File& f : files) {
        if (total - removed <= limitBytes) break;
        if (f.path.extension() == ".meta") continue;  // goes with its picture
        if (fs::remove(f.path, ec)) removed += f.bytes;
        if (f.path.extension() == ".png") {
            fs::path meta = f.path;
            meta.replace_extension(".meta");
            const auto metaBytes = static_cast<std::int64_t>(fs::file_size(meta, ec));
            if (!ec && fs::remove(meta, ec)) removed += metaBytes;
        }
    }
    return removed;
}

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
    : TileLoader(std::move(urlTemplate), std::move(cacheFolder), TilePolicy{}, parent) {}

TileLoader::TileLoader(QString urlTemplate, fs::path cacheFolder, const TilePolicy& policy,
                       QObject* parent)
    : QObject(parent),
      template_(std::move(urlTemplate)),
      cache_(std::move(cacheFolder)),
      contact_(policy.contact.isEmpty() ? QStringLiteral(BB_CONTACT) : policy.contact),
      ownScheduler_(policy.scheduler ? nullptr : std::make_unique<LoopScheduler>()),
      scheduler_(policy.scheduler ? policy.scheduler : ownScheduler_.get()) {
    PruneTileCache(cache_, policy.cacheBytes);
}

TileLoader::~TileLoader() {
    *alive_ = false;
}

QString TileLoader::UserAgent() const {
    QString agent = QStringLiteral("bb-host/%1.%2.%3 (Beaconboard APRS host")
                        .arg(version::kMajor)
                        .arg(version::kMinor)
                        .arg(version::kRevision);
    if (!contact_.isEmpty()) agent += QStringLiteral("; +") + contact_;
    return agent + QLatin1Char(')');
}

void TileLoader::SetState(const QString& state) {
    if (state == state_) return;
    state_ = state;
    emit StateChanged(state_);
}

void TileLoader::BackOff(int ms, const QString& why) {
    pausedUntilMs_ = scheduler_->NowMs() + ms;
    probing_ = true;
    SetState(why + QStringLiteral("; asking again in ") + Wait(ms));
    scheduler_->Later(ms, [this, alive = std::weak_ptr<bool>(alive_)] {
        if (const auto a = alive.lock(); a && *a) Next();
    });
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
    if (scheduler_->NowMs() < pausedUntilMs_) return;
    // After a refusal one tile asks whether the server takes requests again.
    const int most = probing_ ? 1 : kMaxRequests;
    while (inFlight_ < most && !waiting_.empty()) {
        const TileKey key = waiting_.front();
        waiting_.pop_front();
        QString url = template_;
        url.replace(QLatin1String("{z}"), QString::number(key.z))
            .replace(QLatin1String("{x}"), QString::number(key.x))
            .replace(QLatin1String("{y}"), QString::number(key.y));
        QNetworkRequest request{QUrl(url)};
        request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
        // No cache of the network manager's own: the disk cache is ours.
        // The load control stays the default, as the one that always asks
        // the network also tells every cache on the way not to answer
        // (Cache-Control and Pragma no-cache), which tile servers forbid.
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
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
    const bool refused = status == 403 || status == 429 || status >= 500;
    const bool unreachable = status == 0 && reply->error() != QNetworkReply::NoError &&
                             reply->error() != QNetworkReply::OperationCanceledError;
    if (refused || unreachable) {
        WaitForServer(*reply, key, status, refused);
        return;
    }
    if (status != 0) {
        // The server answers again.
        refusals_ = 0;
        probing_ = false;
        SetState({});
    }
    Arrived(*reply, key, status, keep);
    Next();
}

void TileLoader::WaitForServer(QNetworkReply& reply, TileKey key, int status, bool refused) {
    // The whole server is left alone, not this tile alone: asking for the
    // others one by one is what gets a program blocked. The tile is asked
    // for first when the wait is over.
    if (!asked_.contains(key)) {
        asked_.insert(key);
        waiting_.push_front(key);
    }
    if (scheduler_->NowMs() < pausedUntilMs_) return;
    // Offline, one tile a minute finds the network back soon enough and
    // costs no server anything; a refusal waits longer each time.
    std::int64_t wait = refused ? RetryAfterMs(reply) : kRetryMs;
    if (refused) ++refusals_;
    if (wait < 0)
        wait = std::min<std::int64_t>(std::int64_t{kRetryMs} << std::min(refusals_ - 1, 16),
                                      kMaxBackOffMs);
    wait = std::clamp<std::int64_t>(wait, 1000, 24LL * 3600 * 1000);
    BackOff(static_cast<int>(wait),
            refused ? QStringLiteral("The tile server refused (HTTP %1)").arg(status)
                    : QStringLiteral("Map tiles cannot be fetched (%1)").arg(reply.errorString()));
}

void TileLoader::Arrived(QNetworkReply& reply, TileKey key, int status, std::int64_t keep) {
    if (reply.error() == QNetworkReply::NoError && status == 200) {
        const QByteArray png = reply.readAll();
        Kept kept;
        if (kept.image.loadFromData(png)) {
            kept.expires = Now() + keep;
            kept.etag = reply.rawHeader("ETag");
            kept.lastModified = reply.rawHeader("Last-Modified");
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
        // Not found or the like: what is kept stays shown; asked again later.
        failedUntil_.insert(key, Now() + kRetryMs / 1000);
    }
}

}  // namespace bb::hostapp
