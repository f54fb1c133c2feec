// Where the program's files are: the program folder (the executable's
// folder, so an unpacked copy runs portable), the folders it keeps its
// settings, its log and the user's language files in, and the folders its
// shipped data is found in.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace bb {

struct AppPaths {
    std::filesystem::path programFolder;  // App.Path
    std::string exeName;                  // App.EXEName: executable name without extension
    // The program folder when it can be written (a portable copy keeps
    // everything there); otherwise the user's data folder, for the user's
    // own language files.
    std::filesystem::path writableFolder;
    // Shipped data (language files, WAV, help pages): the program folder, then
    // the installation's share folder.
    std::vector<std::filesystem::path> dataFolders;
    // The settings file's and the diagnostic log's folders: the user's
    // config and state folders for an installed copy. Empty: writableFolder.
    std::filesystem::path settingsFolder;
    std::filesystem::path logFolder;
    const std::filesystem::path& SettingsFolder() const {
        return settingsFolder.empty() ? writableFolder : settingsFolder;
    }
    const std::filesystem::path& LogFolder() const {
        return logFolder.empty() ? writableFolder : logFolder;
    }

    // The first data folder holding `relative`; the program folder's when none does.
    std::filesystem::path FindData(const std::filesystem::path& relative) const;
};

// The program's folder under a user's XDG base folder: $`variable`/beaconboard
// when the variable holds an absolute path, else ~/`underHome`/beaconboard
// (for example "XDG_CONFIG_HOME" and ".config").
std::filesystem::path UserFolder(const char* variable, const char* underHome);

// Works the paths out from the executable's path and the environment
// (XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_STATE_HOME, HOME).
AppPaths ResolveAppPaths(const std::filesystem::path& executable);

// An earlier version kept the settings file and the log in the user's data
// folder: they move to their own folders, once, unless a file is there
// already. What could not be moved is left where it was and told, one text
// each.
std::vector<std::string> MoveEarlierFiles(const AppPaths& paths);

// The help page for `language`: "<page>_<language>.html" beside the English
// one when it exists, the English page otherwise.
std::filesystem::path HelpPageFor(const std::filesystem::path& englishPage,
                                  const std::string& language);

// The running program's paths; empty until the program sets them at start-up.
AppPaths& App();

// The executable of the running process.
std::filesystem::path CurrentExecutable();

}  // namespace bb
