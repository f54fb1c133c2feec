// docs/architecture.md's map: each source includes only what its folder may use (not tests).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

// Each folder's "May use" column: whole folders, or single headers.
const std::map<std::string, std::set<std::string>> kMayUse = {
    {"support", {}},
    {"stations", {"support"}},
    {"grid", {"stations", "support", "platform/grid_control.h"}},
    {"map", {"stations", "support"}},
    {"alarm", {"stations", "map", "support"}},
    {"radio", {"support"}},
    {"bus", {"support", "stations/host.h"}},
    {"platform", {"support", "alarm/desktop_notifier.h"}},
    {"windows", {"support", "stations", "grid", "map", "alarm", "radio", "bus", "platform"}},
    {"app", {"support", "stations", "grid", "map", "alarm", "radio", "bus", "platform", "windows"}},
    {"host",
     {"support", "bus", "stations/host.h", "platform/screenshot.h", "platform/qt_scheduler.h"}},
    {"rigbridge", {"platform/dbus_dde.h"}},
};

TEST(IncludeMap, EveryFolderIncludesOnlyWhatTheMapAllows) {
    const fs::path root = fs::path(BB_SOURCE_DATA).parent_path();
    const std::regex include(R"(^\s*#\s*include\s*"([^"/]+)/([^"]+)\")");
    std::vector<std::string> breaches;
    int read = 0;
    for (const auto& [folder, allowed] : kMayUse) {
        for (const auto& entry : fs::directory_iterator(root / folder)) {
            const std::string name = entry.path().filename().string();
            const std::string ext = entry.path().extension().string();
            if ((ext != ".h" && ext != ".cpp") || name.ends_with("_test.cpp") ||
                name.ends_with("_tests.cpp"))
                continue;
            ++read;
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                std::smatch m;
                if (!std::regex_search(line, m, include)) continue;
                const std::string to = m[1], header = to + "/" + m[2].str();
                // Its own folder, and the build's generated headers.
                if (to == folder || to == "generated") continue;
                if (allowed.count(to) || allowed.count(header)) continue;
                breaches.push_back(folder + "/" + name + ":" + std::to_string(number) + " " +
                                   header);
            }
        }
    }
    EXPECT_GT(read, 100);  // the tree was found
    EXPECT_TRUE(breaches.empty()) << ::testing::PrintToString(breaches);
}

}  // namespace
