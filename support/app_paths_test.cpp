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

TEST(AppPaths, APortableCopyKeepsEverythingInItsOwnFolder) {
    testing::TempFolder t;
    fs::create_directories(t.path() / "my.radio" / "bin");
    AppPaths p = ResolveAppPaths(t.path() / "my.radio" / "bin" / "Beaconboard");
    EXPECT_EQ(p.exeName, "Beaconboard");  // the dot in the folder is no extension
    EXPECT_EQ(p.programFolder, t.path() / "my.radio" / "bin");
    EXPECT_EQ(std::vector({p.writableFolder, p.SettingsFolder(), p.LogFolder()}),
              std::vector(3, p.programFolder));
    EXPECT_EQ(ResolveAppPaths(t.path() / "Beaconboard.exe").exeName, "Beaconboard");
}

// Sets environment variables for one scope, as they were after.
struct Environment {
    std::map<std::string, std::optional<std::string>> saved;
    void Set(const char* name, const std::string& value) {
        if (const char* old = std::getenv(name); !saved.count(name))
            saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv(name, value.c_str(), 1);
    }
    ~Environment() {
        for (const auto& [name, value] : saved)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
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
    for (const auto& [got, kind] : {std::pair{p.writableFolder, "data"},
                                    {p.SettingsFolder(), "config"},
                                    {p.LogFolder(), "state"}}) {
        EXPECT_EQ(got, t.path() / kind / "beaconboard");
        EXPECT_TRUE(fs::is_directory(got)) << got;
    }
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
    const fs::path ini = p.writableFolder / "beaconboard.INI",
                   log = p.writableFolder / "ErrorLog.txt";
    const auto put = [](const fs::path& f, const std::string& text) {
        fs::create_directories(f.parent_path());
        std::ofstream(f, std::ios::binary) << text;
    };
    const auto text = [](const fs::path& f) { return testing::ReadFile(f); };
    put(ini, "settings");
    put(log, "old log");
    put(p.writableFolder / "language" / "Mine.lf", "DEF=Mine\r\n");  // data: stays
    EXPECT_TRUE(MoveEarlierFiles(p).empty());
    EXPECT_EQ(text(p.SettingsFolder() / "beaconboard.INI") + text(p.LogFolder() / "ErrorLog.txt"),
              "settingsold log");
    EXPECT_EQ(std::tuple(fs::exists(ini), fs::exists(log),
                         fs::exists(p.writableFolder / "language" / "Mine.lf")),
              std::tuple(false, false, true));
    // An old file that turns up again does not replace the one in use.
    put(ini, "stale");
    EXPECT_TRUE(MoveEarlierFiles(p).empty());
    EXPECT_EQ(text(p.SettingsFolder() / "beaconboard.INI") + text(ini), "settingsstale");
    // A file where the log folder should be: the old log stays, and it is told.
    fs::remove_all(p.logFolder);
    put(p.logFolder, "not a folder");
    put(log, "keep me");
    const auto problems = MoveEarlierFiles(p);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("ErrorLog.txt"), std::string::npos) << problems[0];
    EXPECT_EQ(text(log), "keep me");
    // A portable copy has nothing to move.
    AppPaths portable;
    portable.exeName = "beaconboard";
    portable.writableFolder = p.writableFolder;
    EXPECT_TRUE(MoveEarlierFiles(portable).empty());
    EXPECT_EQ(text(log), "keep me");
}

}  // namespace
}  // namespace bb
