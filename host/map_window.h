// The host's map window: the stations around home in the web's Mercator
// projection, on map tiles (or a graticule without them), and what the
// add-on draws on it.
#pragma once

#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPoint>
#include <QTimer>

#include "host/host_service.h"
#include "host/tiles.h"

namespace bb::hostapp {

class MapView : public QWidget {
    Q_OBJECT
  public:
    MapView(HostService& host, QWidget* parent = nullptr);

    // Map coordinates (minutes of arc, x east, y north) to pixels.
    QPointF ToPixel(double xMinutes, double yMinutes) const;
    // The scale at a latitude (degrees), and at the centre.
    double PixelsPerMileAt(double latitude) const;
    double PixelsPerMile() const { return PixelsPerMileAt(centreLat_); }
    // Tiles behind the map; null: the graticule alone.
    void SetTiles(TileLoader* tiles);
    // The zoom level: the world is 256 × 2^level pixels wide.
    double ZoomLevel() const { return zoom_; }
    void SetZoomLevel(double level);
    // Paints the base map anew: the overlays are cleared, then MapRedrawn.
    void RedrawBase();
    void Zoom(double factor);
    void Pan(QPoint pixels);
    const QImage& Composed();

  protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

  private:
    void ViewChanged();
    // The tiles or the graticule, anew; the stations and overlays stay.
    void RedrawBackground();
    void DrawGraticule(QPainter& p) const;
    void DrawTiles(QPainter& p);
    void DrawOverlays(QImage& target) const;
    void DrawCredit(QImage& target) const;

    HostService& host_;
    TileLoader* tiles_ = nullptr;
    double centreLat_, centreLon_;  // degrees
    double zoom_;
    QImage background_;
    QImage base_;  // home and the stations, on transparency
    QImage composed_;
    bool composedStale_ = true;
    QPoint dragFrom_;
    QTimer changed_;       // MapHasChanged once a pan or zoom has settled
    QTimer stationTimer_;  // new stations repaint the base at most this often
    bool stationsStale_ = false;
};

class MapWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MapWindow(HostService& host);
    MapView& View() { return *view_; }
    // Tiles behind the map; why they do not come shows in the status bar.
    void SetTiles(TileLoader* tiles);
    void SetStatus(const QString& text) { status_->setText(text); }
    // Says on the map what the user has to do; an empty text takes it away.
    void ShowAdvice(const QString& text);

  signals:
    void Closing();

  protected:
    void closeEvent(QCloseEvent*) override;

  private:
    MapView* view_;
    QLabel* status_;
    QLabel* tileState_;
    QLabel* advice_;
    TileLoader* tiles_ = nullptr;
};

}  // namespace bb::hostapp
