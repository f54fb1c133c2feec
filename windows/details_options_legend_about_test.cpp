// The details, legend, options and About windows offscreen: texts and buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <optional>
#include <set>

#include "stations/comment_decoder.h"
#include "support/diagnostic_log.h"
#include "support/system_api.h"
#include "tests/fakes/comma_locale.h"
#include "tests/fakes/fake_board.h"
#include "windows/about_box.h"
#include "windows/details_window.h"
#include "windows/legend_window.h"
#include "windows/options_dialog.h"

namespace bb::windows {
namespace {

class Windows : public ::testing::Test, protected testing::FakeBoard {
  protected:
    void SetUp() override { Common::Initialize(); }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::int32_t Moving(const std::string& call) {
        const std::int32_t i = AddRecord(call);
        StationRecord& r = Record(i);
        r.Latitude = 52 * 60 + 30;     // shown as 52.30.00N
        r.Longitude = 4 * 60 + 53.2f;  // and 004.53.20E
        r.Distance = 12.34;
        r.Bearing = 180;
        r.Speed = 54;
        r.Course = 90;
        r.BeaconText = "!5230.00N/00453.20E>";
        r.SetComment("Mobile QRV 145.500MHz T088 -060");
        ParseComment(r, r.Comment());
        return i;
    }
    // Distance, PHG, radio setup, the beacon button and the text it shows.
    static std::string Shown(const Form5& f) {
        QString out;
        for (const QString& t : {f.lblDistance->text(), f.lblPHG->text(), f.SetupLabel->text(),
                                 f.cmdBeaconComment->text(), f.lblBeacon->text()})
            out += (out.isEmpty() ? QString() : QStringLiteral("|")) + t;
        return out.toStdString();
    }
    // What the Tune button asked for: callsign and QSY text.
    std::vector<std::pair<std::string, std::string>>& tuned = actions.tunedRecords;
    Form5Services Services() { return {&board, &actions}; }
};

// Red pixels in a picture box as it is shown on the screen.
int RedPixels(QWidget& box, QRect part = {}) {
    const QImage image = box.grab().toImage();
    if (part.isNull()) part = image.rect();
    int red = 0;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 180 && c.green() < 90 && c.blue() < 90;
        }
    return red;
}

TEST_F(Windows, DetailsShowTheStationAsItStoodAtLoad) {
    const std::int32_t i = Moving("PA3XYZ-9");
    StationRecord& r = Record(i);
    r.HasPHG = true;
    *r.PHG = PHGInfo{.Height = 20, .Directivity = "Omni", .Power = 25, .Gain = 3};
    auto* f = new Form5(Services(), "PA3XYZ-9");
    EXPECT_EQ(f->StationIndex, i);
    f->show();
    // The omni station's circle red round the box's middle; the bearing arrow (180)
    // reaches the lower half, the course arrow (90) points right.
    const int w = f->Picture4->width(), h = f->Picture4->height();
    EXPECT_GT(RedPixels(*f->Picture4), 20);
    EXPECT_EQ(RedPixels(*f->Picture4, QRect(w / 2 - 2, h / 2 - 2, 5, 5)), 0);
    EXPECT_GT(RedPixels(*f->Picture2, QRect(0, h / 2 + 2, w, h / 2 - 2)), 0);
    EXPECT_GT(RedPixels(*f->Picture3, QRect(w / 2 + 2, 0, w / 2 - 2, h)),
              RedPixels(*f->Picture3, QRect(0, 0, w / 2 - 2, h)));
    f->cmdBeaconComment->click();  // the beacon button switches to the comment
    EXPECT_EQ(Shown(*f),
              "12.3|P=25W H=20Ft G=3dB D=Omni|T 88.5 Hz, \u2212600 kHz|cmnt|Mobile "
              "QRV 145.500MHz T088 -060");
    f->cmdTune->click();
    EXPECT_EQ(tuned, (std::vector<std::pair<std::string, std::string>>{{"PA3XYZ-9", "145.500"}}));
    f->close();

    // The PHGR form, a station at rest without QSY, and a callsign that is gone.
    const std::int32_t j = AddRecord("G4REST");
    Record(j).Speed = kNoSpeed;
    Record(j).HasPHGRate = true;
    *Record(j).PHG = PHGInfo{
        .Height = 80, .Directivity = "E", .Power = 9, .Gain = 6, .DirectivityCode = 2, .Rate = 4};
    f = new Form5(Services(), "G4REST");
    EXPECT_TRUE(f->Picture3->isHidden() && f->lblSpeed->isHidden() && f->lblCourse->isHidden());
    EXPECT_EQ(f->lblPHG->text(), "P=9W H=80Ft G=6dB D=E R=4");
    EXPECT_FALSE(f->cmdTune->isEnabled());
    f->close();
    f = new Form5(Services(), "NOBODY");
    EXPECT_EQ(f->windowTitle(), "Detail of NOBODY");
    EXPECT_EQ(f->lblLatitude->text(), "Latitude");
}

TEST_F(Windows, DetailsKeepTheirStationWhenTheTableIsCompacted) {
    // One superseded record before the shown one: compaction moves it down by one.
    AddRecord("OLD");
    for (int n = 0; n < 49; ++n)
        AddRecord("L" + std::to_string(n));
    const std::int32_t shown = Moving("PA3XYZ-9");
    const std::int32_t other = AddRecord("G4OTHER");
    Record(other).HasQSY = true;
    Record(other).QSY->Frequency = "438.100";
    Record(other).SetComment("other comment");
    for (int n = 49; n < 98; ++n)
        AddRecord("L" + std::to_string(n));
    for (int n = 0; n < 200; ++n)
        AddRecord("OLD");
    auto* f = new Form5(Services(), "PA3XYZ-9");
    ASSERT_EQ(f->StationIndex, shown);
    board.Table().MarkDeleted("OLD");
    board.Table().CompactIfWorthIt();
    // The index the window found now holds another station's record.
    ASSERT_EQ(board.Table()[shown].Callsign, "G4OTHER");
    f->cmdBeaconComment->click();
    f->cmdTune->click();
    EXPECT_EQ(f->lblBeacon->text(), "Mobile QRV 145.500MHz T088 -060");
    EXPECT_EQ(tuned, (std::vector<std::pair<std::string, std::string>>{{"PA3XYZ-9", "145.500"}}));
    f->close();
}

// A beacon text of 100 KB (a host may pass one on): the window keeps its size and draws.
TEST_F(Windows, AHugeBeaconTextKeepsTheDetailsWindowItsSize) {
    const std::int32_t i = Moving("BIG");
    Record(i).BeaconText = "!" + std::string(100000, 'x');
    Record(i).SetComment(std::string(50000, 'y') + " " + std::string(50000, 'z'));
    auto* f = new Form5(Services(), "BIG");
    f->show();
    const QSize size = f->size();
    for (int k = 0; k < 2; ++k) {
        f->cmdBeaconComment->click();
        QApplication::processEvents();
        EXPECT_EQ(f->size(), size);
        EXPECT_FALSE(f->grab().isNull());
    }
    EXPECT_LE(f->lblBeacon->height(), f->height());
    f->close();
}

// The legend at the top right of the primary screen; the About box's texts and link.
TEST_F(Windows, LegendPlaceAndAboutBox) {
    auto* legend = new Form4("UI-View Beaconboard V1.0.10");
    legend->show();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(legend->frameGeometry().topRight(), screen.topRight());
    struct : Opener, std::string {
        void Open(const std::string& t) override { append(t); }
    } opened;
    auto* f = new frm_About(opened, {"UI-View Beaconboard V1.0.10", "written by someone",
                                     "what it does", "https://example.org/", ""});
    f->lblWebURL_Click();
    EXPECT_EQ(opened, "https://example.org/");
    auto* g = new frm_About(opened, {"t", "a", "d", "w", "G4ABC Someone"});
    EXPECT_EQ(f->Label5->text() + "|" + g->Label5->text(), "Not set in Project!|G4ABC Someone");
}

class Options : public Windows, public OptionsActions {
  protected:
    std::string ColumnTitle(int c) override { return "col" + std::to_string(c); }
    void SelectColumns() override { calls.push_back("select"); }
    void RebuildGrid() override { calls.push_back("build"); }
    void SaveSettings() override { calls.push_back("write"); }
    struct Visibility final : ColumnVisibility {
        std::array<bool, 18> v{};
        int UpperBound() const override { return 17; }
        bool Visible(int c) const override { return v.at(static_cast<std::size_t>(c)); }
        void SetVisible(int c, bool on) override { v.at(static_cast<std::size_t>(c)) = on; }
    } columns;
    SettingValues values;
    std::vector<std::string> calls;
    frmOptions* Open() {
        values.EmergencyScan = true;
        values.EmergencyNotify = true;
        values.SetToneAndOffset = true;
        values.EmergencyIgnoreDistance = 250;
        values.FormatAgeMMSS = false;
        values.FormatLocator = 8;
        columns.v.fill(true);
        return new frmOptions({&columns, &values, this});
    }
};

TEST_F(Options, LoadsFromMemoryAndChangesActAtOnce) {
    frmOptions* f = Open();
    EXPECT_EQ(
        std::tuple(f->chkField[5]->text(), f->chkField[0]->isEnabled(), f->optAge[1]->isChecked(),
                   f->optLocator[1]->isChecked(), f->txtEmergencyIgnoreDistance->text()),
        std::tuple(QString("col5"), false, true, true, QString("250")));  // age in seconds
    f->chkEmergencyScan->click();
    EXPECT_FALSE(values.EmergencyScan);
    // The desktop notification's box, clicked where the user sees it.
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
    for (const auto& [page, box, value] : {std::tuple{1, f->NotifyBox, &values.EmergencyNotify},
                                           {2, f->ToneAndOffsetBox, &values.SetToneAndOffset}}) {
        f->tbsOptions->setCurrentIndex(page);
        ASSERT_TRUE(box->isVisible() && box->isChecked());
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, 11));
        EXPECT_FALSE(*value);
    }
    f->chkField[3]->click();
    EXPECT_FALSE(columns.v[3]);
    f->optLocator[2]->click();
    EXPECT_EQ(values.FormatLocator, 10);
    // "12a" keeps the distance and is logged; "1500" takes at once.
    f->txtEmergencyIgnoreDistance->setText("12a");
    EXPECT_EQ(values.EmergencyIgnoreDistance, 250);
    EXPECT_NE(fs.LogText().find("frmOptions.txtEmergencyIgnoreDistance_Change"), std::string::npos);
    f->txtEmergencyIgnoreDistance->setText("1500");
    EXPECT_EQ(values.EmergencyIgnoreDistance, 1500);
    // Cancel keeps what was changed in memory and writes nothing.
    f->cmdCancel->click();
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(values.EmergencyScan);
}

TEST_F(Options, TheDistanceInTheUsersCommaFormatReadsAndShowsWhole) {
    testing::CommaLocale comma;
    fs.locale.items[sys::kLocaleSDecimal] = ",";
    values.EmergencyIgnoreDistance = 2.5;
    frmOptions* f = new frmOptions({&columns, &values});
    EXPECT_EQ(f->txtEmergencyIgnoreDistance->text(), "2,5");
    f->show();
    f->tbsOptions->setCurrentIndex(1);
    // Typed over the old value: every text on the way is a number.
    f->txtEmergencyIgnoreDistance->selectAll();
    QTest::keyClicks(f->txtEmergencyIgnoreDistance, "12,75");
    EXPECT_EQ(values.EmergencyIgnoreDistance, 12.75);
    EXPECT_EQ(fs.LogText(), "");
    f->close();
}

// Whatever the order, each button does what is needed and no more.
TEST_F(Options, ApplyAlwaysRebuildsOkOnlyFromTheColumnsTab) {
    const auto done = [&] {
        std::set<std::string> out(calls.begin(), calls.end());
        calls.clear();
        return out;
    };
    frmOptions* f = Open();
    f->cmdApply->click();
    EXPECT_EQ(done(), (std::set<std::string>{"select", "write", "build"}));
    f->tbsOptions->setCurrentIndex(3);
    f->cmdApply->click();
    EXPECT_EQ(done(), (std::set<std::string>{"write", "build"}));
    f->cmdOK->click();
    EXPECT_EQ(done(), std::set<std::string>{"write"});
}

TEST(LocaleNumber, TheUsersDecimalSeparatorOnly) {
    for (bool processComma : {false, true}) {
        std::optional<testing::CommaLocale> comma;
        if (processComma) comma.emplace();
        EXPECT_EQ(LocaleNumber("1500", '.'), 1500);
        EXPECT_EQ(LocaleNumber("2.5", '.'), 2.5);
        EXPECT_EQ(LocaleNumber(" 2,5 ", ','), 2.5);
        for (const char* bad : {"", "12a", "1.5", "nan", "inf", "0x10", "1e999"})
            EXPECT_THROW(LocaleNumber(bad, ','), RuntimeError) << bad;
    }
}

}  // namespace
}  // namespace bb::windows
