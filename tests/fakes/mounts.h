// A folder made read-only by a bind mount (which holds for root too); without rights, skip.
#pragma once

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace bb::testing {

class ScopedMount {
  public:
    // `folder` as it is, read-only until the end of the scope.
    static std::unique_ptr<ScopedMount> ReadOnly(const std::filesystem::path& folder,
                                                 std::string& why) {
        if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            why = std::string("cannot bind-mount: ") + std::strerror(errno);
            return nullptr;
        }
        auto scope = std::unique_ptr<ScopedMount>(new ScopedMount(folder));
        if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) !=
            0) {
            why = std::string("cannot remount read-only: ") + std::strerror(errno);
            return nullptr;
        }
        return scope;
    }
    ~ScopedMount() { ::umount2(path_.c_str(), MNT_DETACH); }
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;

  private:
    explicit ScopedMount(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path path_;
};

}  // namespace bb::testing
