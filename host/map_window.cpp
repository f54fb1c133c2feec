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

constexpr std::int32_t kNopPen = 11;

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
    // Every figure shows in its own colour, over the map and over the
    // figures before it: a pen mode only says whether it is drawn at all
    // (11, the no-op pen, draws nothing). An exclusive-or pen that combined
    // figures with one another would cut thick circles into dashes where
    // their strokes overlap and turn a red marker on a pale map cyan.
    QPainter p(&target);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    const double ppm = PixelsPerMile();
    for (const Overlay& o : host_.Overlays().Items()) {
        if (o.mode == kNopPen) continue;
        p.setPen(QPen(FromMapColour(o.colour), o.width));
        const QPointF a = ToPixel(o.x1, o.y1);
        if (o.shape == Overlay::Shape::Circle) {
            const double r = o.radiusMiles * ppm;
            if (r > 0 && r < 1e6) p.drawEllipse(a, r, r);
        } else {
            p.drawLine(a, ToPixel(o.x2, o.y2));
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
