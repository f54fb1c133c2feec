#include "host/station_store.h"
#include "support/app_paths.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

namespace bb::hostapp {

namespace fs = std::filesystem;

namespace {

// A list larger than this was not written by bb-host (32767 stations of
// a few hundred bytes each).
constexpr std::uintmax_t kMaxFile = 64u << 20;

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

fs::path DefaultStationsFile() {
    return UserFolder("XDG_STATE_HOME", ".local/state") / "stations";
}

void StationStore::Load(StationList& list, std::int64_t nowUnix, std::int64_t maxAgeSeconds,
                        std::string& note) {
    note.clear();
    std::error_code ec;
    if (!fs::exists(file_, ec)) return;
    std::string why;
    const std::uintmax_t size = fs::file_size(file_, ec);
    if (ec || size > kMaxFile) {
        why = ec ? ec.message() : "too large for a station list";
    } else {
        std::ifstream in(file_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (!in && !in.eof())
            why = "cannot be read";
        else if (list.Read(text.str(), nowUnix, maxAgeSeconds, why))
            return;
    }
    // Kept for the user to look at; the host starts with an empty list.
    fs::path aside = file_;
    aside += ".bad";
    fs::rename(file_, aside, ec);
    note = "the station list " + file_.string() + " was not read (" + why + ")" +
           (ec ? std::string("; it stays where it is") : "; it is set aside as " + aside.string());
}

bool StationStore::Save(const StationList& list, std::string& why) {
    std::error_code ec;
    fs::create_directories(file_.parent_path(), ec);
    fs::path temporary = file_;
    temporary += ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = temporary.string() + ": " + std::strerror(errno);
        return false;
    }
    const bool written = WriteAll(fd, list.Write()) && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (written) fs::rename(temporary, file_, ec);
    if (!written || ec) {
        why = file_.string() + ": " + (written ? ec.message() : std::strerror(error));
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

}  // namespace bb::hostapp
