#include "app/main_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QHeaderView>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <tuple>

#include "app/services.h"
#include "bus/station_dict.h"
#include "generated/version.h"
#include "support/app_paths.h"
#include "support/diagnostic_log.h"
#include "support/error_trap.h"
#include "support/settings.h"
#include "support/system_api.h"
#include "support/twips.h"
#include "support/watch_list.h"

namespace bb::app {
namespace {

constexpr int kMbInformation = 64;  // the information icon and an OK button
}  // namespace

ProgramTexts& Texts() {
    static ProgramTexts texts;
    return texts;
}

std::string MakeWindowTitle() {
    return "UI-View Beaconboard V" + std::to_string(version::kMajor) + "." +
           std::to_string(version::kMinor) + "." + std::to_string(version::kRevision);
}

Form1::HostFactory Form1::OnBus(QDBusConnection bus) {
    return [bus]() -> std::unique_ptr<HostConnection> { return DBusHost::Create(bus); };
}

Form1::Form1(HostFactory factory, Scheduler* clock)
    : connect_(std::move(factory)),
      view_(new platform::GridView(control_, this)),
      scheduler_(clock ? *clock : qtScheduler_),
      forms_(windows::Form2Services{}) {
    // One pause per 10 ms however long the pass: a scan or a map pass over
    // 50,000 stations stays quick and the window answers throughout.
    pump_ = std::make_unique<TimeSlicedPump>(qtPump_, scheduler_);
    // The board's own caption from the first moment, never the toolkit's.
    setWindowTitle(QString::fromStdString(MakeWindowTitle()));
    setCentralWidget(nullptr);
    view_->setParent(this);
    resize(900, 560);
    BuildMenus();
    view_->SetInput(this);
    // With tens of thousands of rows nobody scrolls to a callsign: Ctrl+F
    // opens a small field over the grid's corner, F3 finds the next match.
    findField_ = new QLineEdit(this);
    findField_->setObjectName(QStringLiteral("findField"));
    findField_->setPlaceholderText(QStringLiteral("Find callsign"));
    findField_->setClearButtonEnabled(true);
    findField_->hide();
    connect(findField_, &QLineEdit::textEdited, this, [this](const QString& text) {
        lastFind_ = text.trimmed();
        MarkFound(lastFind_.isEmpty() || view_->Find(lastFind_.toStdString(), false));
    });
    connect(findField_, &QLineEdit::returnPressed, this, &Form1::FindNext);
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &Form1::ShowFind);
    auto* next = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(next, &QShortcut::activated, this, &Form1::FindNext);
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), findField_, nullptr, nullptr,
                                Qt::WidgetShortcut);
    connect(close, &QShortcut::activated, this, [this] {
        findField_->hide();
        view_->setFocus();
    });
    tmrReconnect_.setInterval(5000);
    connect(&tmrReconnect_, &QTimer::timeout, this, &Form1::tmrReconnect_Timer);
}

// The view reads the grid model, which goes before the window's children do.
// The emergency windows read the station table: none outlives it.
Form1::~Form1() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<windows::Form2*>(w)) delete w;
    // The tune dialog sends through the radio link, the details and options
    // windows read the table and the grid: they go with this window.
    for (QWidget* w : {static_cast<QWidget*>(tune_.data()), static_cast<QWidget*>(details_.data()),
                       static_cast<QWidget*>(options_.data()),
                       static_cast<QWidget*>(legend_.data()), static_cast<QWidget*>(about_.data())})
        delete w;
    Common::SetConnectedServersSource(nullptr);
    delete view_;
}

void Form1::GridMouseDown(int button, int shift, int x, int y) {
    if (Grid())
        Grid()->grdStations_MouseDown(button, shift, static_cast<float>(x), static_cast<float>(y));
}

void Form1::GridSelChange() {
    if (Grid()) Grid()->grdStations_SelChange();
}

void Form1::GridKeyDown(int key, int shift) {
    if (Grid()) Grid()->grdStations_KeyDown(key, shift);
}

bool Form1::GridFind(const std::string& text, bool next) {
    return Grid() && Grid()->FindCallsign(text, next);
}

QAction* Form1::AddAction(QMenu* menu, const std::string& name, const char* caption,
                          void (Form1::*handler)()) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    if (handler) connect(a, &QAction::triggered, this, handler);
    actions_[name] = a;
    return a;
}

void Form1::BuildMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    menus_["mnuFile"] = file;
    AddAction(file, "mnuFileExit", "E&xit", &Form1::mnuFileExit_Click);

    QMenu* options = bar->addMenu(QStringLiteral("Options"));
    menus_["mnuOptions"] = options;
    langMenu_ = options->addMenu(QStringLiteral("Set Language"));
    menus_["mnuOptionsLang"] = langMenu_;
    // The list's design element, replaced by the languages found.
    langItems_.push_back(langMenu_->addAction(QStringLiteral("aaa")));
    AddAction(options, "mnuOptionsLegend", "Legend", &Form1::mnuOptionsLegend_Click);

    using View = SettingValues::StationView;
    QMenu* view = bar->addMenu(QStringLiteral("View"));
    menus_["view"] = view;
    auto* views = new QActionGroup(this);
    for (const auto& [name, caption, shown] :
         {std::tuple{"viewAll", "All stations", View::All},
          std::tuple{"viewWatched", "Watched stations", View::Watched},
          std::tuple{"viewNear", "Within %1 km", View::Near}}) {
        QAction* a = AddAction(view, name, caption, nullptr);
        a->setCheckable(true);
        views->addAction(a);
        connect(a, &QAction::triggered, this, [this, chosen = shown] {
            ChooseView(chosen, Settings().HideWeatherAndDigipeaters);
        });
    }
    view->addSeparator();
    QAction* hide = AddAction(view, "viewHideWeatherAndDigipeaters",
                              "Hide weather stations and digipeaters", nullptr);
    hide->setCheckable(true);
    connect(hide, &QAction::triggered, this,
            [this](bool on) { ChooseView(Settings().AlertView, on); });
    connect(view, &QMenu::aboutToShow, this, &Form1::UpdateViewMenu);

    // A menu bar entry without a submenu: choosing it runs its command.
    QAction* config = bar->addAction(QStringLiteral("Config"));
    connect(config, &QAction::triggered, this, &Form1::mnuConfig_Click);
    actions_["mnuConfig"] = config;

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    menus_["mnuHelp"] = help;
    AddAction(help, "mnuHelpHelp", "&Help", &Form1::mnuHelpHelp_Click)
        ->setShortcut(QKeySequence(Qt::Key_F1));
    help->addSeparator();
    AddAction(help, "mnuHelpAbout", "About this program", &Form1::mnuHelpAbout_Click);
    AddAction(help, "mnuHelpUpdate", "Check for updates", &Form1::mnuHelpUpdate_Click);

    // The grid's popups, never shown in the bar.
    popup_ = new QMenu(QStringLiteral("Popup"), this);
    menus_["mnuPopup"] = popup_;
    AddAction(popup_, "mnuPopupDetails", "Detail", &Form1::mnuPopupDetails_Click);
    AddAction(popup_, "watch", "Watch", &Form1::ToggleWatch);
    connect(popup_, &QMenu::aboutToShow, this, &Form1::UpdateWatchItem);
    popup2_ = new QMenu(QStringLiteral("Popup2"), this);
    menus_["mnuPopup2"] = popup2_;
    AddAction(popup2_, "mnuPopupTune", "Tune", &Form1::mnuPopupTune_Click);
}

QAction* Form1::Menu(const std::string& name) const {
    if (const auto it = actions_.find(name); it != actions_.end()) return it->second;
    if (const auto it = menus_.find(name); it != menus_.end()) return it->second->menuAction();
    return nullptr;
}

void Form1::Form_Load() {
    TrapWith(
        [&] {
            std::unique_ptr<HostConnection> host = connect_();
            waiting_ = false;
            ProgramTexts& t = Texts();
            t.WindowTitle = MakeWindowTitle();
            language_ = std::make_unique<clsLanguage>(LanguageFolders(App()), *this,
                                                      [] { return Texts().WindowTitle; });
            t.AuthorText = "written by Brannoch Kelvane";
            t.DescriptionText =
                "This UI-View32 add-on will display stations together with PHG and Emergency data, "
                "you can "
                "tune your radio to the QSY frequency if provided";
            t.SettingsFilePath = (App().SettingsFolder() / (App().exeName + ".INI")).string();
            t.HelpFilePath = App().FindData(App().exeName + ".html").string();
            // A build that names no web site links to the help page on this machine.
            t.WebsiteText = *version::kWebsite ? version::kWebsite : t.HelpFilePath;
            setWindowTitle(QString::fromStdString(t.WindowTitle));
            // The settings before the board: every room is made with them.
            // The log first, which takes what the file has wrong.
            StartLog();
            ColumnChoice columns(kLastColumn);
            ReadSettings(
                SettingsBinding{t.SettingsFilePath, &columns, language_.get(), &Settings()});
            shownNearKm_ = Settings().AlertNearKm;
            wiring_ = std::make_unique<BoardWiring>(
                WindowParts{*this, control_, clipboard_, *pump_, scheduler_, Settings(), forms_,
                            *soundPlayer_, *dde_, *this},
                std::move(host), *this,
                BoardSetup{App().exeName, t.WindowTitle, App().FindData("WAV/emergency_1.WAV"),
                           columns});
            StartServices(&wiring_->Radio());
            forms_.SetServices(windows::Form2Services{&wiring_->Board(), &wiring_->Alarm(), this});
            LendNotifier();
            wiring_->Start();
            view_->Sync();
        },
        [this](std::int16_t number) {
            // A failure before the services start (no host) is logged too.
            if (Common::LogPath().empty()) StartLog();
            LogError(number, "Form1.Form_Load");
            if (!wiring_) ShowWaitingForHost();
        });
    tmrReconnect_.start();
}

void Form1::ShowWaitingForHost() {
    // Without a word the window would read as the toolkit's blank one.
    waiting_ = true;
    setWindowTitle(QString::fromStdString(MakeWindowTitle() + "   [waiting for the host]"));
    StationGrid::ShowNoStations(control_, GridWidth());
    view_->Sync();
}

void Form1::SetNotifier(DesktopNotifier* notifier) {
    // Their share of the old one goes first.
    if (wiring_) {
        wiring_->Alarm().SetNotifier(nullptr);
        wiring_->Alerts().SetNotifier(nullptr);
    }
    router_.reset();
    notifier_ = notifier;
    if (notifier_) router_ = std::make_unique<NotifierRouter>(*notifier_);
    LendNotifier();
}

void Form1::LendNotifier() {
    if (!wiring_) return;
    // An emergency's tag is its callsign, an alert's is marked.
    wiring_->Alarm().SetNotifier(router_ ? &router_->For("") : nullptr);
    wiring_->Alerts().SetNotifier(router_ ? &router_->For("alert:") : nullptr);
}

void Form1::ShowStation(const std::string& callsign) {
    Trap("Form1.ShowStation", [&] {
        if (Grid() && Grid()->FindCallsign(callsign, false, true)) view_->ShowCurrentCell();
        if (isMinimized()) showNormal();
        show();
        raise();
        activateWindow();
    });
}

void Form1::WaitForHost(QDBusConnection bus) {
    if (wiring_ || hostWatch_ || stopped_) return;
    hostWatch_ = new QDBusServiceWatcher(bus::kHostService, bus,
                                         QDBusServiceWatcher::WatchForRegistration, this);
    const auto arrived = [this, bus] {
        if (!hostWatch_) return;
        // The first host that comes is bound to; the watch goes with it.
        hostWatch_->deleteLater();
        hostWatch_ = nullptr;
        QTimer::singleShot(0, this, [this, bus] {
            if (wiring_ || stopped_) return;
            Form_Load();
            // It went again before the board could bind: wait for the next.
            if (!wiring_) WaitForHost(bus);
        });
    };
    connect(hostWatch_, &QDBusServiceWatcher::serviceRegistered, this, arrived);
    // One that came between the failed start and the watch.
    if (bus.interface() && bus.interface()->isServiceRegistered(bus::kHostService).value())
        arrived();
}

void Form1::Form_Unload() {
    Trap("Form1.Form_Unload", [&] {
        // The host closing unloads this window inside its own shutdown.
        if (stopped_) return;
        stopped_ = true;
        SaveLanguage();
        StopServices(Radio());
        CloseAllForms();
    });
}

// The one setting the menus change: a language chosen from the menu is kept
// when the window is closed with its close box or the host closes, as it is
// with Exit.
void Form1::SaveLanguage() {
    if (!language_ || Texts().SettingsFilePath.empty()) return;
    SaveLanguageChoice(Texts().SettingsFilePath, language_->get_language());
}

void Form1::CloseAllForms() {
    Trap("Form1.CloseAllForms", [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != this && w->isWindow() && !qobject_cast<QMenu*>(w)) w->close();
        }
        if (!closing_) {
            closing_ = true;
            close();
        }
    });
}

void Form1::HostClosing() {
    Trap("Form1.mUIV_UIView32IsClosing", [&] {
        // The host closing ends the program too: the language chosen from
        // the menu is kept as on the close box's way.
        SaveLanguage();
        StopServices(Radio());
        stopped_ = true;  // the nested unload has nothing more to stop
        CloseAllForms();
        sys::Current().process->EndNow();
    });
}

void Form1::closeEvent(QCloseEvent* event) {
    closing_ = true;
    Form_Unload();
    event->accept();
}

void Form1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (Grid()) {
        Grid()->Form_Resize();
        return;
    }
    PlaceGrid(50, 0, std::max(0, OuterWidth() - 150), std::max(0, OuterHeight() - 700));
    if (waiting_) control_.SetColWidth(0, GridWidth());
}

void Form1::tmrReconnect_Timer() {
    Trap("Form1.tmrReconnect_Timer", [&] {
        if (Radio()) Radio()->ReconnectSweep();
    });
}

void Form1::mnuFileExit_Click() {
    Trap("Form1.mnuFileExit_Click", [&] {
        if (Grid())
            WriteSettings(
                SettingsBinding{Texts().SettingsFilePath, Grid(), language_.get(), &Settings()});
        sys::Current().process->EndNow();
    });
}

namespace {

// Shows a single-instance window, made by `make` when it is not open.
template <class W, class Make>
W* ShowSingle(QPointer<W>& window, Make make) {
    if (!window) window = make();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace

void Form1::mnuOptionsLegend_Click() {
    Trap("Form1.mnuOptionsLegend_Click",
         [&] { ShowSingle(legend_, [] { return new windows::Form4(Texts().WindowTitle); }); });
}

void Form1::mnuConfig_Click() {
    Trap("Form1.mnuConfig_Click", [&] {
        if (!Grid()) Raise(err::kObjectNotSet, "no grid");
        ShowSingle(options_, [this] {
            return new windows::frmOptions({Grid(), &Settings(), this});
        })->tbsOptions->setCurrentIndex(0);
    });
}

std::string Form1::ColumnTitle(int column) {
    return Grid()->ColumnDefs().at(static_cast<std::size_t>(column)).header;
}

void Form1::SelectColumns() {
    Grid()->select_columns();
}

void Form1::RebuildGrid() {
    wiring_->SettingsChanged();
}

void Form1::SaveSettings() {
    WriteSettings(SettingsBinding{Texts().SettingsFilePath, Grid(), language_.get(), &Settings()});
    // The alerts follow a saved watch list whatever the page.
    wiring_->Alerts().SettingsChanged();
    // A view by watch list or distance follows them, and so do the rows in
    // the vicinity colour.
    if (Settings().AlertView != SettingValues::StationView::All ||
        Settings().AlertNearKm != shownNearKm_)
        Grid()->build_station_grid();
    shownNearKm_ = Settings().AlertNearKm;
}

std::string Form1::HelpPage() const {
    const std::string language = language_ ? language_->get_language() : std::string();
    return HelpPageFor(Texts().HelpFilePath, language).string();
}

void Form1::mnuHelpHelp_Click() {
    Trap("Form1.mnuHelpHelp_Click", [&] { opener_->Open(HelpPage()); });
}

void Form1::mnuHelpAbout_Click() {
    Trap("Form1.mnuHelpAbout_Click", [&] {
        ShowSingle(about_, [this] {
            const ProgramTexts& t = Texts();
            // Without a web site the link is the help page F1 opens.
            const std::string link = *version::kWebsite ? t.WebsiteText : HelpPage();
            return new windows::frm_About(*opener_, {t.WindowTitle, t.AuthorText, t.DescriptionText,
                                                     link, version::kLegalText});
        });
    });
}

void Form1::mnuHelpUpdate_Click() {
    Trap("Form1.mnuHelpUpdate_Click", [&] {
        sys::Current().ui->MessageBox(
            "Please use Kelvane Updater to see if there are updates of this add_on", "Update info",
            kMbInformation);
    });
}

void Form1::mnuPopupDetails_Click() {
    Trap("Form1.mnuPopupDetails_Click", [&] {
        if (!Grid() || Grid()->SelectedCall().empty()) return;
        detailsCallsign_ = Grid()->SelectedCall();
        // Each Detail loads the window anew, for the station chosen now.
        delete details_.data();
        details_ = new windows::Form5(windows::Form5Services{Board(), this}, detailsCallsign_);
        details_->show();
    });
}

void Form1::mnuPopupTune_Click() {
    Trap("Form1.mnuPopupTune_Click", [&] {
        if (!Grid()) return;
        Tune(Grid()->SelectedCall());
    });
}

void Form1::ChooseView(SettingValues::StationView view, bool hideWeatherAndDigipeaters) {
    Trap("Form1.ChooseView", [&] {
        SettingValues& s = Settings();
        s.AlertView = view;
        s.HideWeatherAndDigipeaters = hideWeatherAndDigipeaters;
        if (!Texts().SettingsFilePath.empty()) SaveAlertChoices(Texts().SettingsFilePath, s);
        UpdateViewMenu();
        if (Grid()) Grid()->build_station_grid();
    });
}

void Form1::UpdateViewMenu() {
    const SettingValues& s = Settings();
    const std::pair<const char*, SettingValues::StationView> items[] = {
        {"viewAll", SettingValues::StationView::All},
        {"viewWatched", SettingValues::StationView::Watched},
        {"viewNear", SettingValues::StationView::Near}};
    for (const auto& [name, view] : items)
        actions_.at(name)->setChecked(s.AlertView == view);
    QAction* near = actions_.at("viewNear");
    // Without a distance (Options, Vicinity Alarm) nothing is near.
    near->setText(QString::fromStdString(nearCaption_)
                      .replace(QStringLiteral("%1"), s.AlertNearKm > 0
                                                         ? QString::number(s.AlertNearKm)
                                                         : QStringLiteral("-")));
    near->setEnabled(s.AlertNearKm > 0 || s.AlertView == SettingValues::StationView::Near);
    actions_.at("viewHideWeatherAndDigipeaters")->setChecked(s.HideWeatherAndDigipeaters);
}

void Form1::UpdateWatchItem() {
    QAction* watch = actions_.at("watch");
    const std::string call = Grid() ? Grid()->SelectedCall() : std::string();
    const WatchList list(Settings().AlertWatch);
    const bool watched = list.Matches(call);
    watch->setText(QString::fromStdString(watched ? stopWatchingCaption_ : watchCaption_));
    // One watched through a pattern stays watched: the pattern is the
    // Options' to change.
    watch->setEnabled(!call.empty() && (!watched || list.Lists(call)));
}

void Form1::ToggleWatch() {
    Trap("Form1.ToggleWatch", [&] {
        if (!Grid() || Grid()->SelectedCall().empty()) return;
        const std::string call = Grid()->SelectedCall();
        SettingValues& s = Settings();
        WatchList list(s.AlertWatch);
        if (list.Lists(call))
            list.Remove(call);
        else
            list.Add(call);
        s.AlertWatch = list.Text();
        if (!Texts().SettingsFilePath.empty()) SaveAlertChoices(Texts().SettingsFilePath, s);
        wiring_->Alerts().SettingsChanged();
        if (s.AlertView == SettingValues::StationView::Watched) Grid()->build_station_grid();
    });
}

std::shared_ptr<const Picture> Form1::SymbolPicture(const std::string& symbol) {
    if (!Grid()) return nullptr;
    bool known = false;
    return Grid()->SymbolPicture(symbol, known);
}

void Form1::Tune(const std::string& callsign) {
    if (!Board()) Raise(err::kObjectNotSet, "no station table");
    TuneStation(Board()->Table().find_station(callsign), callsign);
}

void Form1::TuneRecord(const StationRecord& record) {
    if (!Radio()) Raise(err::kObjectNotSet, "no radio link");
    windows::OpenTuneDialog(tune_, *Radio(), record.Callsign, record.QSY);
}

void Form1::TuneStation(std::int32_t index, const std::string& callsign) {
    if (!Radio() || !Board()) Raise(err::kObjectNotSet, "no station table");
    windows::OpenTuneDialog(tune_, *Radio(), *Board(), index, callsign);
}

void Form1::SetCaption(const std::string& caption) {
    // Told after every pass, and again by the emergency check that follows
    // it: the window shows the last once the event is done, and the window
    // manager hears of a change only.
    caption_ = QString::fromStdString(caption);
    if (captionPosted_) return;
    captionPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            captionPosted_ = false;
            if (caption_ != windowTitle()) setWindowTitle(caption_);
        },
        Qt::QueuedConnection);
}

void Form1::OpenPopup(int menu) {
    Popup(menu)->popup(QCursor::pos());
}

double Form1::TwipsPerPixelX() const {
    return twips::PerPixel(logicalDpiX());
}
double Form1::TwipsPerPixelY() const {
    return twips::PerPixel(logicalDpiY());
}
int Form1::OuterLeft() const {
    return static_cast<int>(frameGeometry().x() * TwipsPerPixelX());
}
int Form1::OuterTop() const {
    return static_cast<int>(frameGeometry().y() * TwipsPerPixelY());
}
int Form1::OuterWidth() const {
    return static_cast<int>(frameGeometry().width() * TwipsPerPixelX());
}
int Form1::OuterHeight() const {
    return static_cast<int>(frameGeometry().height() * TwipsPerPixelY());
}

void Form1::PlaceGrid(int left, int top, int width, int height) {
    // Twips to pixels; the top is below the menu bar, which the window's
    // outer height includes.
    const int menu = menuBar()->height();
    view_->setGeometry(
        static_cast<int>(left / TwipsPerPixelX()), menu + static_cast<int>(top / TwipsPerPixelY()),
        static_cast<int>(width / TwipsPerPixelX()), static_cast<int>(height / TwipsPerPixelY()));
    PlaceFindField();
}

void Form1::ShowFind() {
    PlaceFindField();
    findField_->show();
    findField_->raise();
    findField_->setFocus();
    findField_->selectAll();
}

void Form1::FindNext() {
    if (lastFind_.isEmpty()) {
        ShowFind();
        return;
    }
    MarkFound(view_->Find(lastFind_.toStdString(), true));
}

void Form1::PlaceFindField() {
    // Over the grid's lower right corner, clear of its scroll bars, wide
    // enough for its prompt and a long callsign.
    const QFontMetrics fm(findField_->font());
    const int width = std::max(fm.horizontalAdvance(findField_->placeholderText()),
                               fm.horizontalAdvance(QStringLiteral("WB0WWW-15"))) +
                      fm.height() * 3;
    const int height = findField_->sizeHint().height();
    const QRect grid = view_->geometry();
    const int bar = view_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    findField_->setGeometry(std::max(grid.left(), grid.right() - bar - width),
                            std::max(grid.top(), grid.bottom() - bar - height), width, height);
}

void Form1::MarkFound(bool found) {
    // Light red behind a text that matches no station, as find fields do.
    QPalette p = findField_->palette();
    p.setColor(QPalette::Base, found ? palette().color(QPalette::Base) : QColor(255, 200, 200));
    findField_->setPalette(p);
}

int Form1::GridWidth() const {
    return static_cast<int>(view_->width() * TwipsPerPixelX());
}
int Form1::CellTop() const {
    return static_cast<int>(view_->CurrentCellRect().top() * TwipsPerPixelY());
}
int Form1::CellHeight() const {
    return static_cast<int>(view_->CurrentCellRect().height() * TwipsPerPixelY());
}
void Form1::ShowCurrentRow() {
    view_->ShowCurrentCell();
}

void Form1::SetCursorPos(int x, int y) {
    QCursor::setPos(x, y);
}

void Form1::SetMenuCaption(std::string_view menu, std::string_view caption) {
    // The captions with a part of their own are made when shown.
    for (auto [name, kept] :
         {std::pair{"viewNear", &nearCaption_}, std::pair{"watch", &watchCaption_},
          std::pair{"stopWatching", &stopWatchingCaption_}}) {
        if (menu != name) continue;
        *kept = std::string(caption);
        if (menu == "viewNear") UpdateViewMenu();
        if (menu != "viewNear") UpdateWatchItem();
        return;
    }
    if (QAction* a = Menu(std::string(menu)))
        a->setText(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
}

void Form1::SetLanguageItems(const std::vector<std::string>& names) {
    // Element 0, the design element, stays hidden.
    for (std::size_t i = 1; i < langItems_.size(); ++i)
        langMenu_->removeAction(langItems_[i]);
    langItems_.resize(1);
    langItems_[0]->setVisible(names.empty());
    for (std::size_t i = 0; i < names.size(); ++i) {
        QAction* a = langMenu_->addAction(QString::fromStdString(names[i]));
        a->setCheckable(true);
        const int index = static_cast<int>(i) + 1;
        connect(a, &QAction::triggered, this, [this, index] {
            if (language_) language_->mnuOptionsLangList_Click(index);
        });
        langItems_.push_back(a);
    }
}

void Form1::SetLanguageItemChecked(int index, bool checked) {
    if (index < 0 || index >= static_cast<int>(langItems_.size()))
        Raise(err::kSubscript, "language item");
    langItems_[static_cast<std::size_t>(index)]->setCheckable(true);
    langItems_[static_cast<std::size_t>(index)]->setChecked(checked);
}

std::string Form1::LanguageItemCaption(int index) const {
    if (index < 0 || index >= static_cast<int>(langItems_.size()))
        Raise(err::kSubscript, "language item");
    return langItems_[static_cast<std::size_t>(index)]->text().toStdString();
}

}  // namespace bb::app
