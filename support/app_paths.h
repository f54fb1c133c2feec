// Where the program's files are: the program folder (the executable's
// folder, so an unpacked copy runs portable), the folder it may write its
// settings, log and the user's language files to, and the folders its shipped
// data is found in.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace bb {

struct AppPaths {
    std::filesystem::path programFolder;  // App.Path
    std::string exeName;                  // App.EXEName: executable name without extension
    // The program folder when it can be written; otherwise the user's data folder.
    std::filesystem::path writableFolder;
    // Shipped data (language files, WAV, help pages): the program folder, then
    // the installation's share folder.
    std::vector<std::filesystem::path> dataFolders;

    // The first data folder holding `relative`; the program folder's when none does.
    std::filesystem::path FindData(const std::filesystem::path& relative) const;
};

// Works the paths out from the executable's path and the environment
// (XDG_DATA_HOME, HOME).
AppPaths ResolveAppPaths(const std::filesystem::path& executable);

// The help page for `language`: "<page>_<language>.html" beside the English
// one when it exists, the English page otherwise.
std::filesystem::path HelpPageFor(const std::filesystem::path& englishPage,
                                  const std::string& language);

// The running program's paths; empty until the program sets them at start-up.
AppPaths& App();

// The executable of the running process.
std::filesystem::path CurrentExecutable();

}  // namespace bb
