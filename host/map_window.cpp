#include "host/map_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

#include "host/symbols.h"

namespace bb::hostapp {
namespace {

constexpr double kKmPerMile = 1.609344;
constexpr double kEquatorKm = 40075.016686;
constexpr double kMinZoom = 1, kMaxZoom = 19;
constexpr int kSettleMs = 300, kStationRepaintMs = 5000;
const QColor kLand(236, 242, 232);

QColor FromMapColour(std::int32_t c) {
    return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
}

constexpr std::int32_t kNopPen = 11;

std::int64_t NowUnix() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

// A colour of the station's own, the same at every start: a hue from its callsign.
QColor TrackColour(const std::string& callsign) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : callsign)
        h = (h ^ c) * 16777619u;
    return QColor::fromHsv(static_cast<int>(h % 360), 220, 200);
}

QString Degrees(double value, char positive, char negative, int width) {
    const double a = std::fabs(value);
    int whole = static_cast<int>(a);
    double minutes = (a - whole) * 60;
    if (minutes >= 59.995) {
        ++whole;
        minutes = 0;
    }
    return QStringLiteral("%1\u00b0%2' %3")
        .arg(whole, width, 10, QLatin1Char('0'))
        .arg(minutes, 5, 'f', 2, QLatin1Char('0'))
        .arg(QLatin1Char(value < 0 ? negative : positive));
}

QString Age(std::int64_t seconds) {
    if (seconds < 60) return QStringLiteral("%1 s").arg(std::max<std::int64_t>(0, seconds));
    if (seconds < 3600) return QStringLiteral("%1 min").arg(seconds / 60);
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds / 60 % 60);
}

QString LocalTime(std::int64_t unix) {
    return QDateTime::fromSecsSinceEpoch(unix).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

QString LocatorOf(double latitude, double longitude) {
    const double lon = std::clamp(longitude + 180, 0.0, 359.9999),
                 lat = std::clamp(latitude + 90, 0.0, 179.9999);
    QString l;
    l += QChar('A' + static_cast<int>(lon / 20));
    l += QChar('A' + static_cast<int>(lat / 10));
    l += QChar('0' + static_cast<int>(std::fmod(lon, 20) / 2));
    l += QChar('0' + static_cast<int>(std::fmod(lat, 10)));
    l += QChar('a' + static_cast<int>(std::fmod(lon, 2) * 12));
    l += QChar('a' + static_cast<int>(std::fmod(lat, 1) * 24));
    return l;
}

QStringList StationPanelLines(const HostService& host, const HostEntry& e, std::int64_t nowUnix) {
    const double lat = e.latitudeMinutes / 60, lon = e.longitudeMinutes / 60;
    QStringList lines{QString::fromStdString(e.callsign),
                      Degrees(lat, 'N', 'S', 2) + QStringLiteral("  ") + Degrees(lon, 'E', 'W', 3),
                      QStringLiteral("Locator %1").arg(LocatorOf(lat, lon)),
                      QStringLiteral("%1 km from home, bearing %2\u00b0")
                          .arg(e.distance, 0, 'f', 1)
                          .arg(e.bearing, 3, 10, QLatin1Char('0'))};
    if (e.speed > -99999)
        lines << QStringLiteral("%1 km/h, course %2\u00b0")
                     .arg(e.speed, 0, 'f', 0)
                     .arg(e.course < 0 ? 0 : e.course, 3, 10, QLatin1Char('0'));
    else
        lines << QStringLiteral("No speed or course");
    const StationHistory& history = host.History();
    const std::uint32_t times = history.HeardCount(e.callsign);
    QString heard = QStringLiteral("Last heard %1 (%2 ago)")
                        .arg(LocalTime(e.heardUnix), Age(nowUnix - e.heardUnix));
    if (times > 1)
        heard += QStringLiteral(", %1 times, about every %2")
                     .arg(times)
                     .arg(Age((e.heardUnix - history.FirstHeard(e.callsign)) / (times - 1)));
    lines << heard;
    lines << QStringLiteral("Beacon: ") + QString::fromStdString(e.beaconText);
    if (!e.statusText.empty())
        lines << QStringLiteral("Status: ") + QString::fromStdString(e.statusText);
    return lines;
}

StationPanel::StationPanel(QWidget* parent)
    : QFrame(parent),
      symbol_(new QLabel(this)),
      text_(new QLabel(this)),
      packetsButton_(new QPushButton(QStringLiteral("Packets"), this)),
      packets_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("stationPanel"));
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 250));
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    text_->setObjectName(QStringLiteral("panelText"));
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text_->setWordWrap(true);
    text_->setMinimumWidth(260);
    text_->setMaximumWidth(380);
    packetsButton_->setObjectName(QStringLiteral("packetsButton"));
    packetsButton_->setCheckable(true);
    packets_->setObjectName(QStringLiteral("panelPackets"));
    packets_->setReadOnly(true);
    packets_->setLineWrapMode(QPlainTextEdit::NoWrap);
    packets_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    packets_->setMinimumSize(420, 120);
    packets_->hide();
    auto* close = new QPushButton(QStringLiteral("\u00d7"), this);
    close->setObjectName(QStringLiteral("panelClose"));
    close->setFlat(true);
    close->setFixedWidth(close->fontMetrics().horizontalAdvance(QStringLiteral("\u00d7")) + 12);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    auto* top = new QHBoxLayout;
    top->addWidget(symbol_, 0, Qt::AlignTop);
    top->addWidget(text_, 1);
    top->addWidget(close, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(packetsButton_, 0, Qt::AlignLeft);
    layout->addWidget(packets_);
    connect(packetsButton_, &QPushButton::toggled, this, [this](bool on) {
        packets_->setVisible(on);
        adjustSize();
    });
    hide();
}

void StationPanel::Show(const HostService& host, const HostEntry& e, std::int64_t nowUnix) {
    callsign_ = QString::fromStdString(e.callsign);
    QImage symbol;
    if (e.symbol.size() == 2 && DrawSymbol(e.symbol[0], e.symbol[1], symbol))
        symbol_->setPixmap(QPixmap::fromImage(symbol.scaled(32, 32)));
    else
        symbol_->clear();
    QStringList lines = StationPanelLines(host, e, nowUnix);
    for (QString& line : lines)
        line = line.toHtmlEscaped();
    lines[0] = QStringLiteral("<b>") + lines[0] + QStringLiteral("</b>");
    text_->setText(lines.join(QStringLiteral("<br>")));
    QStringList heard;
    for (const HeardPacket& p : host.History().Packets(e.callsign))
        heard << LocalTime(p.unix) + QLatin1Char(' ') + QString::fromStdString(p.line);
    packets_->setPlainText(heard.isEmpty() ? QStringLiteral("(none kept)")
                                           : heard.join(QLatin1Char('\n')));
    adjustSize();
    show();
    raise();
}

MapView::MapView(HostService& host, Scheduler& scheduler, QWidget* parent)
    : QWidget(parent),
      host_(host),
      centreLat_(host.Stations().Home().latitude),
      centreLon_(host.Stations().Home().longitude),
      // About 400 pixels to a degree of latitude around home.
      zoom_(std::clamp(std::log2(400 * 360.0 / 256 * std::cos(centreLat_ * std::numbers::pi / 180)),
                       kMinZoom, kMaxZoom)),
      panel_(new StationPanel(this)),
      tracksShown_(host.History().Tracks()),
      changed_(scheduler, [this] { emit host_.MapObject().MapHasChanged(); }),
      stationTimer_(scheduler, [this] {
          stationTimer_.Start(kStationRepaintMs);
          if (stationsStale_) RedrawBase();
      }) {
    setFocusPolicy(Qt::StrongFocus);
    connect(&host_.MapObject(), &MapService::StationShown, this,
            [this](const QString& call) { ShowStation(call); });
    setMinimumSize(320, 240);
    stationTimer_.Start(kStationRepaintMs);
    connect(&host_, &HostService::StationsChanged, this, [this] { stationsStale_ = true; });
    // New figures are drawn over what is there; those already drawn are not drawn again.
    connect(&host_.MapObject(), &MapService::OverlaysChanged, this, [this] { update(); });
}

QPointF MapView::ToPixel(double xMinutes, double yMinutes) const {
    const WorldPoint p = ToWorld(yMinutes / 60.0, xMinutes / 60.0, zoom_);
    const WorldPoint c = ToWorld(centreLat_, centreLon_, zoom_);
    return {width() / 2.0 + p.x - c.x, height() / 2.0 + p.y - c.y};
}

double MapView::PixelsPerMileAt(double latitude) const {
    // The Mercator scale grows with the latitude's secant, the same east and north.
    const double cosLat = std::max(0.01, std::cos(latitude * std::numbers::pi / 180));
    return 256.0 * std::exp2(zoom_) / (kEquatorKm * cosLat) * kKmPerMile;
}

void MapView::SetTiles(TileLoader* tiles) {
    if (tiles_) tiles_->disconnect(this);
    tiles_ = tiles;
    if (tiles_)
        connect(tiles_, &TileLoader::TileArrived, this, [this] {
            RedrawBackground();
            composedStale_ = true;
            update();
        });
    RedrawBackground();
    composedStale_ = true;
    update();
}

void MapView::SetZoomLevel(double level) {
    zoom_ = std::clamp(level, kMinZoom, kMaxZoom);
    ViewChanged();
}

void MapView::DrawGraticule(QPainter& p) const {
    // A line every degree, or every tenth when zoomed in.
    const double pixelsPerDegree = 256.0 * std::exp2(zoom_) / 360.0;
    const double step = pixelsPerDegree > 600 ? 0.1 : (pixelsPerDegree > 60 ? 1.0 : 10.0);
    const WorldPoint c = ToWorld(centreLat_, centreLon_, zoom_);
    double north, south, west, east;
    FromWorld({c.x - width() / 2.0, c.y - height() / 2.0}, zoom_, north, west);
    FromWorld({c.x + width() / 2.0, c.y + height() / 2.0}, zoom_, south, east);
    p.setPen(QPen(QColor(180, 190, 200), 1));
    for (double lat = std::floor(south / step) * step; lat <= north; lat += step) {
        const double y = ToPixel(0, lat * 60).y();
        p.drawLine(QPointF(0, y), QPointF(width(), y));
        p.drawText(QPointF(2, y - 2), QString::number(lat, 'f', step < 1 ? 1 : 0));
    }
    for (double lon = std::floor(west / step) * step; lon <= east; lon += step) {
        const double x = ToPixel(lon * 60, 0).x();
        p.drawLine(QPointF(x, 0), QPointF(x, height()));
        p.drawText(QPointF(x + 2, height() - 2), QString::number(lon, 'f', step < 1 ? 1 : 0));
    }
}

void MapView::DrawTiles(QPainter& p) {
    // Tiles of the nearest whole level, scaled to the zoom between levels.
    const int z = static_cast<int>(std::lround(zoom_));
    const double scale = std::exp2(zoom_ - z);
    const int count = 1 << z;
    const WorldPoint c = ToWorld(centreLat_, centreLon_, z);
    const double left = c.x - width() / 2.0 / scale, top = c.y - height() / 2.0 / scale;
    const int x0 = static_cast<int>(std::floor(left / 256)),
              x1 = static_cast<int>(std::floor((left + width() / scale) / 256));
    const int y0 = std::max(0, static_cast<int>(std::floor(top / 256))),
              y1 =
                  std::min(count - 1, static_cast<int>(std::floor((top + height() / scale) / 256)));
    QSet<TileKey> shown;
    for (int ty = y0; ty <= y1; ++ty)
        for (int tx = x0; tx <= x1; ++tx)
            shown.insert({z, ((tx % count) + count) % count, ty});
    tiles_->Showing(shown);
    p.setRenderHint(QPainter::SmoothPixmapTransform, scale != 1.0);
    for (int ty = y0; ty <= y1; ++ty) {
        for (int tx = x0; tx <= x1; ++tx) {
            const QImage* tile = tiles_->Tile({z, ((tx % count) + count) % count, ty});
            if (!tile) continue;
            const QRectF target((tx * 256 - left) * scale, (ty * 256 - top) * scale, 256 * scale,
                                256 * scale);
            p.drawImage(target, *tile);
        }
    }
}

void MapView::DrawCredit(QImage& target) const {
    // The tiles' makers are named on the map, as their licence asks: over
    // the stations and the add-on's figures, so nothing hides it.
    QPainter p(&target);
    const QString credit = tiles_->Attribution();
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);
    const QRectF box = QFontMetricsF(font).boundingRect(credit).adjusted(-4, -2, 4, 2);
    const QRectF at(width() - box.width() - 2, height() - box.height() - 2, box.width(),
                    box.height());
    p.fillRect(at, QColor(255, 255, 255, 235));
    p.setPen(Qt::black);
    p.drawText(at, Qt::AlignCenter, credit);
}

void MapView::RedrawBackground() {
    background_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    background_.fill(kLand);
    QPainter p(&background_);
    // Where a tile is missing (offline, or not come yet) the graticule shows.
    DrawGraticule(p);
    if (tiles_) DrawTiles(p);
}

void MapView::RedrawBase() {
    stationsStale_ = false;
    RedrawBackground();
    base_ =
        QImage(std::max(1, width()), std::max(1, height()), QImage::Format_ARGB32_Premultiplied);
    base_.fill(Qt::transparent);
    QPainter p(&base_);
    // Home, then every station with its symbol and call.
    const HomePosition& home = host_.Stations().Home();
    const QPointF h = ToPixel(home.longitude * 60, home.latitude * 60);
    p.setPen(QPen(Qt::darkRed, 2));
    p.drawLine(h + QPointF(-6, 0), h + QPointF(6, 0));
    p.drawLine(h + QPointF(0, -6), h + QPointF(0, 6));
    if (tracksShown_) DrawTracks(p);
    p.setPen(Qt::black);
    host_.ForEachStation([&](const HostEntry& e) {
        const QPointF at = ToPixel(e.longitudeMinutes, e.latitudeMinutes);
        if (!rect().adjusted(-20, -20, 20, 20).contains(at.toPoint())) return;
        if (const QImage* symbol = Symbol(e.symbol))
            p.drawImage(at - QPointF(kSymbolSize / 2.0, kSymbolSize / 2.0), *symbol);
        p.drawText(at + QPointF(kSymbolSize / 2.0 + 1, 4), QString::fromStdString(e.callsign));
    });
    // The station the board or the user chose, ringed.
    if (const HostEntry* e =
            marked_.isEmpty() ? nullptr : host_.Stations().Find(marked_.toStdString())) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(230, 0, 180), 3));
        p.drawEllipse(ToPixel(e->longitudeMinutes, e->latitudeMinutes), kSymbolSize, kSymbolSize);
    }
    p.end();
    host_.Overlays().Clear();
    composedStale_ = true;
    update();
    emit host_.MapObject().MapRedrawn();
}

void MapView::DrawTracks(QPainter& p) const {
    // Each track in its station's colour, older parts thinner and fainter;
    // a track begun anew after a jump is not joined to the one before.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRect area = rect().adjusted(-20, -20, 20, 20);
    host_.History().ForEachTrack([&](const std::string& call, const std::vector<TrackPoint>& t) {
        QColor colour = TrackColour(call);
        const double newest = static_cast<double>(t.back().unix);
        for (std::size_t i = 1; i < t.size(); ++i) {
            if (t[i].starts) continue;
            const QPointF a = ToPixel(t[i - 1].longitude * 60, t[i - 1].latitude * 60);
            const QPointF b = ToPixel(t[i].longitude * 60, t[i].latitude * 60);
            if (!area.intersects(QRectF(a, b).normalized().toAlignedRect().adjusted(0, 0, 1, 1)))
                continue;
            const double age = std::clamp(
                (newest - static_cast<double>(t[i].unix)) / StationHistory::kTrackSeconds, 0.0,
                1.0);
            colour.setAlphaF(1.0 - 0.75 * age);
            p.setPen(QPen(colour, 3.0 - 2.0 * age, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(a, b);
        }
    });
    p.restore();
}

void MapView::ShowTracks(bool on) {
    tracksShown_ = on;
    RedrawBase();
}

bool MapView::ShowStation(const QString& callsign) {
    const HostEntry* e = host_.Stations().Find(callsign.toStdString());
    if (!e) return false;
    centreLat_ = e->latitudeMinutes / 60;
    centreLon_ = e->longitudeMinutes / 60;
    marked_ = callsign;
    ViewChanged();
    return true;
}

QStringList MapView::StationsAt(QPointF at) const {
    std::vector<std::pair<double, QString>> near;
    const double reach = kSymbolSize / 2.0 + 2;
    host_.ForEachStation([&](const HostEntry& e) {
        const QPointF d = ToPixel(e.longitudeMinutes, e.latitudeMinutes) - at;
        if (std::fabs(d.x()) <= reach && std::fabs(d.y()) <= reach)
            near.emplace_back(std::hypot(d.x(), d.y()), QString::fromStdString(e.callsign));
    });
    std::sort(near.begin(), near.end());
    QStringList calls;
    for (const auto& [distance, call] : near)
        calls << call;
    return calls;
}

void MapView::ChooseStation(const QString& callsign, QPoint at) {
    const HostEntry* e = host_.Stations().Find(callsign.toStdString());
    if (!e) return;
    marked_ = callsign;
    RedrawBase();
    panel_->Show(host_, *e, NowUnix());
    // Beside the pointer on the side with more room, inside the map, so the
    // station and its track stay in sight.
    const int x = at.x() > width() / 2 ? at.x() - 24 - panel_->width() : at.x() + 24;
    const int y = at.y() > height() / 2 ? at.y() - 12 - panel_->height() : at.y() + 12;
    const QPoint place(std::clamp(x, 0, std::max(0, width() - panel_->width())),
                       std::clamp(y, 0, std::max(0, height() - panel_->height())));
    panel_->move(place);
    emit host_.MapObject().StationChosen(callsign);
}

void MapView::Clicked(QPoint at) {
    const QStringList calls = StationsAt(at);
    if (calls.isEmpty()) {
        panel_->hide();
        return;
    }
    if (calls.size() == 1) {
        ChooseStation(calls.front(), at);
        return;
    }
    // Stations on top of one another: the user picks one.
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("stationChoice"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const QString& call : calls)
        menu->addAction(call, this, [this, call, at] { ChooseStation(call, at); });
    menu->popup(mapToGlobal(at));
}

const QImage* MapView::Symbol(const std::string& symbol) {
    if (symbol.size() != 2) return nullptr;
    const auto key = static_cast<quint16>((static_cast<unsigned char>(symbol[0]) << 8) |
                                          static_cast<unsigned char>(symbol[1]));
    auto it = symbols_.find(key);
    if (it == symbols_.end()) {
        QImage picture;
        if (!DrawSymbol(symbol[0], symbol[1], picture)) picture = QImage();
        it = symbols_.insert(key, picture);
    }
    return it->isNull() ? nullptr : &*it;
}

void MapView::DrawOverlays(QImage& target, std::size_t from) const {
    // Every figure shows in its own colour, over the map and over the
    // figures before it: a pen mode only says whether it is drawn at all
    // (11, the no-op pen, draws nothing). An exclusive-or pen that combined
    // figures with one another would cut thick circles into dashes where
    // their strokes overlap and turn a red marker on a pale map cyan.
    QPainter p(&target);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    const auto& items = host_.Overlays().Items();
    // A figure wholly out of sight costs nothing to leave out.
    const QRectF sight = QRectF(target.rect()).adjusted(-64, -64, 64, 64);
    for (auto it = items.begin() + static_cast<std::ptrdiff_t>(std::min(from, items.size()));
         it != items.end(); ++it) {
        const Overlay& o = *it;
        if (o.mode == kNopPen) continue;
        const QPointF a = ToPixel(o.x1, o.y1);
        if (o.shape == Overlay::Shape::Circle) {
            // Miles at the station's own latitude, as the tiles are drawn.
            const double r = o.radiusMiles * PixelsPerMileAt(o.y1 / 60.0);
            if (!(r > 0 && r < 1e6) ||
                !sight.intersects(QRectF(a.x() - r, a.y() - r, 2 * r, 2 * r)))
                continue;
            p.setPen(QPen(FromMapColour(o.colour), o.width));
            p.drawEllipse(a, r, r);
        } else {
            const QPointF b = ToPixel(o.x2, o.y2);
            if (!sight.intersects(QRectF(a, b).normalized().adjusted(-1, -1, 1, 1))) continue;
            p.setPen(QPen(FromMapColour(o.colour), o.width));
            p.drawLine(a, b);
        }
    }
}

const QImage& MapView::Composed() {
    if (base_.size() != size()) RedrawBase();
    const MapOverlays& overlays = host_.Overlays();
    const std::uint64_t added = overlays.Added();
    if (composedStale_ || overlays.Epoch() != overlaysEpoch_) {
        overlaid_ = background_.copy();
        {
            QPainter p(&overlaid_);
            p.drawImage(0, 0, base_);
        }
        DrawOverlays(overlaid_, 0);
    } else if (added != overlaysDrawn_) {
        // The list's last figures are those added since.
        const std::size_t count = overlays.Items().size();
        const auto fresh =
            static_cast<std::size_t>(std::min<std::uint64_t>(added - overlaysDrawn_, count));
        DrawOverlays(overlaid_, count - fresh);
    } else {
        return tiles_ ? composed_ : overlaid_;
    }
    composedStale_ = false;
    overlaysDrawn_ = added;
    overlaysEpoch_ = overlays.Epoch();
    if (!tiles_) return overlaid_;
    composed_ = overlaid_.copy();
    DrawCredit(composed_);
    return composed_;
}

void MapView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, Composed());
}

void MapView::resizeEvent(QResizeEvent*) {
    ViewChanged();
}

void MapView::ViewChanged() {
    RedrawBase();
    changed_.Start(kSettleMs);
}

void MapView::Zoom(double factor) {
    SetZoomLevel(zoom_ + std::log2(factor));
}

void MapView::Pan(QPoint d) {
    const WorldPoint c = ToWorld(centreLat_, centreLon_, zoom_);
    FromWorld({c.x - d.x(), c.y - d.y()}, zoom_, centreLat_, centreLon_);
    centreLon_ = std::clamp(centreLon_, -180.0, 180.0);
    centreLat_ = std::clamp(centreLat_, -85.0, 85.0);
    ViewChanged();
}

void MapView::wheelEvent(QWheelEvent* e) {
    Zoom(e->angleDelta().y() > 0 ? 1.25 : 0.8);
}

void MapView::mousePressEvent(QMouseEvent* e) {
    dragFrom_ = pressAt_ = e->position().toPoint();
    dragging_ = false;
}

void MapView::mouseMoveEvent(QMouseEvent* e) {
    if (!(e->buttons() & Qt::LeftButton)) return;
    const QPoint now = e->position().toPoint();
    // A click's small slip is not a pan.
    if (!dragging_ && (now - pressAt_).manhattanLength() < QApplication::startDragDistance())
        return;
    dragging_ = true;
    Pan(now - dragFrom_);
    dragFrom_ = now;
}

void MapView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && !dragging_) Clicked(e->position().toPoint());
    dragging_ = false;
}

void MapView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    // Centres on the station there, or on the place, one level closer.
    const QStringList calls = StationsAt(e->position());
    if (!calls.isEmpty() && ShowStation(calls.front())) {
        SetZoomLevel(zoom_ + 1);
        return;
    }
    const WorldPoint c = ToWorld(centreLat_, centreLon_, zoom_);
    const QPointF d = e->position() - QPointF(width() / 2.0, height() / 2.0);
    FromWorld({c.x + d.x(), c.y + d.y()}, zoom_, centreLat_, centreLon_);
    SetZoomLevel(zoom_ + 1);
}

void MapView::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            Zoom(1.25);
            break;
        case Qt::Key_Minus:
            Zoom(0.8);
            break;
        case Qt::Key_Left:
            Pan({40, 0});
            break;
        case Qt::Key_Right:
            Pan({-40, 0});
            break;
        case Qt::Key_Up:
            Pan({0, 40});
            break;
        case Qt::Key_Down:
            Pan({0, -40});
            break;
        default:
            QWidget::keyPressEvent(e);
    }
}

MapWindow::MapWindow(HostService& host, Scheduler& scheduler)
    : view_(new MapView(host, scheduler, this)),
      status_(new QLabel(this)),
      tileState_(new QLabel(this)),
      advice_(new QLabel(view_)) {
    setWindowTitle(QStringLiteral("bb-host map"));
    setCentralWidget(view_);
    QMenu* map = menuBar()->addMenu(QStringLiteral("&Map"));
    QAction* tracks = map->addAction(QStringLiteral("&Tracks"));
    tracks->setObjectName(QStringLiteral("tracksAction"));
    tracks->setCheckable(true);
    tracks->setChecked(host.History().Tracks());
    connect(tracks, &QAction::toggled, this, [this, &host](bool on) {
        host.History().SetTracks(on);
        view_->ShowTracks(on);
    });
    statusBar()->addWidget(status_, 1);
    tileState_->setObjectName(QStringLiteral("tileState"));
    tileState_->hide();
    // On the right, as wide as it needs: the source's status takes the rest.
    statusBar()->addPermanentWidget(tileState_);
    advice_->setObjectName(QStringLiteral("advice"));
    advice_->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(255, 255, 255, 230); color: black; padding: 12px; "
        "border: 1px solid gray; }"));
    advice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    advice_->hide();
    resize(800, 600);
}

void MapWindow::ShowAdvice(const QString& text) {
    // Monospaced, so the options line up as on standard error.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    advice_->setFont(font);
    advice_->setText(text);
    advice_->adjustSize();
    advice_->move(std::max(0, (view_->width() - advice_->width()) / 2),
                  std::max(0, (view_->height() - advice_->height()) / 2));
    advice_->setVisible(!text.isEmpty());
}

void MapWindow::SetTiles(TileLoader* tiles) {
    if (tiles_) tiles_->disconnect(this);
    tiles_ = tiles;
    view_->SetTiles(tiles);
    const auto show = [this](const QString& state) {
        tileState_->setText(state);
        tileState_->setVisible(!state.isEmpty());
    };
    show(tiles ? tiles->State() : QString());
    if (tiles) connect(tiles, &TileLoader::StateChanged, this, show);
}

void MapWindow::closeEvent(QCloseEvent* e) {
    emit Closing();
    e->accept();
}

}  // namespace bb::hostapp
