// Real disks that fail: a small tmpfs that fills up, and a folder made
// read-only by a read-only bind mount (which holds for root too). Both need
// the right to mount; a test without it skips.
#pragma once

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace bb::testing {

class ScopedMount {
  public:
    // A tmpfs of `bytes` over `folder` (which must be empty).
    static std::unique_ptr<ScopedMount> SmallDisk(const std::filesystem::path& folder,
                                                  std::size_t bytes, std::string& why) {
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            why = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
            return nullptr;
        }
        return std::unique_ptr<ScopedMount>(new ScopedMount(folder));
    }
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

// Fills the disk that holds `folder` with one file, to its last byte.
inline void FillDisk(const std::filesystem::path& folder) {
    std::ofstream fill(folder / "filler", std::ios::binary);
    const std::string block(4096, 'f');
    while (fill.write(block.data(), static_cast<std::streamsize>(block.size())))
        fill.flush();
    // What fits of a last, smaller piece.
    fill.clear();
    for (int i = 0; i < 4096 && fill.put('f') && fill.flush(); ++i) {
    }
}

}  // namespace bb::testing
