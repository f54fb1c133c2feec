#include "platform/grid_control.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "support/error_trap.h"

namespace bb::platform {
namespace {

bool ParseNumber(std::string_view s, double& out) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '-' ||
                       s.front() == '.' || s.front() == ','))
        return false;
    // Either separator: the grid writes the user's own.
    std::string copy;
    if (s.find(',') != std::string_view::npos) {
        copy.assign(s);
        std::replace(copy.begin(), copy.end(), ',', '.');
        s = copy;
    }
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

// "12:05" or "0:-30": an age in minutes and seconds.
bool ParseAge(std::string_view s, double& out) {
    const auto colon = s.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 >= s.size()) return false;
    double m = 0, sec = 0;
    if (!ParseNumber(s.substr(0, colon), m) || !ParseNumber(s.substr(colon + 1), sec)) return false;
    out = m * 60 + sec;
    return true;
}

}  // namespace

SortKey SortKey::Of(std::string_view text) {
    SortKey k;
    if (ParseNumber(text, k.value) || ParseAge(text, k.value)) {
        k.number = true;
        return k;
    }
    std::string folded(text);
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    k.folded = folded;
    return k;
}

GridCell GridControl::Cell(int row, int col) const {
    if (row < 0 || row >= Rows()) Raise(kInvalidRow, "row outside the grid");
    if (col < 0 || col >= cols_) Raise(kInvalidCol, "column outside the grid");
    GridCell cell;
    source_->CellOf(row, col, cell);
    return cell;
}

void GridControl::SetRowSource(const GridRows* source) {
    if (source == source_) return;
    source_ = source;
    if (row_ >= Rows()) row_ = std::max(0, Rows() - 1);
    Touch();
}

void GridControl::SetCols(int cols) {
    if (cols < 1 || cols < fixedCols_) Raise(kInvalidCol, "column count");
    cols_ = cols;
    colWidths_.resize(static_cast<std::size_t>(cols), -1);
    if (col_ >= cols) col_ = cols - 1;
    Touch();
}

void GridControl::SetFixedRows(int n) {
    if (n < 0) Raise(err::kInvalidCall, "fixed rows");
    fixedRows_ = n;
    Touch();
}

void GridControl::SetFixedCols(int n) {
    if (n < 0 || n >= cols_) Raise(err::kInvalidCall, "fixed columns");
    fixedCols_ = n;
    Touch();
}

void GridControl::SetRow(int row) {
    if (row < 0 || row >= Rows()) Raise(kInvalidRow, "row outside the grid");
    row_ = row;
    Moved();
}

void GridControl::SetCol(int col) {
    if (col < 0 || col >= cols_) Raise(kInvalidCol, "column outside the grid");
    col_ = col;
    Moved();
}

void GridControl::RowsChanged(int first, int last) {
    if (first <= last) {
        changedFirst_ = std::min(changedFirst_, first);
        changedLast_ = std::max(changedLast_, last);
    }
    Moved();
}

std::pair<int, int> GridControl::TakeChangedRows() {
    const std::pair<int, int> changed{changedFirst_, changedLast_};
    changedFirst_ = INT_MAX;
    changedLast_ = -1;
    return changed;
}

int GridControl::ColWidth(int col) const {
    if (col < 0 || col >= cols_) Raise(kInvalidCol, "column outside the grid");
    const int w = colWidths_[static_cast<std::size_t>(col)];
    return w < 0 ? kDefaultColWidth : w;
}

void GridControl::SetColWidth(int col, int twips) {
    if (col < 0 || col >= cols_) Raise(kInvalidCol, "column outside the grid");
    colWidths_[static_cast<std::size_t>(col)] = twips;
    Moved();
}

namespace {
// Sets `field`; true when that changed it.
template <typename T>
bool Change(T& field, T value) {
    if (field == value) return false;
    field = value;
    return true;
}
}  // namespace

void GridControl::SetForeColor(Colour c) {
    if (Change(fore_, c)) Touch();
}
void GridControl::SetBackColor(Colour c) {
    if (Change(back_, c)) Touch();
}
void GridControl::SetForeColorSel(Colour c) {
    if (Change(foreSel_, c)) Touch();
}
void GridControl::SetBackColorSel(Colour c) {
    if (Change(backSel_, c)) Touch();
}

void GridControl::SetVisible(bool visible) {
    // Hidden, nothing is shown anew; shown again, the view takes what changed meanwhile.
    if (Change(visible_, visible)) Tell();
}

void GridControl::SetBusy(bool busy) {
    if (Change(busy_, busy)) Tell();
}

void GridControl::SetScrollBars(bool shown) {
    if (Change(scrollBars_, shown)) Touch();
}

void GridControl::SetMouseCell(int row, int col) {
    // Both are set whatever the first one did.
    const bool rowMoved = Change(mouseRow_, row);
    const bool colMoved = Change(mouseCol_, col);
    if (rowMoved || colMoved) Tell();
}

}  // namespace bb::platform
