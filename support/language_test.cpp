#include "support/language.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "support/app_paths.h"
#include "support/diagnostic_log.h"
#include "tests/fakes/fake_language_menus.h"
#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

namespace fs = std::filesystem;
using testing::FakeLanguageMenus;
using testing::FakeSystem;

class Languages : public ::testing::Test {
  protected:
    Languages() {
        fs::create_directory(folder);
        Common::Initialize();
    }
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary) << bytes;
    }
    clsLanguage& Make() {
        lang = std::make_unique<clsLanguage>(std::vector<fs::path>{folder}, menus,
                                             [] { return std::string("Title V1"); });
        return *lang;
    }
    std::string Captions(std::initializer_list<const char*> names) {
        std::string out;
        for (const char* n : names)
            out += menus.captions[n] + "|";
        return out;
    }

    FakeSystem fs;
    fs::path folder = fs.folder.path() / "language";
    FakeLanguageMenus menus;
    std::unique_ptr<clsLanguage> lang;
};

TEST_F(Languages, AFileWithOneEntryTranslatesItAndMarksTheRest) {
    Write("nl.lf", "DEF=Nederlands\r\nVER=3\r\nMENU0001=Bestand\r\n");
    auto& l = Make();
    ASSERT_EQ(menus.items, std::vector<std::string>{"Nederlands"});
    EXPECT_TRUE(menus.checked.empty());
    EXPECT_EQ(l.LanguageList()[0].version, 3);

    l.mnuOptionsLangList_Click(1);
    EXPECT_EQ(l.get_language(), "Nederlands");
    EXPECT_TRUE(menus.checked[1]);
    // Every other menu keeps its English text, marked.
    EXPECT_EQ(Captions({"mnuFile", "mnuFileExit", "viewNear"}), "Bestand|* Exit|* Within %1 km|");
    EXPECT_EQ(menus.captions.size(), 12u);
    EXPECT_TRUE(fs.ui.boxes.empty());
}

TEST_F(Languages, EntryLinesFollowTheFileRulesExactly) {
    Write("x.lf",
          "\r\n; comment first\r\nDEF=Test\r\n\r\nMENU0002=E=xit\r\nMENU0001 =with a blank\r\n"
          "; MENU0003=commented out\r\nDEF=Second\r\nno equals sign here\r\n"
          "\xff\xfeMENU0004=after a mark\r\nMENU0005=\r\nmenu0003=wrong case\n"
          "MENU0002=second loses\nVER=2.5");
    auto& l = Make();
    ASSERT_EQ(l.LanguageList().size(), 1u);
    EXPECT_EQ(l.LanguageList()[0].version, 2);  // a half goes to the even neighbour
    l.language("Test");
    std::string got;
    for (const char* key :
         {"MENU0002", "MENU0001", "MENU0001 ", "MENU0003", "DEF", "MENU0004", "MENU0005"})
        got += l.lookup(key, "en") + "|";
    EXPECT_EQ(got, "E=xit|* en|with a blank|* en|Second|after a mark|* en|");
    EXPECT_EQ(l.TranslationTable().size(), 7u);
}

TEST_F(Languages, NamesAndTextsInWindows1252OrWithAUtf8MarkAreRead) {
    Write("fr.lf", "DEF=Fran\347ais\r\nMENU0004=\300 propos\r\n");
    Write("de.lf", "\357\273\277DEF=Deutsch\nMENU0004=\303\234ber\n");
    auto& l = Make();
    ASSERT_EQ(menus.items, (std::vector<std::string>{"Deutsch", "Fran\303\247ais"}));
    l.language("Fran\303\247ais");
    EXPECT_EQ(menus.captions["mnuHelpAbout"], "\xc3\x80 propos");
    l.mnuOptionsLangList_Click(1);
    EXPECT_EQ(menus.captions["mnuHelpAbout"], "\303\234ber");
    EXPECT_EQ(std::pair(menus.checked[1], menus.checked[2]), std::pair(true, false));
}

TEST_F(Languages, AMissingLanguageShowsTheMessageAndKeepsTheCurrentTexts) {
    Write("en.lf", "DEF=English\r\nMENU0001=&File\r\n");
    auto& l = Make();
    l.language("English");
    l.language("Klingon");
    ASSERT_EQ(fs.ui.boxes.size(), 1u);
    const auto& box = fs.ui.boxes[0];
    EXPECT_EQ(std::tuple(box.text, box.caption, box.style),
              std::tuple("can not locate language file for language Klingon.", "Title V1",
                         sys::kMbIconStop));
    EXPECT_EQ(l.get_language() + menus.captions["mnuFile"], "English&File");
    l.language("english");  // names compare with exact case
    EXPECT_EQ(fs.ui.boxes.size(), 2u);
}

TEST_F(Languages, NoLanguageFolderLeavesAnEmptyListAndMarkedDefaults) {
    fs::remove(folder);
    auto& l = Make();
    EXPECT_EQ(std::pair(menus.items.size(), menus.listFills), std::pair(std::size_t{0}, 1));
    l.language("English");
    EXPECT_EQ(fs.ui.boxes.size(), 1u);
    EXPECT_EQ(l.get_language() + menus.captions["mnuFile"], "* File");
    EXPECT_THROW(l.mnuOptionsLangList_Click(1), RuntimeError);
}

TEST_F(Languages, AVersionLineBelongsOnlyToItsOwnFile) {
    Write("a.lf", "DEF=A\r\nVER=4\r\n");
    Write("b.lf", "VER=9\r\nMENU0001=x\r\n");  // no name: not a language
    Write("c.lf", "DEF=C\r\nVER=99999\r\nMENU0001=still read\r\n");
    auto& l = Make();
    ASSERT_EQ(l.LanguageList().size(), 2u);
    EXPECT_EQ((std::vector<int>{l.LanguageList()[0].version, l.LanguageList()[1].version}),
              (std::vector<int>{4, 0}));
    l.language("C");
    EXPECT_EQ(menus.captions["mnuFile"], "still read");
    auto errors = fs.Errors();
    ASSERT_EQ(errors.size(), 2u);  // once while scanning, once on switching
    EXPECT_NE(errors[0].find("error 6 in module clsLanguage.read_languageFile"), std::string::npos);
}

// Unreadable files are logged, the others offered; long lines and garbage cost only themselves.
TEST_F(Languages, UnreadableFilesAreLoggedAndTheOthersStillOffered) {
    const std::string garbage = testing::GarbageBytes(4u << 20);
    Write("good.lf", "DEF=Good\r\nNOTE=" + std::string(10000, 'x') + "\r\nMENU0001=Datei\r\n" +
                         garbage.substr(0, 900000));
    fs::create_directory(folder / "folder.lf");
    Write("huge.lf", "DEF=Huge\r\n" + garbage);
    Write("other.txt", "DEF=NotALanguageFile\r\n");
    Write("UPPER.LF", "DEF=Upper\r\n");
    const bool root = ::geteuid() == 0;
    if (!root) {
        Write("locked.lf", "DEF=Locked\r\n");
        ::chmod((folder / "locked.lf").c_str(), 0);
    }
    auto& l = Make();
    EXPECT_EQ(menus.items, (std::vector<std::string>{"Upper", "Good"}));
    auto errors = fs.Errors();
    ASSERT_EQ(errors.size(), root ? 1u : 2u);
    EXPECT_NE(errors[0].find("error 7 in module clsLanguage.read_languageFile"), std::string::npos);
    l.language("Good");
    EXPECT_EQ(Captions({"mnuFile", "mnuFileExit"}), "Datei|* Exit|");
    // A file gone after the scan: the marked defaults, and the program runs on.
    fs::remove(folder / "good.lf");
    l.language("Good");
    EXPECT_EQ(l.get_language() + menus.captions["mnuFile"], "Good* File");
    EXPECT_EQ(l.LanguageList().size(), 2u);  // switching adds nothing to the list
    EXPECT_EQ(fs.Errors().size(), errors.size() + 1);
}

TEST_F(Languages, TheUsersOwnFolderComesBeforeTheShippedOnes) {
    AppPaths p{"/opt/bb/bin",
               "B",
               "/home/u/.local/share/beaconboard",
               {"/opt/bb/bin", "/opt/bb/share/beaconboard"},
               "/c",
               "/s"};
    EXPECT_EQ(
        LanguageFolders(p),
        (std::vector<fs::path>{"/home/u/.local/share/beaconboard/language", "/opt/bb/bin/language",
                               "/opt/bb/share/beaconboard/language"}));
    AppPaths portable{"/bb", "B", "/bb", {"/bb"}, {}, {}};
    EXPECT_EQ(LanguageFolders(portable), std::vector<fs::path>{"/bb/language"});
}

TEST_F(Languages, ALanguageInTwoFoldersIsListedOnceWithTheUsersOwnFile) {
    const fs::path shipped = fs.folder.path() / "shipped";
    fs::create_directory(shipped);
    Write("../shipped/English.lf", "DEF=English\r\nMENU0001=&File\r\n");
    Write("../shipped/Nederlands.lf", "DEF=Nederlands\r\n");
    Write("English.lf", "DEF=English\r\nMENU0001=&My file\r\n");
    clsLanguage both(std::vector<fs::path>{folder, shipped}, menus,
                     [] { return std::string("T"); });
    EXPECT_EQ(menus.items, (std::vector<std::string>{"English", "Nederlands"}));
    both.language("English");
    EXPECT_EQ(menus.captions["mnuFile"], "&My file");
}

// The files the program ships each name their language and carry every menu text.
TEST_F(Languages, TheShippedLanguagesAreComplete) {
    folder = fs::path(BB_SOURCE_DATA) / "language";
    auto& l = Make();
    ASSERT_EQ(menus.items, (std::vector<std::string>{"Deutsch", "English", "Nederlands"}));
    for (const auto& name : menus.items) {
        l.language(name);
        for (const auto& [menu, caption] : menus.captions)
            EXPECT_FALSE(caption.starts_with("* ")) << name << " " << menu;
    }
    EXPECT_TRUE(fs.ui.boxes.empty());
    EXPECT_TRUE(fs.Errors().empty());
}

}  // namespace
}  // namespace bb
