// The host's map window: the stations around home in the web's Mercator
// projection, on map tiles (or a graticule without them), and what the
// add-on draws on it.
#pragma once

#include <QFrame>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPoint>

#include "host/host_service.h"
#include "host/scheduled_wait.h"
#include "host/tiles.h"

class QPlainTextEdit;
class QPushButton;

namespace bb::hostapp {

// What the map tells of a station clicked on it: its symbol and texts, and
// its last packets as heard on asking.
class StationPanel : public QFrame {
    Q_OBJECT
  public:
    explicit StationPanel(QWidget* parent);
    void Show(const HostService& host, const HostEntry& e, std::int64_t nowUnix);
    QString Callsign() const { return callsign_; }

  private:
    QLabel* symbol_;
    QLabel* text_;
    QPushButton* packetsButton_;
    QPlainTextEdit* packets_;
    QString callsign_;
};

// The texts of the panel, one a line.
QStringList StationPanelLines(const HostService& host, const HostEntry& e, std::int64_t nowUnix);
// The six-character Maidenhead locator of a position in degrees.
QString LocatorOf(double latitude, double longitude);

class MapView : public QWidget {
    Q_OBJECT
  public:
    // The settle after a pan or zoom and the stations' repaints wait on `scheduler`.
    MapView(HostService& host, Scheduler& scheduler, QWidget* parent = nullptr);

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
    // Centres the map on a known station and marks it.
    bool ShowStation(const QString& callsign);
    QString Marked() const { return marked_; }
    // The stations whose symbols are under a point of the view, nearest first.
    QStringList StationsAt(QPointF at) const;
    // As a click on the station: a board is told and its panel opens near `at`.
    void ChooseStation(const QString& callsign, QPoint at);
    StationPanel& Panel() { return *panel_; }
    bool TracksShown() const { return tracksShown_; }
    void ShowTracks(bool on);

  protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

  private:
    void ViewChanged();
    // The tiles or the graticule, anew; the stations and overlays stay.
    void RedrawBackground();
    void DrawGraticule(QPainter& p) const;
    void DrawTiles(QPainter& p);
    // The overlays from the `from`th of the list on, those in sight.
    void DrawOverlays(QImage& target, std::size_t from) const;
    // The picture of a symbol; null for one that has none.
    const QImage* Symbol(const std::string& symbol);
    void DrawCredit(QImage& target) const;
    void DrawTracks(QPainter& p) const;
    void Clicked(QPoint at);

    HostService& host_;
    TileLoader* tiles_ = nullptr;
    double centreLat_, centreLon_;  // degrees
    double zoom_;
    QImage background_;
    QImage base_;  // home and the stations, on transparency
    // Each symbol's picture, drawn once: a base map shows thousands.
    QHash<quint16, QImage> symbols_;
    QImage overlaid_;  // background, base and the overlays drawn so far
    QImage composed_;  // and the tiles' credit over them
    bool composedStale_ = true;
    // The overlays in `overlaid_`: those added up to this count, in this epoch.
    std::uint64_t overlaysDrawn_ = 0, overlaysEpoch_ = 0;
    QPoint dragFrom_;
    QPoint pressAt_;
    bool dragging_ = false;
    QString marked_;
    StationPanel* panel_;
    bool tracksShown_ = true;
    ScheduledWait changed_;       // MapHasChanged once a pan or zoom has settled
    ScheduledWait stationTimer_;  // new stations repaint the base at most this often
    bool stationsStale_ = false;
};

class MapWindow : public QMainWindow {
    Q_OBJECT
  public:
    MapWindow(HostService& host, Scheduler& scheduler);
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
