#include "platform/qt_grid_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <set>
#include <string>

namespace bb::platform {
namespace {

// Rows as a pass leaves them, cell by cell.
struct Rows final : GridRows {
    std::vector<std::vector<GridCell>> cells;
    int RowCount() const override { return static_cast<int>(cells.size()); }
    void CellOf(int row, int col, GridCell& out) const override {
        if (col < static_cast<int>(cells[static_cast<std::size_t>(row)].size()))
            out = cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
    }
    std::string& Text(int row, int col) {
        return cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)].text;
    }
};

// A grid of 40 stations under its header row, as a finished rebuild leaves it.
void Fill(GridControl& grid, Rows& rows, const std::string& suffix) {
    grid.SetVisible(false);
    rows.cells.assign(41, std::vector<GridCell>(3));
    for (int r = 0; r <= 40; ++r)
        for (int c = 0; c < 3; ++c)
            rows.Text(r, c) = r == 0 ? "H" + std::to_string(c)
                                     : "R" + std::to_string(r) + "C" + std::to_string(c) + suffix;
    grid.SetRowSource(&rows);
    grid.SetCols(3);
    grid.SetFixedRows(1);
    grid.SetFixedCols(0);
    grid.RowsChanged();
    grid.SetVisible(true);
}

// The view on screen, following its grid and painted once.
void ShowPainted(GridView& view) {
    view.resize(400, 300);
    view.show();
    view.Sync();
    view.grab();  // what a paint reads
}

std::string Text(GridView& view, int row, int col) {
    return view.model()->index(row, col).data().toString().toStdString();
}

// Rebuilt to the same shape with a few cells changed, the view repaints only those.
TEST(GridView, AGridOfTheSameShapeRepaintsOnlyTheCellsThatChanged) {
    GridControl grid;
    Rows rows;
    Fill(grid, rows, "");
    GridView view(grid);
    ShowPainted(view);
    QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
    QSignalSpy changes(view.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy headers(view.model(), &QAbstractItemModel::headerDataChanged);

    Fill(grid, rows, "");
    rows.Text(2, 1) = "changed";
    for (GridCell& c : rows.cells[3]) {  // a row painted as selected
        c.fore = 0xFFFFFF;
        c.back = 0x0000FF;
        c.hasFore = c.hasBack = true;
    }
    grid.RowsChanged();
    view.Sync();
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(headers.count(), 0);
    std::set<std::pair<int, int>> cells;
    for (const auto& args : changes) {
        const auto i = args[0].value<QModelIndex>();
        cells.insert({i.row(), i.column()});
    }
    EXPECT_EQ(cells, (std::set<std::pair<int, int>>{{1, 1}, {2, 0}, {2, 1}, {2, 2}}));
    EXPECT_EQ(Text(view, 1, 1), "changed");
    EXPECT_EQ(view.model()->data(view.model()->index(2, 0), Qt::BackgroundRole).value<QColor>(),
              QColor(0, 0, 255));
    // A header that changes (the sort marker) is told too.
    // Rows the grid does not name are not looked at again.
    rows.Text(0, 2) = "H2 v";
    rows.Text(5, 1) = "unnamed";
    grid.SetRow(0);  // the sort leaves the current row on the header
    grid.RowsChanged(0, 0);
    view.Sync();
    EXPECT_EQ(headers.count(), 1);
    EXPECT_NE(Text(view, 4, 1), "unnamed");
    EXPECT_EQ(view.model()->headerData(2, Qt::Horizontal).toString(), "H2 v");
    // A station fewer or more: rows go or come at the end, no reset, none stale.
    QSignalSpy removed(view.model(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(view.model(), &QAbstractItemModel::rowsInserted);
    rows.cells.resize(30);
    grid.RowsChanged();
    view.Sync();
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt() * 100 + removed[0][2].toInt(), 2939);  // rows 29 to 39
    Fill(grid, rows, "-new");
    view.Sync();
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(view.model()->rowCount(), 40);
    for (int r : {0, 20, 39})
        EXPECT_EQ(Text(view, r, 2), "R" + std::to_string(r + 1) + "C2-new");
    // Another number of columns starts the view afresh.
    grid.SetCols(4);
    view.Sync();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(view.model()->columnCount(), 4);
}

// The view follows each change at the next turn of the event loop (no timer of its own).
TEST(GridView, FollowsAChangeAtTheNextTurnOfTheEventLoop) {
    GridControl grid;
    Rows rows;
    Fill(grid, rows, "");
    GridView view(grid);
    ShowPainted(view);
    rows.Text(2, 1) = "changed";
    rows.Text(3, 1) = "and this";
    grid.RowsChanged();
    EXPECT_EQ(Text(view, 1, 1), "R2C1");  // as painted until the view follows
    const auto nextTurn = [&] { QCoreApplication::sendPostedEvents(&view, QEvent::MetaCall); };
    nextTurn();
    EXPECT_EQ(Text(view, 1, 1) + "|" + Text(view, 2, 1), "changed|and this");
    // Under a rebuild's hourglass the last finished grid stands until shown again.
    grid.SetBusy(true);
    grid.SetVisible(false);
    rows.Text(2, 1) = "rebuilt";
    grid.RowsChanged();
    nextTurn();
    EXPECT_EQ(view.cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(Text(view, 1, 1), "changed");
    grid.SetVisible(true);
    nextTurn();
    EXPECT_EQ(Text(view, 1, 1), "rebuilt");
    grid.SetBusy(false);
    nextTurn();
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
    // Cells painted from kept pictures look as the style paints them, after a colour change too.
    grid.SetBackColorSel(0x00FF00);
    nextTurn();
    view.viewport()->grab();  // seen once: drawn as it is
    view.viewport()->grab();  // seen again: a picture made
    ASSERT_GT(dynamic_cast<CellPainter&>(*view.itemDelegate()).KeptBytes(), 0);
    const QImage kept = view.viewport()->grab().toImage();
    QStyledItemDelegate style;
    view.setItemDelegate(&style);
    EXPECT_TRUE(kept == view.viewport()->grab().toImage());
    // A view that has gone is not told of later changes (the grid outlives it).
    { GridView second(grid); }
    EXPECT_EQ(grid.Observer(), nullptr);
    grid.RowsChanged();
}

// An age column: every row's text is new each second. Pictures are kept of
// cells that come back, not of texts shown once, and never more than two
// views' worth, however long the board runs.
TEST(GridView, KeepsPicturesOfCellsThatComeBackAndNoMore) {
    GridControl grid;
    Rows rows;
    Fill(grid, rows, "");
    GridView view(grid);
    ShowPainted(view);
    const auto& painter = dynamic_cast<CellPainter&>(*view.itemDelegate());
    view.viewport()->grab();
    const qint64 screen = painter.KeptBytes();
    ASSERT_GT(screen, 0);
    const auto tick = [&](int second, int paints) {
        for (int r = 1; r <= 40; ++r)
            rows.Text(r, 1) = std::to_string(second) + ":" + std::to_string(r);
        grid.RowsChanged();
        view.Sync();
        for (int i = 0; i < paints; ++i)
            view.viewport()->grab();
    };
    for (int second = 0; second < 60; ++second)
        tick(second, 1);
    EXPECT_LE(painter.KeptBytes(), screen);
    // Painted twice a second (the rows moved by a pass), they are kept until
    // the store holds two views.
    const QSize device = view.viewport()->size() * view.viewport()->devicePixelRatioF();
    const qint64 most = std::max<qint64>(2 * qint64(device.width()) * device.height() * 4, 1 << 20);
    for (int second = 60; second < 600; ++second)
        tick(second, 2);
    EXPECT_GT(painter.KeptBytes(), screen);
    EXPECT_LE(painter.KeptBytes(), most);
}

}  // namespace
}  // namespace bb::platform
