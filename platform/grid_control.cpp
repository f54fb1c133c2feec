#include "platform/grid_control.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <numeric>

#include "support/vb_error.h"

namespace bb::platform {
namespace {

bool ParseNumber(std::string_view s, double& out) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    if (s.empty()) return false;
    std::string t(s);
    // Either separator: the grid writes the user's own.
    std::replace(t.begin(), t.end(), ',', '.');
    const char* first = t.data();
    if (*first == '+') ++first;
    const auto [end, ec] = std::from_chars(first, t.data() + t.size(), out);
    return ec == std::errc() && end == t.data() + t.size();
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
    return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

GridCell& GridControl::Cell(int row, int col) {
    Touch();
    return const_cast<GridCell&>(At(row, col));
}

void GridControl::SetRows(int rows) {
    if (rows < 0 || rows < fixedRows_) Raise(kInvalidRow, "row count");
    cells_.resize(static_cast<std::size_t>(rows),
                  std::vector<GridCell>(static_cast<std::size_t>(cols_)));
    if (row_ >= rows) row_ = std::max(0, rows - 1);
    Touch();
}

void GridControl::SetCols(int cols) {
    if (cols < 1 || cols < fixedCols_) Raise(kInvalidCol, "column count");
    for (auto& r : cells_)
        r.resize(static_cast<std::size_t>(cols));
    colWidths_.resize(static_cast<std::size_t>(cols), -1);
    cols_ = cols;
    if (col_ >= cols) col_ = cols - 1;
    Touch();
}

void GridControl::SetFixedRows(int n) {
    if (n < 0 || n >= std::max(1, Rows())) Raise(err::kInvalidCall, "fixed rows");
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
    for (GridCell& c : cells_[static_cast<std::size_t>(row)]) {
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
    for (auto& r : cells_) {
        for (GridCell& c : r)
            c = GridCell{};
    }
    Touch();
}

void GridControl::Sort(int col, bool ascending) {
    if (col < 0 || col >= cols_) Raise(kInvalidCol, "column outside the grid");
    const std::size_t first = static_cast<std::size_t>(std::min(fixedRows_, Rows()));
    const std::size_t n = cells_.size() - first;
    std::vector<SortKey> keys;
    keys.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        keys.push_back(SortKey::Of(cells_[first + i][static_cast<std::size_t>(col)].text));
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    // One total order (texts, then numbers), so that the sort is well defined
    // whatever mix a column holds.
    auto less = [&](std::size_t a, std::size_t b) {
        const SortKey &x = keys[a], &y = keys[b];
        if (x.number != y.number) return !x.number;
        return x.number ? x.value < y.value : x.folded < y.folded;
    };
    if (ascending)
        std::stable_sort(order.begin(), order.end(), less);
    else
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return less(b, a); });
    std::vector<std::vector<GridCell>> sorted;
    sorted.reserve(n);
    for (std::size_t i : order)
        sorted.push_back(std::move(cells_[first + i]));
    std::move(sorted.begin(), sorted.end(), cells_.begin() + static_cast<std::ptrdiff_t>(first));
    Touch();
}

}  // namespace bb::platform
