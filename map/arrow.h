// The compass ring and the bearing arrow of the board's own windows (the
// emergency window and the details window), drawn into a picture box.
#pragma once

#include <array>
#include <cstdint>

#include "support/picture_box.h"

namespace bb::Arrow {

// Centre and radius of a drawing in the box as it is now.
struct Geometry {
    double cx = 0, cy = 0, r = 0;
};
Geometry ComputeGeometry(const PictureBox& box);

// The three corners of the arrow for angle a (radians, 0 right, π/2 up).
std::array<PicturePoint, 3> ArrowPoints(const Geometry& g, double a);

void DrawCompassCircle(PictureBox& box);
// For a compass bearing β pass π/2 − β.
void DrawDirectionArrow(PictureBox& box, double angle, const SystemColours& colours);
std::int32_t TranslateColour(std::int32_t colour, const SystemColours& colours);

}  // namespace bb::Arrow
