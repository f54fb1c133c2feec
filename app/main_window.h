// The main window: the program's life cycle (start-up, host events,
// shutdown), the station grid and the menus.
#pragma once

#include <QAction>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/board_wiring.h"
#include "platform/grid_control.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_grid_view.h"
#include "platform/qt_message_pump.h"
#include "platform/qt_scheduler.h"
#include "platform/qt_sound.h"
#include "support/language.h"
#include "windows/about_box.h"
#include "windows/details_window.h"
#include "windows/emergency_window.h"
#include "windows/legend_window.h"
#include "windows/options_dialog.h"
#include "windows/tune_dialog.h"

namespace bb::app {

// The texts set at start-up.
struct ProgramTexts {
    std::string WindowTitle;
    std::string SettingsFilePath;
    std::string HelpFilePath;
    std::string AuthorText;
    std::string DescriptionText;
    std::string WebsiteText;
};
ProgramTexts& Texts();
// "UI-View Beaconboard V" and the program's version.
std::string MakeWindowTitle();

class Form1 final : public QMainWindow,
                    public GridWindow,
                    public LanguageMenus,
                    public BoardOwner,
                    private platform::GridInput,
                    public StationActions,
                    public windows::OptionsActions {
    Q_OBJECT
  public:
    // `connect` creates the host's main object; it raises error 429 when
    // there is no host.
    using HostFactory = std::function<std::unique_ptr<HostConnection>()>;
    // `clock` times the board's put-off work (its own on the event loop when
    // none is given).
    explicit Form1(HostFactory connect, Scheduler* clock = nullptr);
    // The host program on the session bus.
    static HostFactory OnBus(QDBusConnection bus);
    ~Form1() override;

    void Form_Load();
    // For a board started before its host: when a host takes its name on
    // `bus`, Form_Load runs again and binds to it and scans as at start-up.
    // Nothing happens once the board is bound.
    void WaitForHost(QDBusConnection bus);
    void Form_Unload();
    void CloseAllForms();
    // No host yet: the board's own caption says so over the empty grid.
    void ShowWaitingForHost();

    void mnuFileExit_Click();
    void mnuOptionsLegend_Click();
    void mnuConfig_Click();
    void mnuHelpHelp_Click();
    void mnuHelpAbout_Click();
    void mnuHelpUpdate_Click();
    void mnuPopupDetails_Click();
    void mnuPopupTune_Click();
    // The View menu: which stations the grid shows.
    void ChooseView(SettingValues::StationView view, bool hideWeatherAndDigipeaters);
    // The popup's Watch / Stop watching, for the selected station.
    void ToggleWatch();
    void tmrReconnect_Timer();

    // How the radio link talks to the radio-control programs; set before
    // Form_Load. Without one no program ever answers.
    void SetDdeLayer(dde::Layer* layer) { dde_ = layer; }
    // The desktop's notifications, for the emergency alarm and the alerts;
    // none by default.
    void SetNotifier(DesktopNotifier* notifier);
    // Where the alarm sound plays; this machine's sound output by default.
    // Set before Form_Load.
    void SetSoundPlayer(SoundPlayer* sound) { soundPlayer_ = sound; }
    // How help pages and web addresses are opened; the desktop's by default.
    // Set before Form_Load.
    void SetOpener(windows::Opener* opener) { opener_ = opener; }
    // StationActions: what the windows and notifications ask of the board.
    std::shared_ptr<const Picture> SymbolPicture(const std::string& symbol) override;
    void Tune(const std::string& callsign) override;
    void TuneRecord(const StationRecord& record) override;
    // Selects the station's row as a press on it does, scrolls it into
    // sight and brings the board to the front.
    void ShowStation(const std::string& callsign) override;
    // OptionsActions: what the options dialog's buttons ask of the board.
    std::string ColumnTitle(int column) override;
    void SelectColumns() override;
    void RebuildGrid() override;
    // Writes the settings file; the alerts and the grid follow what it holds.
    void SaveSettings() override;
    // Opens the tune dialog for the record at `index` (error 9 when none).
    void TuneStation(std::int32_t index, const std::string& callsign);
    // The station the details window shows.
    const std::string& DetailsCallsign() const { return detailsCallsign_; }

    // The board and its rooms; null until Form_Load has made them.
    BoardWiring* Wiring() { return wiring_.get(); }
    platform::GridControl& GridModel() { return control_; }
    platform::GridView& View() { return *view_; }
    clsLanguage* Language() { return language_.get(); }
    QAction* Menu(const std::string& name) const;
    QMenu* Popup(int which) { return which == 1 ? popup2_ : popup_; }

    // GridWindow
    void SetCaption(const std::string& caption) override;
    void OpenPopup(int menu) override;
    bool Minimized() const override { return isMinimized(); }
    int OuterLeft() const override;
    int OuterTop() const override;
    int OuterWidth() const override;
    int OuterHeight() const override;
    void PlaceGrid(int left, int top, int width, int height) override;
    int GridWidth() const override;
    int CellTop() const override;
    int CellHeight() const override;
    double TwipsPerPixelX() const override;
    double TwipsPerPixelY() const override;
    void SetCursorPos(int x, int y) override;
    void ShowCurrentRow() override;

    // LanguageMenus
    void SetMenuCaption(std::string_view menu, std::string_view caption) override;
    void SetLanguageItems(const std::vector<std::string>& names) override;
    void SetLanguageItemChecked(int index, bool checked) override;
    std::string LanguageItemCaption(int index) const override;

    // BoardOwner: the host closing ends the program.
    void HostClosing() override;

    // The find field (Ctrl+F): a callsign's start, Enter or F3 for the next match.
    QLineEdit* FindField() { return findField_; }
    void ShowFind();
    void FindNext();

    windows::Form3* TuneDialog() { return tune_; }
    windows::Form5* DetailsWindow() { return details_; }
    windows::frmOptions* OptionsDialog() { return options_; }
    windows::Form4* LegendWindow() { return legend_; }
    windows::frm_About* AboutBox() { return about_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // GridInput: the user's presses and keys on the grid go to the station grid.
    void GridMouseDown(int button, int shift, int x, int y) override;
    void GridSelChange() override;
    void GridKeyDown(int key, int shift) override;
    bool GridFind(const std::string& text, bool next) override;

    // The help page of the menu language, or the English one when it has none.
    std::string HelpPage() const;
    void BuildMenus();
    // The View menu's checks and the distance in its caption; the popup's
    // Watch or Stop watching.
    void UpdateViewMenu();
    void UpdateWatchItem();
    QAction* AddAction(QMenu* menu, const std::string& name, const char* caption,
                       void (Form1::*handler)());
    void SaveLanguage();
    void PlaceFindField();
    // Marks the find field when its text matches no station.
    void MarkFound(bool found);
    StationBoard* Board() { return wiring_ ? &wiring_->Board() : nullptr; }
    StationGrid* Grid() { return wiring_ ? &wiring_->Grid() : nullptr; }
    radio::DDEClientModule* Radio() { return wiring_ ? &wiring_->Radio() : nullptr; }

    std::string detailsCallsign_;
    HostFactory connect_;
    QDBusServiceWatcher* hostWatch_ = nullptr;
    platform::GridControl control_;
    platform::GridView* view_;
    QLineEdit* findField_;
    QString lastFind_;
    platform::QtScheduler qtScheduler_;
    Scheduler& scheduler_;
    platform::QtMessagePump qtPump_;
    platform::QtClipboard clipboard_;
    std::unique_ptr<MessagePump> pump_;
    std::unique_ptr<clsLanguage> language_;
    platform::QtSound sound_;
    SoundPlayer* soundPlayer_ = &sound_;
    windows::Opener* opener_ = &windows::DesktopOpener();
    windows::QtForms forms_;
    std::map<std::string, QAction*, std::less<>> actions_;
    std::map<std::string, QMenu*, std::less<>> menus_;
    QMenu* langMenu_ = nullptr;
    std::vector<QAction*> langItems_;
    QMenu* popup_ = nullptr;
    QMenu* popup2_ = nullptr;
    // Captions as the language gives them: "%1" is the distance.
    std::string nearCaption_ = "Within %1 km", watchCaption_ = "Watch",
                stopWatchingCaption_ = "Stop watching";
    QTimer tmrReconnect_;
    dde::NoPeers noPeers_;
    dde::Layer* dde_ = &noPeers_;
    DesktopNotifier* notifier_ = nullptr;
    std::unique_ptr<NotifierRouter> router_;
    // The distance the grid's vicinity colours were last built with.
    std::int32_t shownNearKm_ = 0;
    // Gives the emergency alarm and the alerts their share of the notifier.
    void LendNotifier();
    // Goes before what it borrows from this window.
    std::unique_ptr<BoardWiring> wiring_;
    QPointer<windows::Form3> tune_;
    QPointer<windows::Form5> details_;
    QPointer<windows::frmOptions> options_;
    QPointer<windows::Form4> legend_;
    QPointer<windows::frm_About> about_;
    bool stopped_ = false;
    // The caption last asked for, shown once the event that asked is done.
    QString caption_;
    bool captionPosted_ = false;
    bool closing_ = false;
    bool waiting_ = false;  // for a host, with the empty grid shown
};

}  // namespace bb::app
