#include "support/app_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace bb {

namespace fs = std::filesystem;

fs::path AppPaths::FindData(const fs::path& relative) const {
    for (const auto& folder : dataFolders) {
        std::error_code ec;
        if (fs::exists(folder / relative, ec)) return folder / relative;
    }
    return programFolder / relative;
}

namespace {

bool FolderWritable(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

fs::path UserDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
        return fs::path(xdg) / "beaconboard";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / ".local" / "share" / "beaconboard";
}

}  // namespace

AppPaths ResolveAppPaths(const fs::path& executable) {
    AppPaths p;
    p.programFolder = executable.parent_path();
    // The name without its extension: a dot in the folder's name is not one.
    p.exeName = executable.stem().string();
    // An installed copy (<prefix>/bin/prog beside <prefix>/share/beaconboard)
    // keeps its shipped data there and never writes into the installation,
    // even when run by root.
    const fs::path share = p.programFolder.parent_path() / "share" / "beaconboard";
    std::error_code ec;
    const bool installed = fs::is_directory(share, ec);
    if (!installed && FolderWritable(p.programFolder)) {
        p.writableFolder = p.programFolder;
    } else {
        p.writableFolder = UserDataFolder();
        fs::create_directories(p.writableFolder, ec);
    }
    p.dataFolders.push_back(p.programFolder);
    if (installed) p.dataFolders.push_back(share);
    return p;
}

AppPaths& App() {
    static AppPaths paths;
    return paths;
}

fs::path CurrentExecutable() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe;
}

std::filesystem::path HelpPageFor(const std::filesystem::path& englishPage,
                                  const std::string& language) {
    const std::string help = englishPage.string();
    // Only the file's own extension goes: a folder may have a dot too.
    const std::string base = help.size() >= 5 && help.compare(help.size() - 5, 5, ".html") == 0
                                 ? help.substr(0, help.size() - 5)
                                 : help;
    const std::string localised = base + "_" + language + ".html";
    std::error_code ec;
    if (language != "English" && !language.empty() && std::filesystem::exists(localised, ec))
        return localised;
    return englishPage;
}

}  // namespace bb
