#include "support/diagnostic_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <vector>

#include "generated/version.h"
#include "support/app_paths.h"
#include "support/system_api.h"
#include "support/vbtypes.h"

namespace bb {

namespace {

struct CommonState {
    std::string logPath;
    DateTime startTime = 0;
    bool headerWritten = false;
    std::int32_t osPlatform = 0;
    std::int32_t osMajor = 0;
    std::int32_t osMinor = 0;
    std::int32_t osBuild = 0;
    std::string osName;
    std::function<std::string()> connectedServers;
};

CommonState& State() {
    static CommonState state;
    return state;
}

constexpr std::array<const char*, 12> kEnglishMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The log file, opened for appending for one line at a time. Anything that is
// not a plain file (a directory, a pipe nobody reads) is never waited on.
class LogFile {
  public:
    explicit LogFile(const std::string& path) {
        if (path.empty()) return;
        fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
        struct stat st {};
        if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~LogFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void Line(const std::string& text) {
        if (fd_ < 0) return;
        std::string line = text + "\r\n";
        const char* p = line.data();
        std::size_t left = line.size();
        while (left > 0) {
            ssize_t n = ::write(fd_, p, left);
            if (n <= 0) return;  // a full disk loses the line
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }

  private:
    int fd_ = -1;
};

}  // namespace

namespace Common {

std::string FormatTimeStamp(DateTime utc) {
    CivilTime c = CivilFromSerial(utc);
    std::string month;
    if (c.month >= 1 && c.month <= 12) {
        sys::Locale& loc = *sys::Current().locale;
        std::uint32_t lcid = loc.GetUserDefaultLCID();
        if (lcid != 0) {
            month = LocaleInfo::GetUserLocaleInfo(
                lcid, sys::kLocaleSAbbrevMonthName1 + static_cast<std::uint32_t>(c.month - 1));
        }
        if (month.empty()) month = kEnglishMonths[static_cast<std::size_t>(c.month - 1)];
    }
    char buf[96];
    std::snprintf(buf, sizeof buf, "%02d-%s-%04d %02d:%02d:%02d", c.day, month.c_str(), c.year,
                  c.hour, c.minute, c.second);
    return buf;
}

void Initialize() {
    Trap("Common.Initialize", [] {
        CommonState& s = State();
        s.headerWritten = false;
        s.logPath = (App().LogFolder() / kErrorLogName).string();
        s.startTime = UTC::CurrentTime();
        GetOSVersion();
    });
}

void Terminate() {
    Trap("Common.Terminate", [] {
        if (State().headerWritten) WriteErrorLog(std::string(version::kProductName) + " shutdown");
    });
}

void GetOSVersion() {
    Trap("Common.GetOSVersion", [] {
        CommonState& s = State();
        sys::OsVersionInfo info;
        if (sys::Current().os->GetVersionEx(info)) {
            s.osPlatform = Checked<std::int32_t>(info.dwPlatformId);
            s.osMajor = Checked<std::int32_t>(info.dwMajorVersion);
            s.osMinor = Checked<std::int32_t>(info.dwMinorVersion);
            s.osBuild = Checked<std::int32_t>(info.dwBuildNumber);
        }
        s.osName = "unknown";
        struct Row {
            int platform, major, minor;  // -1: any
            const char* name;
        };
        static constexpr Row kNames[] = {
            {1, -1, 0, "Windows 95"},
            {1, -1, 10, "Windows 98"},
            {1, -1, 90, "Windows Millennium"},
            {2, 3, -1, "Windows NT 3.51"},
            {2, 4, -1, "Windows NT 4.0"},
            {2, 5, 0, "Windows 2000"},
            {2, 5, 1, "Windows XP"},
            {2, 5, 2, "Windows Server"},
            {2, 6, -1, "Vista"},
        };
        for (const Row& r : kNames) {
            if (r.platform == s.osPlatform && (r.major < 0 || r.major == s.osMajor) &&
                (r.minor < 0 || r.minor == s.osMinor)) {
                s.osName = r.name;
                break;
            }
        }
    });
}

std::int32_t GetOSBuild() {
    return State().osBuild;
}
std::string GetOSName() {
    return State().osName;
}
const std::string& LogPath() {
    return State().logPath;
}
bool HeaderWritten() {
    return State().headerWritten;
}

void SetConnectedServersSource(std::function<std::string()> source) {
    State().connectedServers = std::move(source);
}

void WriteErrorLog(std::string_view text) {
    CommonState& s = State();
    // Each step that fails is skipped and the next one runs.
    auto attempt = [](auto&& step) {
        try {
            step();
        } catch (...) {
        }
    };
    LogFile file(s.logPath);
    if (!s.headerWritten) {
        std::string stamp;
        attempt([&] { stamp = FormatTimeStamp(s.startTime) + " > "; });
        auto headerLine = [&](auto&& make) { attempt([&] { file.Line(stamp + make()); }); };
        attempt([&] { file.Line(""); });
        headerLine([] {
            return std::string(version::kProductName) + " version " +
                   std::to_string(version::kMajor) + "." + std::to_string(version::kMinor) + "." +
                   std::to_string(version::kRevision);
        });
        headerLine([] { return "App.Path        : " + App().programFolder.string(); });
        headerLine([] { return "App.exe         : " + App().exeName; });
        headerLine([&] {
            return "Operating System: " + s.osName + " build " + std::to_string(s.osBuild);
        });
        headerLine([] { return "Country         : " + LocaleInfo::GetLocaleCountry(); });
        headerLine([] { return "Language        : " + LocaleInfo::GetLocaleLanguage(); });
        headerLine([] { return "DXLab Apps      : " + std::string(Trim(GetConnectedServers())); });
        s.headerWritten = true;
    }
    attempt([&] { file.Line(FormatTimeStamp(UTC::CurrentTime()) + " > " + std::string(text)); });
}

void ResetForTesting() {
    CommonState& s = State();
    auto servers = std::move(s.connectedServers);
    s = CommonState{};
    s.connectedServers = std::move(servers);
}

}  // namespace Common

std::string GetConnectedServers() {
    auto& source = State().connectedServers;
    return source ? source() : std::string();
}

void LogError(std::int16_t number, std::string_view procedure) {
    WriteErrorLog("program error " + std::to_string(number) + " in module " +
                  std::string(procedure) + ": " + std::string(ErrorText(number)));
}

namespace LocaleInfo {

std::string GetUserLocaleInfo(std::uint32_t lcid, std::uint32_t item) {
    std::string result;
    Trap("LocaleInfo.GetUserLocaleInfo", [&] {
        sys::Locale& loc = *sys::Current().locale;
        int n = loc.GetLocaleInfo(lcid, item, nullptr, 0);
        if (n <= 0) return;
        std::vector<char> buffer(static_cast<std::size_t>(n), '\0');
        int got = loc.GetLocaleInfo(lcid, item, buffer.data(), n);
        if (got <= 0) return;
        result.assign(buffer.data(), static_cast<std::size_t>(std::min(got, n) - 1));
    });
    return result;
}

std::string GetLocaleLanguage() {
    std::string result;
    Trap("LocaleInfo.GetLocaleLanguage", [&] {
        std::uint32_t lcid = sys::Current().locale->GetUserDefaultLCID();
        if (lcid != 0) result = GetUserLocaleInfo(lcid, sys::kLocaleSLanguage);
    });
    return result;
}

std::string GetLocaleCountry() {
    std::string result;
    Trap("LocaleInfo.GetLocaleCountry", [&] {
        std::uint32_t lcid = sys::Current().locale->GetUserDefaultLCID();
        if (lcid != 0) result = GetUserLocaleInfo(lcid, sys::kLocaleSCountry);
    });
    return result;
}

}  // namespace LocaleInfo

}  // namespace bb
