#include "platform/qt_grid_view.h"

#include "platform/qt_message_pump.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <utility>
#include <vector>

#include "support/twips.h"

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

void GridModel::Refresh(int firstRow, int lastRow, std::pair<int, int> rowsChanged) {
    const int rows = grid_.Rows(), cols = grid_.Cols();
    const int fixed = std::min(grid_.FixedRows(), rows);
    if (cols != cols_ || fixed != fixed_ || generation_ == ~0ull) {
        Reset();
        return;
    }
    // A station more or fewer changes the count, not the view: rows come or
    // go at the end and the cells on screen are compared below, so the view
    // repaints what changed rather than starting afresh.
    if (rows > rows_) {
        beginInsertRows({}, rows_ - fixed_, rows - fixed_ - 1);
        rows_ = rows;
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows({}, rows - fixed_, rows_ - fixed_ - 1);
        rows_ = rows;
        endRemoveRows();
    }
    generation_ = grid_.Generation();
    if (pixmaps_.size() > 4096) pixmaps_.clear();
    // The cells on screen; the others are taken afresh when they are shown.
    std::vector<QModelIndex> changed;
    bool header = false;
    GridCell cell;
    for (auto it = shown_.begin(); it != shown_.end();) {
        const auto row = static_cast<int>(it.key() >> 32);
        const auto col = static_cast<int>(it.key() & 0xFFFFFFFFu);
        // Rows off screen, or gone, are taken afresh should they be shown.
        if (row >= rows || (row >= fixed_ && (row - fixed_ < firstRow || row - fixed_ > lastRow))) {
            it = shown_.erase(it);
            continue;
        }
        if (row < rowsChanged.first || row > rowsChanged.second) {
            ++it;
            continue;
        }
        const bool there = CellAt(row, col, cell);
        if (there ? Shows(*it, cell) : *it == Shown{}) {
            ++it;
            continue;
        }
        *it = there ? Make(cell) : Shown{};
        if (row < fixed_)
            header = true;
        else
            changed.push_back(index(row - fixed_, col));
        ++it;
    }
    for (const QModelIndex& i : changed)
        emit dataChanged(i, i);
    if (header) emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
}

GridModel::Shown GridModel::Make(const GridCell& cell) const {
    return Shown{QString::fromStdString(cell.text),
                 cell.text,
                 cell.picture,
                 cell.hasFore ? cell.fore : grid_.ForeColor(),
                 cell.hasBack ? cell.back : grid_.BackColor(),
                 cell.alignment};
}

bool GridModel::Shows(const Shown& shown, const GridCell& cell) const {
    return shown.source == cell.text && shown.picture == cell.picture &&
           shown.fore == (cell.hasFore ? cell.fore : grid_.ForeColor()) &&
           shown.back == (cell.hasBack ? cell.back : grid_.BackColor()) &&
           shown.alignment == cell.alignment;
}

void GridModel::Reset() {
    beginResetModel();
    rows_ = grid_.Rows();
    cols_ = grid_.Cols();
    fixed_ = std::min(grid_.FixedRows(), rows_);
    generation_ = grid_.Generation();
    shown_.clear();
    if (pixmaps_.size() > 4096) pixmaps_.clear();
    endResetModel();
}

bool GridModel::CellAt(int row, int col, GridCell& out) const {
    // The model may have moved on since the view last looked: never read past it.
    if (row < 0 || col < 0 || row >= grid_.Rows() || col >= grid_.Cols()) return false;
    // Read through the const grid: a read is no change.
    out = std::as_const(grid_).Cell(row, col);
    return true;
}

const GridModel::Shown* GridModel::ShownAt(int row, int col) const {
    // The cells the view has painted since it last took the grid: a handful
    // of screens, however many rows the grid has.
    constexpr int kMaxShown = 20000;
    const auto key = [](int r, int c) {
        return (static_cast<quint64>(static_cast<quint32>(r)) << 32) | static_cast<quint32>(c);
    };
    if (const auto it = shown_.constFind(key(row, col)); it != shown_.constEnd()) return &*it;
    if (!InStep()) return nullptr;
    GridCell c;
    if (!CellAt(row, col, c)) return nullptr;
    if (shown_.size() > kMaxShown) shown_.clear();
    // The row's callsign goes with any of its cells: a press names the
    // station the user saw even when the callsign column is scrolled away.
    if (col != 0 && !shown_.contains(key(row, 0))) {
        GridCell call;
        if (CellAt(row, 0, call)) shown_.insert(key(row, 0), Make(call));
    }
    return &*shown_.insert(key(row, col), Make(c));
}

QString GridModel::ShownCallsign(int viewRow) const {
    const Shown* s = ShownAt(viewRow + fixed_, 0);
    return s ? s->text : QString();
}

QVariant GridModel::Data(const Shown& c, int role) const {
    switch (role) {
        case Qt::DisplayRole:
            return c.text;
        case Qt::DecorationRole: {
            if (!c.picture || c.picture->width <= 0 || c.picture->height <= 0) return {};
            auto it = pixmaps_.find(c.picture.get());
            if (it == pixmaps_.end()) {
                const Picture& p = *c.picture;
                QImage image(reinterpret_cast<const uchar*>(p.argb.data()), p.width, p.height,
                             p.width * 4, QImage::Format_ARGB32);
                it = pixmaps_.insert(c.picture.get(), QPixmap::fromImage(image.copy()));
            }
            return *it;
        }
        case Qt::ForegroundRole:
            return Rgb(c.fore);
        case Qt::BackgroundRole:
            return Rgb(c.back);
        case Qt::TextAlignmentRole:
            return c.alignment == Alignment::Left    ? int(Qt::AlignLeft | Qt::AlignVCenter)
                   : c.alignment == Alignment::Right ? int(Qt::AlignRight | Qt::AlignVCenter)
                                                     : int(Qt::AlignCenter);
        default:
            return {};
    }
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const Shown* c = ShownAt(index.row() + fixed_, index.column());
    return c ? Data(*c, role) : QVariant();
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || fixed_ == 0) return {};
    const Shown* c = ShownAt(0, section);
    if (!c) return {};
    if (role == Qt::DisplayRole) return c->text;
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

size_t qHash(const CellPainter::Key& key, size_t seed) {
    const GridModel::Shown& s = key.shown;
    return qHashMulti(seed, s.text, s.picture.get(), s.fore, s.back, int(s.alignment),
                      key.size.width(), key.size.height(), key.state, key.ratio, key.palette);
}

CellPainter::CellPainter(const GridModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {
    pictures_.setMaxCost(kMostKept);
}

void CellPainter::FitTo(QSize pixels) {
    const qint64 view = qint64(pixels.width()) * pixels.height() * 4;
    pictures_.setMaxCost(std::clamp<qint64>(2 * view, kLeastKept, kMostKept));
}

void CellPainter::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    const GridModel::Shown* shown = model_.ShownAt(index);
    const qreal ratio = painter->device()->devicePixelRatioF();
    // The current cell's focus frame is drawn where it falls: painted as it is.
    if (!shown || option.rect.isEmpty() || (option.state & QStyle::State_HasFocus)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    Key key{*shown, option.rect.size(), int(option.state), ratio, option.palette.cacheKey()};
    const QPixmap* picture = pictures_.object(key);
    if (!picture) {
        // Most cells are painted once and then change: a picture waits for
        // the second time. A hash shared by chance only makes one early.
        const size_t hash = qHash(key, 0);
        if (!seen_.contains(hash)) {
            if (seen_.size() >= kMostSeen) seen_.clear();
            seen_.insert(hash);
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        seen_.remove(hash);
        auto made = std::make_unique<QPixmap>(option.rect.size() * ratio);
        made->setDevicePixelRatio(ratio);
        // Opaque, as the window is: text is drawn on it as it would be there.
        made->fill(Rgb(shown->back));
        QStyleOptionViewItem at = option;
        at.rect.moveTo(0, 0);
        {
            QPainter on(made.get());
            QStyledItemDelegate::paint(&on, at, index);
        }
        const qint64 bytes = qint64(made->width()) * made->height() * 4;
        picture = made.get();
        if (!pictures_.insert(std::move(key), made.release(), bytes)) {
            // Larger than the whole store: painted as it is.
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
    }
    painter->drawPixmap(option.rect.topLeft(), *picture);
}

GridView::GridView(GridControl& grid, QWidget* parent)
    : QTableView(parent), grid_(grid), model_(grid), painter_(new CellPainter(model_, this)) {
    setModel(&model_);
    setItemDelegate(painter_);
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
    // The view follows every change the grid tells (GridTouched), and a
    // sync put off by a held press once the press has been delivered.
    grid_.SetObserver(this);
    connect(&UserInputGate::Instance(), &UserInputGate::Delivered, this, [this] {
        if (syncHeld_) Sync();
    });
}

GridView::~GridView() {
    if (grid_.Observer() == this) grid_.SetObserver(nullptr);
}

void GridView::GridTouched() {
    if (syncPosted_) return;
    syncPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            syncPosted_ = false;
            Sync();
        },
        Qt::QueuedConnection);
}

int GridView::TwipsToPixelsX(int twips) const {
    return twips::ToPixels(twips, logicalDpiX());
}

void GridView::Sync() {
    // The hourglass shows while a pass runs, when the grid itself is hidden.
    const Qt::CursorShape pointer = grid_.Busy() ? Qt::WaitCursor : Qt::ArrowCursor;
    if (cursor().shape() != pointer) setCursor(pointer);
    if (!grid_.Visible() || grid_.Generation() == shown_) return;
    // A press held back during a pass falls where the user saw the rows:
    // the view keeps them until it has been handled.
    syncHeld_ = UserInputGate::Instance().Held() > 0;
    if (syncHeld_) return;
    shown_ = grid_.Generation();
    syncing_ = true;
    const int scroll = verticalScrollBar()->value();
    // The rows on screen, a screen either side.
    const int height = viewport()->height();
    const int top = rowAt(0), bottom = rowAt(height - 1);
    const int page = std::max(1, (bottom < 0 ? model_.rowCount() : bottom) - std::max(top, 0) + 1);
    model_.Refresh(std::max(top, 0) - page, (bottom < 0 ? model_.rowCount() : bottom) + page,
                   grid_.TakeChangedRows());
    horizontalHeader()->setVisible(grid_.FixedRows() > 0);
    // A new palette restyles the whole view: only when its colours change.
    QPalette pal = palette();
    if (pal.color(QPalette::Highlight) != Rgb(grid_.BackColorSel()) ||
        pal.color(QPalette::HighlightedText) != Rgb(grid_.ForeColorSel())) {
        pal.setColor(QPalette::Highlight, Rgb(grid_.BackColorSel()));
        pal.setColor(QPalette::HighlightedText, Rgb(grid_.ForeColorSel()));
        setPalette(pal);
    }
    // The callsign column holds the longest callsign whole (six characters,
    // a dash and a two-digit SSID) in the view's own font. A width that is
    // already right is not set again: each one lays the view out anew.
    // Measured again only when the font or the resolution changes: a pass
    // would otherwise pay for laying the text out each time.
    if (wholeCallsign_ == 0 || font() != measuredFont_ || logicalDpiX() != measuredDpi_) {
        measuredFont_ = font();
        measuredDpi_ = logicalDpiX();
        wholeCallsign_ = fontMetrics().horizontalAdvance(QStringLiteral("WB0WWW-15")) + 12;
    }
    const int whole = wholeCallsign_;
    for (int c = 0; c < grid_.Cols(); ++c) {
        int w = TwipsToPixelsX(grid_.ColWidth(c));
        if (c == 0 && grid_.FixedRows() > 0) w = std::max(w, whole);
        if (columnWidth(c) != w) setColumnWidth(c, w);
    }
    SetCurrentFromGrid();
    verticalScrollBar()->setValue(scroll);
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

int GridView::GridRowOf(int viewRow) const {
    if (viewRow < 0) return -1;
    if (model_.InStep()) return viewRow + grid_.FixedRows();
    const QString call = model_.ShownCallsign(viewRow);
    if (call.isEmpty()) return -1;
    const std::string wanted = call.toStdString();
    for (int r = grid_.FixedRows(); r < grid_.Rows(); ++r)
        if (grid_.TextMatrix(r, 0) == wanted) return r;
    return -1;
}

void GridView::HeaderPressed(int section) {
    if (section < 0 || section >= grid_.Cols() || grid_.FixedRows() == 0) return;
    // As the grid does: a press on the header selects the whole column.
    grid_.SetMouseCell(0, section);
    grid_.SetCol(section);
    if (grid_.Rows() > grid_.FixedRows()) grid_.SetRow(grid_.FixedRows());
    if (input_) input_->GridMouseDown(1, ShiftState(QApplication::keyboardModifiers()), 0, 0);
    Sync();
}

void GridView::changeEvent(QEvent* event) {
    const QEvent::Type t = event->type();
    if (t == QEvent::FontChange || t == QEvent::PaletteChange || t == QEvent::StyleChange)
        painter_->Forget();
    QTableView::changeEvent(event);
}

void GridView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    painter_->FitTo(viewport()->size() * viewport()->devicePixelRatioF());
}

void GridView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    const int button = event->button() == Qt::LeftButton    ? 1
                       : event->button() == Qt::RightButton ? 2
                                                            : 4;
    if (index.isValid()) {
        const int row = GridRowOf(index.row());
        // A row whose station has gone since the user saw it: nothing to act on.
        if (row < 0 || index.column() >= grid_.Cols()) {
            Sync();
            return;
        }
        const bool moved = row != grid_.Row() || index.column() != grid_.Col();
        grid_.SetMouseCell(row, index.column());
        grid_.SetRow(row);
        grid_.SetCol(index.column());
        // A right press selects the row under the pointer first, as a left
        // press does: the popup and its command concern the station pressed.
        if (moved && (button == 1 || button == 2) && input_) input_->GridSelChange();
    }
    if (input_)
        input_->GridMouseDown(button, ShiftState(event->modifiers()), event->position().x(),
                              event->position().y());
    Sync();
}

bool GridView::Find(const std::string& text, bool next) {
    if (!input_ || !input_->GridFind(text, next)) return false;
    ShowCurrentCell();
    return true;
}

void GridView::ShowCurrentCell() {
    Sync();
    scrollTo(model_.index(grid_.Row() - grid_.FixedRows(), grid_.Col()));
}

void GridView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool popupKey =
        key == Qt::Key_Menu || (key == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier));
    if (key == Qt::Key_Return || key == Qt::Key_Enter || popupKey) {
        if (input_) input_->GridKeyDown(13, ShiftState(event->modifiers()));
        Sync();
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
        default: {
            if (input_) input_->GridKeyDown(key, ShiftState(event->modifiers()));
            // Type-ahead: the characters of a callsign typed in quick
            // succession find the first station whose callsign starts so.
            const QString text = event->text();
            const bool plain =
                !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
            if (plain && text.size() == 1 &&
                (text[0].isLetterOrNumber() || text[0] == u'-' || text[0] == u'/')) {
                if (!typedAt_.isValid() ||
                    typedAt_.elapsed() > QApplication::keyboardInputInterval())
                    typed_.clear();
                typedAt_.start();
                typed_ += text;
                // A character that matches nothing with what came before
                // starts a new search of its own.
                if (!Find(typed_.toStdString(), false) && typed_.size() > 1) {
                    typed_ = text;
                    Find(typed_.toStdString(), false);
                }
            }
            return;
        }
    }
    row = std::clamp(row, grid_.FixedRows(), std::max(grid_.FixedRows(), grid_.Rows() - 1));
    col = std::clamp(col, 0, grid_.Cols() - 1);
    if (row >= grid_.Rows()) return;
    if (row != grid_.Row() || col != grid_.Col()) {
        grid_.SetRow(row);
        grid_.SetCol(col);
        if (input_) input_->GridSelChange();
        Sync();
        scrollTo(model_.index(row - grid_.FixedRows(), col));
    }
}

}  // namespace bb::platform
