// The main window offscreen on the fake host: start-up, the grid, the menus and the ways out.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <set>

#include "tests/fakes/fake_dde.h"
#include "tests/fakes/fake_scheduler.h"
#include "tests/fakes/main_window_fixture.h"

namespace bb::app {
namespace {

using bb::testing::FakeSystem;
using bb::testing::MainWindow;
using bb::testing::ProgramEnded;

TEST_F(MainWindow, WithoutAHostTheWindowOpensEmptyAndTheFailureIsLogged) {
    bool hostThere = false;
    Form1 form([&]() -> std::unique_ptr<HostConnection> {
        if (!hostThere) Raise(err::kCantCreateObject);
        return Factory()();
    });
    form.show();
    form.Form_Load();
    EXPECT_EQ(form.Wiring(), nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.windowTitle(), "UI-View Beaconboard V1.0.10   [waiting for the host]");
    form.View().Sync();
    EXPECT_EQ(form.View().model()->rowCount(), 0);
    EXPECT_EQ(form.View().model()->headerData(0, Qt::Horizontal).toString(),
              "Sorry, no stations heard...");
    EXPECT_TRUE(form.View().horizontalHeader()->isVisible());
    EXPECT_GE(form.View().columnWidth(0), form.View().viewport()->width() - 2);
    EXPECT_NE(fs.LogText().find("program error 429 in module Form1.Form_Load"), std::string::npos);
    EXPECT_EQ(form.Menu("mnuHelpHelp")->shortcut(), QKeySequence(Qt::Key_F1));  // menus all there
    // The host comes (the board loads again) and a later error is logged: one run header.
    hostThere = true;
    form.Form_Load();
    ASSERT_NE(form.Wiring(), nullptr);
    WriteErrorLog("after the host came");
    const std::string log = fs.LogText();
    EXPECT_EQ(log.find("Beaconboard version"), log.rfind("Beaconboard version")) << log;
}

TEST_F(MainWindow, StartUpLoadsTheHostsStationsIntoASortedGrid) {
    Station("G4ABC", 125);
    Station("M0XYZ", 5);
    Station("2E0AAA", 61);
    testing::FakeScheduler scheduler;
    Form1 form(Factory(), &scheduler);
    form.show();
    form.Form_Load();
    ASSERT_NE(form.Wiring(), nullptr);
    EXPECT_TRUE(host.notify);
    QApplication::processEvents();  // the caption shows once the event is done
    EXPECT_EQ(form.windowTitle(), "UI-View Beaconboard V1.0.10 [3/3]");
    const platform::GridControl& g = form.GridModel();
    ASSERT_EQ(g.Rows(), 4);
    EXPECT_EQ(g.TextMatrix(0, 0) + g.TextMatrix(1, 0) + g.TextMatrix(3, 0) + g.TextMatrix(1, 2),
              "Callsign vM0XYZ2E0AAA0:05");
    // A beacon that just missed a pass is on screen within a tenth of a second
    // of bb-host hearing it, less the 20 ms bb-host may hold it and 5 for the pass.
    const StationGrid& grid = form.Wiring()->Grid();
    const int passes = grid.Rebuilds();
    connection->events->mUIV_NotifyBeacon("M0XYZ", 0, 0);
    for (int ms = 0; ms < 1000 && grid.Rebuilds() == passes; ++ms)
        scheduler.Advance(1);
    ASSERT_GT(grid.Rebuilds(), passes);
    Station("G0NEW", 1);
    connection->events->mUIV_NotifyBeacon("G0NEW", 0, 0);
    platform::GridView& view = form.View();
    const auto shown = [&] {  // the view's rows, in its order (callsigns descending)
        QStringList calls;
        for (int r = 0; r < view.model()->rowCount(); ++r)
            calls << view.model()->index(r, 0).data().toString();
        return calls;
    };
    const QStringList four{"M0XYZ", "G4ABC", "G0NEW", "2E0AAA"};
    int waited = 0;
    for (; waited < 200 && shown() != four; ++waited) {
        scheduler.Advance(1);
        QCoreApplication::sendPostedEvents(&view, QEvent::MetaCall);  // the view follows
    }
    EXPECT_EQ(shown(), four);
    EXPECT_LE(waited + 20 + 5, 100);
}

// On a quiet channel each second repaints the age cells, only they, and rebuilds nothing.
TEST_F(MainWindow, AgesOnScreenFollowTheClockAndOnlyTheirCellsArePaintedAgain) {
    for (const char* cs : {"G4ABC", "M0XYZ", "2E0AAA"})
        Station(cs, 27);
    testing::FakeScheduler scheduler;
    Form1 form(Factory(), &scheduler);
    form.resize(1000, 300);
    form.show();
    form.Form_Load();
    StationGrid& grid = form.Wiring()->Grid();
    platform::GridView& view = form.View();
    view.Sync();
    QImage before = view.viewport()->grab().toImage();
    for (const auto& [clock, mmss, age] :
         {std::tuple{1, true, "0:28"}, {33, true, "1:00"}, {38, false, "65"}}) {
        Settings().FormatAgeMMSS = mmss;
        const int passes = grid.Rebuilds();
        QSignalSpy reset(view.model(), &QAbstractItemModel::modelReset);
        fs.clock.Set(2026, 12, 6, 12, 0, clock);
        scheduler.Advance(StationGrid::kAgeTickMs);
        QCoreApplication::sendPostedEvents(&view, QEvent::MetaCall);  // the view follows
        const QImage after = view.viewport()->grab().toImage();
        EXPECT_EQ(grid.Rebuilds(), passes);
        EXPECT_EQ(reset.count(), 0);
        const int left = view.columnViewportPosition(2), right = left + view.columnWidth(2);
        std::set<int> rows;
        for (int y = 0; y < after.height(); ++y)
            for (int x = 0; x < after.width(); ++x)
                if (after.pixel(x, y) != before.pixel(x, y)) {
                    EXPECT_TRUE(x >= left && x < right) << clock << ": " << x << "," << y;
                    rows.insert(view.rowAt(y));
                }
        EXPECT_EQ(rows, (std::set<int>{0, 1, 2})) << clock;
        for (int r = 0; r < 3; ++r)
            EXPECT_EQ(view.model()->index(r, 2).data().toString(), age);
        before = after;
    }
}

TEST_F(MainWindow, ExitSavesEverySettingAndTheCloseBoxKeepsTheLanguage) {
    fs.locale.items[sys::kLocaleSLanguage] = "English";  // the first start's language
    Station("G4ABC", 5);
    {
        Form1 form(Factory());
        form.Form_Load();
        Settings().FormatAgeMMSS = false;
        EXPECT_THROW(form.mnuFileExit_Click(), ProgramEnded);
        EXPECT_NE(Ini().find("FormatAgeMMSS=FALSE"), std::string::npos);
    }
    {
        Form1 form(Factory());
        form.show();
        form.Form_Load();
        QWidget other;  // another window of the program closes with the main one
        other.show();
        Settings().FormatAgeMMSS = true;
        fs.profile.WritePrivateProfileStringA("Language", "CurrentLanguage", "Nederlands",
                                              (fs.folder.path() / "Beaconboard.INI").string());
        form.close();
        EXPECT_FALSE(other.isVisible() || form.isVisible());
        // Only the language the menu chose is written on this path.
        EXPECT_NE(Ini().find("CurrentLanguage=English"), std::string::npos);
        EXPECT_NE(Ini().find("FormatAgeMMSS=FALSE"), std::string::npos);
    }
}

TEST_F(MainWindow, PhgOverlaysAndEmergenciesReachTheMapAndTheirWindows) {
    Station("G4PHG", 5, "!PHG5130");
    Station("G4DIR", 5, "!PHG5134");  // directivity 4: south-east
    Station("G4SOS", 5);
    host.Know("G4SOS").StatusText = "EMERGENCY";
    testing::FakeScheduler scheduler;
    Form1 form(Factory(), &scheduler);
    form.show();
    form.Form_Load();
    QApplication::processEvents();
    EXPECT_EQ(form.windowTitle(), "UI-View Beaconboard V1.0.10 [3/3]  !! 1 Emergency beacon !!");
    ASSERT_EQ(host.map.circles.size(), 1u);  // the emergency's red marker
    // The host redraws its map: PHG circle, arrow and marker come again.
    host.map.Clear();
    connection->mapEvents->mUivMap_MapRedrawn();
    EXPECT_EQ(host.map.lines.size(), 3u);
    std::multiset<std::int32_t> colours;
    for (const auto& c : host.map.circles)
        colours.insert(c.colour);
    EXPECT_EQ(colours, (std::multiset<std::int32_t>{colour::kGreen, colour::kBlue, colour::kRed}));
    // A burst of map events runs one more pass once the gap has passed, not one each.
    const int passes = form.Wiring()->PhgGate().Passes();
    for (int i = 0; i < 10; ++i)
        connection->mapEvents->mUivMap_MapHasChanged();
    EXPECT_EQ(form.Wiring()->PhgGate().Passes(), passes);
    scheduler.Advance(2000);
    EXPECT_EQ(form.Wiring()->PhgGate().Passes(), passes + 1);
}

// The radio link to the tune dialog; menu windows are single and Detail replaces its window.
TEST_F(MainWindow, TheRadioLinkTheTuneDialogAndTheMenuWindows) {
    Station("G4QSY", 5, "!Rpt 145.500MHz T071");
    Station("G4ABC", 5, "!PHG5130 145.500MHz");
    Station("G4SOS", 5, "!Rpt 433.500MHz");
    host.Know("G4SOS").StatusText = "EMERGENCY";
    testing::FakeDde dde;
    dde.StartCommander();
    Form1 form(Factory());
    form.SetDdeLayer(&dde);
    form.SetSoundPlayer(&speaker);
    form.Form_Load();
    EXPECT_EQ(form.Wiring()->Radio().GetConnectedServers(), "DXL");
    // Ham Radio Deluxe started later: the next sweep finds it.
    dde.StartHrd();
    form.tmrReconnect_Timer();
    EXPECT_EQ(form.Wiring()->Radio().GetConnectedServers(), "DXL,HRD");

    form.Wiring()->Grid().SetSelectedCall("G4QSY");
    form.mnuPopupTune_Click();
    ASSERT_TRUE(form.TuneDialog());
    EXPECT_EQ(form.TuneDialog()->lblDescription->text(), "Tune to station G4QSY = 145.5000 MHz");
    // The emergency window's Tune reuses the dialog.
    windows::Form2* sos = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<windows::Form2*>(w)) sos = f;
    ASSERT_TRUE(sos);
    sos->cmdTune->click();
    EXPECT_EQ(form.TuneDialog()->lblFreqHz->text(), "433500000");
    // A selection whose station has gone is logged; the dialog stays as it was.
    form.Wiring()->Grid().SetSelectedCall("GONE");
    form.mnuPopupTune_Click();
    EXPECT_EQ(form.TuneDialog()->lblFreqHz->text(), "433500000");
    const std::string log = fs.LogText();
    EXPECT_NE(log.find("program error 9 in module Form1.mnuPopupTune_Click"), std::string::npos);
    EXPECT_NE(log.find("DXLab Apps      : DXL,HRD"), std::string::npos);
    form.mnuConfig_Click();
    windows::frmOptions* options = form.OptionsDialog();
    ASSERT_TRUE(options);
    options->tbsOptions->setCurrentIndex(4);
    form.mnuConfig_Click();  // brought forward, back on the first page
    EXPECT_EQ(form.OptionsDialog(), options);
    EXPECT_EQ(options->tbsOptions->currentIndex(), 0);
    form.mnuOptionsLegend_Click();
    form.mnuHelpAbout_Click();
    windows::Form4* legend = form.LegendWindow();
    form.mnuOptionsLegend_Click();
    EXPECT_EQ(form.LegendWindow(), legend);

    form.Wiring()->Grid().SetSelectedCall("G4ABC");
    form.mnuPopupDetails_Click();
    ASSERT_TRUE(form.DetailsWindow());
    EXPECT_EQ(form.DetailsWindow()->lblPHG->text(), "P=25W H=20Ft G=3dB D=Omni");
    form.DetailsWindow()->cmdTune->click();
    ASSERT_TRUE(form.TuneDialog());
    EXPECT_EQ(form.TuneDialog()->lblFreqHz->text(), "145500000");
    form.Wiring()->Grid().SetSelectedCall("G4QSY");
    form.mnuPopupDetails_Click();
    EXPECT_EQ(form.DetailsWindow()->windowTitle(), "Detail of G4QSY");
    int details = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        details += qobject_cast<windows::Form5*>(w) != nullptr;
    EXPECT_EQ(details, 1);
}

// PHG plotting switched on, however the dialog closes: the next pass draws every station.
TEST_F(MainWindow, SwitchingPhgPlottingOnDrawsEveryStationWhateverClosesTheDialog) {
    for (int i = 0; i < 50; ++i)
        Station("P" + std::to_string(100 + i), 5, "!PHG5130");
    testing::WriteFile(fs.folder.path() / "Beaconboard.INI", "[PHG]\r\nPlotOnMap=FALSE\r\n");
    Form1 form(Factory());
    form.show();
    form.Form_Load();
    ASSERT_NE(form.Wiring(), nullptr);
    PhgOverlays& phg = form.Wiring()->Overlays();
    phg.PlotPass();
    ASSERT_TRUE(host.map.circles.empty());
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        for (const bool on : {true, false}) {
            form.mnuConfig_Click();
            windows::frmOptions& o = *form.OptionsDialog();
            o.tbsOptions->setCurrentIndex(3);
            QTest::mouseClick(o.chkPHG, Qt::LeftButton);
            if (way == 0)
                QTest::mouseClick(o.cmdOK, Qt::LeftButton);
            else if (way == 1)
                QTest::mouseClick(o.cmdCancel, Qt::LeftButton);
            else
                o.close();  // the title bar's close box
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            // One station heard meanwhile, then the pass.
            connection->events->mUIV_NotifyBeacon("P100", 0, 0);
            phg.PlotPass();
            EXPECT_EQ(host.map.circles.size(), on ? 50u : 0u);
            host.map.Clear();
        }
    }
}

// Every shipped help page says what the grid shows (positions, opening sort, counts), not the old
// untruths.
TEST_F(MainWindow, HelpPagesSayWhatTheGridShows) {
    Station("G4ABC", 5);
    host.Know("G4ABC").Latitude = 3150.5f;
    host.Know("G4ABC").Longitude = 293.2f;
    Form1 form(Factory());
    form.Form_Load();
    const platform::GridControl& g = form.GridModel();
    const std::string header = g.TextMatrix(0, 0), latitude = g.TextMatrix(1, 3),
                      longitude = g.TextMatrix(1, 4);
    ASSERT_EQ(header, "Callsign v");
    const struct {
        const char* page;
        std::vector<std::string> told, untrue;
    } kPages[] = {
        {"beaconboard.html",
         {"decimal minutes", "descending", "records"},
         {"minutes and seconds", "newest first", "how many the host knows"}},
        {"beaconboard_Nederlands.html",
         {"decimale minuten", "aflopend", "records"},
         {"minuten en seconden", "nieuwste bovenaan", "het programma er kent"}},
    };
    for (const auto& [name, told, untrue] : kPages) {
        SCOPED_TRACE(name);
        const std::string page = testing::ReadFile(std::filesystem::path(BB_SOURCE_DATA) / name);
        for (const std::string& text : {header, latitude, longitude, told[0], told[1], told[2]})
            EXPECT_NE(page.find(text), std::string::npos) << text;
        for (const std::string& text : untrue)
            EXPECT_EQ(page.find(text), std::string::npos) << text;
    }
    int pages = 0;  // those are all the shipped pages
    for (const auto& entry : std::filesystem::directory_iterator(BB_SOURCE_DATA))
        pages += entry.path().extension() == ".html";
    EXPECT_EQ(pages, 2);
}

}  // namespace
}  // namespace bb::app
