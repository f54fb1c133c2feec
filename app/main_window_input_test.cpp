// The main window as the user meets it: presses and keys on the real grid, popups, commands in a
// pause.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "tests/fakes/fake_dde.h"
#include "tests/fakes/main_window_fixture.h"
#include "tests/fakes/ui_driver.h"

namespace bb::app {
namespace {

using testing::UiDriver;

class UserInput : public testing::MainWindow, protected UiDriver {
  protected:
    void TearDown() override { Close(); }
    void Open() { OpenBoard(Factory()); }
};

TEST_F(UserInput, PressesAndKeysOpenThePopupOfTheirRowAndItsCommandsActOnIt) {
    Station("AAA1", 5, "!QRV 145.500MHz");
    Station("BBB2", 5, "!QRV 438.100MHz");
    Open();
    Press(Qt::RightButton, "AAA1", 2);  // outside the QSY column: Detail
    QMenu* popup = OpenMenu();
    ASSERT_EQ(popup, form->Popup(0));
    Choose(popup, "Detail");
    ASSERT_TRUE(form->DetailsWindow());
    EXPECT_EQ(form->DetailsWindow()->windowTitle(), "Detail of AAA1");
    // The menu key, Shift+F10 and Enter open the current cell's popup.
    Press(Qt::LeftButton, "BBB2", kQsyColumn);
    for (const auto& [key, mods] : {std::pair{Qt::Key_Menu, Qt::KeyboardModifiers{}},
                                    {Qt::Key_F10, Qt::ShiftModifier},
                                    {Qt::Key_Return, Qt::KeyboardModifiers{}}}) {
        QTest::keyClick(&form->View(), Qt::Key_Down);
        QTest::keyClick(&form->View(), Qt::Key_Up);
        QTest::keyClick(&form->View(), key, mods);
        popup = OpenMenu();
        ASSERT_EQ(popup, form->Popup(1)) << key;
        popup->close();
    }
    EXPECT_EQ(form->Wiring()->Grid().SelectedCall(), "BBB2");
    QTest::keyClick(&form->View(), Qt::Key_Down);
    QTest::keyClick(&form->View(), Qt::Key_Menu);
    Choose(OpenMenu(), "Tune");
    EXPECT_EQ(form->TuneDialog()->lblDescription->text(), "Tune to station AAA1 = 145.5000 MHz");
}

// Typing in the grid or the Ctrl+F field selects as a press does; Enter and F3 go on.
TEST_F(UserInput, TypingOrCtrlFFindsAStationAndSelectsItAsAPressWould) {
    for (int i = 0; i < 60; ++i)
        Station("M0" + std::string(1, static_cast<char>('A' + i % 26)) +
                    std::string(1, static_cast<char>('A' + i / 26)) + "X",
                5);
    for (const char* cs : {"PA3ABC", "PA3XYZ", "G4ABC", "AAA1"})
        Station(cs, 5);
    Open();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const auto onScreen = [&](const std::string& call) {
        const QRect cell = form->View().visualRect(Model().index(ViewRow(call), 0));
        return form->View().viewport()->rect().contains(cell.center());
    };
    // Sorted by callsign, descending: the G and A stations are far below.
    ASSERT_FALSE(onScreen("G4ABC"));
    form->View().setFocus();
    QTest::keyClicks(&form->View(), "g4");
    EXPECT_EQ(form->Wiring()->Grid().SelectedCall(), "G4ABC");
    EXPECT_TRUE(onScreen("G4ABC"));
    EXPECT_EQ(RowBackground("G4ABC", 3), QColor(0, 0, 255));
    // A pause starts a new type-ahead.
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(&form->View(), "pa");
    EXPECT_EQ(form->Wiring()->Grid().SelectedCall(), "PA3XYZ");
    EXPECT_EQ(RowBackground("G4ABC", 3), QColor(255, 255, 255));

    QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
    QLineEdit* field = form->FindField();
    ASSERT_TRUE(field->isVisible());
    EXPECT_TRUE(field->hasFocus());
    EXPECT_TRUE(form->View().geometry().contains(field->geometry()));
    QTest::keyClicks(field, "aaa");
    EXPECT_EQ(form->Wiring()->Grid().SelectedCall(), "AAA1");
    EXPECT_TRUE(onScreen("AAA1"));
    field->clear();
    QTest::keyClicks(field, "PA3");
    EXPECT_EQ(form->Wiring()->Grid().SelectedCall(), "PA3XYZ");
    // BB_SCREENSHOTS names a folder for a picture of the window finding.
    if (const QString shots = qEnvironmentVariable("BB_SCREENSHOTS"); !shots.isEmpty())
        form->grab().save(shots + QStringLiteral("/window-find-field.png"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(form->Wiring()->Grid().SelectedCall(), "PA3ABC");
    QTest::keyClick(field, Qt::Key_F3);  // round to the first again
    EXPECT_EQ(form->Wiring()->Grid().SelectedCall(), "PA3XYZ");
    const QColor normal = field->palette().color(QPalette::Base);
    QTest::keyClicks(field, "Q");  // no PA3Q: marked, the selection stays
    EXPECT_EQ(form->Wiring()->Grid().SelectedCall(), "PA3XYZ");
    EXPECT_NE(field->palette().color(QPalette::Base), normal);
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->palette().color(QPalette::Base), normal);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(field->isVisible());
    // F3 in the grid goes on with the last text; Detail shows the station found.
    QTest::keyClick(&form->View(), Qt::Key_F3);
    EXPECT_EQ(form->Wiring()->Grid().SelectedCall(), "PA3ABC");
    form->mnuPopupDetails_Click();
    ASSERT_TRUE(form->DetailsWindow());
    EXPECT_EQ(form->DetailsWindow()->windowTitle(), "Detail of PA3ABC");
}

// A row selected shows its station on the map; one chosen on the map is selected, not sent back.
TEST_F(UserInput, TheGridAndTheHostsMapFollowEachOther) {
    for (int i = 0; i < 60; ++i)
        Station("S" + std::to_string(100 + i), 5);
    Open();
    const std::vector<std::string>& shown = host.map.shown;
    const std::string first = ShownCalls().front(), second = ShownCalls()[1],
                      last = ShownCalls().back();
    Press(Qt::LeftButton, first, 0);
    EXPECT_EQ(shown, std::vector<std::string>{first});
    QTest::keyClick(form->View().viewport(), Qt::Key_Down);
    EXPECT_EQ(shown, (std::vector<std::string>{first, second}));
    connection->mapEvents->StationChosen(last);
    Settle();
    EXPECT_EQ(form->Wiring()->Grid().SelectedCall(), last);
    const QRect cell = form->View().visualRect(Model().index(ViewRow(last), 0));
    EXPECT_TRUE(form->View().viewport()->rect().contains(cell.center()));
    EXPECT_EQ(RowBackground(last, 3), QColor(0, 0, 255));
    EXPECT_EQ(RowBackground(second, 3), QColor(255, 255, 255));
    EXPECT_EQ(shown.size(), 2u);
    // A station the board does not show changes nothing.
    connection->mapEvents->StationChosen("NOSUCH");
    EXPECT_EQ(form->Wiring()->Grid().SelectedCall(), last);
}

// With symbols as pictures, rows beyond the clipboard's first 199 show theirs too.
TEST_F(UserInput, WithPngSymbolsEveryRowShowsItsPicture) {
    host.directPictures = true;
    host.drawable.insert("/-");  // a blue and a red dot
    for (int i = 0; i < 230; ++i)
        Station("S" + std::to_string(100 + i), 5);
    Open();
    Station("NEW1", 0);
    connection->events->mUIV_NotifyBeacon("NEW1", 0, 0);
    Settle();
    for (const char* call : {"S100", "S329", "NEW1"}) {
        CellCentre(call, 1);  // scrolled into view
        const QRect cell = form->View().visualRect(Model().index(ViewRow(call), 1));
        const QImage image = form->View().viewport()->grab().toImage().copy(cell);
        int red = 0;
        for (int p = 0; p < image.width() * image.height(); ++p) {
            const QColor c = image.pixelColor(p % image.width(), p / image.width());
            red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
        EXPECT_GT(red, 0) << call;
    }
}

// In a pause of a beacon's intake the view shows the last whole grid, and each user
// command waits for the intake to finish and then does what it does at any other time.
TEST_F(UserInput, CommandsAtAnIntakesPauseActOnTheFinishedGrid) {
    for (int i = 0; i < 30; ++i)
        Station("S" + std::to_string(100 + i), 5, i % 3 ? "!x" : "!QRV 145.500MHz");
    Station("SOS1", 5, "!help 433.500MHz");
    Open();
    int n = 0;
    const auto beacon = [&] {
        const std::string cs = "N" + std::to_string(n++);
        Station(cs, 1);
        connection->events->mUIV_NotifyBeacon(cs, 0, 0);
    };
    const std::vector<std::string> before = ShownCalls();
    std::vector<std::string> shownDuring;
    EXPECT_TRUE(AtAPauseOfAnEvent(beacon, [&] {
        form->View().Sync();  // what the view's own timer does
        shownDuring = ShownCalls();
    }));
    EXPECT_EQ(shownDuring, before);
    EXPECT_EQ(form->View().cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(ShownCalls().size(), before.size() + 1);

    // A header press: the whole grid sorted, not half of it.
    EXPECT_TRUE(AtAPauseOfAnEvent(beacon, [&] { PressHeader(0); }));
    ExpectWholeGrid();
    EXPECT_EQ(form->GridModel().TextMatrix(0, 0), "Callsign ^");
    std::vector<std::string> calls = ShownCalls();
    EXPECT_TRUE(std::is_sorted(calls.begin(), calls.end())) << ::testing::PrintToString(calls);

    // A left press selects the station that was under the pointer.
    EXPECT_TRUE(AtAPauseOfAnEvent(beacon, [&] { Press(Qt::LeftButton, "S105", 4); }));
    ExpectWholeGrid();
    EXPECT_EQ(form->Wiring()->Grid().SelectedCall(), "S105");
    EXPECT_EQ(RowBackground("S105", 3), QColor(0, 0, 255));

    // A right press and Tune from its popup.
    EXPECT_TRUE(AtAPauseOfAnEvent(beacon, [&] { Press(Qt::RightButton, "S106", kQsyColumn); }));
    QMenu* popup = OpenMenu();
    ASSERT_TRUE(popup);
    EXPECT_TRUE(AtAPauseOfAnEvent(beacon, [&] { Choose(popup, "Tune"); }));
    ASSERT_TRUE(form->TuneDialog());
    EXPECT_EQ(form->TuneDialog()->lblDescription->text(), "Tune to station S106 = 145.5000 MHz");
    ExpectWholeGrid();

    // The emergency window's ack (only now: its window takes the focus, and any popup).
    host.Know("SOS1").StatusText = "EMERGENCY";
    connection->events->mUIV_NotifyBeacon("SOS1", 0, 0);
    Settle();
    windows::Form2* sos = EmergencyWindow("SOS1");
    ASSERT_TRUE(sos);
    EXPECT_TRUE(
        AtAPauseOfAnEvent(beacon, [&] { QTest::mouseClick(sos->Command2, Qt::LeftButton); }));
    const StationTable& table = form->Wiring()->Board().Table();
    EXPECT_TRUE(table[table.find_station("SOS1")].EmergencyAcknowledged);
    ExpectWholeGrid();
    EXPECT_EQ(fs.LogText(), "");
}

// The alerts page's values and the popup's Watch are kept; the View menu decides the rows.
TEST_F(UserInput, TheViewMenuShowsTheStationsChosenAndTheAlertsAreKept) {
    for (const auto& [call, symbol, km] : {std::tuple{"PA3AAA", "/>", 5},
                                           {"PA3WX", "/_", 8},
                                           {"G4DIGI", "S#", 300},
                                           {"G4FAR", "/-", 400},
                                           {"M0NEAR", "\\>", 12}}) {
        Station(call, 5);
        host.Know(call).Symbol = symbol;
        host.Know(call).Distance = km;
        host.Know(call).Latitude = 3120;
    }
    Open();
    form->Language()->language("English");
    form->mnuConfig_Click();
    windows::frmOptions* options = form->OptionsDialog();
    ASSERT_TRUE(options);
    options->tbsOptions->setCurrentIndex(4);
    QTest::keyClicks(options->WatchEdit, "pa3*, g4digi");
    options->NearKmBox->selectAll();
    QTest::keyClicks(options->NearKmBox, "15");
    // BB_SCREENSHOTS: a folder for pictures of the alerts' page and a view.
    const QString shots = qEnvironmentVariable("BB_SCREENSHOTS");
    if (!shots.isEmpty())
        options->grab().save(shots + QStringLiteral("/window-vicinity-alarm.png"));
    QTest::mouseClick(options->cmdOK, Qt::LeftButton);
    EXPECT_NE(Ini().find("\r\n[Alerts]\r\nWatch=PA3*,G4DIGI\r\nNearKm=15\r\nQuietMinutes=0\r\n"
                         "View=All\r\n"),
              std::string::npos)
        << Ini();
    Settle();

    for (const char* item : {"Watch", "Stop watching"}) {
        Press(Qt::RightButton, "M0NEAR", 2);
        Choose(OpenMenu(), item);
        EXPECT_EQ(Ini().find("Watch=PA3*,G4DIGI,M0NEAR\r\n") != std::string::npos,
                  item == std::string("Watch"))
            << Ini();
    }

    struct Step {
        const char* item;
        std::vector<std::string> rows;
        const char* kept;
    };
    for (const Step& s : {
             Step{"Watched stations", {"G4DIGI", "PA3AAA", "PA3WX"}, "Watched"},
             Step{"Within 15 km", {"M0NEAR", "PA3AAA", "PA3WX"}, "Near"},
             Step{"Hide weather stations and digipeaters", {"M0NEAR", "PA3AAA"}, "Near,NoWxDigi"},
             Step{"Watched stations", {"PA3AAA"}, "Watched,NoWxDigi"},
             Step{
                 "Hide weather stations and digipeaters", {"G4DIGI", "PA3AAA", "PA3WX"}, "Watched"},
             Step{"All stations", {"G4DIGI", "G4FAR", "M0NEAR", "PA3AAA", "PA3WX"}, "All"},
         }) {
        QMenuBar* bar = form->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(form->Menu("view")).center());
        Choose(OpenMenu(), s.item);
        Settle();
        std::vector<std::string> shown = ShownCalls();
        std::sort(shown.begin(), shown.end());
        EXPECT_EQ(shown, s.rows) << s.item;
        EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral("[%1/5]").arg(s.rows.size())))
            << form->windowTitle().toStdString();
        EXPECT_NE(Ini().find(std::string("View=") + s.kept + "\r\n"), std::string::npos) << s.item;
        if (!shots.isEmpty() && s.rows.size() == 2)
            form->grab().save(shots + QStringLiteral("/window-view-near.png"));
    }
    EXPECT_EQ(fs.LogText(), "");
}

// The About box's legal text and link; the host closing keeps the menu language, the log first.
TEST_F(UserInput, TheAboutBoxTheHelpLinkAndTheHostClosing) {
    Station("AAA1", 5);
    testing::FakeDde dde;
    form = std::make_unique<Form1>(Factory());
    form->SetDdeLayer(&dde);
    struct : windows::Opener, std::vector<std::string> {
        void Open(const std::string& t) override { push_back(t); }
    } opened;
    form->SetOpener(&opened);
    form->show();
    form->Form_Load();
    // A menu in Dutch: its help page once there is one, in a folder with a dot.
    Texts().HelpFilePath = (fs.folder.path() / "v1.0 board" / "Beaconboard.html").string();
    const std::filesystem::path english = Texts().HelpFilePath;
    const std::string dutch = (english.parent_path() / "Beaconboard_Nederlands.html").string();
    std::filesystem::create_directories(english.parent_path());
    form->Language()->language("Nederlands");
    form->Menu("mnuHelpHelp")->trigger();
    testing::WriteFile(dutch, "<html></html>");
    form->mnuHelpAbout_Click();
    windows::frm_About* about = form->AboutBox();
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->Label5->text().contains("Copyright") &&
                about->Label5->text().contains("General Public License") &&
                about->DisclaimerLabel->isVisible() &&
                about->DisclaimerLabel->text().contains("no warranty"));
    // No web site named by the build: the link is F1's help page, in the menu language.
    QTest::mouseClick(about->lblWebURL, Qt::LeftButton);
    form->Menu("mnuHelpHelp")->trigger();  // F1
    EXPECT_EQ(opened, (std::vector<std::string>{english.string(), dutch, dutch}));
    EXPECT_EQ(about->lblWebURL->text().toStdString(), dutch);
    WriteErrorLog("something to report");
    form->Language()->language("English");
    for (QAction* a : form->Menu("mnuOptionsLang")->menu()->actions())
        if (a->text() == "Nederlands") a->trigger();
    std::string logAtRadioClose;
    dde.onStopTopic = [&] {
        if (logAtRadioClose.empty()) logAtRadioClose = fs.LogText();
    };
    EXPECT_THROW(connection->events->mUIV_UIView32IsClosing(), testing::ProgramEnded);
    EXPECT_NE(Ini().find("CurrentLanguage=Nederlands"), std::string::npos) << Ini();
    // The log's closing line is written before the radio link closes.
    ASSERT_FALSE(logAtRadioClose.empty());
    EXPECT_NE(logAtRadioClose.find("Beaconboard shutdown"), std::string::npos) << logAtRadioClose;
    Close();  // before the radio programs go
}

}  // namespace
}  // namespace bb::app
