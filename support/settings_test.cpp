#include "support/settings.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>

#include "support/diagnostic_log.h"
#include "support/language.h"
#include "support/vbtypes.h"
#include "tests/fakes/comma_locale.h"
#include "tests/fakes/fake_language_menus.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/mounts.h"

namespace bb {
namespace {

namespace fs = std::filesystem;
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
    bool Has(const std::string& text) { return ReadFile(file).find(text) != std::string::npos; }
    std::size_t LogLinesWith(std::string_view what) {
        const auto lines = LogLines();
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& l) { return l.find(what) != l.npos; });
    }

    FakeSystem sys;
    fs::path file = sys.folder.path() / "Beaconboard.INI";
    Columns columns;
    testing::FakeLanguageMenus menus;
    std::unique_ptr<clsLanguage> language;
    SettingValues values;
    SettingsBinding binding;
};

// A first start takes the locale's language (by name or code), else English; a file keeps its own.
TEST_F(SettingsFile, AFirstStartChoosesTheLanguageOfTheLocale) {
    for (const auto& [locale, chosen] : {std::pair{"Deutsch", "Deutsch"},
                                         {"nl", "Nederlands"},
                                         {"DE", "Deutsch"},
                                         {"English", "English"},
                                         {"Klingon", "English"},
                                         {"", "English"}}) {
        fs::remove(file);
        sys.locale.items[sys::kLocaleSLanguage] = locale;
        ReadSettings(binding);
        EXPECT_EQ(language->get_language(), chosen) << locale;
        EXPECT_TRUE(Has(std::string("CurrentLanguage=") + chosen)) << locale;
    }
    sys.locale.items[sys::kLocaleSLanguage] = "Nederlands";
    Put("[Columns]\r\nVisible_1=TRUE\r\n");
    ReadSettings(binding);
    EXPECT_EQ(language->get_language(), "English");
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(SettingsFile, AFirstStartWritesEveryDefaultInOrder) {
    ReadSettings(binding);
    std::string expected = "[Columns]\r\n";
    for (int n = 1; n <= 17; ++n)
        expected += "Visible_" + std::to_string(n) + "=TRUE\r\n";
    expected +=
        "\r\n[Language]\r\nCurrentLanguage=Nederlands\r\n\r\n[Emergency]\r\nScan=TRUE\r\n"
        "Plot=TRUE\r\nAlarm=TRUE\r\nZoom=TRUE\r\nIgnoreOnDistance=TRUE\r\n"
        "IgnoreDistance=1000\r\nNotify=TRUE\r\n\r\n[Option_Units]\r\nFormatAgeMMSS=TRUE\r\n"
        "\r\n[Locator]\r\nFormatLocator=6\r\n\r\n[PHG]\r\nPlotOnMap=TRUE\r\n\r\n[Radio]\r\n"
        "SetToneAndOffset=TRUE\r\n\r\n[Alerts]\r\nWatch=\r\nNearKm=0\r\nQuietMinutes=0\r\n"
        "View=All";
    EXPECT_EQ(ReadFile(file), expected + "\r\n");
    EXPECT_FALSE(columns.visible[0]);  // the callsign column has no key
    EXPECT_TRUE(values.EmergencyScan && values.EmergencyPlot && values.EmergencyAlarm &&
                values.EmergencyZoom && values.EmergencyIgnoreOnDistance && values.FormatAgeMMSS &&
                values.PHGPlotOnMap && values.EmergencyNotify && values.SetToneAndOffset);
    EXPECT_TRUE(LogLines().empty());
    // A second start reads the file and changes nothing in it.
    const int replaced = sys.profile.FilesReplaced();
    ReadSettings(binding);
    EXPECT_EQ(sys.profile.FilesReplaced(), replaced);
}

TEST_F(SettingsFile, HandEditedValuesReadByTheirMeaning) {
    std::string scans;
    for (const char* text : {"yes", "On", "1", "'tRuE'", "no", "0", "", "enabled"}) {
        Put(std::string("[emergency]\r\n scan = ") + text + "\r\n");
        ReadSettings(binding);
        scans += values.EmergencyScan ? '1' : '0';
    }
    EXPECT_EQ(scans, "11110000");
    std::string numbers;
    for (const auto& [distance, locator] :
         {std::pair{"250 km", "7.5"}, {"abc", "6.5"}, {"  12.5", "8"}, {"-3", "\"10\""}}) {
        Put(std::string("[Emergency]\r\nIgnoreDistance=") + distance +
            "\r\n[Locator]\r\nFormatLocator=" + locator + "\r\n");
        ReadSettings(binding);
        numbers += NumberText(values.EmergencyIgnoreDistance) + "/" +
                   std::to_string(values.FormatLocator) + " ";
    }
    EXPECT_EQ(numbers, "250/8 0/6 12.5/8 -3/10 ");
    EXPECT_TRUE(LogLines().empty());
}

// Empty values read as off and stay empty until the next save; too long ones are cut at 499.
TEST_F(SettingsFile, EmptyAndLongValues) {
    Put("[Emergency]\r\nScan=\r\nIgnoreDistance=\r\n[Language]\r\nCurrentLanguage=" +
        std::string(600, 'L') + "\r\n");
    EXPECT_EQ(ReadIniString(file, "Language", "CurrentLanguage", ""), std::string(499, 'L'));
    ReadSettings(binding);
    EXPECT_EQ(std::pair(values.EmergencyScan, values.EmergencyIgnoreDistance),
              std::pair(false, 0.0));
    EXPECT_TRUE(Has("[Emergency]\r\nScan=\r\nIgnoreDistance=\r\n"));
    WriteSettings(binding);
    EXPECT_TRUE(Has("[Emergency]\r\nScan=FALSE\r\nIgnoreDistance=0\r\n"));
}

TEST_F(SettingsFile, NumbersTooLargeForTheirValueAreLoggedAndStartUpGoesOn) {
    Put("[Emergency]\r\nIgnoreDistance=1e999\r\n[Locator]\r\nFormatLocator=99999\r\n"
        "[PHG]\r\nPlotOnMap=FALSE\r\n");
    ReadSettings(binding);
    EXPECT_EQ(std::pair(values.EmergencyIgnoreDistance, int{values.FormatLocator}),
              std::pair(1000.0, 6));
    EXPECT_FALSE(values.PHGPlotOnMap);  // read after the bad one
    EXPECT_EQ(LogLinesWith("program error 6 in module A_GetSetIniFile.ReadSettings: Overflow"), 2u);
}

TEST_F(SettingsFile, ASaveKeepsTheUsersLinesAndWritesCapitalBooleans) {
    Put("; my station\n[emergency]\nscan = 'Yes'\nMyOwnKey=kept\n[Columns]\nVisible_3=no\n"
        "[Unknown]\nx=1\n");
    ReadSettings(binding);
    values.FormatAgeMMSS = false;
    values.EmergencyIgnoreDistance = 2.5;
    values.FormatLocator = 10;
    columns.visible[5] = false;
    WriteSettings(binding);
    EXPECT_EQ(ReadFile(file).rfind("; my station\r\n[emergency]\r\nscan=TRUE\r\n", 0), 0u);
    for (const char* line :
         {"MyOwnKey=kept", "[Unknown]\r\nx=1", "Visible_3=FALSE", "Visible_5=FALSE",
          "IgnoreDistance=2.5", "FormatLocator=10", "FormatAgeMMSS=FALSE",
          "[SETUP]\r\nLEFT=0\r\nTOP=0\r\nMINIMIZED=FALSE"})
        EXPECT_TRUE(Has(std::string("\r\n") + line + "\r\n")) << line;
}

// Another than the first start's (the locale's Nederlands), so that only the save can keep it.
TEST_F(SettingsFile, TheChosenLanguageIsSavedAndFoundAgainOnTheNextStart) {
    ReadSettings(binding);
    const auto it = std::find(menus.items.begin(), menus.items.end(), "Deutsch");
    language->mnuOptionsLangList_Click(static_cast<int>(it - menus.items.begin()) + 1);
    WriteSettings(binding);
    testing::FakeLanguageMenus fresh;
    clsLanguage again({fs::path(BB_SOURCE_DATA) / "language"}, fresh,
                      [] { return std::string("T"); });
    ReadSettings(SettingsBinding{file, &columns, &again, &values});
    EXPECT_EQ(again.get_language(), "Deutsch");
    EXPECT_EQ(fresh.captions["mnuFile"], "&Datei");
}

// A stored language without a file: the message once, and kept on a save.
TEST_F(SettingsFile, AStoredLanguageWithoutAFileShowsTheMessageOnceAndIsKept) {
    Put("[Language]\r\nCurrentLanguage=Klingon\r\n");
    ReadSettings(binding);
    ASSERT_EQ(sys.ui.boxes.size(), 1u);
    EXPECT_EQ(sys.ui.boxes[0].text, "can not locate language file for language Klingon.");
    EXPECT_TRUE(values.EmergencyScan);  // the rest is read as usual
    WriteSettings(binding);
    EXPECT_EQ(ReadIniString(file, "Language", "CurrentLanguage", ""), "Klingon");
}

// A file from before desktop notifications: the key joins its section last; a stored FALSE holds.
TEST_F(SettingsFile, TheNotifyKeyJoinsAnEarlierFileAfterItsEmergencyKeys) {
    Put("[Emergency]\r\nScan=FALSE\r\nIgnoreDistance=2.5\r\n[PHG]\r\nPlotOnMap=FALSE\r\n");
    ReadSettings(binding);
    EXPECT_TRUE(values.EmergencyNotify);
    EXPECT_TRUE(Has("[Emergency]\r\nScan=FALSE\r\nIgnoreDistance=2.5\r\n")) << ReadFile(file);
    EXPECT_TRUE(Has("Zoom=TRUE\r\nIgnoreOnDistance=TRUE\r\nNotify=TRUE\r\n[PHG]"))
        << ReadFile(file);
    values.EmergencyNotify = false;
    WriteSettings(binding);
    values.EmergencyNotify = true;
    ReadSettings(binding);
    EXPECT_FALSE(values.EmergencyNotify);
}

// Alert settings: a tidy list, whole numbers, a known view; anything else is logged and off.
TEST_F(SettingsFile, AlertSettingsReadByTheirMeaningAndBadOnesAreOff) {
    struct Case {
        const char *watch, *near, *view, *list;
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
        EXPECT_EQ(std::tuple(values.AlertWatch, values.AlertNearKm, values.AlertQuietMinutes,
                             values.AlertView, values.HideWeatherAndDigipeaters),
                  std::tuple(std::string(c.list), c.km, 0, c.shown, c.hide))
            << c.watch << c.view;
        EXPECT_EQ(LogLinesWith("[Alerts]"), c.logged + 1) << c.watch << c.near << c.view;
    }
    values.AlertQuietMinutes = 30;
    WriteSettings(binding);
    EXPECT_TRUE(Has("[Alerts]\r\nWatch=\r\nNearKm=0\r\nQuietMinutes=30\r\nView=All,NoWxDigi\r\n"));
}

TEST_F(SettingsFile, AByteOrderMarkHidesNoSectionAndStaysOnWrite) {
    Put("\xEF\xBB\xBF[Emergency]\r\nScan=FALSE\r\nIgnoreDistance=2.5\r\n");
    ReadSettings(binding);
    EXPECT_EQ(std::pair(values.EmergencyScan, values.EmergencyIgnoreDistance),
              std::pair(false, 2.5));
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
    EXPECT_TRUE(Has("IgnoreDistance=1234.75\r\n"));
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
    // A file that cannot be written is logged, not passed over in silence.
    SaveLanguageChoice(sys.folder.path() / "no such folder" / "Beaconboard.INI", "Deutsch");
    EXPECT_EQ(LogLinesWith("Settings not saved"), 1u);
}

// No folder, or a folder in the file's place: logged once per save, the program runs on defaults.
TEST_F(SettingsFile, AnUnwritableFileIsLoggedOnceAndTheProgramRunsOnTheDefaults) {
    binding.file = sys.folder.path() / "no such folder" / "Beaconboard.INI";
    ReadSettings(binding);
    EXPECT_EQ(std::pair(values.EmergencyScan, int{values.FormatLocator}), std::pair(true, 6));
    EXPECT_EQ(LogLinesWith("Settings not saved: cannot create a file beside"), 1u);
    EXPECT_TRUE(sys.ui.boxes.empty());
    WriteSettings(binding);
    EXPECT_EQ(LogLinesWith("Settings not saved"), 2u);
    fs::create_directory(file);
    binding.file = file;
    WriteSettings(binding);
    EXPECT_TRUE(fs::is_directory(file));
    EXPECT_EQ(LogLinesWith("Settings not saved"), 3u);
}

// Binary garbage and 10,000-character lines: the program reads what it can, the user's lines stay.
TEST_F(SettingsFile, GarbageHugeOrLongLinedFiles) {
    const std::string longLine = "[Notes]\r\nline=" + std::string(10000, 'x') + "\r\n";
    Put(longLine + "[Locator]\r\nFormatLocator=10\r\n" + testing::GarbageBytes(4u << 20));
    ReadSettings(binding);
    EXPECT_EQ(values.FormatLocator, 10);
    WriteSettings(binding);
    EXPECT_EQ(ReadFile(file).rfind(longLine, 0), 0u);  // the user's own section kept, whole
    EXPECT_TRUE(Has("FormatLocator=10"));
}

// A read-only disk: the save is logged with the reason and the file stays as it was.
TEST_F(SettingsFile, OnAReadOnlyDiskTheFileStaysAsItWas) {
    const std::string saved = "; mine\r\n[Locator]\r\nFormatLocator=8\r\n";
    const fs::path locked = sys.folder.path() / "locked";
    fs::create_directory(locked);
    binding.file = locked / "Beaconboard.INI";
    std::ofstream(binding.file, std::ios::binary) << saved;
    std::string why;
    auto readOnly = testing::ScopedMount::ReadOnly(locked, why);
    if (!readOnly) GTEST_SKIP() << why;
    ReadSettings(binding);  // read as usual; its save of new defaults fails
    values.FormatLocator = 10;
    WriteSettings(binding);
    EXPECT_EQ(ReadFile(binding.file), saved);
    EXPECT_GE(LogLinesWith(std::strerror(EROFS)), 1u);
    EXPECT_EQ(values.FormatLocator, 10);  // the program runs on what the user chose
}

}  // namespace
}  // namespace bb
