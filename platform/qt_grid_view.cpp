#include "platform/qt_grid_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace bb::platform {
namespace {

QColor Rgb(Colour c) {
    return QColor((c >> 16) & 0xff, (c >> 8) & 0xff, c & 0xff);
}

int ShiftState(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

}  // namespace

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_ - fixed_;
}
int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols_;
}

void GridModel::Refresh() {
    beginResetModel();
    rows_ = grid_.Rows();
    cols_ = grid_.Cols();
    fixed_ = std::min(grid_.FixedRows(), rows_);
    if (pixmaps_.size() > 4096) pixmaps_.clear();
    endResetModel();
}

const GridCell* GridModel::CellAt(int row, int col) const {
    // The model may have moved on since the view last looked: never read past it.
    if (row < 0 || col < 0 || row >= grid_.Rows() || col >= grid_.Cols()) return nullptr;
    return &grid_.Cell(row, col);
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    const GridCell* c = CellAt(index.row() + fixed_, index.column());
    if (!c) return {};
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(c->text);
        case Qt::DecorationRole: {
            if (!c->picture || c->picture->width <= 0 || c->picture->height <= 0) return {};
            auto it = pixmaps_.find(c->picture.get());
            if (it == pixmaps_.end()) {
                const Picture& p = *c->picture;
                QImage image(reinterpret_cast<const uchar*>(p.argb.data()), p.width, p.height,
                             p.width * 4, QImage::Format_ARGB32);
                it = pixmaps_.insert(c->picture.get(), QPixmap::fromImage(image.copy()));
            }
            return *it;
        }
        case Qt::ForegroundRole:
            return Rgb(c->hasFore ? c->fore : grid_.ForeColor);
        case Qt::BackgroundRole:
            return Rgb(c->hasBack ? c->back : grid_.BackColor);
        case Qt::TextAlignmentRole:
            return c->alignment == Alignment::Left    ? int(Qt::AlignLeft | Qt::AlignVCenter)
                   : c->alignment == Alignment::Right ? int(Qt::AlignRight | Qt::AlignVCenter)
                                                      : int(Qt::AlignCenter);
        default:
            return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || fixed_ == 0) return {};
    const GridCell* c = CellAt(0, section);
    if (!c) return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(c->text);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

GridView::GridView(GridControl& grid, QWidget* parent)
    : QTableView(parent), grid_(grid), model_(grid) {
    setModel(&model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setIconSize(QSize(16, 16));
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    connect(horizontalHeader(), &QHeaderView::sectionPressed, this, &GridView::HeaderPressed);
    // The model changes only inside the board's passes; following it a few
    // times a second keeps the view cheap whatever the feed.
    follow_.setInterval(40);
    connect(&follow_, &QTimer::timeout, this, &GridView::Sync);
    follow_.start();
}

int GridView::TwipsToPixelsX(int twips) const {
    return static_cast<int>(twips * logicalDpiX() / 1440.0 + 0.5);
}

void GridView::Sync() {
    if (!grid_.Visible || grid_.Generation() == shown_) return;
    shown_ = grid_.Generation();
    syncing_ = true;
    const int scroll = verticalScrollBar()->value();
    model_.Refresh();
    horizontalHeader()->setVisible(grid_.FixedRows() > 0);
    QPalette pal = palette();
    pal.setColor(QPalette::Highlight, Rgb(grid_.BackColorSel));
    pal.setColor(QPalette::HighlightedText, Rgb(grid_.ForeColorSel));
    setPalette(pal);
    for (int c = 0; c < grid_.Cols(); ++c)
        setColumnWidth(c, TwipsToPixelsX(grid_.ColWidth(c)));
    SetCurrentFromGrid();
    verticalScrollBar()->setValue(scroll);
    setCursor(grid_.Busy ? Qt::WaitCursor : Qt::ArrowCursor);
    syncing_ = false;
}

void GridView::SetCurrentFromGrid() {
    const int row = grid_.Row() - grid_.FixedRows();
    if (row >= 0 && row < model_.rowCount()) {
        selectionModel()->setCurrentIndex(model_.index(row, grid_.Col()),
                                          QItemSelectionModel::ClearAndSelect);
    } else {
        selectionModel()->clearSelection();
    }
}

QRect GridView::CurrentCellRect() const {
    const int row = grid_.Row() - grid_.FixedRows();
    if (row < 0) return QRect(0, 0, columnWidth(0), horizontalHeader()->height());
    const QRect r = visualRect(model_.index(row, grid_.Col()));
    return r.translated(0, horizontalHeader()->height());
}

void GridView::HeaderPressed(int section) {
    if (section < 0 || section >= grid_.Cols()) return;
    // As the grid does: a press on the header selects the whole column.
    grid_.MouseRow = 0;
    grid_.MouseCol = section;
    grid_.SetCol(section);
    if (grid_.Rows() > grid_.FixedRows()) grid_.SetRow(grid_.FixedRows());
    if (onMouseDown) onMouseDown(1, ShiftState(QApplication::keyboardModifiers()), 0, 0);
    Sync();
}

void GridView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    const int button = event->button() == Qt::LeftButton    ? 1
                       : event->button() == Qt::RightButton ? 2
                                                            : 4;
    if (index.isValid()) {
        const int row = index.row() + grid_.FixedRows();
        const bool moved = row != grid_.Row() || index.column() != grid_.Col();
        grid_.MouseRow = row;
        grid_.MouseCol = index.column();
        grid_.SetRow(row);
        grid_.SetCol(index.column());
        if (moved && button == 1 && onSelChange) onSelChange();
    }
    if (onMouseDown)
        onMouseDown(button, ShiftState(event->modifiers()), event->position().x(),
                    event->position().y());
    Sync();
}

void GridView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (onKeyDown) onKeyDown(13, ShiftState(event->modifiers()));
        return;
    }
    // The grid's own navigation moves the current cell.
    int row = grid_.Row(), col = grid_.Col();
    switch (key) {
        case Qt::Key_Up:
            --row;
            break;
        case Qt::Key_Down:
            ++row;
            break;
        case Qt::Key_Left:
            --col;
            break;
        case Qt::Key_Right:
            ++col;
            break;
        case Qt::Key_PageUp:
            row -= 20;
            break;
        case Qt::Key_PageDown:
            row += 20;
            break;
        case Qt::Key_Home:
            row = grid_.FixedRows();
            break;
        case Qt::Key_End:
            row = grid_.Rows() - 1;
            break;
        default:
            if (onKeyDown) onKeyDown(key, ShiftState(event->modifiers()));
            return;
    }
    row = std::clamp(row, grid_.FixedRows(), std::max(grid_.FixedRows(), grid_.Rows() - 1));
    col = std::clamp(col, 0, grid_.Cols() - 1);
    if (row >= grid_.Rows()) return;
    if (row != grid_.Row() || col != grid_.Col()) {
        grid_.SetRow(row);
        grid_.SetCol(col);
        if (onSelChange) onSelChange();
        Sync();
        scrollTo(model_.index(row - grid_.FixedRows(), col));
    }
}

}  // namespace bb::platform
