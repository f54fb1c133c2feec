#include "grid/station_grid.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <iterator>
#include <utility>

#include "stations/position.h"
#include "support/clock.h"
#include "support/error_trap.h"
#include "support/number_format.h"
#include "support/system_api.h"
#include "support/vbtypes.h"

namespace bb {
namespace {

constexpr platform::Colour kBlue = 0x0000FF, kWhite = 0xFFFFFF, kRed = 0xFF0000, kYellow = 0xFFFF00,
                           kOrange = 0xFF8000, kBlack = 0x000000, kMagenta = 0xFF00FF;
constexpr int kCallsignColWidth = 1000;  // twips
// The least time between the end of one pass and the start of the next: a
// beacon's row shows within a tenth of a second (the view follows each pass
// at once), and a full feed's beacons are taken in by about a dozen passes a
// second, not one pass each. The tenth is shared: bb-host holds a beacon up
// to 20 ms to send it with others and a pass takes a few milliseconds, so a
// beacon that just missed a pass waits the gap and the next pass on top.
constexpr int kRebuildGapMs = 70;
constexpr const char* kNoStations = "Sorry, no stations heard...";

// The shortest text that reads back as the same value; whole values without decimals.
template <class T>
std::string Shortest(T value, char decimal) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return WithSeparator(std::string(buf, r.ptr), decimal);
}

std::int64_t NowSeconds(TZone& zone) {
    // The current local date and time on the scale of HeardTime.
    const DateTime now = LocalNow();
    return static_cast<std::int64_t>(Val(zone.DateToUnix(now)));
}

}  // namespace

StationGrid::StationGrid(platform::GridControl& grid, StationBoard& board, HostMain& host,
                         Clipboard& clipboard, GridWindow& window, const SettingValues& settings,
                         std::string windowTitle, Scheduler* scheduler)
    : grid_(grid),
      board_(board),
      host_(host),
      clipboard_(clipboard),
      window_(window),
      settings_(settings),
      windowTitle_(std::move(windowTitle)),
      gate_(
          kRebuildGapMs, [this] { RebuildPass(); }, PassGate::Spacing::EveryPass, scheduler),
      scheduler_(scheduler) {
    board_.Table().AddWatcher(this);
    ScheduleAgeTick();
}

StationGrid::~StationGrid() {
    board_.Table().RemoveWatcher(this);
    if (grid_.RowSource() == this) grid_.SetRowSource(nullptr);
}

void StationGrid::ScheduleAgeTick() {
    if (!scheduler_ || ageTickWaiting_) return;
    ageTickWaiting_ = true;
    scheduler_->Later(kAgeTickMs, [this, alive = std::weak_ptr<int>(alive_)] {
        if (alive.expired()) return;
        ageTickWaiting_ = false;
        AgeTick();
        ScheduleAgeTick();
    });
}

void StationGrid::AgeTick() {
    // A pass takes the time itself; a hidden or minimised grid shows no age.
    if (!ageShown_ || empty_ || order_.empty() || gate_.Busy() || gate_.Waiting() ||
        !grid_.Visible() || window_.Minimized())
        return;
    Trap("StationGrid.AgeTick", [&] {
        TZone zone;
        zone.init();
        const std::int64_t now = NowSeconds(zone);
        if (now == ageNow_) return;
        ageNow_ = now;
        if (AgesCrossedLimit()) Resort();
        // The rows are the same: the view paints again the cells whose text changed.
        grid_.RowsChanged();
    });
}

// The locator at the length the options choose; the record gives eight.
std::string StationGrid::LocatorText(const StationRecord& r) const {
    const std::int16_t length = settings_.FormatLocator;
    std::string text = r.Locator();
    if (length == 6) return text.substr(0, 6);
    if (length != 10 || text.empty()) return text;
    TrapWith(
        [&] {
            LocatorFromPosition(static_cast<double>(r.Longitude) / 60.0,
                                static_cast<double>(r.Latitude) / 60.0, text, 10);
        },
        [](std::int16_t) {});
    return text;
}

void StationGrid::FillColumnCaptions() {
    static constexpr std::pair<GridColumnId, const char*> kCaptions[] = {
        {kColumnCallsign, "Callsign"},
        {kColumnSymbol, "Symbol"},
        {kColumnAge, "Age"},
        {kColumnLatitude, "Latitude"},
        {kColumnLongitude, "Longitude"},
        {kColumnLocator, "Maidenhead"},
        {kColumnSpeed, "Speed"},
        {kColumnCourse, "Direction"},
        {kColumnBearing, "Bearing"},
        {kColumnDistance, "Distance"},
        {kColumnPower, "Power"},
        {kColumnHeight, "Height"},
        {kColumnGain, "Gain"},
        {kColumnDirectivity, "Direction"},
        {kColumnRate, "Rate"},
        {kColumnRange, "Range"},
        {kColumnQSY, "QSY"},
        {kColumnTone, "Tone"}};
    static_assert(std::size(kCaptions) == kLastColumn + 1);
    for (const auto& [column, caption] : kCaptions)
        columnDefs_[static_cast<std::size_t>(column)].header = caption;
}

bool StationGrid::Visible(int column) const {
    if (column < 0 || column > kLastColumn) Raise(err::kSubscript, "column");
    return columnDefs_[static_cast<std::size_t>(column)].visible;
}

void StationGrid::SetVisible(int column, bool visible) {
    if (column < 0 || column > kLastColumn) Raise(err::kSubscript, "column");
    columnDefs_[static_cast<std::size_t>(column)].visible = visible;
}

void StationGrid::select_columns() {
    Trap("Form1.select_columns", [&] {
        intSortCol = 0;
        gridColumns_ = {};
        gridColumns_[0] = {columnDefs_[kColumnCallsign].header, kColumnCallsign};
        std::int16_t count = 0;
        for (std::int16_t i = 1; i <= kLastColumn; ++i) {
            if (!columnDefs_[static_cast<std::size_t>(i)].visible) continue;
            ++count;
            gridColumns_[static_cast<std::size_t>(count)] = {
                columnDefs_[static_cast<std::size_t>(i)].header, i};
        }
        intLastGridCol = count;
    });
}

void StationGrid::PrepareGrid() {
    intSortCol = 0;
    intPrevSortCol = -1;
    blnSortDescending = true;
    Form_Resize();
    grid_.SetRowSource(this);
    grid_.SetFixedCols(0);
    grid_.SetCols(intLastGridCol + 1);
    grid_.SetRow(0);
    grid_.SetBackColorSel(kRed);
    grid_.SetForeColorSel(kYellow);
    headers_.assign(static_cast<std::size_t>(intLastGridCol) + 1, std::string());
    for (int c = 0; c <= intLastGridCol; ++c)
        headers_[static_cast<std::size_t>(c)] = columnDefs_[static_cast<std::size_t>(c)].header;
}

void StationGrid::RebuildPass() {
    // An empty grid is drawn anew: there are no rows to change.
    if (fullNext_ || duplicates_ || empty_) {
        Rebuild();
    } else {
        Update();
    }
}

void StationGrid::build_station_grid() {
    fullNext_ = true;
    gate_.Request();
}

void StationGrid::StationChanged(const std::string& callsign) {
    touched_.insert(callsign);
    gate_.Request();
}

void StationGrid::select_row() {
    Repaint();
}

void StationGrid::NoteAge(const StationRecord& r) {
    // An age that does not fit leaves its cell empty, noted when its row is made.
    std::string text;
    if (ageShown_ && !AgeText(ageNow_ - r.HeardTime, text))
        LogError(err::kOverflow, "Form1.Format_Age");
}

namespace {
// The grid without stations: one row, its message in the first cell.
class NoStationRows final : public platform::GridRows {
  public:
    int RowCount() const override { return 1; }
    void CellOf(int row, int col, platform::GridCell& out) const override {
        if (row == 0 && col == 0) out.text = kNoStations;
    }
};
const NoStationRows kNoStationRows;
}  // namespace

void StationGrid::ShowNoStations(platform::GridControl& grid, int width) {
    grid.SetRowSource(&kNoStationRows);
    grid.SetCols(1);
    grid.SetColWidth(0, width);
    grid.SetRow(0);
    grid.SetCol(0);
}

void StationGrid::SetHeader(int col, std::string text) {
    if (col < 0 || col >= grid_.Cols())
        Raise(platform::GridControl::kInvalidCol, "column outside the grid");
    if (headers_.size() < static_cast<std::size_t>(grid_.Cols()))
        headers_.resize(static_cast<std::size_t>(grid_.Cols()));
    headers_[static_cast<std::size_t>(col)] = std::move(text);
    grid_.RowsChanged();
}

void StationGrid::SetSelectedCall(std::string callsign) {
    strSelectedCall = std::move(callsign);
    select_row();
}

void StationGrid::ClearRows() {
    order_.clear();
    byIndex_.clear();
    pictured_.clear();
    entries_.clear();
    duplicateEntries_.clear();
    duplicates_ = false;
    emergencies_ = 0;
    hiddenEmergencies_.clear();
}

const WatchList& StationGrid::Watched() const {
    if (settings_.AlertWatch != watchText_) {
        watchText_ = settings_.AlertWatch;
        watch_ = WatchList(watchText_);
    }
    return watch_;
}

bool StationGrid::Shows(const StationRecord& r) const {
    const SettingValues& s = settings_;
    // A weather station's symbol is "_" and a digipeater's "#", in either table.
    if (s.HideWeatherAndDigipeaters && !r.Symbol.empty() &&
        (r.Symbol.back() == '_' || r.Symbol.back() == '#'))
        return false;
    switch (s.AlertView) {
        case SettingValues::StationView::Watched:
            return Watched().Matches(r.Callsign);
        case SettingValues::StationView::Near:
            return s.AlertNearKm > 0 && (r.Latitude != 0 || r.Longitude != 0) &&
                   r.Distance <= s.AlertNearKm;
        case SettingValues::StationView::All:
            break;
    }
    return true;
}

void StationGrid::Rebuild() {
    ++rebuilds_;
    ++fullRebuilds_;
    fullNext_ = false;
    touched_.clear();
    Trap("Form1.build_station_grid", [&] {
        TZone zone;
        zone.init();
        StationTable& table = board_.Table();
        // The records this rebuild walks; the table is not compacted under
        // it (a host call for a picture may let events in).
        StationTable::WalkHold hold(table);
        const std::int32_t records = table.StationCount();
        const std::int32_t lastCol = intLastGridCol;
        symbolsFailed_ = false;
        grid_.SetBusy(true);
        grid_.SetVisible(false);
        ClearRows();
        // The rows are not in the sort's order until they are all gathered.
        grid_.SetRowSource(nullptr);
        headers_.clear();
        grid_.SetScrollBars(true);
        grid_.SetBackColor(kWhite);
        ageNow_ = NowSeconds(zone);
        ageShown_ = false;
        for (int c = 1; c <= lastCol; ++c)
            ageShown_ = ageShown_ || gridColumns_[static_cast<std::size_t>(c)].source == kColumnAge;
        // The stations on the board: the live records, and those of stations
        // heard again whose new records an intake's pause (this rebuild's
        // turn) has not yet filled. A record appended but not yet filled
        // comes with its own event.
        const auto onBoard = [&](std::int32_t i) {
            const StationRecord& r = table[i];
            return !r.Callsign.empty() && (!r.Deleted || table.ShownUntilFilled(r.Callsign) == i);
        };
        // Records but none live (the last station deleted or expired) is an
        // empty grid too: a header row over no rows cannot be made.
        bool empty = records == 0 || table.LiveCount() == 0;
        // A view that shows none of them too.
        if (!empty && (settings_.AlertView != SettingValues::StationView::All ||
                       settings_.HideWeatherAndDigipeaters)) {
            empty = true;
            for (std::int32_t i = 0; i < records && empty; ++i)
                empty = !onBoard(i) || !Shows(table[i]);
            // Its hidden emergencies still count for the alarm.
            for (std::int32_t i = 0; i < records && empty; ++i)
                if (onBoard(i) && table[i].Emergency &&
                    hiddenEmergencies_.insert(table[i].Callsign).second)
                    ++emergencies_;
        }
        empty_ = empty;
        if (empty) {
            ShowNoStations(grid_, window_.GridWidth());
        } else {
            grid_.SetCols(lastCol + 1);
            grid_.SetFixedRows(kHeaderRows);
            grid_.SetFixedCols(0);
            grid_.SetColWidth(0, kCallsignColWidth);
            for (int c = 1; c <= lastCol; ++c)
                grid_.SetColWidth(c, -1);
            grid_.SetForeColor(kBlue);
            grid_.SetBackColor(kWhite);
            headers_.assign(static_cast<std::size_t>(lastCol) + 1, std::string());
            for (int c = 0; c <= lastCol; ++c)
                headers_[static_cast<std::size_t>(c)] =
                    gridColumns_[static_cast<std::size_t>(c)].header;
            order_.reserve(static_cast<std::size_t>(table.LiveCount()));
            for (std::int32_t i = 0; i < records; ++i) {
                const StationRecord& r = table[i];
                if (!onBoard(i)) continue;
                if (!Shows(r)) {
                    if (r.Emergency && hiddenEmergencies_.insert(r.Callsign).second) ++emergencies_;
                    continue;
                }
                auto [it, added] = entries_.try_emplace(r.Callsign);
                Entry* e = &it->second;
                const ShortText* callsign = &it->first;
                if (!added) {
                    duplicates_ = true;
                    auto& row = duplicateEntries_.emplace_back(
                        std::make_unique<std::pair<const ShortText, Entry>>(r.Callsign, Entry{}));
                    e = &row->second;
                    callsign = &row->first;
                }
                e->callsign = callsign;
                e->index = i;
                e->emergency = r.Emergency;
                if (r.Emergency) ++emergencies_;
                IndexRow(i, e);
                order_.push_back(e);
                NoteAge(r);
            }
            UpdatePictures(nullptr);
            grid_.SetRowSource(this);
        }
        grdStationSort(false);
        Finish();
    });
    // The grid is shown even when the rebuild failed half-way.
    grid_.SetVisible(true);
    grid_.SetBusy(false);
}

void StationGrid::Update() {
    ++rebuilds_;
    const bool done = Trap("Form1.build_station_grid", [&] {
        TZone zone;
        zone.init();
        StationTable::WalkHold hold(board_.Table());
        symbolsFailed_ = false;
        const std::int64_t agesWere = ageNow_;
        ageNow_ = NowSeconds(zone);
        // The rows this pass changes are told the view; ages shown as of
        // another second change every row.
        rowsNamed_ = !(ageShown_ && ageNow_ != agesWere);
        newFrom_ = SIZE_MAX;
        newTo_ = 0;
        std::unordered_set<std::string> touched;
        touched.swap(touched_);
        for (const std::string& callsign : touched)
            Reconcile(callsign);
        // No station left or the first one back, or rows that callsigns
        // cannot tell apart: the full rebuild draws the grid anew.
        if (duplicates_ || order_.empty() != empty_ || fullNext_) {
            fullNext_ = true;
            return;
        }
        // A view that still shows none: the empty grid stands.
        if (order_.empty()) {
            Finish();
            return;
        }
        UpdatePictures(&touched);
        if (AgesCrossedLimit()) Resort();
        Finish();
    });
    rowsNamed_ = false;
    // A pass that failed half-way leaves rows it cannot vouch for.
    if (!done) fullNext_ = true;
    if (fullNext_) Rebuild();
}

void StationGrid::RowsShowNew(std::size_t from, std::size_t to) {
    newFrom_ = std::min(newFrom_, from);
    newTo_ = std::max(newTo_, to);
}

void StationGrid::Finish() {
    const bool empty = empty_;
    gridRowCount_ = static_cast<std::int32_t>(order_.size());
    // The remembered cell, within what the grid now has.
    const std::int32_t lastRow = empty ? 0 : gridRowCount_;
    const std::int32_t lastColNow = empty ? 0 : intLastGridCol;
    intSavedRow = std::clamp(intSavedRow, 0, lastRow);
    intSavedCol = std::clamp(intSavedCol, 0, lastColNow);
    grid_.SetRow(std::min(intSavedRow, grid_.Rows() - 1));
    grid_.SetCol(intSavedCol);
    if (!rowsNamed_) {
        grid_.RowsChanged();
    } else if (newFrom_ > newTo_) {
        grid_.RowsChanged(1, 0);
    } else {
        // Positions past the last row stand for "to the end".
        const auto row = [](std::size_t at) {
            return static_cast<int>(std::min<std::size_t>(at, INT_MAX - kHeaderRows)) + kHeaderRows;
        };
        grid_.RowsChanged(row(newFrom_), row(newTo_));
    }
    window_.SetCaption(windowTitle_ + "   [" + std::to_string(gridRowCount_) + "/" +
                       std::to_string(board_.Table().StationCount()) + "]");
    if (listener_)
        listener_->RebuildFinished(gridRowCount_, settings_.EmergencyScan ? emergencies_ : 0);
}

void StationGrid::Reconcile(const std::string& callsign) {
    const StationTable& table = board_.Table();
    // A station heard again, in its intake's pause: it keeps what it showed
    // (its row reads its record before) until the fill's own change.
    if (table.ShownUntilFilled(callsign) >= 0) return;
    const auto it = entries_.find(callsign);
    // A station heard again, the usual case: its row is brought up to date
    // where it is, and moves only when its new key puts it elsewhere.
    if (it != entries_.end()) {
        const std::int32_t index = table.find_station(callsign);
        if (index >= 0 && !table[index].Callsign.empty() && Shows(table[index])) {
            Refresh(it->second, index);
            return;
        }
    }
    if (it != entries_.end()) {
        Entry& e = it->second;
        Unlink(e);
        UnindexRow(e.index);
        pictured_.erase(std::remove(pictured_.begin(), pictured_.end(), &e), pictured_.end());
        if (e.emergency) --emergencies_;
        entries_.erase(it);
    }
    if (hiddenEmergencies_.erase(callsign)) --emergencies_;
    const std::int32_t index = table.find_station(callsign);
    if (index < 0) return;
    if (table.LiveRecordsOf(callsign) > 1) duplicates_ = true;
    const StationRecord& r = table[index];
    if (r.Callsign.empty()) return;
    if (!Shows(r)) {
        if (r.Emergency && hiddenEmergencies_.insert(callsign).second) ++emergencies_;
        return;
    }
    auto& row = *entries_.try_emplace(callsign).first;
    Entry& e = row.second;
    e.callsign = &row.first;
    e.index = index;
    e.emergency = r.Emergency;
    if (e.emergency) ++emergencies_;
    IndexRow(index, &e);
    NoteAge(r);
    Link(e);
}

void StationGrid::IndexRow(std::int32_t index, Entry* e) {
    if (index < 0) return;
    const auto i = static_cast<std::size_t>(index);
    if (i >= byIndex_.size()) byIndex_.resize(i + 1, nullptr);
    if (!byIndex_[i]) byIndex_[i] = e;
}

void StationGrid::UnindexRow(std::int32_t index) {
    if (index >= 0 && static_cast<std::size_t>(index) < byIndex_.size())
        byIndex_[static_cast<std::size_t>(index)] = nullptr;
}

void StationGrid::Refresh(Entry& e, std::int32_t index) {
    const StationTable& table = board_.Table();
    if (table.LiveRecordsOf(*e.callsign) > 1) duplicates_ = true;
    const auto at = Locate(e);
    // As a row made anew: its symbol is worked out again if it is among
    // the rows with pictures.
    pictured_.erase(std::remove(pictured_.begin(), pictured_.end(), &e), pictured_.end());
    e.symbol = SymbolShown::Text;
    e.first = false;
    if (e.index != index) {
        UnindexRow(e.index);
        IndexRow(index, &e);
        e.index = index;
    }
    const StationRecord& r = table[index];
    if (e.emergency) --emergencies_;
    e.emergency = r.Emergency;
    if (e.emergency) ++emergencies_;
    NoteAge(r);
    e.key = KeyOf(e);
    if (at != order_.end()) {
        const auto pos = static_cast<std::size_t>(at - order_.begin());
        const bool afterPrevious = at == order_.begin() || Before(*(at - 1), &e);
        const bool beforeNext = at + 1 == order_.end() || Before(&e, *(at + 1));
        if (afterPrevious && beforeNext) {
            RowsShowNew(pos, pos);
            return;
        }
        order_.erase(at);
        RowsShowNew(pos, SIZE_MAX);
    }
    Link(e);
}

void StationGrid::UpdatePictures(const std::unordered_set<std::string>* touched) {
    // A hidden Symbol column fetches no symbol, through the clipboard or not.
    bool shown = false;
    for (int c = 1; c <= intLastGridCol; ++c)
        shown = shown || gridColumns_[static_cast<std::size_t>(c)].source == kColumnSymbol;
    if (!shown) return;
    const StationTable& table = board_.Table();
    const bool bySymbol = SortsBySymbol() && !order_.empty() && grid_.RowSource() == this;
    // A row whose symbol is shown otherwise shows something new.
    const auto restyled = [&](Entry& e) {
        if (bySymbol || !rowsNamed_) return;
        if (const auto at = Locate(e); at != order_.end()) {
            const auto pos = static_cast<std::size_t>(at - order_.begin());
            RowsShowNew(pos, pos);
        }
    };
    const auto show = [&](Entry& e) {
        if (e.symbol != SymbolShown::Text) return;
        if (bySymbol) Unlink(e);
        ShowSymbol(e, table[e.index]);
        if (bySymbol) Link(e);
        restyled(e);
    };
    // A host that gives each symbol's picture directly (fetched once, then
    // kept) gives every row its picture: the rows this pass made, or all.
    const auto showAll = [&] {
        pictured_.clear();
        if (touched) {
            for (const std::string& callsign : *touched)
                if (const auto it = entries_.find(callsign); it != entries_.end()) show(it->second);
            return;
        }
        for (Entry* e : std::vector<Entry*>(order_))
            show(*e);
    };
    if (hostPictures_ == true) return showAll();
    // Through the clipboard, one round trip a symbol: the rows of the first
    // stations in table order.
    std::vector<Entry*> now;
    now.reserve(kSymbolPictureRows - 1);
    for (auto it = byIndex_.begin();
         it != byIndex_.end() && now.size() < static_cast<std::size_t>(kSymbolPictureRows - 1);
         ++it)
        if (*it) now.push_back(*it);
    // Rows that have left the first ones show their symbol's text.
    for (Entry* e : now)
        e->first = true;
    for (Entry* e : pictured_) {
        if (e->first) continue;
        if (bySymbol) Unlink(*e);
        e->symbol = SymbolShown::Text;
        if (bySymbol) Link(*e);
        restyled(*e);
    }
    for (Entry* e : now) {
        e->first = false;
        show(*e);
    }
    pictured_ = std::move(now);
    // The first fetch found the host gives pictures directly: the rest follow.
    if (hostPictures_ == true) {
        touched = nullptr;
        showAll();
    }
}

void StationGrid::ShowSymbol(Entry& e, const StationRecord& r) {
    if (symbolsFailed_) {
        e.symbol = SymbolShown::Failed;
        return;
    }
    // A host that has gone away costs the pictures, not the rows: the
    // failure is logged once and the rest of this pass shows symbol texts,
    // so the grid is shown whole.
    bool known = false;
    if (!Trap("Form1.build_station_grid", [&] { SymbolPicture(r.Symbol, known); })) {
        symbolsFailed_ = true;
        e.symbol = SymbolShown::Failed;
        return;
    }
    e.symbol = known ? SymbolShown::Picture : SymbolShown::Oops;
}

int StationGrid::SortSource() const {
    if (intSortCol < 0 || intSortCol > intLastGridCol) return -1;
    return gridColumns_[static_cast<std::size_t>(intSortCol)].source;
}

bool StationGrid::SortsBySymbol() const {
    return SortSource() == kColumnSymbol;
}

bool StationGrid::SortsByAge() const {
    return SortSource() == kColumnAge;
}

bool StationGrid::AgeText(std::int64_t seconds, std::string& text) const {
    if (settings_.FormatAgeMMSS && (seconds / 60 > 32767 || seconds / 60 < -32768)) return false;
    text = Format_Age(static_cast<double>(seconds));
    return true;
}

platform::SortKey StationGrid::KeyOf(const Entry& e) const {
    const int source = SortSource();
    const StationRecord& r = board_.Table()[e.index];
    if (source == kColumnAge) {
        // The order of ages is the order of the times heard, whatever time
        // the ages are shown as of; an age that does not fit has no text.
        std::string text;
        if (!AgeText(ageNow_ - r.HeardTime, text)) return platform::SortKey{};
        return platform::SortKey{true, -static_cast<double>(r.HeardTime), {}};
    }
    if (source < 0) return platform::SortKey{};
    if (source == kColumnCallsign) return platform::SortKey::Of(r.Callsign);
    return platform::SortKey::Of(CellText(e, r, source));
}

bool StationGrid::AgesCrossedLimit() const {
    if (!SortsByAge() || !settings_.FormatAgeMMSS) return false;
    // Rows sort as ages (by their times) or as texts (no age shown): a row
    // whose age has come to fit or stopped fitting since its key was taken
    // is out of place. Such rows are at the ends of the number rows or among
    // the text rows, which are few.
    const StationTable& table = board_.Table();
    std::string text;
    auto stale = [&](const Entry* e) {
        return AgeText(ageNow_ - table[e->index].HeardTime, text) != e->key.number;
    };
    const auto numbers =
        std::find_if(order_.begin(), order_.end(), [](const Entry* e) { return e->key.number; });
    const auto texts_end = blnSortDescending ? order_.end() : numbers;
    // Sorted descending the text rows are last: looked for from the end, so
    // that a grid of ages alone is not walked through.
    const auto texts_begin = blnSortDescending
                                 ? std::find_if(order_.rbegin(), order_.rend(),
                                                [](const Entry* e) { return e->key.number; })
                                       .base()
                                 : order_.begin();
    for (auto it = texts_begin; it != texts_end; ++it)
        if (!(*it)->key.number && stale(*it)) return true;
    for (auto it = order_.begin(); it != order_.end(); ++it) {
        if (!(*it)->key.number) continue;
        // The first and the last number rows: the newest and the oldest.
        if (stale(*it)) return true;
        break;
    }
    for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
        if (!(*it)->key.number) continue;
        if (stale(*it)) return true;
        break;
    }
    return false;
}

bool StationGrid::Before(const Entry* a, const Entry* b) const {
    // Rows equal in the sort column keep table order, either way round.
    if (a->key < b->key) return !blnSortDescending;
    if (b->key < a->key) return blnSortDescending;
    return a->index < b->index;
}

std::vector<StationGrid::Entry*>::iterator StationGrid::Locate(const Entry& e) {
    const auto at =
        std::lower_bound(order_.begin(), order_.end(), &e,
                         [this](const Entry* a, const Entry* b) { return Before(a, b); });
    if (at != order_.end() && *at == &e) return at;
    // Not where its key puts it: looked for the long way.
    return std::find(order_.begin(), order_.end(), &e);
}

void StationGrid::Unlink(Entry& e) {
    if (const auto at = Locate(e); at != order_.end()) {
        RowsShowNew(static_cast<std::size_t>(at - order_.begin()), SIZE_MAX);
        order_.erase(at);
    }
}

void StationGrid::Link(Entry& e) {
    e.key = KeyOf(e);
    const auto at =
        std::upper_bound(order_.begin(), order_.end(), &e,
                         [this](const Entry* a, const Entry* b) { return Before(a, b); });
    RowsShowNew(static_cast<std::size_t>(at - order_.begin()), SIZE_MAX);
    order_.insert(at, &e);
}

void StationGrid::Resort() {
    rowsNamed_ = false;
    for (Entry* e : order_)
        e->key = KeyOf(*e);
    std::sort(order_.begin(), order_.end(),
              [this](const Entry* a, const Entry* b) { return Before(a, b); });
}

void StationGrid::TableCompacted(const std::vector<std::int32_t>& moved) {
    // Records that went were deleted, so their stations have had an event
    // the next pass follows. Until then a station heard again shows its live
    // record, at its place; one without a live record shows no row.
    const StationTable& table = board_.Table();
    std::vector<Entry*> heardAgain;
    std::vector<std::string> gone;
    for (Entry* e : order_) {
        const auto i = static_cast<std::size_t>(e->index);
        if (i < moved.size() && moved[i] >= 0) continue;
        if (!duplicates_ && table.find_station(*e->callsign) >= 0)
            heardAgain.push_back(e);
        else
            gone.push_back(*e->callsign);
    }
    // Taken out while every row has its old index, which orders equal keys.
    for (Entry* e : heardAgain)
        Unlink(*e);
    for (const std::string& callsign : gone) {
        const auto it = entries_.find(callsign);
        if (it == entries_.end()) continue;
        Unlink(it->second);
        if (it->second.emergency) --emergencies_;
        pictured_.erase(std::remove(pictured_.begin(), pictured_.end(), &it->second),
                        pictured_.end());
        entries_.erase(it);
        touched_.insert(callsign);
    }
    // The rest keep their order: compaction keeps that of the records.
    byIndex_.clear();
    for (Entry* e : order_) {
        const auto i = static_cast<std::size_t>(e->index);
        e->index = i < moved.size() ? moved[i] : -1;
        IndexRow(e->index, e);
    }
    for (Entry* e : heardAgain) {
        e->index = table.find_station(*e->callsign);
        IndexRow(e->index, e);
        Link(*e);
        touched_.insert(*e->callsign);
    }
    if (duplicates_) fullNext_ = true;
    gridRowCount_ = static_cast<std::int32_t>(order_.size());
    grid_.RowsChanged();
}

void StationGrid::TableReset() {
    fullNext_ = true;
    if (order_.empty() && entries_.empty()) return;
    // The rows named records that are gone: the last grid stays on screen
    // until the next pass draws the new one. A pass that runs now (a host
    // call let the event in) keeps its rows to the end and is followed by
    // the full rebuild.
    grid_.SetVisible(false);
    if (gate_.Busy()) return;
    ClearRows();
    gridRowCount_ = 0;
}

void StationGrid::StationTouched(std::string_view callsign) {
    // A pass that runs before the event's end (in its pause) follows the
    // table as it is then, as the full rebuild would.
    touched_.emplace(callsign);
}

std::string StationGrid::CellText(const Entry& e, const StationRecord& r, int source) const {
    const char decimal = DecimalSeparator();
    switch (source) {
        case kColumnCallsign:
            return r.Callsign;
        case kColumnSymbol:
            switch (e.symbol) {
                case SymbolShown::Picture:
                    return {};
                case SymbolShown::Oops:
                    return "oops";
                default:
                    return r.Symbol;
            }
        case kColumnAge: {
            std::string text;
            AgeText(ageNow_ - r.HeardTime, text);
            return text;
        }
        case kColumnLatitude:
            return r.LatitudeText();
        case kColumnLongitude:
            return r.LongitudeText();
        case kColumnLocator:
            return LocatorText(r);
        case kColumnSpeed:
            return r.Speed == kNoSpeed ? "----" : Shortest(r.Speed, decimal);
        case kColumnCourse:
            return r.Course == kNoCourse ? "----" : Whole(r.Course);
        case kColumnBearing:
            return Whole(r.Bearing);
        case kColumnDistance:
            return FixedDecimals(r.Distance, 1, decimal);
        case kColumnPower:
            return r.HasPHG ? std::to_string(r.PHG->Power) : std::string();
        case kColumnHeight:
            return r.HasPHG ? Shortest(r.PHG->Height, decimal) : std::string();
        case kColumnGain:
            return r.HasPHG ? std::to_string(r.PHG->Gain) : std::string();
        case kColumnDirectivity:
            return r.HasPHG ? r.PHG->Directivity.str() : std::string();
        case kColumnRate:
            return r.HasPHGRate ? std::to_string(r.PHG->Rate) : std::string();
        case kColumnRange:
            return r.HasPHG ? FixedDecimals(r.PHG->Range, 1, decimal) : std::string();
        case kColumnQSY:
            return r.HasQSY ? r.QSY->Frequency.str() : std::string();
        case kColumnTone:
            return r.HasQSY ? Shortest(r.QSY->Tone, decimal) : std::string();
        default:
            return {};
    }
}

void StationGrid::CellOf(int row, int col, platform::GridCell& out) const {
    if (row < kHeaderRows) {
        if (row >= 0 && col >= 0 && static_cast<std::size_t>(col) < headers_.size())
            out.text = headers_[static_cast<std::size_t>(col)];
        return;
    }
    row -= kHeaderRows;
    if (row >= static_cast<int>(order_.size()) || col < 0 || col > intLastGridCol) return;
    const Entry& e = *order_[static_cast<std::size_t>(row)];
    const StationTable& table = board_.Table();
    if (e.index < 0 || e.index > table.UpperBound()) return;
    const StationRecord& r = table[e.index];
    const int source = gridColumns_[static_cast<std::size_t>(col)].source;
    out.text = CellText(e, r, source);
    if (source == kColumnSymbol && e.symbol == SymbolShown::Picture) {
        if (const auto it = pictures_.find(r.Symbol); it != pictures_.end())
            out.picture = it->second;
    }
    out.alignment = platform::Alignment::Centre;
    // An emergency's colours win over the selection's.
    const SettingValues& s = settings_;
    if (s.EmergencyScan && r.Emergency) {
        out.fore = kYellow;
        out.back = kRed;
        if (s.EmergencyIgnoreOnDistance && r.Distance >= s.EmergencyIgnoreDistance) {
            out.fore = kRed;
            out.back = kYellow;
        }
        if (r.EmergencyAcknowledged) {
            out.fore = kBlack;
            out.back = kOrange;
        }
        out.hasFore = out.hasBack = true;
    } else if (!strSelectedCall.empty() && r.Callsign == strSelectedCall) {
        out.fore = kWhite;
        out.back = kBlue;
        out.hasFore = out.hasBack = true;
    } else if (s.AlertNearKm > 0 && (r.Latitude != 0 || r.Longitude != 0) &&
               r.Distance <= s.AlertNearKm) {
        // The Legend's "Vicinity": a station within the alerts' distance.
        out.fore = kBlack;
        out.back = kMagenta;
        out.hasFore = out.hasBack = true;
    }
}

std::shared_ptr<const Picture> StationGrid::SymbolPicture(const std::string& symbol, bool& known) {
    // Each symbol crosses the clipboard once per run, not once per row and rebuild.
    if (const auto it = pictures_.find(symbol); it != pictures_.end()) {
        known = it->second != nullptr;
        return it->second;
    }
    // A host that gives pictures directly leaves the user's clipboard (and
    // its history) alone.
    Picture direct;
    const std::optional<bool> found = host_.SymbolPicture("/", symbol, "", direct);
    hostPictures_ = found.has_value();
    if (found) {
        known = *found;
        auto picture = known ? std::make_shared<const Picture>(std::move(direct)) : nullptr;
        pictures_[symbol] = picture;
        return picture;
    }
    // What the user had copied is back on the clipboard afterwards.
    clipboard_.Keep();
    struct PutBack {
        Clipboard& c;
        ~PutBack() { c.PutBack(); }
    } putBack{clipboard_};
    known = host_.SymbolToClipboard("/", symbol, "", 0);
    std::shared_ptr<const Picture> picture;
    if (known) {
        // A clipboard that cannot be read costs the picture, not the rebuild.
        try {
            if (auto bitmap = clipboard_.GetBitmap())
                picture = std::make_shared<const Picture>(std::move(*bitmap));
        } catch (...) {
        }
        if (!picture) return nullptr;  // asked again next time
    }
    pictures_[symbol] = picture;
    return picture;
}

std::string StationGrid::Format_Age(double seconds) const {
    if (!settings_.FormatAgeMMSS) return Whole(seconds);
    const double rounded = RoundHalfEven(seconds);
    const auto total = static_cast<std::int64_t>(rounded);
    const std::int16_t minutes = Checked<std::int16_t>(total / 60);
    const std::int64_t rest = total % 60;
    // Format "00": two digits, the sign in front of them.
    const std::int64_t mag = rest < 0 ? -rest : rest;
    std::string out = std::to_string(minutes) + ":";
    if (rest < 0) out += '-';
    out += static_cast<char>('0' + mag / 10);
    out += static_cast<char>('0' + mag % 10);
    return out;
}

std::string StationGrid::CaptionOf(int gridCol) const {
    if (gridCol < 0 || gridCol > kLastColumn) Raise(err::kSubscript, "grid column");
    return gridColumns_[static_cast<std::size_t>(gridCol)].header;
}

void StationGrid::grdStationSort(bool blnClicked) {
    Trap("Form1.grdStationSort", [&] {
        if (board_.Table().StationCount() == 0 || empty_) return;
        if (blnClicked) blnSortDescending = !blnSortDescending;
        const bool sortable = intSortCol >= 0 && intSortCol <= kLastColumn;
        const std::string marker = blnSortDescending ? " v" : " ^";
        grid_.SetRow(0);
        if (blnClicked && intSortCol != intPrevSortCol) {
            if (intPrevSortCol >= 0 && intPrevSortCol < grid_.Cols())
                SetHeader(intPrevSortCol, CaptionOf(intPrevSortCol));
            SetHeader(intSortCol, CaptionOf(intSortCol) + marker);
        } else if (blnClicked) {
            std::string header = grid_.TextMatrix(0, intSortCol);
            const std::string tail = header.size() >= 2 ? header.substr(header.size() - 2) : "";
            if (tail == " ^")
                header.back() = 'v';
            else if (tail == " v")
                header.back() = '^';
            else
                header = CaptionOf(intSortCol) + marker;
            SetHeader(intSortCol, header);
        } else {
            SetHeader(intSortCol, CaptionOf(intSortCol) + marker);
        }
        grid_.SetCol(intSortCol);
        // The rows keep their colours wherever they go: each row is coloured
        // by its own station when it is shown.
        if (sortable) Resort();
        intPrevSortCol = intSortCol;
    });
}

void StationGrid::Repaint() {
    // Rows take the selection's and the emergencies' colours when they are
    // shown: the view only needs to look again.
    grid_.RowsChanged();
}

void StationGrid::grdStations_MouseDown(int button, int, float, float) {
    Trap("Form1.grdStations_MouseDown", [&] {
        intSavedRow = grid_.Row();
        intSavedCol = grid_.Col();
        if (button == 1) {
            if (grid_.MouseRow() == 0) {
                intSortCol = static_cast<std::int16_t>(grid_.Col());
                grdStationSort(true);
            } else {
                strSelectedCall = grid_.TextMatrix(grid_.Row(), 0);
                select_row();
                // A press that moved the selection was shown by its change.
                if (!followedChange_) FollowOnMap();
            }
        } else if (button == 2 && grid_.Row() != 0) {
            // The popup's commands act on the selected station: the row
            // pressed becomes the selection first, as with a left press.
            SelectCurrentRow();
            OpenPopupForCurrentColumn();
        }
        grid_.SetRow(std::min<int>(intSavedRow, grid_.Rows() - 1));
        grid_.SetCol(std::min<int>(intSavedCol, grid_.Cols() - 1));
    });
    followedChange_ = false;
}

void StationGrid::SelectCurrentRow() {
    const std::string& call = grid_.TextMatrix(grid_.Row(), 0);
    if (call == strSelectedCall) return;
    strSelectedCall = call;
    select_row();
    FollowOnMap();
}

void StationGrid::OpenPopupForCurrentColumn() {
    const int col = grid_.Col();
    const bool qsy = col >= 0 && col <= intLastGridCol &&
                     gridColumns_[static_cast<std::size_t>(col)].source == kColumnQSY;
    window_.OpenPopup(qsy ? 1 : 0);
}

void StationGrid::grdStations_SelChange() {
    Trap("Form1.grdStations_SelChange", [&] {
        const int row = grid_.Row(), col = grid_.Col();
        strSelectedCall = grid_.TextMatrix(row, 0);
        if (row < grid_.FixedRows()) strSelectedCall.clear();  // the header names no station
        select_row();
        grid_.SetRow(std::min(row, grid_.Rows() - 1));
        grid_.SetCol(std::min(col, grid_.Cols() - 1));
    });
    FollowOnMap();
    followedChange_ = true;
}

void StationGrid::FollowOnMap() {
    if (fromMap_ || strSelectedCall.empty()) return;
    // A host that cannot show stations, or does not know this one, leaves
    // its map where it is.
    Trap("StationGrid.FollowOnMap", [&] { host_.Map().ShowStation(strSelectedCall); });
}

bool StationGrid::SelectStation(const std::string& callsign) {
    const int first = grid_.FixedRows();
    for (int row = first; row < grid_.Rows(); ++row) {
        if (grid_.TextMatrix(row, 0) != callsign) continue;
        // Kept by the passes that follow, as a pressed row is.
        intSavedRow = row;
        intSavedCol = grid_.Col();
        grid_.SetRow(row);
        fromMap_ = true;
        grdStations_SelChange();
        fromMap_ = false;
        window_.ShowCurrentRow();
        return true;
    }
    return false;
}

void StationGrid::grdStations_KeyDown(int keyCode, int) {
    Trap("Form1.grdStations_KeyDown", [&] {
        if (keyCode != 13 || grid_.Row() == 0) return;
        SelectCurrentRow();
        const double x = window_.OuterLeft() +
                         (grid_.Col() + 0.5) * (window_.GridWidth() / double(grid_.Cols()));
        const double y = window_.OuterTop() + 600 + window_.CellTop() + window_.CellHeight() / 2.0;
        window_.SetCursorPos(static_cast<int>(std::lround(x / window_.TwipsPerPixelX())),
                             static_cast<int>(std::lround(y / window_.TwipsPerPixelY())));
        OpenPopupForCurrentColumn();
    });
}

bool StationGrid::FindCallsign(std::string_view text, bool next, bool exact) {
    bool found = false;
    Trap("StationGrid.FindCallsign", [&] {
        const int first = grid_.FixedRows(), rows = grid_.Rows();
        if (text.empty() || empty_ || rows <= first) return;
        const auto matches = [&](const std::string& call) {
            if (call.size() < text.size() || (exact && call.size() != text.size())) return false;
            for (std::size_t i = 0; i < text.size(); ++i)
                if (std::toupper(static_cast<unsigned char>(call[i])) !=
                    std::toupper(static_cast<unsigned char>(text[i])))
                    return false;
            return true;
        };
        int start = 0;
        if (next && !strSelectedCall.empty()) {
            for (int r = first; r < rows; ++r) {
                if (grid_.TextMatrix(r, 0) == strSelectedCall) {
                    start = r - first + 1;
                    break;
                }
            }
        }
        const int count = rows - first;
        for (int i = 0; i < count; ++i) {
            const int row = first + (start + i) % count;
            if (!matches(grid_.TextMatrix(row, 0))) continue;
            // Kept by the passes that follow, as a pressed row is.
            intSavedRow = row;
            intSavedCol = grid_.Col();
            grid_.SetRow(row);
            grdStations_SelChange();
            found = true;
            return;
        }
    });
    return found;
}

void StationGrid::Form_Resize() {
    Trap("Form1.Form_Resize", [&] {
        if (window_.Minimized()) return;
        // A window smaller than the margins gives the grid no size, never a negative one.
        window_.PlaceGrid(50, 0, std::max(0, window_.OuterWidth() - 150),
                          std::max(0, window_.OuterHeight() - 700));
    });
}

}  // namespace bb
