// A file written whole or not at all: the new text goes to a temporary file
// beside it, reaches the disk, and is then renamed over the old one, so a
// crash or a full disk leaves the old file or the new, never half of one.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string_view>

namespace bb {

struct ReplaceFailure {
    bool created = true;  // false: not even the temporary file could be made
    int error = 0;        // the errno of the step that failed
};

// Replaces `file` with what `write` puts in the open temporary file (false,
// with errno set, when it cannot), given `mode`. False, with the temporary
// file gone, when any step fails.
bool ReplaceFile(const std::filesystem::path& file, mode_t mode,
                 const std::function<bool(int fd)>& write, ReplaceFailure& failure);

// Every byte to `fd`, an interrupted write taken up again.
bool WriteAll(int fd, std::string_view bytes);

}  // namespace bb
