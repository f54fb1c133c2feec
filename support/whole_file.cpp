#include "support/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace bb {

namespace fs = std::filesystem;

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool ReplaceFile(const fs::path& file, mode_t mode, const std::function<bool(int fd)>& write,
                 ReplaceFailure& failure) {
    failure = {};
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::string temp = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        failure = {false, errno};
        return false;
    }
    bool ok = write(fd) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int saved = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && ::rename(temp.c_str(), file.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        failure = {true, saved ? saved : EIO};
    }
    return ok;
}

}  // namespace bb
