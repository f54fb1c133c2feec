// The station grid of the main window: its columns, the rebuild from the
// station table, the sort with its header markers, the selected and
// emergency rows, and the grid's mouse and keyboard input.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/grid_control.h"
#include "stations/board.h"
#include "stations/host.h"
#include "support/caption_bar.h"
#include "support/pass_gate.h"
#include "support/picture.h"
#include "support/scheduler.h"
#include "support/settings.h"
#include "support/watch_list.h"

namespace bb {

struct ColumnDef {
    std::string header;
    bool visible = true;
};

struct GridColumn {
    std::string header;
    std::int16_t source = 0;  // index in ColumnDefs
};

// What the grid needs of its window.
class GridWindow : public CaptionBar {
  public:
    // Opens the popup menu at the mouse pointer: 0 for "Detail", 1 for "Tune".
    virtual void OpenPopup(int menu) = 0;
    virtual bool Minimized() const = 0;
    // The window's outer size and place on the screen, in twips.
    virtual int OuterLeft() const = 0;
    virtual int OuterTop() const = 0;
    virtual int OuterWidth() const = 0;
    virtual int OuterHeight() const = 0;
    virtual void PlaceGrid(int left, int top, int width, int height) = 0;  // twips
    virtual int GridWidth() const = 0;                                     // twips
    // The current cell's top within the grid and its height, in twips.
    virtual int CellTop() const = 0;
    virtual int CellHeight() const = 0;
    virtual double TwipsPerPixelX() const = 0;
    virtual double TwipsPerPixelY() const = 0;
    virtual void SetCursorPos(int x, int y) = 0;  // pixels
    // Brings the current row into view.
    virtual void ShowCurrentRow() {}
};

// What a finished rebuild tells the one who follows the grid.
class RebuildListener {
  public:
    virtual ~RebuildListener() = default;
    // The grid shows `rows` stations, `emergencies` of them in emergency.
    virtual void RebuildFinished(std::int32_t rows, std::int32_t emergencies) = 0;
};

// The grid's 18 columns, numbered as the settings file and the options
// dialog number them; the callsign column is always shown.
enum GridColumnId : int {
    kColumnCallsign = 0,
    kColumnSymbol,
    kColumnAge,
    kColumnLatitude,
    kColumnLongitude,
    kColumnLocator,
    kColumnSpeed,
    kColumnCourse,
    kColumnBearing,
    kColumnDistance,
    kColumnPower,
    kColumnHeight,
    kColumnGain,
    kColumnDirectivity,
    kColumnRate,
    kColumnRange,
    kColumnQSY,
    kColumnTone,
};
inline constexpr int kLastColumn = kColumnTone;
// Through the clipboard pictures go to rows 1 to 199 only.
inline constexpr int kSymbolPictureRows = 200;

// The grid's rows are the live stations, each drawn from its record when the
// view asks for it. An event changes the rows of the stations it touched:
// each is taken out and put back at its sorted place, so a beacon costs the
// same whatever the table holds. The full rebuild walks the whole table; it
// runs at start-up, after a scan, a sort or a change of columns or settings.
class StationGrid final : public ColumnVisibility,
                          private platform::GridRows,
                          private TableWatcher {
  public:
    // A rebuild asked for while another ran waits for its turn through
    // `scheduler`, so the event loop has its turn and the window stays light
    // under a full feed; without one it follows at once. The scheduler also
    // keeps the ages shown following the clock, once a second.
    StationGrid(platform::GridControl& grid, StationBoard& board, HostMain& host,
                Clipboard& clipboard, GridWindow& window, const SettingValues& settings,
                std::string windowTitle, Scheduler* scheduler = nullptr);
    ~StationGrid() override;
    StationGrid(const StationGrid&) = delete;
    StationGrid& operator=(const StationGrid&) = delete;

    // The 18 columns in the settings' order, and the grid's shown ones.
    const std::array<ColumnDef, kLastColumn + 1>& ColumnDefs() const { return columnDefs_; }
    const std::array<GridColumn, kLastColumn + 1>& GridColumns() const { return gridColumns_; }
    // The grid's last column (its columns less one).
    std::int16_t LastGridCol() const { return intLastGridCol; }
    std::int16_t SortCol() const { return intSortCol; }
    bool SortDescending() const { return blnSortDescending; }
    // The selected station's callsign; empty for none.
    const std::string& SelectedCall() const { return strSelectedCall; }
    // Selects the station, as the user's selection does not: its row is
    // painted so and the map is not asked to show it.
    void SetSelectedCall(std::string callsign);
    // The stations the last pass showed.
    std::int32_t GridRowCount() const { return gridRowCount_; }
    void SetRebuildListener(RebuildListener* listener) { listener_ = listener; }
    static constexpr int kAgeTickMs = 1000;
    // The ages as of now, between passes (the scheduler's tick): only their
    // cells change, unless an age's text came to fit or stopped fitting.
    void AgeTick();

    // The column table's 18 entries with their captions.
    void FillColumnCaptions();
    void select_columns();
    // The grid made ready for its first rebuild (start-up): sorted on the
    // callsign column, newest first.
    void PrepareGrid();

    // A full rebuild. One asked for while a pass runs is not started inside
    // it: the running pass finishes, then the rebuild follows.
    void build_station_grid();
    // An event touched this station: its row follows in the next pass.
    void StationChanged(const std::string& callsign);
    void select_row();
    void grdStationSort(bool blnClicked);
    std::string Format_Age(double seconds) const;
    // The grid without stations: one cell as wide as the grid, with its message.
    static void ShowNoStations(platform::GridControl& grid, int width);
    // The header row and the station rows below it.
    static constexpr int kHeaderRows = 1;

    void grdStations_MouseDown(int button, int shift, float x, float y);
    void grdStations_SelChange();
    void grdStations_KeyDown(int keyCode, int shift);
    // Selects, as a press on its row does, the first station in the shown
    // order whose callsign starts with `text` (in any case); with `next`, the
    // first after the selected station, round from the top. False when no
    // station matches. With `exact`, only the callsign `text` itself.
    bool FindCallsign(std::string_view text, bool next, bool exact = false);
    // Selects the station's row as a press on it does and brings it into
    // view; the host's map, which chose it, is not asked to show it again.
    // False when no row shows the station.
    bool SelectStation(const std::string& callsign);
    void Form_Resize();

    // The column visibility the settings file reads and writes.
    int UpperBound() const override { return kLastColumn; }
    bool Visible(int column) const override;
    void SetVisible(int column, bool visible) override;

    // A symbol's picture through the host and the clipboard, fetched once
    // per run; `known` is false when the host has none.
    std::shared_ptr<const Picture> SymbolPicture(const std::string& symbol, bool& known);

    // Whether the chosen view (settings' AlertView and the weather and
    // digipeater filter) shows this station's row.
    bool Shows(const StationRecord& r) const;
    const WatchList& Watched() const;

    bool Busy() const { return gate_.Busy(); }
    // A rebuild asked for during a pass waits for its turn.
    bool RebuildWaiting() const { return gate_.Waiting(); }
    // Passes run, full or not, counting the deferred ones (for tests).
    int Rebuilds() const { return rebuilds_; }
    // Full rebuilds among them.
    int FullRebuilds() const { return fullRebuilds_; }

  private:
    // How a row shows its symbol.
    enum class SymbolShown : std::uint8_t {
        Text,     // beyond the rows with pictures
        Picture,  // the host's picture
        Oops,     // the host has none
        Failed,   // the host failed: the symbol's text
    };
    struct Entry {
        // Its key in the rows by callsign (a row of a twice-listed station: its own copy).
        const ShortText* callsign = nullptr;
        platform::SortKey key;    // its place in the sort column's order
        std::int32_t index = -1;  // its record
        SymbolShown symbol = SymbolShown::Text;
        bool emergency = false;
        bool first = false;  // among the rows with pictures (while they are worked out)
    };

    void RebuildPass();
    void ScheduleAgeTick();
    void Rebuild();
    void Update();
    void Finish();
    void Repaint();
    // A row brought up to date with its station's live record at `index`.
    void Refresh(Entry& e, std::int32_t index);
    // The row of the record at `index` in table order; the first one kept.
    void IndexRow(std::int32_t index, Entry* e);
    void UnindexRow(std::int32_t index);
    // Where the row is in the sorted order; the end when it is not there.
    std::vector<Entry*>::iterator Locate(const Entry& e);
    // Brings one station's row in line with its live record.
    void Reconcile(const std::string& callsign);
    // The rows show their symbols' pictures: every row when the host gives
    // pictures directly, else the rows of the first stations in table order;
    // none while the Symbol column is hidden. `touched`: the stations this
    // pass changed (null: the full rebuild's every row).
    void UpdatePictures(const std::unordered_set<std::string>* touched);
    void ShowSymbol(Entry& e, const StationRecord& r);
    void Resort();
    void Unlink(Entry& e);
    void Link(Entry& e);
    // Rows at positions `from` to `to` of the order show something new.
    void RowsShowNew(std::size_t from, std::size_t to);
    bool Before(const Entry* a, const Entry* b) const;
    platform::SortKey KeyOf(const Entry& e) const;
    std::string CellText(const Entry& e, const StationRecord& r, int source) const;
    // The age's text, false when it does not fit its form.
    bool AgeText(std::int64_t seconds, std::string& text) const;
    void NoteAge(const StationRecord& r);
    bool SortsBySymbol() const;
    bool SortsByAge() const;
    // Ages past 16 bits of minutes show no text: one may have crossed since the last pass.
    bool AgesCrossedLimit() const;
    void ClearRows();
    int SortSource() const;
    void CellOf(int row, int col, platform::GridCell& out) const override;
    int RowCount() const override { return kHeaderRows + static_cast<int>(order_.size()); }
    void TableCompacted(const std::vector<std::int32_t>& moved) override;
    void TableReset() override;
    void StationTouched(std::string_view callsign) override;
    void OpenPopupForCurrentColumn();
    // The current row's station becomes the selected one.
    void SelectCurrentRow();
    // The user's selection, shown on the host's map too.
    void FollowOnMap();
    std::string CaptionOf(int gridCol) const;
    std::string LocatorText(const StationRecord& r) const;

    // A header's text, the sort marker included; outside the grid the control's error.
    void SetHeader(int col, std::string text);

    std::array<ColumnDef, kLastColumn + 1> columnDefs_;
    std::array<GridColumn, kLastColumn + 1> gridColumns_;
    std::int16_t intLastGridCol = 0;
    std::int16_t intSortCol = 0;
    std::int16_t intPrevSortCol = -1;
    bool blnSortDescending = true;
    std::string strSelectedCall;
    // The cell the passes keep current, within what the grid has.
    std::int32_t intSavedRow = 0;
    std::int32_t intSavedCol = 0;
    std::int32_t gridRowCount_ = 0;
    // The header row's texts, one a column.
    std::vector<std::string> headers_;

    platform::GridControl& grid_;
    StationBoard& board_;
    HostMain& host_;
    Clipboard& clipboard_;
    GridWindow& window_;
    const SettingValues& settings_;
    std::string windowTitle_;
    bool empty_ = false;  // the last rebuild placed no station row
    // The host failed a symbol in this pass: the rest of it shows symbol texts.
    bool symbolsFailed_ = false;
    RebuildListener* listener_ = nullptr;
    PassGate gate_;
    Scheduler* scheduler_ = nullptr;
    bool ageTickWaiting_ = false;
    // Gone with the grid: a tick still waiting in the scheduler does nothing.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    int rebuilds_ = 0, fullRebuilds_ = 0;
    bool fromMap_ = false;         // the selection came from the host's map
    bool followedChange_ = false;  // a change of selection was shown on the map
    bool fullNext_ = true;         // the next pass rebuilds in full
    // A callsign with two live records (a host that listed it twice): its
    // rows cannot be told apart by callsign, so every pass is a full one.
    bool duplicates_ = false;

    // The rows: every station by callsign, in the grid's order, and in table order.
    struct CallsignHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept {
            return std::hash<std::string_view>{}(s);
        }
    };
    // A row each of tens of thousands of stations: no hash kept beside each,
    // and the callsign in a short text.
    std::unordered_map<ShortText, Entry, CallsignHash, std::equal_to<>> entries_;
    std::vector<std::unique_ptr<std::pair<const ShortText, Entry>>> duplicateEntries_;
    std::vector<Entry*> order_;
    // The rows by their records' indices (null where none): a pointer a
    // record, cheaper than a tree node a row.
    std::vector<Entry*> byIndex_;
    std::vector<Entry*> pictured_;             // the rows showing pictures after the last pass
    std::unordered_set<std::string> touched_;  // since the last pass
    std::int64_t ageNow_ = 0;                  // the time the ages are shown as of
    // The rows an update pass changed, as positions of the order; a pass
    // that changed rows it cannot name (or any other pass) tells them all.
    bool rowsNamed_ = false;
    std::size_t newFrom_ = SIZE_MAX, newTo_ = 0;  // none when newFrom_ > newTo_
    bool ageShown_ = false;                       // the age column is among the grid's
    std::int32_t emergencies_ = 0;
    // Stations in emergency that the view hides: the alarm counts them.
    std::unordered_set<std::string> hiddenEmergencies_;
    mutable WatchList watch_;
    mutable std::string watchText_;
    // Symbol pictures fetched through the clipboard, by symbol; null for
    // those the host has none of.
    std::map<std::string, std::shared_ptr<const Picture>> pictures_;
    // Whether the host gave its last picture directly (not by the clipboard).
    std::optional<bool> hostPictures_;
};

}  // namespace bb
