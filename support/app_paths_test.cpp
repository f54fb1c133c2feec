#include "support/app_paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <map>
#include <optional>

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
    EXPECT_EQ(p.SettingsFolder(), p.programFolder);
    EXPECT_EQ(p.LogFolder(), p.programFolder);
    EXPECT_EQ(ResolveAppPaths(t.path() / "Beaconboard.exe").exeName, "Beaconboard");
}

// Sets environment variables for one scope, as they were after.
class Environment {
  public:
    void Set(const char* name, const std::string& value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~Environment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

  private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(AppPaths, AnInstalledCopyKeepsSettingsLogAndLanguagesInTheUsersFolders) {
    testing::TempFolder t;
    fs::create_directories(t.path() / "usr" / "bin");
    fs::create_directories(t.path() / "usr" / "share" / "beaconboard" / "language");
    const fs::path exe = t.path() / "usr" / "bin" / "beaconboard";
    Environment env;
    env.Set("XDG_DATA_HOME", (t.path() / "data").string());
    env.Set("XDG_CONFIG_HOME", (t.path() / "config").string());
    env.Set("XDG_STATE_HOME", (t.path() / "state").string());
    AppPaths p = ResolveAppPaths(exe);
    EXPECT_EQ(p.writableFolder, t.path() / "data" / "beaconboard");
    EXPECT_EQ(p.SettingsFolder(), t.path() / "config" / "beaconboard");
    EXPECT_EQ(p.LogFolder(), t.path() / "state" / "beaconboard");
    for (const fs::path& f : {p.writableFolder, p.SettingsFolder(), p.LogFolder()})
        EXPECT_TRUE(fs::is_directory(f)) << f;
    ASSERT_EQ(p.dataFolders.size(), 2u);
    EXPECT_EQ(p.FindData("language"), t.path() / "usr" / "share" / "beaconboard" / "language");
    EXPECT_EQ(p.FindData("WAV"), p.programFolder / "WAV");

    // Unset or relative: the defaults under the home folder.
    env.Set("HOME", (t.path() / "home").string());
    env.Set("XDG_CONFIG_HOME", "");
    env.Set("XDG_STATE_HOME", "relative/state");
    p = ResolveAppPaths(exe);
    EXPECT_EQ(p.SettingsFolder(), t.path() / "home" / ".config" / "beaconboard");
    EXPECT_EQ(p.LogFolder(), t.path() / "home" / ".local" / "state" / "beaconboard");
}

TEST(AppPaths, WhatAnEarlierVersionLeftMovesOnceAndNeverOverANewerFile) {
    testing::TempFolder t;
    AppPaths p;
    p.exeName = "beaconboard";
    p.writableFolder = t.path() / "data";
    p.settingsFolder = t.path() / "config";
    p.logFolder = t.path() / "state";
    fs::create_directories(p.writableFolder);
    const auto put = [](const fs::path& f, const std::string& text) {
        fs::create_directories(f.parent_path());
        std::ofstream(f, std::ios::binary) << text;
    };
    put(p.writableFolder / "beaconboard.INI", "[Emergency]\r\nAlarm=FALSE\r\n");
    put(p.writableFolder / "ErrorLog.txt", "old log\r\n");
    put(p.writableFolder / "language" / "Mine.lf", "DEF=Mine\r\n");
    EXPECT_TRUE(MoveEarlierFiles(p).empty());
    EXPECT_EQ(testing::ReadFile((p.SettingsFolder() / "beaconboard.INI").string()),
              "[Emergency]\r\nAlarm=FALSE\r\n");
    EXPECT_EQ(testing::ReadFile((p.LogFolder() / "ErrorLog.txt").string()), "old log\r\n");
    EXPECT_FALSE(fs::exists(p.writableFolder / "beaconboard.INI"));
    EXPECT_FALSE(fs::exists(p.writableFolder / "ErrorLog.txt"));
    // The user's language files are data, and stay.
    EXPECT_TRUE(fs::exists(p.writableFolder / "language" / "Mine.lf"));

    // An old file that turns up again does not replace the one in use.
    put(p.writableFolder / "beaconboard.INI", "stale");
    EXPECT_TRUE(MoveEarlierFiles(p).empty());
    EXPECT_EQ(testing::ReadFile((p.SettingsFolder() / "beaconboard.INI").string()),
              "[Emergency]\r\nAlarm=FALSE\r\n");
    EXPECT_EQ(testing::ReadFile((p.writableFolder / "beaconboard.INI").string()), "stale");

    // A place that cannot hold the file (a file where its folder should be):
    // the old file stays, and it is told.
    fs::remove_all(p.logFolder);
    put(p.logFolder, "not a folder");
    put(p.writableFolder / "ErrorLog.txt", "keep me");
    const auto problems = MoveEarlierFiles(p);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("ErrorLog.txt"), std::string::npos) << problems[0];
    EXPECT_EQ(testing::ReadFile((p.writableFolder / "ErrorLog.txt").string()), "keep me");

    // A portable copy has nothing to move.
    AppPaths portable;
    portable.exeName = "beaconboard";
    portable.writableFolder = p.writableFolder;
    EXPECT_TRUE(MoveEarlierFiles(portable).empty());
    EXPECT_EQ(testing::ReadFile((p.writableFolder / "ErrorLog.txt").string()), "keep me");
}

}  // namespace
}  // namespace bb
