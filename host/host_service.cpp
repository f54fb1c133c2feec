#include "host/host_service.h"

#include <algorithm>
#include <cstring>

#include <QBuffer>
#include <QClipboard>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QImage>
#include <chrono>

#include "bus/map_batch.h"
#include "bus/station_batch.h"
#include "bus/station_dict.h"
#include "host/main_adaptor.h"
#include "host/map_adaptor.h"
#include "host/symbols.h"

namespace bb::hostapp {
namespace {

std::int64_t NowUnix() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

HostStation ToHostStation(const HostEntry& e) {
    HostStation s;
    s.Callsign = e.callsign;
    s.Symbol = e.symbol;
    s.BeaconText = e.beaconText;
    s.StatusText = e.statusText;
    s.Longitude = static_cast<float>(e.longitudeMinutes);
    s.Latitude = static_cast<float>(e.latitudeMinutes);
    s.Speed = static_cast<float>(e.speed);
    s.Course = e.course;
    s.ReportDate = e.reportDate;
    s.FallbackDate = e.fallbackDate;
    s.Distance = static_cast<float>(e.distance);
    s.CommentStart = e.commentStart;
    s.Bearing = e.bearing;
    return s;
}

void MapService::MapCircle(double x, double y, double radius, int colour, double, double, double) {
    overlays_.Circle(x, y, radius, colour);
    emit OverlaysChanged();
}

void MapService::MapLine(double x1, double y1, double x2, double y2, int colour, int) {
    overlays_.Line(x1, y1, x2, y2, colour);
    emit OverlaysChanged();
}

void MapService::MapDraw(const QByteArray& ops, const QByteArray& numbers) {
    // The overlays as the batch's drawing; only the figures count as a change.
    struct Drawing final : bus::MapDrawing {
        MapOverlays& o;
        explicit Drawing(MapOverlays& overlays) : o(overlays) {}
        void Circle(double x, double y, double r, std::int32_t c) override { o.Circle(x, y, r, c); }
        void Line(double x1, double y1, double x2, double y2, std::int32_t c) override {
            o.Line(x1, y1, x2, y2, c);
        }
        void LineWidth(std::int32_t w) override { o.SetWidth(w); }
        void DrawMode(std::int32_t m) override { o.SetMode(m); }
        void DrawColour(std::int32_t c) override { o.SetDrawColour(c); }
    } drawing(overlays_);
    const auto view = [](const QByteArray& a) {
        return std::string_view(a.constData(), static_cast<std::size_t>(a.size()));
    };
    if (bus::ReadMapBatch(view(ops), view(numbers), drawing) > 0) emit OverlaysChanged();
}

bool MapService::ShowStation(const QString& callsign) {
    if (!stations_.Find(callsign.toStdString())) return false;
    emit StationShown(callsign);
    return true;
}

void MapService::SetMapLineWidth(int width) {
    overlays_.SetWidth(width);
}
void MapService::SetMapDrawMode(int mode) {
    overlays_.SetMode(mode);
}
void MapService::SetMapDrawColour(int colour) {
    overlays_.SetDrawColour(colour);
}

HostService::HostService(const Options& options, QObject* parent)
    : QObject(parent),
      options_(options),
      stations_(options.home),
      map_(new MapService(overlays_, stations_, this)),
      bus_(QStringLiteral("none")) {
    history_.SetTracks(options.tracks);
    batchTimer_.setSingleShot(true);
    batchTimer_.setInterval(kBeaconBatchMs);
    connect(&batchTimer_, &QTimer::timeout, this, &HostService::FlushBeaconBatch);
    dataTimer_.setSingleShot(true);
    connect(&dataTimer_, &QTimer::timeout, this, &HostService::RaiseDataAvailable);
    new MainAdaptor(this);
    new MapAdaptor(map_);
}

bool HostService::Register(QDBusConnection bus, QString& error) {
    bus_ = bus;
    if (!bus.isConnected()) {
        error = QStringLiteral("no session bus: ") + bus.lastError().message();
        return false;
    }
    if (!bus.registerObject(bus::kHostPath, this) || !bus.registerObject(bus::kMapPath, map_)) {
        error = QStringLiteral("cannot register the host objects");
        return false;
    }
    const auto reply = bus.interface()->registerService(
        bus::kHostService, QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        error =
            QStringLiteral("the name %1 is already taken by another host").arg(bus::kHostService);
        bus.unregisterObject(bus::kHostPath);
        bus.unregisterObject(bus::kMapPath);
        return false;
    }
    registered_ = true;
    return true;
}

void HostService::Close() {
    if (!registered_) return;
    FlushBeaconBatch();
    emit UIView32IsClosing();
    // Sent on the same connection before the name is released, so a board
    // hears the farewell before it sees the name go.
    bus_.interface()->unregisterService(bus::kHostService);
    bus_.unregisterObject(bus::kMapPath);
    bus_.unregisterObject(bus::kHostPath);
    registered_ = false;
}

void HostService::Hear(const std::string& line) {
    Hear(line, NowUnix());
}

void HostService::Hear(const std::string& line, std::int64_t nowUnix) {
    Hear(line, nowUnix, 0);
}

void HostService::HearReplayed(const std::string& line, std::int64_t recordedUnix) {
    Hear(line, NowUnix(), recordedUnix);
}

void HostService::Hear(const std::string& line, std::int64_t nowUnix, std::int64_t recordedUnix) {
    ++counters_.heard;
    TellDataAvailable();
    aprs::Tnc2Packet packet;
    aprs::Report report;
    std::string why;
    if (!aprs::ParseTnc2(line, packet, why)) {
        ++counters_.malformed;
        return;
    }
    switch (aprs::Decode(packet, report, why)) {
        case aprs::Outcome::Malformed:
            ++counters_.malformed;
            return;
        case aprs::Outcome::NotStation:
            ++counters_.notStation;
            return;
        case aprs::Outcome::Decoded:
            break;
    }
    ++counters_.decoded;
    report.recordedUnix = recordedUnix;
    std::string callsign;
    const auto change = stations_.Take(
        report, std::string_view(packet.info).substr(report.infoStart), nowUnix, callsign);
    if (change == StationList::Change::None) return;
    if (change == StationList::Change::Removed) {
        history_.Forget(callsign);
    } else {
        history_.Heard(callsign, line, nowUnix);
        if (report.hasPosition)
            history_.Moved(callsign, report.latitude, report.longitude,
                           recordedUnix != 0 ? recordedUnix : nowUnix);
    }
    emit StationsChanged();
    if (!notify_) return;
    if (change == StationList::Change::Removed) {
        // The batch's beacons were heard first, so they are told first.
        FlushBeaconBatch();
        emit NotifyDelete(QString::fromStdString(callsign));
        return;
    }
    const HostEntry* e = stations_.Find(callsign);
    if (!e) return;
    if (!options_.beaconData) {
        if (singles_)
            emit NotifyBeacon(QString::fromStdString(callsign), e->latitudeMinutes,
                              e->longitudeMinutes);
        return;
    }
    const HostStation station = ToHostStation(*e);
    if (batches_) {
        bus::PutListedStation(batch_, {}, callsign, &station);
        if (++batched_ >= kBeaconBatchMax)
            FlushBeaconBatch();
        else if (!batchTimer_.isActive())
            batchTimer_.start();
    }
    if (singles_) emit NotifyBeaconData(bus::StationToDict(station));
}

void HostService::ExpireStations(std::int64_t nowUnix) {
    const auto gone = stations_.Expire(nowUnix, std::int64_t{options_.expiryMinutes} * 60);
    if (gone.empty()) return;
    for (const std::string& call : gone)
        history_.Forget(call);
    emit StationsChanged();
    if (!notify_) return;
    FlushBeaconBatch();
    for (const std::string& call : gone)
        emit NotifyDelete(QString::fromStdString(call));
}

bool HostService::GetStation(const QString& callsign, QVariantMap& station) {
    ++counters_.queries;
    const HostEntry* e = stations_.Find(callsign.toStdString());
    if (!e) {
        station.clear();
        return false;
    }
    station = bus::StationToDict(ToHostStation(*e));
    return true;
}

namespace {

// The picture of a symbol named as the board names it: two characters
// (table and code) or one code in `table`; an overlay replaces the table.
bool SymbolImage(const QString& table, const QString& symbol, const QString& overlay,
                 QImage& image) {
    const std::string sym = symbol.toStdString();
    char t = table.isEmpty() ? '/' : table.at(0).toLatin1();
    char code = 0;
    if (sym.size() == 2) {
        t = sym[0];
        code = sym[1];
    } else if (sym.size() == 1) {
        code = sym[0];
    } else {
        return false;
    }
    if (!overlay.isEmpty()) t = overlay.at(0).toLatin1();
    return DrawSymbol(t, code, image);
}

}  // namespace

bool HostService::SymbolPng(const QString& table, const QString& symbol, const QString& overlay,
                            QByteArray& png) {
    png.clear();
    QImage image;
    if (!SymbolImage(table, symbol, overlay, image)) return false;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG");
}

bool HostService::SymbolToClipboard(const QString& table, const QString& symbol,
                                    const QString& overlay, int) {
    QImage image;
    if (!SymbolImage(table, symbol, overlay, image)) return false;
    // Without a desktop there is no clipboard another program could read.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return false;
    QGuiApplication::clipboard()->setImage(image);
    return true;
}

QDBusObjectPath HostService::Map() {
    return QDBusObjectPath(bus::kMapPath);
}

short HostService::HostStationCount() {
    return stations_.TakeLineSnapshot();
}

QString HostService::HostStationLine(short index) {
    return QString::fromStdString(stations_.Line(index));
}

QByteArray HostService::HostStations(int first, int count) {
    ++counters_.batches;
    if (first == 0) stations_.TakeFullSnapshot();
    std::string batch;
    const std::size_t size = stations_.SnapshotSize();
    const std::size_t from = static_cast<std::size_t>(std::max(first, 0));
    const std::size_t to = std::min(size, from + static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t i = from; i < to; ++i) {
        const std::string& call = stations_.SnapshotCallsign(i);
        const HostEntry* e = stations_.Find(call);
        const HostStation station = e ? ToHostStation(*e) : HostStation{};
        bus::PutListedStation(batch, stations_.Line(static_cast<std::int32_t>(i)), call,
                              e ? &station : nullptr);
    }
    return QByteArray(batch.data(), static_cast<qsizetype>(batch.size()));
}

HostService::Listener* HostService::Caller() {
    if (!calledFromDBus()) return &listeners_[QString()];
    const QString name = message().service();
    const auto [it, fresh] = listeners_.try_emplace(name);
    if (!fresh) return &it->second;
    if (!watcher_) {
        watcher_ = new QDBusServiceWatcher(this);
        watcher_->setConnection(connection());
        watcher_->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
        connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this, &HostService::Forget);
    }
    watcher_->addWatchedService(name);
    // Asked after the watch is set, so a client that left just before is
    // seen here or by the watcher.
    if (connection().interface()->isServiceRegistered(name).value()) return &it->second;
    Forget(name);
    return nullptr;
}

void HostService::Forget(const QString& client) {
    if (listeners_.erase(client) == 0) return;
    if (watcher_) watcher_->removeWatchedService(client);
    Recount();
}

void HostService::Recount() {
    notify_ = singles_ = batches_ = false;
    for (const auto& [name, listener] : listeners_) {
        if (!listener.notify) continue;
        notify_ = true;
        (listener.batches ? batches_ : singles_) = true;
    }
    // Nobody takes the batches now: what was gathered goes at once.
    if (!batches_) FlushBeaconBatch();
}

void HostService::SetNotify(bool on) {
    if (Listener* caller = Caller()) {
        caller->notify = on;
        Recount();
    }
}

bool HostService::NotifyInBatches(bool on) {
    // What was gathered goes in the form the caller took until now.
    FlushBeaconBatch();
    // Run with the callsign-only form, beacons are told one by one only.
    const bool batches = on && options_.beaconData && options_.beaconBatches;
    if (Listener* caller = Caller()) {
        caller->batches = batches;
        Recount();
    }
    return batches;
}

void HostService::TellDataAvailable() {
    // A full feed is hundreds of lines a second, and each signal costs the
    // host a bus message: a listener learns that lines came, not how many.
    // The timer runs only while lines wait for their signal: a line heard
    // after a quiet spell is told at once and leaves no wake-up behind.
    if (dataTimer_.isActive()) return;
    const qint64 since = sinceData_.isValid() ? sinceData_.elapsed() : kDataAvailableMs;
    if (since < kDataAvailableMs) {
        dataTimer_.start(static_cast<int>(kDataAvailableMs - since));
        return;
    }
    RaiseDataAvailable();
}

void HostService::RaiseDataAvailable() {
    sinceData_.start();
    emit DataAvailable();
}

void HostService::FlushBeaconBatch() {
    batchTimer_.stop();
    if (batch_.empty()) return;
    const QByteArray bytes(batch_.data(), static_cast<qsizetype>(batch_.size()));
    batch_.clear();
    batched_ = 0;
    ++counters_.beaconBatches;
    emit NotifyBeaconBatch(bytes);
}

}  // namespace bb::hostapp
