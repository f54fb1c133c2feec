#include "support/settings.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>

#include "support/diagnostic_log.h"
#include "support/language.h"
#include "tests/fakes/comma_locale.h"
#include "tests/fakes/fake_language_menus.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/mounts.h"

namespace bb {
namespace {

namespace fs = std::filesystem;
using testing::CrLfLines;
using testing::FakeSystem;
using testing::ReadFile;

class Columns final : public ColumnVisibility {
  public:
    std::array<bool, 18> visible{};
    int UpperBound() const override { return 17; }
    bool Visible(int c) const override { return visible.at(c); }
    void SetVisible(int c, bool v) override { visible.at(c) = v; }
};

class SettingsFile : public ::testing::Test {
  protected:
    SettingsFile() {
        Common::Initialize();
        const fs::path shipped = fs::path(BB_SOURCE_DATA) / "language";
        language = std::make_unique<clsLanguage>(std::vector<fs::path>{shipped}, menus,
                                                 [] { return std::string("T"); });
        binding = SettingsBinding{file, &columns, language.get(), &values};
    }
    void Put(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
    std::vector<std::string> LogLines() {
        return fs::exists(sys.LogFilePath()) ? sys.LogLines() : std::vector<std::string>{};
    }
    std::size_t LogLinesWith(std::string_view what) {
        std::size_t n = 0;
        for (const auto& l : LogLines())
            n += l.find(what) != std::string::npos;
        return n;
    }

    FakeSystem sys;
    fs::path file = sys.folder.path() / "Beaconboard.INI";
    Columns columns;
    testing::FakeLanguageMenus menus;
    std::unique_ptr<clsLanguage> language;
    SettingValues values;
    SettingsBinding binding;
};

// A first start chooses the shipped language the locale names, by its own
// name or, where the locale is not installed, by its code; else English.
// A settings file that exists keeps its language, or English without one.
TEST_F(SettingsFile, AFirstStartChoosesTheLanguageOfTheLocale) {
    for (const auto& [locale, chosen] :
         std::vector<std::pair<std::string, std::string>>{{"Deutsch", "Deutsch"},
                                                          {"nl", "Nederlands"},
                                                          {"DE", "Deutsch"},
                                                          {"English", "English"},
                                                          {"Klingon", "English"},
                                                          {"", "English"}}) {
        fs::remove(file);
        sys.locale.items[sys::kLocaleSLanguage] = locale;
        ReadSettings(binding);
        EXPECT_EQ(language->get_language(), chosen) << locale;
        EXPECT_NE(ReadFile(file).find("CurrentLanguage=" + chosen), std::string::npos) << locale;
    }
    sys.locale.items[sys::kLocaleSLanguage] = "Nederlands";
    Put("[Columns]\r\nVisible_1=TRUE\r\n");
    ReadSettings(binding);
    EXPECT_EQ(language->get_language(), "English");
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(SettingsFile, AFirstStartWritesEveryDefaultInOrder) {
    ReadSettings(binding);
    std::vector<std::string> expected{"[Columns]"};
    for (int n = 1; n <= 17; ++n)
        expected.push_back("Visible_" + std::to_string(n) + "=TRUE");
    for (const char* l : {"",
                          "[Language]",
                          "CurrentLanguage=Nederlands",
                          "",
                          "[Emergency]",
                          "Scan=TRUE",
                          "Plot=TRUE",
                          "Alarm=TRUE",
                          "Zoom=TRUE",
                          "IgnoreOnDistance=TRUE",
                          "IgnoreDistance=1000",
                          "Notify=TRUE",
                          "",
                          "[Option_Units]",
                          "FormatAgeMMSS=TRUE",
                          "",
                          "[Locator]",
                          "FormatLocator=6",
                          "",
                          "[PHG]",
                          "PlotOnMap=TRUE",
                          "",
                          "[Radio]",
                          "SetToneAndOffset=TRUE",
                          "",
                          "[Alerts]",
                          "Watch=",
                          "NearKm=0",
                          "QuietMinutes=0",
                          "View=All"}) {
        expected.push_back(l);
    }
    EXPECT_EQ(CrLfLines(ReadFile(file)), expected);

    EXPECT_FALSE(columns.visible[0]);  // the callsign column has no key
    for (int n = 1; n <= 17; ++n)
        EXPECT_TRUE(columns.visible[n]) << n;
    EXPECT_TRUE(values.EmergencyScan && values.EmergencyPlot && values.EmergencyAlarm &&
                values.EmergencyZoom && values.EmergencyIgnoreOnDistance && values.FormatAgeMMSS &&
                values.PHGPlotOnMap && values.EmergencyNotify && values.SetToneAndOffset);
    EXPECT_EQ(values.EmergencyIgnoreDistance, 1000);
    EXPECT_EQ(values.FormatLocator, 6);
    // The first start speaks the user's language (the test's locale is Dutch).
    EXPECT_EQ(language->get_language(), "Nederlands");
    EXPECT_EQ(menus.captions["mnuFile"], "&Bestand");
    EXPECT_TRUE(LogLines().empty());

    // A second start reads the file and changes nothing in it.
    const std::string before = ReadFile(file);
    const int replaced = sys.profile.FilesReplaced();
    ReadSettings(binding);
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_EQ(sys.profile.FilesReplaced(), replaced);
}

TEST_F(SettingsFile, HandEditedValuesReadByTheirMeaning) {
    struct Case {
        const char* text;
        bool scan;
    };
    for (auto [text, expected] :
         {Case{"yes", true}, Case{"On", true}, Case{"1", true}, Case{"'tRuE'", true},
          Case{"no", false}, Case{"0", false}, Case{"", false}, Case{"enabled", false}}) {
        Put(std::string("[emergency]\r\n scan = ") + text + "\r\n");
        ReadSettings(binding);
        EXPECT_EQ(values.EmergencyScan, expected) << text;
    }
    struct Num {
        const char* distance;
        double km;
        const char* locator;
        int digits;
    };
    for (auto n : {Num{"250 km", 250, "7.5", 8}, Num{"abc", 0, "6.5", 6},
                   Num{"  12.5", 12.5, "8", 8}, Num{"-3", -3, "\"10\"", 10}}) {
        Put(std::string("[Emergency]\r\nIgnoreDistance=") + n.distance +
            "\r\n[Locator]\r\nFormatLocator=" + n.locator + "\r\n");
        ReadSettings(binding);
        EXPECT_EQ(values.EmergencyIgnoreDistance, n.km) << n.distance;
        EXPECT_EQ(values.FormatLocator, n.digits) << n.locator;
    }
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(SettingsFile, AnEmptyValueStaysEmptyUntilTheNextSave) {
    Put("[Emergency]\r\nScan=\r\nIgnoreDistance=\r\n");
    ReadSettings(binding);
    EXPECT_FALSE(values.EmergencyScan);
    EXPECT_EQ(values.EmergencyIgnoreDistance, 0);
    auto lines = CrLfLines(ReadFile(file));
    EXPECT_EQ(lines[1], "Scan=");
    EXPECT_EQ(lines[2], "IgnoreDistance=");
    WriteSettings(binding);
    EXPECT_EQ(ReadIniString(file, "Emergency", "Scan", "x"), "FALSE");
    EXPECT_EQ(ReadIniString(file, "Emergency", "IgnoreDistance", "x"), "0");
}

TEST_F(SettingsFile, NumbersTooLargeForTheirValueAreLoggedAndStartUpGoesOn) {
    Put("[Emergency]\r\nIgnoreDistance=1e999\r\n[Locator]\r\nFormatLocator=99999\r\n"
        "[PHG]\r\nPlotOnMap=FALSE\r\n");
    ReadSettings(binding);
    EXPECT_EQ(values.EmergencyIgnoreDistance, 1000);
    EXPECT_EQ(values.FormatLocator, 6);
    EXPECT_FALSE(values.PHGPlotOnMap);  // read after the bad one
    EXPECT_EQ(LogLinesWith("program error 6 in module A_GetSetIniFile.ReadSettings: Overflow"), 2u);
}

TEST_F(SettingsFile, ASaveKeepsTheUsersLinesAndWritesCapitalBooleans) {
    Put("; my station\n"
        "[emergency]\n"
        "scan = 'Yes'\n"
        "MyOwnKey=kept\n"
        "[Columns]\n"
        "Visible_3=no\n"
        "[Unknown]\n"
        "x=1\n");
    ReadSettings(binding);
    values.FormatAgeMMSS = false;
    values.EmergencyIgnoreDistance = 2.5;
    values.FormatLocator = 10;
    columns.visible[5] = false;
    WriteSettings(binding);

    const auto lines = CrLfLines(ReadFile(file));
    auto has = [&](const std::string& l) {
        return std::find(lines.begin(), lines.end(), l) != lines.end();
    };
    EXPECT_EQ(lines[0], "; my station");
    EXPECT_EQ(lines[1], "[emergency]");
    EXPECT_EQ(lines[2], "scan=TRUE");
    EXPECT_TRUE(has("MyOwnKey=kept"));
    EXPECT_TRUE(has("[Unknown]") && has("x=1"));
    EXPECT_TRUE(has("Visible_3=FALSE"));
    EXPECT_TRUE(has("Visible_5=FALSE"));
    EXPECT_TRUE(has("IgnoreDistance=2.5"));
    EXPECT_TRUE(has("FormatLocator=10"));
    EXPECT_TRUE(has("FormatAgeMMSS=FALSE"));
    // The SETUP keys go into a section of their own at the end.
    const auto setup = std::find(lines.begin(), lines.end(), "[SETUP]");
    ASSERT_NE(setup, lines.end());
    EXPECT_EQ(std::vector<std::string>(setup + 1, setup + 4),
              (std::vector<std::string>{"LEFT=0", "TOP=0", "MINIMIZED=FALSE"}));
    EXPECT_EQ(ReadIniString(file, "emergency", "myownkey", ""), "kept");
}

TEST_F(SettingsFile, TheChosenLanguageIsSavedAndFoundAgainOnTheNextStart) {
    ReadSettings(binding);
    const auto it = std::find(menus.items.begin(), menus.items.end(), "Nederlands");
    ASSERT_NE(it, menus.items.end());
    language->mnuOptionsLangList_Click(static_cast<int>(it - menus.items.begin()) + 1);
    WriteSettings(binding);
    EXPECT_EQ(ReadIniString(file, "Language", "CurrentLanguage", ""), "Nederlands");

    testing::FakeLanguageMenus fresh;
    clsLanguage again({fs::path(BB_SOURCE_DATA) / "language"}, fresh,
                      [] { return std::string("T"); });
    ReadSettings(SettingsBinding{file, &columns, &again, &values});
    EXPECT_EQ(again.get_language(), "Nederlands");
    EXPECT_EQ(fresh.captions["mnuFile"], "&Bestand");
}

// A stored language without a file: the message once, and kept on a save.
TEST_F(SettingsFile, AStoredLanguageWithoutAFileShowsTheMessageOnceAndIsKept) {
    Put("[Language]\r\nCurrentLanguage=Klingon\r\n");
    ReadSettings(binding);
    ASSERT_EQ(sys.ui.boxes.size(), 1u);
    EXPECT_EQ(sys.ui.boxes[0].text, "can not locate language file for language Klingon.");
    EXPECT_EQ(menus.captions["mnuFile"], "* File");
    EXPECT_TRUE(values.EmergencyScan);  // the rest is read as usual
    WriteSettings(binding);
    EXPECT_EQ(ReadIniString(file, "Language", "CurrentLanguage", ""), "Klingon");
}

// A file from before desktop notifications: the new key comes after the
// section's own, which keep their values and order; a stored FALSE holds.
TEST_F(SettingsFile, TheNotifyKeyJoinsAnEarlierFileAfterItsEmergencyKeys) {
    Put("[Emergency]\r\nScan=FALSE\r\nIgnoreDistance=2.5\r\n[PHG]\r\nPlotOnMap=FALSE\r\n");
    ReadSettings(binding);
    EXPECT_TRUE(values.EmergencyNotify);
    const std::string text = ReadFile(file);
    EXPECT_NE(text.find("[Emergency]\r\nScan=FALSE\r\nIgnoreDistance=2.5\r\n"), std::string::npos)
        << text;
    const std::size_t notify = text.find("Notify=TRUE"), phg = text.find("[PHG]");
    ASSERT_NE(notify, std::string::npos) << text;
    EXPECT_LT(text.find("Zoom=TRUE"), notify);
    EXPECT_LT(notify, phg);

    values.EmergencyNotify = false;
    WriteSettings(binding);
    values.EmergencyNotify = true;
    ReadSettings(binding);
    EXPECT_FALSE(values.EmergencyNotify);
    EXPECT_NE(ReadFile(file).find("Notify=FALSE"), std::string::npos);
}

// Hand-edited alert settings: a tidy list, whole numbers, a known view;
// anything else is logged and reads as off, and the rest of the list holds.
TEST_F(SettingsFile, AlertSettingsReadByTheirMeaningAndBadOnesAreOff) {
    struct Case {
        const char* watch;
        const char* near;
        const char* view;
        const char* list;
        int km;
        SettingValues::StationView shown;
        bool hide;
        std::size_t logged;
    };
    using V = SettingValues::StationView;
    for (const Case& c : {
             Case{" pa3xyz-9 , G4*,,*-9", " 25 ", "watched", "PA3XYZ-9,G4*,*-9", 25, V::Watched,
                  false, 0},
             Case{"PA3/X,G4ABC,WAYTOOLONGCALL", "12.5", "Near,NoWxDigi", "G4ABC", 0, V::Near, true,
                  3},
             Case{"", "-3", "Some", "", 0, V::All, false, 2},
             Case{"", "", "All,nowxdigi", "", 0, V::All, true, 0},
         }) {
        fs::remove(sys.LogFilePath());
        Put(std::string("[Alerts]\r\nWatch=") + c.watch + "\r\nNearKm=" + c.near +
            "\r\nQuietMinutes=99999999\r\nView=" + c.view + "\r\n");
        ReadSettings(binding);
        EXPECT_EQ(values.AlertWatch, c.list) << c.watch;
        EXPECT_EQ(values.AlertNearKm, c.km) << c.near;
        EXPECT_EQ(values.AlertQuietMinutes, 0);
        EXPECT_EQ(values.AlertView, c.shown) << c.view;
        EXPECT_EQ(values.HideWeatherAndDigipeaters, c.hide) << c.view;
        EXPECT_EQ(LogLinesWith("[Alerts]"), c.logged + 1) << c.watch << c.near << c.view;
    }
    values.AlertQuietMinutes = 30;
    WriteSettings(binding);
    EXPECT_NE(ReadFile(file).find("[Alerts]\r\nWatch=\r\nNearKm=0\r\nQuietMinutes=30\r\n"
                                  "View=All,NoWxDigi\r\n"),
              std::string::npos)
        << ReadFile(file);
}

TEST_F(SettingsFile, AByteOrderMarkHidesNoSectionAndStaysOnWrite) {
    Put("\xEF\xBB\xBF[Emergency]\r\nScan=FALSE\r\nIgnoreDistance=2.5\r\n");
    ReadSettings(binding);
    EXPECT_FALSE(values.EmergencyScan);
    EXPECT_EQ(values.EmergencyIgnoreDistance, 2.5);
    WriteSettings(binding);
    const std::string text = ReadFile(file);
    EXPECT_TRUE(text.starts_with("\xEF\xBB\xBF[Emergency]\r\nScan=FALSE\r\n")) << text;
    EXPECT_EQ(text.find("[Emergency]", 4), std::string::npos);  // one section, not two
}

// Under a decimal comma the file still reads and writes a full stop.
TEST_F(SettingsFile, AFileWrittenUnderOneLocaleReadsTheSameUnderTheOther) {
    Put("[Emergency]\r\nIgnoreDistance=2.5\r\n");
    testing::CommaLocale comma;
    ReadSettings(binding);
    EXPECT_EQ(values.EmergencyIgnoreDistance, 2.5);
    values.EmergencyIgnoreDistance = 1234.75;
    WriteSettings(binding);
    EXPECT_NE(ReadFile(file).find("IgnoreDistance=1234.75\r\n"), std::string::npos);
    values.EmergencyIgnoreDistance = 0;
    ReadSettings(binding);
    EXPECT_EQ(values.EmergencyIgnoreDistance, 1234.75);
}

TEST_F(SettingsFile, LongValuesAreReadAsTheirFirst499Characters) {
    Put("[Language]\r\nCurrentLanguage=" + std::string(600, 'L') + "\r\n");
    EXPECT_EQ(ReadIniString(file, "Language", "CurrentLanguage", ""), std::string(499, 'L'));
}

TEST_F(SettingsFile, TheLanguageChosenFromTheMenuIsKeptAndNothingElseChanges) {
    Put("[Options]\r\nScan=1\r\n[Language]\r\nCurrentLanguage=English\r\n");
    SaveLanguageChoice(file, "Nederlands");
    EXPECT_EQ(ReadFile(file),
              "[Options]\r\nScan=1\r\n[Language]\r\nCurrentLanguage=Nederlands\r\n");
    // No language file found, or the same language: the file is not touched.
    const auto written = fs::last_write_time(file);
    fs::last_write_time(file, written - std::chrono::hours(1));
    SaveLanguageChoice(file, "");
    SaveLanguageChoice(file, "Nederlands");
    EXPECT_EQ(fs::last_write_time(file), written - std::chrono::hours(1));
    EXPECT_EQ(ReadIniString(file, "Language", "CurrentLanguage", ""), "Nederlands");
    // A file that cannot be written is logged, not passed over in silence.
    SaveLanguageChoice(sys.folder.path() / "no such folder" / "Beaconboard.INI", "Deutsch");
    EXPECT_EQ(LogLinesWith("Settings not saved"), 1u);
}

TEST_F(SettingsFile, AnUnwritableFileIsLoggedOnceAndTheProgramRunsOnTheDefaults) {
    binding.file = sys.folder.path() / "no such folder" / "Beaconboard.INI";
    ReadSettings(binding);
    EXPECT_TRUE(values.EmergencyScan);
    EXPECT_EQ(values.FormatLocator, 6);
    EXPECT_EQ(LogLinesWith("Settings not saved: cannot create a file beside"), 1u);
    EXPECT_TRUE(sys.ui.boxes.empty());
    WriteSettings(binding);
    EXPECT_EQ(LogLinesWith("Settings not saved"), 2u);  // one line per save
}

// Binary garbage, a huge file, 10,000-character lines, and a folder where the
// file should be: the program runs on what it can read, the user's lines stay.
TEST_F(SettingsFile, GarbageHugeOrLongLinedFilesAndAFolderInTheFilesPlace) {
    const std::string garbage = testing::GarbageBytes(4u << 20);
    const std::string longLine = "[Notes]\r\nline=" + std::string(10000, 'x') + "\r\n";
    Put(longLine + "[Locator]\r\nFormatLocator=10\r\n" + garbage);
    ReadSettings(binding);
    EXPECT_EQ(values.FormatLocator, 10);
    WriteSettings(binding);
    const std::string after = ReadFile(file);
    EXPECT_EQ(after.rfind(longLine, 0), 0u);  // the user's own section kept, whole
    EXPECT_NE(after.find("FormatLocator=10"), std::string::npos);

    fs::remove(file);
    fs::create_directory(file);
    SettingValues fresh;
    binding.values = &fresh;
    ReadSettings(binding);
    WriteSettings(binding);
    EXPECT_EQ(fresh.FormatLocator, 6);  // the defaults
    EXPECT_TRUE(fs::is_directory(file));
    EXPECT_GE(LogLinesWith("Settings not saved"), 1u);
}

// Real disks: a read-only one and a full one. The save is logged with the
// system's reason, the file stays as it was, and the next save after the
// disk has room again writes it.
TEST_F(SettingsFile, OnAReadOnlyOrFullDiskTheFileStaysAsItWas) {
    const std::string saved = "; mine\r\n[Locator]\r\nFormatLocator=8\r\n";
    const fs::path locked = sys.folder.path() / "locked";
    fs::create_directory(locked);
    binding.file = locked / "Beaconboard.INI";
    std::ofstream(binding.file, std::ios::binary) << saved;
    std::string why;
    {
        auto readOnly = testing::ScopedMount::ReadOnly(locked, why);
        if (!readOnly) GTEST_SKIP() << why;
        ReadSettings(binding);  // read as usual; its save of new defaults fails
        EXPECT_EQ(values.FormatLocator, 8);
        values.FormatLocator = 10;
        WriteSettings(binding);
        EXPECT_EQ(ReadFile(binding.file), saved);
    }
    EXPECT_GE(LogLinesWith(std::strerror(EROFS)), 1u);
    EXPECT_EQ(values.FormatLocator, 10);  // the program runs on what the user chose

    const fs::path disk = sys.folder.path() / "disk";
    fs::create_directory(disk);
    auto small = testing::ScopedMount::SmallDisk(disk, 64 * 1024, why);
    ASSERT_TRUE(small) << why;
    binding.file = disk / "Beaconboard.INI";
    std::ofstream(binding.file, std::ios::binary) << saved;
    testing::FillDisk(disk);
    WriteSettings(binding);
    EXPECT_EQ(ReadFile(binding.file), saved);
    EXPECT_GE(LogLinesWith(std::strerror(ENOSPC)), 1u);
    fs::remove(disk / "filler");
    WriteSettings(binding);
    EXPECT_EQ(ReadIniString(binding.file, "Locator", "FormatLocator", ""), "10");
    EXPECT_EQ(ReadFile(binding.file).rfind("; mine\r\n", 0), 0u);
}

}  // namespace
}  // namespace bb
