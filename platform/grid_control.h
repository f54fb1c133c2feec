// The grid control the station grid is written for: cells with text, picture,
// alignment and colours, row and column counts, fixed rows, the current cell,
// and the generic sort by one column. Plain C++; a Qt view shows it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/picture.h"

namespace bb::platform {

using Colour = std::uint32_t;  // 0xRRGGBB

enum class Alignment : std::uint8_t { Left, Centre, Right };

struct GridCell {
    std::string text;
    std::shared_ptr<const Picture> picture;
    Colour fore = 0, back = 0;
    bool hasFore = false, hasBack = false;  // otherwise the grid's own colours
    Alignment alignment = Alignment::Centre;
};

// Rows the grid does not hold itself: the rows below the fixed ones asked
// for cell by cell when they are read, so a grid of many rows costs what is
// looked at, not what is held.
class GridRows {
  public:
    virtual ~GridRows() = default;
    virtual int RowCount() const = 0;
    // Cell `col` of row `row`, counted from the first row below the fixed ones.
    virtual void CellOf(int row, int col, GridCell& out) const = 0;
};

// Told of every change to the grid, as it is made: a view follows from it.
class GridObserver {
  public:
    virtual ~GridObserver() = default;
    virtual void GridTouched() = 0;
};

class GridControl {
  public:
    // The grid's default column width, in twips.
    static constexpr int kDefaultColWidth = 1275;
    static constexpr int kInvalidRow = 30009;  // the control's own error numbers
    static constexpr int kInvalidCol = 30010;

    int Rows() const {
        return source_ ? fixedRows_ + source_->RowCount() : static_cast<int>(order_.size());
    }
    int Cols() const { return cols_; }
    // Rows and columns keep their cells where they remain. With a row
    // source only the fixed rows are the grid's own.
    void SetRows(int rows);
    // The rows below the fixed ones come from `source` (null: the grid's own).
    void SetRowSource(const GridRows* source);
    bool HasRowSource() const { return source_ != nullptr; }
    // The source's rows have changed: the view follows.
    void RowsChanged() { Touch(); }
    void SetCols(int cols);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int n);
    void SetFixedCols(int n);

    // The current cell; a row or column outside the grid raises the control's error.
    int Row() const { return row_; }
    int Col() const { return col_; }
    void SetRow(int row);
    void SetCol(int col);

    std::string TextMatrix(int row, int col) const;
    void SetTextMatrix(int row, int col, std::string text);
    // A cell the grid holds, for writing; a source's rows are written by it.
    GridCell& Cell(int row, int col);
    GridCell Cell(int row, int col) const;
    // The same colours on every cell of the row.
    void SetRowColours(int row, Colour fore, Colour back);

    int ColWidth(int col) const;  // twips
    void SetColWidth(int col, int twips);

    // Removes every text, picture and cell colour of the grid's own cells; the size stays.
    void Clear();
    // Sorts the rows below the fixed ones by the text of `col`: numbers
    // numerically, ages written m:ss by their seconds, the rest as text
    // (without regard to case), texts before numbers. Equal rows keep their order.
    void Sort(int col, bool ascending);

    Colour ForeColor = 0x000000, BackColor = 0xFFFFFF;
    Colour ForeColorSel = 0xFFFFFF, BackColorSel = 0x000080;
    bool Visible = true;
    bool Busy = false;  // the hourglass over the grid
    bool ScrollBars = true;
    // Where the last mouse press fell, for the press handlers.
    int MouseRow = 0, MouseCol = 0;

    // Raised on every change; the view refreshes when the grid is visible.
    std::uint64_t Generation() const { return generation_; }
    void SetObserver(GridObserver* observer) { observer_ = observer; }
    GridObserver* Observer() const { return observer_; }

  private:
    const GridCell& At(int row, int col) const;
    void Touch() {
        ++generation_;
        if (observer_) observer_->GridTouched();
    }

    GridCell& CellRef(int row, int col) {
        return cells_[static_cast<std::size_t>(order_[static_cast<std::size_t>(row)]) *
                          static_cast<std::size_t>(cols_) +
                      static_cast<std::size_t>(col)];
    }
    const GridCell& CellRef(int row, int col) const {
        return const_cast<GridControl*>(this)->CellRef(row, col);
    }
    void Reshape(int rows, int cols);

    // Cells in one block, row by row in storage order; `order_` maps each
    // row of the grid to its storage row, so that a sort moves row numbers,
    // not cells.
    std::vector<GridCell> cells_ = std::vector<GridCell>(4);
    std::vector<int> order_ = {0, 1};
    std::vector<int> colWidths_ = std::vector<int>(2, -1);
    int cols_ = 2;
    int fixedRows_ = 1, fixedCols_ = 1;
    int row_ = 1, col_ = 1;
    std::uint64_t generation_ = 0;
    const GridRows* source_ = nullptr;
    GridObserver* observer_ = nullptr;
};

// The sort key of a text in the generic order; exposed for the tests.
struct SortKey {
    bool number = false;
    double value = 0;
    std::string folded;  // lower case, for texts
    static SortKey Of(const std::string& text);
    // One total order (texts, then numbers), so that a sort is well defined
    // whatever mix a column holds.
    bool operator<(const SortKey& other) const {
        if (number != other.number) return !number;
        return number ? value < other.value : folded < other.folded;
    }
};

}  // namespace bb::platform
