// The grid control on screen: a QTableView over the grid model. The board
// writes to the model only; the view follows it while it is visible and
// turns presses and key strokes into the grid's own events.
#pragma once

#include <QAbstractTableModel>
#include <QCache>
#include <QElapsedTimer>
#include <QHash>
#include <QPixmap>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTableView>
#include <climits>

#include "platform/grid_control.h"

namespace bb::platform {

class GridModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit GridModel(GridControl& grid, QObject* parent = nullptr)
        : QAbstractTableModel(parent), grid_(grid) {}
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Takes the model's state as it is now. A grid of the same shape is
    // taken cell by cell: only the cells on screen (view rows `firstRow` to
    // `lastRow`) that changed are painted again; the rest are taken afresh
    // when shown. Only grid rows `changed` (first to last, as the grid
    // counts them) are compared: the grid says which of its rows changed.
    // Another shape resets the view.
    void Refresh(int firstRow = 0, int lastRow = INT_MAX,
                 std::pair<int, int> changed = {0, INT_MAX});
    // The grid is as the view last took it: cells may be read from it.
    bool InStep() const { return grid_.Visible() && grid_.Generation() == generation_; }
    // The callsign shown on a view row, as the user saw it; empty when that
    // row has not been shown since the grid last changed.
    QString ShownCallsign(int viewRow) const;

    // What one cell showed, kept so that a paint while the grid is being
    // rebuilt shows the last finished grid, never a half-built one.
    struct Shown {
        QString text;
        // The text as the grid gave it: a pass compares it without converting.
        std::string source;
        std::shared_ptr<const Picture> picture;
        Colour fore = 0, back = 0;
        Alignment alignment = Alignment::Centre;
        bool operator==(const Shown&) const = default;
    };
    // What the cell at `index` shows; null when there is nothing to show.
    const Shown* ShownAt(const QModelIndex& index) const {
        return index.isValid() ? ShownAt(index.row() + fixed_, index.column()) : nullptr;
    }

  private:
    Shown Make(const GridCell& cell) const;
    bool Shows(const Shown& shown, const GridCell& cell) const;
    void Reset();
    bool CellAt(int row, int col, GridCell& out) const;
    const Shown* ShownAt(int row, int col) const;
    QVariant Data(const Shown& c, int role) const;
    GridControl& grid_;
    int rows_ = 0, cols_ = 0, fixed_ = 0;
    std::uint64_t generation_ = ~0ull;
    mutable QHash<quint64, Shown> shown_;
    mutable QHash<const Picture*, QPixmap> pixmaps_;
};

// Paints a cell seen before from a picture of it, made the second time it
// is painted: rows that a pass only moves show cells seen before, and their
// texts are not laid out again. A cell painted once (a new age, a moving
// station's new position) is drawn as it is and leaves no picture, so the
// pictures kept are of cells that come back, at most two views' worth.
// What a picture shows is the style's own cell.
class CellPainter final : public QStyledItemDelegate {
  public:
    CellPainter(const GridModel& model, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // The look of every cell may have changed (font, palette, style).
    void Forget() {
        pictures_.clear();
        seen_.clear();
    }
    // The bytes the kept pictures take.
    qint64 KeptBytes() const { return pictures_.totalCost(); }
    // The view's size in device pixels: pictures are kept for two views'
    // worth of cells, so that a pass that moves the rows finds every cell
    // on screen, and the store stays small in a small window.
    void FitTo(QSize pixels);

  private:
    static constexpr qint64 kLeastKept = 1 << 20, kMostKept = 12 << 20;  // bytes
    static constexpr qsizetype kMostSeen = 8192;
    struct Key {
        GridModel::Shown shown;
        QSize size;
        int state = 0;
        qreal ratio = 1;
        qint64 palette = 0;
        bool operator==(const Key&) const = default;
    };
    friend size_t qHash(const Key& key, size_t seed);
    const GridModel& model_;
    mutable QCache<Key, QPixmap> pictures_;
    mutable QSet<size_t> seen_;  // cells painted once, by their keys' hashes
};

class GridView final : public QTableView, private GridObserver {
    Q_OBJECT
  public:
    explicit GridView(GridControl& grid, QWidget* parent = nullptr);
    ~GridView() override;

    // Who hears the user's presses and keys on the grid; null: nobody.
    void SetInput(GridInput* input) { input_ = input; }

    // Finds a station through the input's GridFind and scrolls its row into view.
    bool Find(const std::string& text, bool next);
    // Brings the current cell into sight.
    void ShowCurrentCell();

    // Follows the model now, when it is visible and has changed.
    void Sync();
    int TwipsToPixelsX(int twips) const;
    // The current cell's top and height in the view, in pixels.
    QRect CurrentCellRect() const;
    GridModel& Model() { return model_; }

  protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // A change to the grid: the view follows at the next turn of the event
    // loop, once however many changes a pass makes.
    void GridTouched() override;
    void HeaderPressed(int section);
    // The grid row the user pressed on the view row: the row that showed
    // the callsign the user saw there, wherever the grid has moved it since.
    int GridRowOf(int viewRow) const;
    void SetCurrentFromGrid();

    GridControl& grid_;
    GridModel model_;
    CellPainter* painter_;
    GridInput* input_ = nullptr;
    // The callsign column's least width, and the font and resolution it was
    // measured in.
    int wholeCallsign_ = 0;
    QFont measuredFont_;
    int measuredDpi_ = 0;
    std::uint64_t shown_ = ~0ull;
    bool syncing_ = false;
    bool syncPosted_ = false;
    // A sync put off while user input was held: it runs once that is delivered.
    bool syncHeld_ = false;
    // What was typed into the grid for type-ahead, and when last.
    QString typed_;
    QElapsedTimer typedAt_;
};

}  // namespace bb::platform
