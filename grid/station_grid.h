// The station grid of the main window: its columns, the rebuild from the
// station table, the sort with its header markers, the selected and
// emergency rows, and the grid's mouse and keyboard input.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/grid_control.h"
#include "stations/board.h"
#include "stations/host.h"
#include "support/caption_bar.h"
#include "support/message_pump.h"
#include "support/pass_gate.h"
#include "support/picture.h"
#include "support/scheduler.h"
#include "support/settings.h"

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
inline constexpr int kSymbolPictureRows = 200;  // pictures on rows 1 to 199

class StationGrid final : public ColumnVisibility {
  public:
    StationGrid(platform::GridControl& grid, StationBoard& board, host::HostMain& host,
                Clipboard& clipboard, MessagePump& pump, GridWindow& window,
                const SettingValues& settings, std::string windowTitle);

    std::array<ColumnDef, kLastColumn + 1> ColumnDefs;
    std::array<GridColumn, kLastColumn + 1> GridColumns;
    std::int16_t intLastGridCol = 0;
    std::int16_t intSortCol = 0;
    std::int16_t intPrevSortCol = -1;
    bool blnSortDescending = true;
    std::string strSelectedCall;
    std::int32_t intPaintedRow = 0;
    std::int32_t intSavedRow = 0;
    std::int32_t intSavedCol = 0;
    std::int32_t GridRowCount = 0;
    void SetRebuildListener(RebuildListener* listener) { listener_ = listener; }
    // A rebuild asked for while another ran waits for its turn through the
    // scheduler, so the event loop has its turn and the window stays light
    // under a full feed; without one it follows at once.
    void SetScheduler(Scheduler* scheduler);

    // The column table's 18 entries with their captions.
    void FillColumnCaptions();
    void select_columns();
    // The grid made ready for its first rebuild (start-up): sorted on the
    // callsign column, newest first.
    void PrepareGrid();

    // A rebuild asked for while one runs (an event during its pauses) is not
    // started inside it: the running one finishes, then one more runs, so
    // the grid never works on a half-built state and ends showing every
    // live station.
    void build_station_grid();
    void select_row();
    void grdStationSort(bool blnClicked);
    std::string Format_Age(double seconds);

    void grdStations_MouseDown(int button, int shift, float x, float y);
    void grdStations_SelChange();
    void grdStations_KeyDown(int keyCode, int shift);
    void Form_Resize();

    // The column visibility the settings file reads and writes.
    int UpperBound() const override { return kLastColumn; }
    bool Visible(int column) const override;
    void SetVisible(int column, bool visible) override;

    // A symbol's picture through the host and the clipboard, fetched once
    // per run; `known` is false when the host has none.
    std::shared_ptr<const Picture> SymbolPicture(const std::string& symbol, bool& known);

    bool Busy() const { return gate_.Busy(); }
    // A rebuild asked for during a pass waits for its turn.
    bool RebuildWaiting() const { return gate_.Waiting(); }
    // Rebuilds and repaints run, counting the deferred ones (for tests).
    int Rebuilds() const { return rebuilds_; }

  private:
    void RebuildPass();
    void FollowRepaints();
    void Rebuild();
    void Repaint();
    void FillRow(std::int32_t row, const StationRecord& r, double now, char decimal);
    void OpenPopupForCurrentColumn();
    // The current row's station becomes the selected one.
    void SelectCurrentRow();
    std::string CaptionOf(int gridCol) const;
    std::string LocatorText(const StationRecord& r) const;

    platform::GridControl& grid_;
    StationBoard& board_;
    host::HostMain& host_;
    Clipboard& clipboard_;
    MessagePump& pump_;
    GridWindow& window_;
    const SettingValues& settings_;
    std::string windowTitle_;
    bool empty_ = false;  // the last rebuild placed no station row
    // Set by a rebuild that placed no emergency station: its repaint has no
    // rows to look up.
    bool noEmergencyRows_ = false;
    // The host failed a symbol in this rebuild: the rest of it shows symbol texts.
    bool symbolsFailed_ = false;
    bool repaintAgain_ = false;  // a repaint was asked for during a pass
    RebuildListener* listener_ = nullptr;
    std::int32_t emergencyRows_ = 0;  // rows the last repaint coloured as emergencies
    PassGate gate_;
    int rebuilds_ = 0;
    // Symbol pictures fetched through the clipboard, by symbol; null for
    // those the host has none of.
    std::map<std::string, std::shared_ptr<const Picture>> pictures_;
};

}  // namespace bb
