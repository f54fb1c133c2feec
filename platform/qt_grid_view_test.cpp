#include "platform/qt_grid_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <set>
#include <string>

namespace bb::platform {
namespace {

// A grid of 40 stations under its header row, as a finished rebuild leaves it.
void Fill(GridControl& grid, const std::string& suffix) {
    grid.Visible = false;
    grid.SetRows(41);
    grid.SetCols(3);
    grid.SetFixedRows(1);
    grid.SetFixedCols(0);
    for (int c = 0; c < 3; ++c)
        grid.SetTextMatrix(0, c, "H" + std::to_string(c));
    for (int r = 1; r <= 40; ++r)
        for (int c = 0; c < 3; ++c)
            grid.SetTextMatrix(r, c, "R" + std::to_string(r) + "C" + std::to_string(c) + suffix);
    grid.Visible = true;
}

// The view on screen, following its grid and painted once.
void ShowPainted(GridView& view) {
    view.resize(400, 300);
    view.show();
    view.Sync();
    view.grab();  // what a paint reads
}

std::string Text(GridView& view, int row, int col) {
    return view.model()
        ->data(view.model()->index(row, col), Qt::DisplayRole)
        .toString()
        .toStdString();
}

// Under a feed the grid is rebuilt many times a second, mostly to the same
// shape with a few cells changed: the view paints those cells again, not
// the whole grid, and shows every change.
TEST(GridView, AGridOfTheSameShapeRepaintsOnlyTheCellsThatChanged) {
    GridControl grid;
    Fill(grid, "");
    GridView view(grid);
    ShowPainted(view);
    QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
    QSignalSpy changes(view.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy headers(view.model(), &QAbstractItemModel::headerDataChanged);

    Fill(grid, "");
    grid.SetTextMatrix(2, 1, "changed");
    grid.SetRowColours(3, 0xFFFFFF, 0x0000FF);  // a row painted as selected
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
    grid.SetTextMatrix(0, 2, "H2 v");
    grid.SetRow(0);  // the sort leaves the current row on the header
    view.Sync();
    EXPECT_EQ(headers.count(), 1);
    EXPECT_EQ(view.model()->headerData(2, Qt::Horizontal).toString(), "H2 v");
    // A station fewer or more: rows go or come at the end and the view is
    // not reset; the cells that moved on screen are told and none is stale.
    QSignalSpy removed(view.model(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(view.model(), &QAbstractItemModel::rowsInserted);
    grid.SetRows(30);
    view.Sync();
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 29);
    EXPECT_EQ(removed[0][2].toInt(), 39);
    EXPECT_EQ(view.model()->rowCount(), 29);
    changes.clear();
    Fill(grid, "-new");
    view.Sync();
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(view.model()->rowCount(), 40);
    EXPECT_GT(changes.count(), 0);
    for (int r : {0, 20, 39})
        EXPECT_EQ(Text(view, r, 2), "R" + std::to_string(r + 1) + "C2-new");
    // Another number of columns starts the view afresh.
    grid.SetCols(4);
    view.Sync();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(view.model()->columnCount(), 4);
}

// The view follows a change at the next turn of the event loop, however
// long its own timer has still to run: a row shows as soon as its pass ends.
TEST(GridView, FollowsAChangeAtTheNextTurnOfTheEventLoop) {
    GridControl grid;
    Fill(grid, "");
    GridView view(grid);
    ShowPainted(view);
    grid.SetTextMatrix(2, 1, "changed");
    grid.SetTextMatrix(3, 1, "and this");
    EXPECT_EQ(Text(view, 1, 1), "R2C1");  // as painted until the view follows
    // Only what was posted runs here, not the view's timer.
    QCoreApplication::sendPostedEvents(&view, QEvent::MetaCall);
    EXPECT_EQ(Text(view, 1, 1), "changed");
    EXPECT_EQ(Text(view, 2, 1), "and this");
    // A view that has gone is not told of later changes (the grid outlives
    // the window's view when the program ends).
    { GridView second(grid); }
    EXPECT_EQ(grid.Observer(), nullptr);
    grid.SetTextMatrix(2, 1, "after");
}

}  // namespace
}  // namespace bb::platform
