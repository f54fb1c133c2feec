// Lengths in twips, the unit of the window layouts and the grid's column
// widths: 1440 to the inch, so 15 to a pixel at 96 dots per inch.
#pragma once

namespace bb::twips {

inline constexpr double kPerInch = 1440.0;
inline constexpr int kPerPixelAt96Dpi = 15;

// Twips per pixel on a screen of `dpi` dots per inch.
constexpr double PerPixel(int dpi) {
    return kPerInch / (dpi < 1 ? 1 : dpi);
}
// A length in twips as whole pixels, rounded.
constexpr int ToPixels(int twips, int dpi) {
    return static_cast<int>(twips * dpi / kPerInch + 0.5);
}

}  // namespace bb::twips
