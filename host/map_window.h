// The host's map window: the stations around home on a plain projection with
// a graticule, and what the add-on draws on it.
#pragma once

#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPoint>
#include <QTimer>

#include "host/host_service.h"

namespace bb::hostapp {

class MapView : public QWidget {
    Q_OBJECT
  public:
    MapView(HostService& host, QWidget* parent = nullptr);

    // Map coordinates (minutes of arc, x east, y north) to pixels.
    QPointF ToPixel(double xMinutes, double yMinutes) const;
    double PixelsPerMile() const;
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
    void DrawOverlays(QImage& target) const;

    HostService& host_;
    double centreLat_, centreLon_;  // degrees
    double pixelsPerDegree_ = 400;
    QImage base_;
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
    void SetStatus(const QString& text) { status_->setText(text); }

  signals:
    void Closing();

  protected:
    void closeEvent(QCloseEvent*) override;

  private:
    MapView* view_;
    QLabel* status_;
};

}  // namespace bb::hostapp
