// A bitmap as the program hands it around: the symbol pictures the host puts
// on the clipboard, shown in the grid and the windows.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace bb {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;  // row by row, 0xAARRGGBB
};

// The desktop clipboard, read as a bitmap.
class Clipboard {
  public:
    virtual ~Clipboard() = default;
    // The bitmap on the clipboard; nothing when it holds none.
    virtual std::optional<Picture> GetBitmap() = 0;
    // Keeps what the user has on the clipboard, and puts it back, around the
    // host's use of it.
    virtual void Keep() {}
    virtual void PutBack() {}
};

}  // namespace bb
