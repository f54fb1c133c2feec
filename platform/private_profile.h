// Private-profile settings files as Windows keeps them, because users bring
// their settings files from Windows and edit them by hand:
// - section and key names compare without regard to case, and blanks around
//   names and values do not count;
// - in a section named twice the first one counts, and of a key given twice
//   the first one;
// - a value in matching quotes ("..." or '...') is read without them;
// - lines starting with ";" or "#" are comments; they, unknown lines and
//   keys are kept as they are on every write;
// - a new key goes after the last key of its section, a new section at the
//   end of the file;
// - lines are written with CR LF; CR LF and LF are both read.
// Values are returned as UTF-8; a value that is not valid UTF-8 is read as
// Windows-1252, as files made on Windows are.
//
// A write never leaves a truncated file: the new text goes to a temporary
// file beside the old one, which is then renamed over it with the old file's
// permissions. A write that changes nothing does not touch the file.
#pragma once

#include <string>
#include <string_view>

#include "support/system_api.h"

namespace bb::platform {

class PrivateProfile : public sys::ProfileFiles {
  public:
    std::string GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                         std::string_view defaultValue, std::size_t size,
                                         const std::filesystem::path& file) override;
    bool WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                    std::string_view value,
                                    const std::filesystem::path& file) override;
    std::string LastWriteError() const override { return last_error_; }

    // How many times a file was actually replaced (for tests).
    int FilesReplaced() const { return replaced_; }

  protected:
    // Writes the whole text to the open temporary file; false with errno set
    // when it cannot. Tests replace it to stage a full disk or a crash.
    virtual bool WriteContents(int fd, std::string_view text);

  private:
    bool Fail(const std::filesystem::path& file, std::string_view what, int error);
    std::string last_error_;
    int replaced_ = 0;
};

}  // namespace bb::platform
