#include "support/app_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "support/diagnostic_log.h"

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

}  // namespace

fs::path UserFolder(const char* variable, const char* underHome) {
    if (const char* xdg = std::getenv(variable); xdg && *xdg == '/') {
        return fs::path(xdg) / "beaconboard";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / underHome / "beaconboard";
}

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
        p.writableFolder = UserFolder("XDG_DATA_HOME", ".local/share");
        p.settingsFolder = UserFolder("XDG_CONFIG_HOME", ".config");
        p.logFolder = UserFolder("XDG_STATE_HOME", ".local/state");
        for (const fs::path* folder : {&p.writableFolder, &p.settingsFolder, &p.logFolder})
            fs::create_directories(*folder, ec);
    }
    p.dataFolders.push_back(p.programFolder);
    if (installed) p.dataFolders.push_back(share);
    return p;
}

std::vector<std::string> MoveEarlierFiles(const AppPaths& paths) {
    std::vector<std::string> problems;
    const auto move = [&](const std::string& name, const fs::path& to) {
        if (to.empty() || to == paths.writableFolder) return;
        const fs::path from = paths.writableFolder / name, target = to / name;
        std::error_code ec;
        // A file already in its new place is the newer: the old one stays.
        if (!fs::is_regular_file(from, ec) || fs::exists(target, ec)) return;
        fs::create_directories(to, ec);
        fs::rename(from, target, ec);
        if (!ec) return;
        // Another file system: a copy, and the old file goes only once
        // the copy is whole.
        std::error_code copied;
        fs::copy_file(from, target, copied);
        if (!copied) {
            fs::remove(from, ec);
            return;
        }
        fs::remove(target, ec);
        problems.push_back("cannot move " + from.string() + " to " + target.string() + ": " +
                           copied.message());
    };
    move(paths.exeName + ".INI", paths.settingsFolder);
    move(kErrorLogName, paths.logFolder);
    return problems;
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
