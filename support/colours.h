// The colours the host's map, the picture boxes and the window controls take:
// red in the low byte, blue in the high (0x00BBGGRR). The grid's own cells
// are the exception: they use the usual 0xRRGGBB of the screen.
#pragma once

#include <cstdint>

namespace bb::colour {

inline constexpr std::int32_t kBlack = 0x000000;
inline constexpr std::int32_t kRed = 0x0000FF;
inline constexpr std::int32_t kGreen = 0x00FF00;
inline constexpr std::int32_t kDarkGreen = 0x008000;
inline constexpr std::int32_t kBlue = 0xFF0000;
inline constexpr std::int32_t kYellow = 0x00FFFF;
inline constexpr std::int32_t kWhite = 0xFFFFFF;

}  // namespace bb::colour
