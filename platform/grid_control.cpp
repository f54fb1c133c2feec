#include "platform/grid_control.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <numeric>

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

SortKey SortKey::Of(const std::string& text) {
    SortKey k;
    if (ParseNumber(text, k.value) || ParseAge(text, k.value)) {
        k.number = true;
        return k;
    }
    k.folded = text;
    for (char& c : k.folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return k;
}

const GridCell& GridControl::At(int row, int col) const {
    if (row < 0 || row >= Rows()) Raise(kInvalidRow, "row outside the grid");
    if (col < 0 || col >= cols_) Raise(kInvalidCol, "column outside the grid");
    if (source_ && row >= fixedRows_) Raise(err::kInvalidCall, "a row the grid does not hold");
    return CellRef(row, col);
}

GridCell& GridControl::Cell(int row, int col) {
    Touch();
    return const_cast<GridCell&>(At(row, col));
}

GridCell GridControl::Cell(int row, int col) const {
    if (source_ && row >= fixedRows_ && row < Rows() && col >= 0 && col < cols_) {
        GridCell cell;
        source_->CellOf(row - fixedRows_, col, cell);
        return cell;
    }
    return At(row, col);
}

std::string GridControl::TextMatrix(int row, int col) const {
    if (source_ && row >= fixedRows_) return Cell(row, col).text;
    return At(row, col).text;
}

void GridControl::SetRowSource(const GridRows* source) {
    if (source == source_) return;
    // The grid's own rows become the fixed ones, or the fixed ones and one
    // empty row below them as a grid without a source starts.
    source_ = nullptr;
    SetRows(fixedRows_ + (source ? 0 : 1));
    source_ = source;
    if (row_ >= Rows()) row_ = std::max(0, Rows() - 1);
    Touch();
}

void GridControl::Reshape(int rows, int cols) {
    std::vector<GridCell> cells(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    const int keepRows = std::min(rows, static_cast<int>(order_.size())),
              keepCols = std::min(cols, cols_);
    for (int r = 0; r < keepRows; ++r) {
        for (int c = 0; c < keepCols; ++c)
            cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) +
                  static_cast<std::size_t>(c)] = std::move(CellRef(r, c));
    }
    cells_ = std::move(cells);
    order_.resize(static_cast<std::size_t>(rows));
    std::iota(order_.begin(), order_.end(), 0);
    cols_ = cols;
}

void GridControl::SetRows(int rows) {
    if (rows < 0 || rows < fixedRows_) Raise(kInvalidRow, "row count");
    if (source_) Raise(err::kInvalidCall, "rows that come from a source");
    // Storage in row order only gets shorter or longer at its end.
    bool inOrder = true;
    for (std::size_t i = 0; i < order_.size() && inOrder; ++i)
        inOrder = order_[i] == static_cast<int>(i);
    if (inOrder) {
        cells_.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols_));
        const std::size_t was = order_.size();
        order_.resize(static_cast<std::size_t>(rows));
        for (std::size_t i = was; i < order_.size(); ++i)
            order_[i] = static_cast<int>(i);
    } else {
        Reshape(rows, cols_);
    }
    if (row_ >= rows) row_ = std::max(0, rows - 1);
    Touch();
}

void GridControl::SetCols(int cols) {
    if (cols < 1 || cols < fixedCols_) Raise(kInvalidCol, "column count");
    if (cols != cols_) Reshape(static_cast<int>(order_.size()), cols);
    colWidths_.resize(static_cast<std::size_t>(cols), -1);
    if (col_ >= cols) col_ = cols - 1;
    Touch();
}

void GridControl::SetFixedRows(int n) {
    if (n < 0 || n >= std::max(1, Rows())) Raise(err::kInvalidCall, "fixed rows");
    if (source_ && n != fixedRows_) Raise(err::kInvalidCall, "fixed rows over a source");
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
    Touch();
}

void GridControl::SetCol(int col) {
    if (col < 0 || col >= cols_) Raise(kInvalidCol, "column outside the grid");
    col_ = col;
    Touch();
}

void GridControl::SetTextMatrix(int row, int col, std::string text) {
    Cell(row, col).text = std::move(text);
}

void GridControl::SetRowColours(int row, Colour fore, Colour back) {
    if (row < 0 || row >= Rows()) Raise(kInvalidRow, "row outside the grid");
    if (source_ && row >= fixedRows_) Raise(err::kInvalidCall, "a row the grid does not hold");
    for (int col = 0; col < cols_; ++col) {
        GridCell& c = CellRef(row, col);
        c.fore = fore;
        c.back = back;
        c.hasFore = c.hasBack = true;
    }
    Touch();
}

int GridControl::ColWidth(int col) const {
    if (col < 0 || col >= cols_) Raise(kInvalidCol, "column outside the grid");
    const int w = colWidths_[static_cast<std::size_t>(col)];
    return w < 0 ? kDefaultColWidth : w;
}

void GridControl::SetColWidth(int col, int twips) {
    if (col < 0 || col >= cols_) Raise(kInvalidCol, "column outside the grid");
    colWidths_[static_cast<std::size_t>(col)] = twips;
    Touch();
}

void GridControl::Clear() {
    // Emptied in place: the texts keep their storage for the rebuild that follows.
    for (GridCell& c : cells_) {
        c.text.clear();
        c.picture.reset();
        c.hasFore = c.hasBack = false;
        c.alignment = Alignment::Centre;
    }
    // Every row is empty, so storage may follow row order again: the rebuild
    // that follows writes it front to back.
    std::iota(order_.begin(), order_.end(), 0);
    Touch();
}

void GridControl::Sort(int col, bool ascending) {
    if (col < 0 || col >= cols_) Raise(kInvalidCol, "column outside the grid");
    if (source_) Raise(err::kInvalidCall, "rows that come from a source");
    const std::size_t first = static_cast<std::size_t>(std::min(fixedRows_, Rows()));
    const std::size_t n = order_.size() - first;
    std::vector<SortKey> keys;
    keys.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        keys.push_back(SortKey::Of(CellRef(static_cast<int>(first + i), col).text));
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    auto less = [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; };
    if (ascending)
        std::stable_sort(order.begin(), order.end(), less);
    else
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return less(b, a); });
    std::vector<int> rows(n);
    for (std::size_t i = 0; i < n; ++i)
        rows[i] = order_[first + order[i]];
    std::copy(rows.begin(), rows.end(), order_.begin() + static_cast<std::ptrdiff_t>(first));
    Touch();
}

}  // namespace bb::platform
