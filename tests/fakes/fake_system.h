// In-process stand-ins for the operating-system services, installed for one test.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/private_profile.h"
#include "support/app_paths.h"
#include "support/clock.h"
#include "support/diagnostic_log.h"
#include "support/error_trap.h"
#include "support/system_api.h"

namespace bb::testing {

struct ProgramEnded {};  // not a std::exception: no error trap catches it

class FakeClock final : public sys::Clock {
  public:
    sys::SystemTime now{2026, 12, 6, 6, 7, 17, 44, 0};
    bool fail = false;
    sys::SystemTime GetSystemTime() override {
        if (fail) Raise(err::kInvalidCall, "clock");
        return now;
    }
    void Set(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
        using U = std::uint16_t;
        now = sys::SystemTime{U(y), U(mo), 0, U(d), U(h), U(mi), U(s), 0};
    }
};

class FakeOs final : public sys::OsVersion {
  public:
    sys::OsVersionInfo info{6, 1, 7601, sys::kPlatformWin32NT};
    bool ok = true;
    bool GetVersionEx(sys::OsVersionInfo& out) override {
        if (ok) out = info;
        return ok;
    }
};

class FakeLocale final : public sys::Locale {
  public:
    std::uint32_t lcid = 1043;
    std::map<std::uint32_t, std::string> items{{sys::kLocaleSLanguage, "Nederlands"},
                                               {sys::kLocaleSCountry, "Nederland"}};
    std::uint32_t GetUserDefaultLCID() override { return lcid; }
    int GetLocaleInfo(std::uint32_t id, std::uint32_t item, char* buffer, int size) override {
        auto it = items.find(item);
        if (id == 0 || it == items.end()) return 0;
        int needed = static_cast<int>(it->second.size()) + 1;
        if (size == 0) return needed;
        if (size < needed) return 0;
        std::copy(it->second.c_str(), it->second.c_str() + needed, buffer);
        return needed;
    }
};

// Keys by exact path; values as raw bytes.
class FakeRegistry final : public sys::Registry {
  public:
    std::map<std::string, std::map<std::string, std::string>> values;
    std::map<std::string, std::vector<std::string>> subkeys;
    std::vector<std::string> denied;  // keys that exist but cannot be opened
    int enumerations = 0;

    void AddZone(const std::string& root, const std::string& name, const std::string& std,
                 const std::string& dlt = "") {
        subkeys[root].push_back(name);
        auto& v = values[root + "\\" + name];
        v["Std"] = std + '\0';
        v["Dlt"] = dlt + '\0';
        v["Display"] = "(UTC) " + name + '\0';
        v["MapID"] = std::string(1, '\0');
        v["TZI"] = std::string(44, '\0');
    }
    void SetCurrent(const std::string& std) {
        values[std::string(kCurrentZoneKey)]["StandardName"] = std + '\0';
    }

    bool OpenKey(std::string_view path, std::uint32_t) override {
        std::string p(path);
        for (const auto& d : denied) {
            if (d == p) return false;
        }
        return values.count(p) || subkeys.count(p);
    }
    std::optional<std::string> EnumKey(std::string_view path, std::uint32_t index) override {
        ++enumerations;
        auto it = subkeys.find(std::string(path));
        if (it == subkeys.end() || index >= it->second.size()) return {};
        return it->second[index];
    }
    std::optional<std::string> QueryValue(std::string_view path, std::string_view name) override {
        auto k = values.find(std::string(path));
        if (k == values.end()) return {};
        auto v = k->second.find(std::string(name));
        if (v == k->second.end()) return {};
        return v->second;
    }
};

class FakeUi final : public sys::UserInterface {
  public:
    struct Box {
        std::string text, caption;
        int style;
    };
    std::vector<Box> boxes;
    void MessageBox(std::string_view text, std::string_view caption, int style) override {
        boxes.push_back(Box{std::string(text), std::string(caption), style});
    }
};

class FakeProcess final : public sys::Process {
  public:
    [[noreturn]] void EndNow() override { throw ProgramEnded{}; }
};

// A temporary folder, removed with everything in it at the end of the test.
class TempFolder {
  public:
    TempFolder() {
        std::string templ = (std::filesystem::temp_directory_path() / "bbtest-XXXXXX").string();
        path_ = ::mkdtemp(templ.data());
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Bytes of every value in an order that repeats only after 256, the same on every run.
inline std::string GarbageBytes(std::size_t size) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<char>(i * 7919u % 256u);
    return out;
}

inline void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

// Lines of a CR LF text, without their ends.
inline std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0, end = 0; at < text.size(); at = end + 2) {
        end = std::min(text.find("\r\n", at), text.size());
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

// The whole set for the object's lifetime: the program folder a fresh one, a table of two zones.
class FakeSystem {
  public:
    FakeClock clock;
    FakeOs os;
    FakeLocale locale;
    FakeRegistry registry;
    FakeUi ui;
    FakeProcess process;
    // Settings files are real files in the temporary folder.
    platform::PrivateProfile profile;
    TempFolder folder;

    FakeSystem() : scope_(sys::Services{&clock, &os, &locale, &registry, &ui, &process, &profile}) {
        registry.AddZone(std::string(kZonesKeyNT), "UTC", "Coordinated Universal Time");
        registry.AddZone(std::string(kZonesKeyNT), "W. Europe Standard Time",
                         "W. Europe Standard Time", "W. Europe Daylight Time");
        registry.SetCurrent("W. Europe Standard Time");
        TZone::ForgetLoadedTable();
        Common::ResetForTesting();
        savedPaths_ = App();
        App() = AppPaths{.programFolder = folder.path(),
                         .exeName = "Beaconboard",
                         .writableFolder = folder.path(),
                         .dataFolders = {folder.path()},
                         .settingsFolder = {},
                         .logFolder = {}};
    }
    ~FakeSystem() {
        App() = savedPaths_;
        Common::ResetForTesting();
        TZone::ForgetLoadedTable();
    }
    FakeSystem(const FakeSystem&) = delete;
    FakeSystem& operator=(const FakeSystem&) = delete;

    std::filesystem::path LogFilePath() const { return folder.path() / kErrorLogName; }
    std::vector<std::string> LogLines() const { return CrLfLines(ReadFile(LogFilePath())); }
    std::string LogText() const { return ReadFile(LogFilePath()); }
    // The log's error lines, from "program error" on.
    std::vector<std::string> Errors() const {
        std::vector<std::string> out;
        for (const std::string& line : LogLines())
            if (const auto at = line.find("program error"); at != std::string::npos)
                out.push_back(line.substr(at));
        return out;
    }

  private:
    sys::ScopedServices scope_;
    AppPaths savedPaths_;
};

}  // namespace bb::testing
