#include "grid/station_grid.h"

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
                           kOrange = 0xFF8000, kBlack = 0x000000;
constexpr int kCallsignColWidth = 1000;  // twips
// The least time between the end of one rebuild and the start of the one it
// deferred: under a full feed the grid stays current within a few tenths of a
// second and the window keeps most of its time for the user.
constexpr int kRebuildGapMs = 50;
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

StationGrid::StationGrid(platform::GridControl& grid, StationBoard& board, host::HostMain& host,
                         Clipboard& clipboard, MessagePump& pump, GridWindow& window,
                         const SettingValues& settings, std::string windowTitle)
    : grid_(grid),
      board_(board),
      host_(host),
      clipboard_(clipboard),
      pump_(pump),
      window_(window),
      settings_(settings),
      windowTitle_(std::move(windowTitle)),
      gate_(
          kRebuildGapMs, [this] { RebuildPass(); }, PassGate::Spacing::AfterOverlap) {}

void StationGrid::SetScheduler(Scheduler* scheduler) {
    gate_.SetScheduler(scheduler);
}

// The locator at the length the options choose; the record keeps eight.
std::string StationGrid::LocatorText(const StationRecord& r) const {
    const std::int16_t length = settings_.FormatLocator;
    if (length == 6) return r.Locator.substr(0, 6);
    if (length != 10 || r.Locator.empty()) return r.Locator;
    std::string text = r.Locator;
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
        ColumnDefs[static_cast<std::size_t>(column)].header = caption;
}

bool StationGrid::Visible(int column) const {
    if (column < 0 || column > kLastColumn) Raise(err::kSubscript, "column");
    return ColumnDefs[static_cast<std::size_t>(column)].visible;
}

void StationGrid::SetVisible(int column, bool visible) {
    if (column < 0 || column > kLastColumn) Raise(err::kSubscript, "column");
    ColumnDefs[static_cast<std::size_t>(column)].visible = visible;
}

void StationGrid::select_columns() {
    Trap("Form1.select_columns", [&] {
        intSortCol = 0;
        GridColumns = {};
        GridColumns[0] = {ColumnDefs[kColumnCallsign].header, kColumnCallsign};
        std::int16_t count = 0;
        for (std::int16_t i = 1; i <= kLastColumn; ++i) {
            if (!ColumnDefs[static_cast<std::size_t>(i)].visible) continue;
            ++count;
            GridColumns[static_cast<std::size_t>(count)] = {
                ColumnDefs[static_cast<std::size_t>(i)].header, i};
        }
        intLastGridCol = count;
    });
}

void StationGrid::PrepareGrid() {
    intSortCol = 0;
    intPrevSortCol = -1;
    blnSortDescending = true;
    Form_Resize();
    grid_.SetFixedCols(0);
    grid_.SetCols(intLastGridCol + 1);
    grid_.SetRow(0);
    grid_.BackColorSel = kRed;
    grid_.ForeColorSel = kYellow;
    for (int c = 0; c <= intLastGridCol; ++c) {
        grid_.SetTextMatrix(0, c, ColumnDefs[static_cast<std::size_t>(c)].header);
        grid_.Cell(0, c).alignment = platform::Alignment::Centre;
    }
}

void StationGrid::RebuildPass() {
    repaintAgain_ = false;
    Rebuild();
    // A rebuild that follows at once repaints too.
    if (gate_.Spaced() || !gate_.AskedAgain()) FollowRepaints();
}

void StationGrid::FollowRepaints() {
    while (repaintAgain_) {
        repaintAgain_ = false;
        Repaint();
    }
}

void StationGrid::build_station_grid() {
    gate_.Request();
}

void StationGrid::select_row() {
    if (gate_.Busy()) {
        repaintAgain_ = true;
        return;
    }
    gate_.RunExclusive([this] {
        Repaint();
        FollowRepaints();
    });
}

void StationGrid::Rebuild() {
    ++rebuilds_;
    Trap("Form1.build_station_grid", [&] {
        TZone zone;
        zone.init();
        StationTable& table = board_.Table();
        // The records this rebuild walks; the table is not compacted under
        // it, and records appended meanwhile come with the next rebuild.
        StationTable::WalkHold hold(table);
        const std::int32_t records = table.StationCount();
        const std::int32_t lastCol = intLastGridCol;
        bool emergencies = false;
        symbolsFailed_ = false;
        grid_.Clear();
        grid_.Busy = true;
        // As many rows as live stations, not records: the rows a rebuild
        // leaves unused would only be allocated to be cut off again.
        grid_.SetRows(std::max(table.LiveCount() + 1, 1));
        grid_.SetCols(lastCol + 1);
        grid_.ScrollBars = true;
        grid_.BackColor = kWhite;
        grid_.Visible = false;
        GridRowCount = 0;
        // Records but none live (the last station deleted or expired) is an
        // empty grid too: a header row over no rows cannot be made.
        const bool empty = records == 0 || table.LiveCount() == 0;
        empty_ = empty;
        if (empty) {
            grid_.SetRows(1);
            grid_.SetCols(1);
            grid_.SetColWidth(0, window_.GridWidth());
            grid_.SetRow(0);
            grid_.SetCol(0);
            grid_.SetTextMatrix(0, 0, kNoStations);
        } else {
            grid_.SetFixedRows(1);
            grid_.SetFixedCols(0);
            grid_.SetColWidth(0, kCallsignColWidth);
            for (int c = 1; c <= lastCol; ++c)
                grid_.SetColWidth(c, -1);
            grid_.ForeColor = kBlue;
            grid_.BackColor = kWhite;
            grid_.SetRow(0);
            for (int c = 0; c <= lastCol; ++c) {
                grid_.SetTextMatrix(0, c, GridColumns[static_cast<std::size_t>(c)].header);
                grid_.Cell(0, c).alignment = platform::Alignment::Centre;
            }
            const double now = static_cast<double>(NowSeconds(zone));
            const char decimal = DecimalSeparator();
            for (std::int32_t i = 0; i < records; ++i) {
                pump_.LetPendingMessagesRun();
                const StationRecord& r = table[i];
                // A record an intake has appended but not yet filled (its
                // pause let this rebuild run) comes with the rebuild after it.
                if (r.Deleted || r.Callsign.empty()) continue;
                GridRowCount = CheckedAdd(GridRowCount, 1);
                if (GridRowCount >= grid_.Rows()) grid_.SetRows(GridRowCount + 1);
                FillRow(GridRowCount, r, now, decimal);
                if (r.Emergency) emergencies = true;
            }
        }
        // The remembered cell, within what the grid now has.
        const std::int32_t lastRow = empty ? 0 : GridRowCount;
        const std::int32_t lastColNow = empty ? 0 : lastCol;
        intSavedRow = std::clamp(intSavedRow, 0, lastRow);
        intSavedCol = std::clamp(intSavedCol, 0, lastColNow);
        grid_.SetRow(intSavedRow);
        grid_.SetCol(intSavedCol);
        if (!empty) grid_.SetRows(GridRowCount + 1);
        grdStationSort(false);
        grid_.SetRow(std::min(intSavedRow, grid_.Rows() - 1));
        grid_.SetCol(intSavedCol);
        grid_.Visible = true;
        grid_.Busy = false;
        window_.SetCaption(windowTitle_ + "   [" + std::to_string(GridRowCount) + "/" +
                           std::to_string(table.StationCount()) + "]");
        // An emergency that came during the pauses asked for another
        // rebuild, which looks again.
        noEmergencyRows_ = !emergencies;
        Repaint();
        noEmergencyRows_ = false;
        if (listener_) listener_->RebuildFinished(GridRowCount, emergencyRows_);
    });
}

void StationGrid::FillRow(std::int32_t row, const StationRecord& r, double now, char decimal) {
    grid_.SetTextMatrix(row, 0, r.Callsign);
    grid_.Cell(row, 0).alignment = platform::Alignment::Centre;
    for (int c = 1; c <= intLastGridCol; ++c) {
        const int source = GridColumns[static_cast<std::size_t>(c)].source;
        std::string text;
        switch (source) {
            case kColumnSymbol: {
                if (row < kSymbolPictureRows && !symbolsFailed_) {
                    // A host that has gone away costs the pictures, not the
                    // rows: the failure is logged once and this rebuild goes
                    // on with symbol texts, so the grid is shown whole.
                    bool known = false;
                    std::shared_ptr<const Picture> picture;
                    if (!Trap("Form1.build_station_grid",
                              [&] { picture = SymbolPicture(r.Symbol, known); })) {
                        symbolsFailed_ = true;
                        text = r.Symbol;
                    } else if (known) {
                        grid_.Cell(row, c).picture = std::move(picture);
                    } else {
                        text = "oops";
                    }
                } else {
                    text = r.Symbol;
                }
                break;
            }
            case kColumnAge: {
                // An age that does not fit leaves its cell empty; the rebuild goes on.
                Trap("Form1.Format_Age", [&] { text = Format_Age(now - r.HeardTime); });
                break;
            }
            case kColumnLatitude:
                text = r.LatitudeText;
                break;
            case kColumnLongitude:
                text = r.LongitudeText;
                break;
            case kColumnLocator:
                text = LocatorText(r);
                break;
            case kColumnSpeed:
                text = r.Speed == kNoSpeed ? "----" : Shortest(r.Speed, decimal);
                break;
            case kColumnCourse:
                text = r.Course == kNoCourse ? "----" : Whole(r.Course);
                break;
            case kColumnBearing:
                text = Whole(r.Bearing);
                break;
            case kColumnDistance:
                text = FixedDecimals(r.Distance, 1, decimal);
                break;
            case kColumnPower:
                if (r.HasPHG) text = std::to_string(r.PHG.Power);
                break;
            case kColumnHeight:
                if (r.HasPHG) text = Shortest(r.PHG.Height, decimal);
                break;
            case kColumnGain:
                if (r.HasPHG) text = std::to_string(r.PHG.Gain);
                break;
            case kColumnDirectivity:
                if (r.HasPHG) text = r.PHG.Directivity;
                break;
            case kColumnRate:
                if (r.HasPHGRate) text = std::to_string(r.PHG.Rate);
                break;
            case kColumnRange:
                if (r.HasPHG) text = FixedDecimals(r.PHG.Range, 1, decimal);
                break;
            case kColumnQSY:
                if (r.HasQSY) text = r.QSY.Frequency;
                break;
            case kColumnTone:
                if (r.HasQSY) text = Shortest(r.QSY.Tone, decimal);
                break;
            default:
                break;
        }
        if (!text.empty()) grid_.SetTextMatrix(row, c, std::move(text));
    }
}

std::shared_ptr<const Picture> StationGrid::SymbolPicture(const std::string& symbol, bool& known) {
    // Each symbol crosses the clipboard once per run, not once per row and rebuild.
    if (const auto it = pictures_.find(symbol); it != pictures_.end()) {
        known = it->second != nullptr;
        return it->second;
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

std::string StationGrid::Format_Age(double seconds) {
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
    return GridColumns[static_cast<std::size_t>(gridCol)].header;
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
                grid_.SetTextMatrix(0, intPrevSortCol, CaptionOf(intPrevSortCol));
            grid_.SetTextMatrix(0, intSortCol, CaptionOf(intSortCol) + marker);
        } else if (blnClicked) {
            std::string header = grid_.TextMatrix(0, intSortCol);
            const std::string tail = header.size() >= 2 ? header.substr(header.size() - 2) : "";
            if (tail == " ^")
                header.back() = 'v';
            else if (tail == " v")
                header.back() = '^';
            else
                header = CaptionOf(intSortCol) + marker;
            grid_.SetTextMatrix(0, intSortCol, header);
        } else {
            grid_.SetTextMatrix(0, intSortCol, CaptionOf(intSortCol) + marker);
        }
        grid_.SetCol(intSortCol);
        if (sortable) {
            // A header press sorts rows that keep their colours: the painted
            // row moves with the sort and is followed, or the next repaint
            // clears another row and two show as selected. A rebuild's rows
            // are freshly written and carry no selection yet.
            const std::string painted =
                blnClicked && intPaintedRow > 0 && intPaintedRow < grid_.Rows()
                    ? grid_.TextMatrix(intPaintedRow, 0)
                    : std::string();
            grid_.Sort(intSortCol, !blnSortDescending);
            if (!painted.empty()) {
                for (int r = grid_.FixedRows(); r < grid_.Rows(); ++r) {
                    if (grid_.TextMatrix(r, 0) == painted) {
                        intPaintedRow = r;
                        break;
                    }
                }
            }
        }
        intPrevSortCol = intSortCol;
    });
}

void StationGrid::Repaint() {
    Trap("Form1.select_row", [&] {
        grid_.Visible = false;
        const int row = grid_.Row(), col = grid_.Col();
        if (intPaintedRow > 0 && intPaintedRow < grid_.Rows())
            grid_.SetRowColours(intPaintedRow, grid_.ForeColor, grid_.BackColor);
        const int first = grid_.FixedRows();
        for (int r = first; r < grid_.Rows(); ++r) {
            pump_.LetPendingMessagesRun();
            if (r < grid_.Rows() && grid_.TextMatrix(r, 0) == strSelectedCall) {
                grid_.SetRowColours(r, kWhite, kBlue);
                intPaintedRow = r;
            }
        }
        emergencyRows_ = 0;
        const SettingValues& s = settings_;
        if (s.EmergencyScan && noEmergencyRows_) {
            for (int r = first; r < grid_.Rows(); ++r)
                pump_.LetPendingMessagesRun();
        } else if (s.EmergencyScan) {
            const StationTable& table = board_.Table();
            for (int r = first; r < grid_.Rows(); ++r) {
                pump_.LetPendingMessagesRun();
                const std::int32_t i = table.find_station(grid_.TextMatrix(r, 0));
                if (i < 0) continue;
                const StationRecord& rec = table[i];
                if (!rec.Emergency) continue;
                emergencyRows_ = CheckedAdd(emergencyRows_, 1);
                platform::Colour fore = kYellow, back = kRed;
                if (s.EmergencyIgnoreOnDistance && rec.Distance >= s.EmergencyIgnoreDistance) {
                    fore = kRed;
                    back = kYellow;
                }
                if (rec.EmergencyAcknowledged) {
                    fore = kBlack;
                    back = kOrange;
                }
                grid_.SetRowColours(r, fore, back);
            }
        }
        grid_.SetRow(std::min(row, grid_.Rows() - 1));
        grid_.SetCol(std::min(col, grid_.Cols() - 1));
        grid_.Visible = true;
    });
}

void StationGrid::grdStations_MouseDown(int button, int, float, float) {
    Trap("Form1.grdStations_MouseDown", [&] {
        intSavedRow = grid_.Row();
        intSavedCol = grid_.Col();
        if (button == 1) {
            if (grid_.MouseRow == 0) {
                intSortCol = static_cast<std::int16_t>(grid_.Col());
                grdStationSort(true);
            } else {
                strSelectedCall = grid_.TextMatrix(grid_.Row(), 0);
                select_row();
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
}

void StationGrid::SelectCurrentRow() {
    const std::string& call = grid_.TextMatrix(grid_.Row(), 0);
    if (call == strSelectedCall) return;
    strSelectedCall = call;
    select_row();
}

void StationGrid::OpenPopupForCurrentColumn() {
    const int col = grid_.Col();
    const bool qsy = col >= 0 && col <= intLastGridCol &&
                     GridColumns[static_cast<std::size_t>(col)].source == kColumnQSY;
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

void StationGrid::Form_Resize() {
    Trap("Form1.Form_Resize", [&] {
        if (window_.Minimized()) return;
        // A window smaller than the margins gives the grid no size, never a negative one.
        window_.PlaceGrid(50, 0, std::max(0, window_.OuterWidth() - 150),
                          std::max(0, window_.OuterHeight() - 700));
    });
}

}  // namespace bb
