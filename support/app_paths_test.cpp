#include "support/app_paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "tests/fakes/fake_system.h"

namespace bb {
namespace {

namespace fs = std::filesystem;

TEST(AppPaths, TheHelpPageInTheChosenLanguageWhenThereIsOne) {
    testing::TempFolder t;
    const fs::path folder = t.path() / "v1.0" / "data.d";
    fs::create_directories(folder);
    const fs::path english = folder / "Beaconboard.html";
    std::ofstream(english) << "en";
    std::ofstream(folder / "Beaconboard_Nederlands.html") << "nl";
    EXPECT_EQ(HelpPageFor(english, "Nederlands"), folder / "Beaconboard_Nederlands.html");
    EXPECT_EQ(HelpPageFor(english, "Deutsch"), english);  // none in German
    EXPECT_EQ(HelpPageFor(english, "English"), english);
    EXPECT_EQ(HelpPageFor(english, ""), english);
}

TEST(AppPaths, APortableCopyKeepsEverythingInItsOwnFolder) {
    testing::TempFolder t;
    fs::create_directories(t.path() / "my.radio" / "bin");
    AppPaths p = ResolveAppPaths(t.path() / "my.radio" / "bin" / "Beaconboard");
    EXPECT_EQ(p.exeName, "Beaconboard");  // the dot in the folder is no extension
    EXPECT_EQ(p.programFolder, t.path() / "my.radio" / "bin");
    EXPECT_EQ(p.writableFolder, p.programFolder);
    EXPECT_EQ(ResolveAppPaths(t.path() / "Beaconboard.exe").exeName, "Beaconboard");
}

TEST(AppPaths, AnInstalledCopyWritesToTheUsersDataFolderAndReadsTheSharedData) {
    testing::TempFolder t;
    fs::create_directories(t.path() / "usr" / "bin");
    fs::create_directories(t.path() / "usr" / "share" / "beaconboard" / "language");
    fs::create_directories(t.path() / "home");
    fs::path exe = t.path() / "usr" / "bin" / "beaconboard";
    const char* saved = std::getenv("XDG_DATA_HOME");
    std::string savedValue = saved ? saved : "";
    ::setenv("XDG_DATA_HOME", (t.path() / "home").c_str(), 1);
    AppPaths p = ResolveAppPaths(exe);
    if (saved) {
        ::setenv("XDG_DATA_HOME", savedValue.c_str(), 1);
    } else {
        ::unsetenv("XDG_DATA_HOME");
    }
    EXPECT_EQ(p.writableFolder, t.path() / "home" / "beaconboard");
    EXPECT_TRUE(fs::is_directory(p.writableFolder));
    ASSERT_EQ(p.dataFolders.size(), 2u);
    EXPECT_EQ(p.FindData("language"), t.path() / "usr" / "share" / "beaconboard" / "language");
    EXPECT_EQ(p.FindData("WAV"), p.programFolder / "WAV");
}

}  // namespace
}  // namespace bb
