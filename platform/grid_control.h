// The grid control the station grid is written for: the rows of a source,
// cells with text, picture, alignment and colours, fixed rows, column widths,
// the current cell, and the order of texts a sort by one column follows.
// Plain C++; a Qt view shows it.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/picture.h"
#include "support/short_text.h"

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

// The grid's rows, the fixed ones first, asked for cell by cell when they
// are read: the grid holds no cells of its own, so a grid of many rows costs
// what is looked at, not what is held.
class GridRows {
  public:
    virtual ~GridRows() = default;
    virtual int RowCount() const = 0;
    // Cell `col` of row `row`, counted from the grid's first (fixed) row.
    virtual void CellOf(int row, int col, GridCell& out) const = 0;
};

// Told of every change to the grid, as it is made: a view follows from it.
class GridObserver {
  public:
    virtual ~GridObserver() = default;
    virtual void GridTouched() = 0;
};

// What the user does to the grid, as its view reports it.
class GridInput {
  public:
    virtual ~GridInput() = default;
    // A press: button 1 left, 2 right; `shift` 1 Shift, 2 Ctrl, 4 Alt.
    virtual void GridMouseDown(int button, int shift, int x, int y) = 0;
    // The user moved the current cell.
    virtual void GridSelChange() = 0;
    // A key (13 for Enter, Shift+F10 and the menu key: each opens the popup
    // of the current cell).
    virtual void GridKeyDown(int key, int shift) = 0;
    // Finds a station by the start of its callsign (next: the match after
    // the selected one); true when one was found and selected.
    virtual bool GridFind(const std::string& text, bool next) = 0;
};

class GridControl {
  public:
    // The grid's default column width, in twips.
    static constexpr int kDefaultColWidth = 1275;
    static constexpr int kInvalidRow = 30009;  // the control's own error numbers
    static constexpr int kInvalidCol = 30010;

    // The rows come from `source`; without one the grid has none.
    void SetRowSource(const GridRows* source);
    const GridRows* RowSource() const { return source_; }
    // The source's rows have changed: the view follows.
    void RowsChanged() { Touch(); }
    // Only rows `first` to `last` (as Cell counts them) show anything new:
    // the view looks again at those alone, so a beacon costs its row.
    void RowsChanged(int first, int last);
    // The rows changed since the view last took them, first to last (none
    // when first > last); taking them forgets them.
    std::pair<int, int> TakeChangedRows();
    int Rows() const { return source_ ? source_->RowCount() : 0; }
    int Cols() const { return cols_; }
    void SetCols(int cols);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int n);
    void SetFixedCols(int n);

    // The current cell; a row or column outside the grid raises the control's error.
    int Row() const { return row_; }
    int Col() const { return col_; }
    void SetRow(int row);
    void SetCol(int col);

    // A cell as its source makes it; outside the grid the control's error.
    std::string TextMatrix(int row, int col) const { return Cell(row, col).text; }
    GridCell Cell(int row, int col) const;

    int ColWidth(int col) const;  // twips
    void SetColWidth(int col, int twips);

    // The colours of cells that have none of their own, and of the current cell.
    Colour ForeColor() const { return fore_; }
    Colour BackColor() const { return back_; }
    Colour ForeColorSel() const { return foreSel_; }
    Colour BackColorSel() const { return backSel_; }
    void SetForeColor(Colour c);
    void SetBackColor(Colour c);
    void SetForeColorSel(Colour c);
    void SetBackColorSel(Colour c);
    // A hidden grid (during a rebuild) is not followed by its view.
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    // The hourglass over the grid.
    bool Busy() const { return busy_; }
    void SetBusy(bool busy);
    bool ScrollBars() const { return scrollBars_; }
    void SetScrollBars(bool shown);
    // Where the last mouse press fell, for the press handlers.
    int MouseRow() const { return mouseRow_; }
    int MouseCol() const { return mouseCol_; }
    void SetMouseCell(int row, int col);

    // Raised on every change to what the grid shows.
    std::uint64_t Generation() const { return generation_; }
    // Told of every change, the hourglass and the mouse's cell included.
    void SetObserver(GridObserver* observer) { observer_ = observer; }
    GridObserver* Observer() const { return observer_; }

  private:
    // A change to what the grid shows, in any of its cells.
    void Touch() {
        changedFirst_ = 0;
        changedLast_ = INT_MAX;
        Moved();
    }
    // A change to where the grid is (its current cell, a width), not to its cells.
    void Moved() {
        ++generation_;
        Tell();
    }
    void Tell() {
        if (observer_) observer_->GridTouched();
    }

    std::vector<int> colWidths_ = std::vector<int>(2, -1);
    int cols_ = 2;
    int fixedRows_ = 1, fixedCols_ = 1;
    int row_ = 1, col_ = 1;
    Colour fore_ = 0x000000, back_ = 0xFFFFFF;
    Colour foreSel_ = 0xFFFFFF, backSel_ = 0x000080;
    bool visible_ = true;
    bool busy_ = false;
    bool scrollBars_ = true;
    int mouseRow_ = 0, mouseCol_ = 0;
    std::uint64_t generation_ = 0;
    int changedFirst_ = 0, changedLast_ = INT_MAX;  // rows not yet taken by the view
    const GridRows* source_ = nullptr;
    GridObserver* observer_ = nullptr;
};

// The sort key of a text: numbers numerically, ages written m:ss by their
// seconds, the rest as text (without regard to case), texts before numbers.
struct SortKey {
    bool number = false;
    double value = 0;
    ShortText folded;  // lower case, for texts; a row holds one, so kept short
    static SortKey Of(std::string_view text);
    // One total order (texts, then numbers), so that a sort is well defined
    // whatever mix a column holds.
    bool operator<(const SortKey& other) const {
        if (number != other.number) return !number;
        return number ? value < other.value : folded.view() < other.folded.view();
    }
};

}  // namespace bb::platform
