#include "host/map_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "host/symbols.h"

namespace bb::hostapp {
namespace {

constexpr double kKmPerMile = 1.609344;
constexpr double kKmPerDegree = 111.32;

QColor FromMapColour(std::int32_t c) {
    return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
}

// The Windows raster operations of a pen, as Qt's composition modes.
bool CompositionFor(std::int32_t mode, QPainter::CompositionMode& out) {
    using M = QPainter::CompositionMode;
    switch (mode) {
        case 1:
            out = M::RasterOp_ClearDestination;
            return true;
        case 2:
            out = M::RasterOp_NotSourceAndNotDestination;
            return true;
        case 3:
            out = M::RasterOp_NotSourceAndDestination;
            return true;
        case 4:
            out = M::RasterOp_NotSource;
            return true;
        case 5:
            out = M::RasterOp_SourceAndNotDestination;
            return true;
        case 6:
            out = M::RasterOp_NotDestination;
            return true;
        case 7:
            out = M::RasterOp_SourceXorDestination;
            return true;
        case 8:
            out = M::RasterOp_NotSourceOrNotDestination;
            return true;
        case 9:
            out = M::RasterOp_SourceAndDestination;
            return true;
        case 10:
            out = M::RasterOp_NotSourceXorDestination;
            return true;
        case 12:
            out = M::RasterOp_NotSourceOrDestination;
            return true;
        case 14:
            out = M::RasterOp_SourceOrNotDestination;
            return true;
        case 15:
            out = M::RasterOp_SourceOrDestination;
            return true;
        case 16:
            out = M::RasterOp_SetDestination;
            return true;
        case 11:
            return false;  // leaves the map as it is
        default:
            out = M::CompositionMode_SourceOver;
            return true;
    }
}

}  // namespace

MapView::MapView(HostService& host, QWidget* parent)
    : QWidget(parent),
      host_(host),
      centreLat_(host.Stations().Home().latitude),
      centreLon_(host.Stations().Home().longitude) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 240);
    changed_.setSingleShot(true);
    changed_.setInterval(300);
    connect(&changed_, &QTimer::timeout, &host_.MapObject(), &MapService::MapHasChanged);
    stationTimer_.setInterval(5000);
    connect(&stationTimer_, &QTimer::timeout, this, [this] {
        if (stationsStale_) RedrawBase();
    });
    stationTimer_.start();
    connect(&host_, &HostService::StationsChanged, this, [this] { stationsStale_ = true; });
    connect(&host_.MapObject(), &MapService::OverlaysChanged, this, [this] {
        composedStale_ = true;
        update();
    });
}

QPointF MapView::ToPixel(double xMinutes, double yMinutes) const {
    const double lon = xMinutes / 60.0, lat = yMinutes / 60.0;
    const double k = std::cos(centreLat_ * std::numbers::pi / 180.0);
    return {width() / 2.0 + (lon - centreLon_) * k * pixelsPerDegree_,
            height() / 2.0 - (lat - centreLat_) * pixelsPerDegree_};
}

double MapView::PixelsPerMile() const {
    return pixelsPerDegree_ * kKmPerMile / kKmPerDegree;
}

void MapView::RedrawBase() {
    stationsStale_ = false;
    base_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    base_.fill(QColor(236, 242, 232));
    QPainter p(&base_);
    // Graticule: a line every degree, or every tenth when zoomed in.
    const double step = pixelsPerDegree_ > 600 ? 0.1 : (pixelsPerDegree_ > 60 ? 1.0 : 10.0);
    p.setPen(QPen(QColor(180, 190, 200), 1));
    const double halfW = width() / pixelsPerDegree_ /
                         std::max(0.05, std::cos(centreLat_ * std::numbers::pi / 180)) / 2;
    const double halfH = height() / pixelsPerDegree_ / 2;
    for (double lat = std::floor((centreLat_ - halfH) / step) * step; lat <= centreLat_ + halfH;
         lat += step) {
        const double y = ToPixel(0, lat * 60).y();
        p.drawLine(QPointF(0, y), QPointF(width(), y));
        p.drawText(QPointF(2, y - 2), QString::number(lat, 'f', step < 1 ? 1 : 0));
    }
    for (double lon = std::floor((centreLon_ - halfW) / step) * step; lon <= centreLon_ + halfW;
         lon += step) {
        const double x = ToPixel(lon * 60, 0).x();
        p.drawLine(QPointF(x, 0), QPointF(x, height()));
        p.drawText(QPointF(x + 2, height() - 2), QString::number(lon, 'f', step < 1 ? 1 : 0));
    }
    // Home, then every station with its symbol and call.
    const HomePosition& home = host_.Stations().Home();
    const QPointF h = ToPixel(home.longitude * 60, home.latitude * 60);
    p.setPen(QPen(Qt::darkRed, 2));
    p.drawLine(h + QPointF(-6, 0), h + QPointF(6, 0));
    p.drawLine(h + QPointF(0, -6), h + QPointF(0, 6));
    p.setPen(Qt::black);
    QImage symbol;
    host_.ForEachStation([&](const HostEntry& e) {
        const QPointF at = ToPixel(e.longitudeMinutes, e.latitudeMinutes);
        if (!rect().adjusted(-20, -20, 20, 20).contains(at.toPoint())) return;
        if (e.symbol.size() == 2 && DrawSymbol(e.symbol[0], e.symbol[1], symbol))
            p.drawImage(at - QPointF(kSymbolSize / 2.0, kSymbolSize / 2.0), symbol);
        p.drawText(at + QPointF(kSymbolSize / 2.0 + 1, 4), QString::fromStdString(e.callsign));
    });
    p.end();
    host_.Overlays().Clear();
    composedStale_ = true;
    update();
    emit host_.MapObject().MapRedrawn();
}

void MapView::DrawOverlays(QImage& target) const {
    // The add-on's figures go on a layer of their own, so that the raster
    // operations combine them with one another and not with the map: an
    // exclusive-or pen shows its own colour wherever it is alone. A mask,
    // drawn with the same operations in white, says where the layer covers
    // the map (raster operations leave the alpha alone, so it cannot).
    QImage layer(target.size(), QImage::Format_RGB32);
    QImage mask(target.size(), QImage::Format_RGB32);
    layer.fill(Qt::black);
    mask.fill(Qt::black);
    {
        QPainter p(&layer);
        QPainter m(&mask);
        for (QPainter* q : {&p, &m}) {
            q->setRenderHint(QPainter::Antialiasing, false);
            q->setBrush(Qt::NoBrush);
        }
        const double ppm = PixelsPerMile();
        for (const Overlay& o : host_.Overlays().Items()) {
            QPainter::CompositionMode mode;
            if (!CompositionFor(o.mode, mode)) continue;
            p.setCompositionMode(mode);
            m.setCompositionMode(mode);
            p.setPen(QPen(FromMapColour(o.colour), o.width));
            m.setPen(QPen(Qt::white, o.width));
            const QPointF a = ToPixel(o.x1, o.y1);
            if (o.shape == Overlay::Shape::Circle) {
                const double r = o.radiusMiles * ppm;
                if (r > 0 && r < 1e6) {
                    p.drawEllipse(a, r, r);
                    m.drawEllipse(a, r, r);
                }
            } else {
                const QPointF b = ToPixel(o.x2, o.y2);
                p.drawLine(a, b);
                m.drawLine(a, b);
            }
        }
    }
    for (int y = 0; y < target.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        const auto* covered = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(target.scanLine(y));
        for (int x = 0; x < target.width(); ++x) {
            if (covered[x] & 0xFFFFFFu) to[x] = from[x];
        }
    }
}

const QImage& MapView::Composed() {
    if (base_.size() != size()) RedrawBase();
    if (composedStale_) {
        composed_ = base_.copy();
        DrawOverlays(composed_);
        composedStale_ = false;
    }
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
    changed_.start();
}

void MapView::Zoom(double factor) {
    pixelsPerDegree_ = std::clamp(pixelsPerDegree_ * factor, 2.0, 200000.0);
    ViewChanged();
}

void MapView::Pan(QPoint d) {
    const double k = std::max(0.05, std::cos(centreLat_ * std::numbers::pi / 180.0));
    centreLon_ = std::clamp(centreLon_ - d.x() / (pixelsPerDegree_ * k), -180.0, 180.0);
    centreLat_ = std::clamp(centreLat_ + d.y() / pixelsPerDegree_, -89.0, 89.0);
    ViewChanged();
}

void MapView::wheelEvent(QWheelEvent* e) {
    Zoom(e->angleDelta().y() > 0 ? 1.25 : 0.8);
}

void MapView::mousePressEvent(QMouseEvent* e) {
    dragFrom_ = e->position().toPoint();
}

void MapView::mouseMoveEvent(QMouseEvent* e) {
    if (!(e->buttons() & Qt::LeftButton)) return;
    const QPoint now = e->position().toPoint();
    Pan(now - dragFrom_);
    dragFrom_ = now;
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

MapWindow::MapWindow(HostService& host)
    : view_(new MapView(host, this)), status_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("bb-host map"));
    setCentralWidget(view_);
    statusBar()->addWidget(status_, 1);
    resize(800, 600);
}

void MapWindow::closeEvent(QCloseEvent* e) {
    emit Closing();
    e->accept();
}

}  // namespace bb::hostapp
