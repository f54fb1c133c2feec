// Every window, opened as the user opens it, in every shipped language: no text is wider than
// its control's room. Run at 96 and at 144 dots per inch (QT_FONT_DPI).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMenuBar>
#include <QTabWidget>
#include <map>

#include "tests/fakes/fake_dde.h"
#include "tests/fakes/main_window_fixture.h"
#include "tests/fakes/text_fit.h"
#include "tests/fakes/ui_driver.h"

namespace bb::app {
namespace {

class WindowTexts : public testing::MainWindow, protected testing::UiDriver {
  protected:
    void TearDown() override { Close(); }

    void Check(QWidget* window, const std::string& language, std::vector<std::string>& cut) {
        if (!window) return cut.push_back("missing window in " + language);
        window->show();
        QApplication::processEvents();
        // BB_SCREENSHOTS names a folder for a picture of each window, in English.
        const QString shots = qEnvironmentVariable("BB_SCREENSHOTS");
        int page = 0;
        auto add = [&](QWidget& w) {
            for (std::string& line : testing::CutTexts(w))
                cut.push_back(language + ": " + line);
            if (shots.isEmpty() || language != "English") return;
            static const std::map<QString, QString> kRoles = {{"", "main-window"},
                                                              {"Form2", "emergency-window"},
                                                              {"Form3", "tune-dialog"},
                                                              {"Form4", "legend-window"},
                                                              {"Form5", "details-window"},
                                                              {"frm_About", "about-box"},
                                                              {"frmOptions", "options-dialog"},
                                                              {"findField", "find-field"}};
            const auto role = kRoles.find(w.objectName());
            QString name = role == kRoles.end() ? w.objectName() : role->second;
            if (page > 0 || !w.findChildren<QTabWidget*>().isEmpty())
                name += QStringLiteral("-%1").arg(page);
            w.grab().save(shots + QStringLiteral("/window-") + name + QStringLiteral(".png"));
            ++page;
        };
        // Each page of a tab control in turn: hidden pages are not checked.
        const QList<QTabWidget*> tabs = window->findChildren<QTabWidget*>();
        if (tabs.isEmpty()) {
            add(*window);
        } else {
            for (int i = 0; i < tabs[0]->count(); ++i) {
                tabs[0]->setCurrentIndex(i);
                add(*window);
            }
        }
    }
};

TEST_F(WindowTexts, EveryTextFitsItsControlInEveryLanguage) {
    Station("PA3XYZ-9", 5,
            "!5230.00N/00453.20E>PHG9990/W3 Mobile QRV 1296.250MHz T123 -120 1750 R25k Emergency "
            "on the ridge");
    Station("DL0ZZZ-15", 5, "!PHG5134 438.625MHz");
    host.Know("PA3XYZ-9").Speed = 154;
    host.Know("PA3XYZ-9").Course = 359;
    host.Know("PA3XYZ-9").Latitude = -52.5f * 60;
    host.Know("PA3XYZ-9").Longitude = -104.888f * 60;
    host.Know("PA3XYZ-9").Distance = 12345.6f;
    host.Know("PA3XYZ-9").StatusText = "EMERGENCY";
    testing::FakeDde dde;
    dde.StartHrd();  // one program connected, the other not
    form = std::make_unique<Form1>(Factory());
    form->SetDdeLayer(&dde);
    form->show();
    form->Form_Load();
    Settle();

    std::vector<std::string> languages;
    for (const QString& f : QDir(BB_SOURCE_DATA "/language").entryList({"*.lf"}))
        languages.push_back(QFileInfo(f).completeBaseName().toStdString());
    ASSERT_GE(languages.size(), 3u);
    std::vector<std::string> cut;
    for (const std::string& language : languages) {
        form->Language()->language(language);
        const auto check = [&](QWidget* window) { Check(window, language, cut); };
        form->ShowFind();
        check(form.get());
        form->mnuConfig_Click();
        check(form->OptionsDialog());
        form->mnuOptionsLegend_Click();
        check(form->LegendWindow());
        form->mnuHelpAbout_Click();
        check(form->AboutBox());
        form->Wiring()->Grid().SetSelectedCall("PA3XYZ-9");
        form->mnuPopupDetails_Click();
        check(form->DetailsWindow());
        form->mnuPopupTune_Click();
        check(form->TuneDialog());
        check(EmergencyWindow("PA3XYZ-9"));
    }
    EXPECT_TRUE(cut.empty()) << ::testing::PrintToString(cut);
    // The grid's cells as the view shows them (callsigns, positions, locators, PHG,
    // frequencies), whole in their columns.
    platform::GridView& view = form->View();
    for (int r = 0; r < view.model()->rowCount(); ++r) {
        for (int c = 0; c < view.model()->columnCount(); ++c) {
            const QString text = view.model()->data(view.model()->index(r, c)).toString();
            EXPECT_LE(view.fontMetrics().horizontalAdvance(text) + 6, view.columnWidth(c))
                << r << "," << c << " " << text.toStdString();
        }
    }
    Close();  // before the radio programs go
}

}  // namespace
}  // namespace bb::app
