#include "host/packet_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <system_error>

#include "host/station_list.h"
#include "support/app_paths.h"
#include "support/whole_file.h"

namespace bb::hostapp {

namespace fs = std::filesystem;

namespace {

std::tm Utc(std::int64_t unix) {
    const std::time_t t = static_cast<std::time_t>(unix);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm;
}

// The day a file's name gives, "YYYY-MM-DD.tnc2", as seconds at its start.
bool DayOfName(const std::string& name, std::int64_t& start) {
    int y = 0, m = 0, d = 0, used = 0;
    if (name.size() != 15 ||
        std::sscanf(name.c_str(), "%4d-%2d-%2d.tnc2%n", &y, &m, &d, &used) != 3 || used != 15 ||
        m < 1 || m > 12 || d < 1 || d > 31)
        return false;
    start = UtcSeconds(y, m, d, 0, 0, 0);
    return true;
}

}  // namespace

fs::path DefaultPacketLogFolder() {
    return UserFolder("XDG_STATE_HOME", ".local/state") / "packets";
}

PacketLog::~PacketLog() {
    if (fd_ >= 0) ::close(fd_);
}

bool PacketLog::Write(std::string_view packet, std::int64_t heardUnix, std::string& why) {
    const std::tm tm = Utc(heardUnix);
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02dZ ", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    const std::string day(stamp, 10);
    if (fd_ < 0 || day != day_) {
        if (fd_ >= 0) ::close(fd_);
        day_ = day;
        std::error_code ec;
        fs::create_directories(folder_, ec);
        const fs::path file = folder_ / (day + ".tnc2");
        fd_ = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            why = "cannot open " + file.string() + ": " + std::strerror(errno);
            return false;
        }
    }
    std::string line(stamp);
    line += packet;
    line += '\n';
    // One write for the whole line: a line is never split by another writer's.
    if (!WriteAll(fd_, line)) {
        why = "cannot write " + (folder_ / (day_ + ".tnc2")).string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

int PacketLog::RemoveOld(const fs::path& folder, int days, std::int64_t nowUnix) {
    const std::tm today = Utc(nowUnix);
    const std::int64_t cut =
        UtcSeconds(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday, 0, 0, 0) -
        std::int64_t{days} * 86400;
    int removed = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::int64_t start = 0;
        if (!entry.is_regular_file(ec) || !DayOfName(entry.path().filename().string(), start) ||
            start >= cut)
            continue;
        if (fs::remove(entry.path(), ec)) ++removed;
    }
    return removed;
}

}  // namespace bb::hostapp
