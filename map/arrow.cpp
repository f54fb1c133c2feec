#include "map/arrow.h"

#include <algorithm>
#include <cmath>

#include "map/phg_overlays.h"
#include "support/colours.h"
#include "support/vbtypes.h"

namespace bb::Arrow {
namespace {

using colour::kBlack;
using colour::kRed;
using colour::kYellow;

std::int32_t Nearest(double v) {
    return CLng(v);
}

}  // namespace

Geometry ComputeGeometry(const PictureBox& box) {
    Geometry g;
    const double w = box.ScaleWidth(), h = box.ScaleHeight();
    g.cx = w / 2;
    g.cy = h / 2;
    g.r = (w > h ? h : w) / 2 - 1;
    // Int(R/2) = CInt(R) \ 2, which holds for every whole radius.
    if (std::floor(g.r / 2) == static_cast<double>(CLng(g.r) / 2)) g.r -= 1;
    return g;
}

std::array<PicturePoint, 3> ArrowPoints(const Geometry& g, double a) {
    const double twoPi = kTwoPi;
    double a1 = a + twoPi / 3;
    if (a1 > twoPi) a1 -= twoPi;
    double a2 = a - twoPi / 3;
    if (a2 < 0) a2 += twoPi;
    const double half = g.r / 2;
    return {{{Nearest(g.cx + g.r * std::cos(a)), Nearest(g.cy - g.r * std::sin(a))},
             {Nearest(g.cx - half * std::sin(a1)), Nearest(g.cy - half * std::cos(a1))},
             {Nearest(g.cx + half * std::sin(a2)), Nearest(g.cy + half * std::cos(a2))}}};
}

void DrawCompassCircle(PictureBox& box) {
    const Geometry g = ComputeGeometry(box);
    box.SetForeColor(kBlack);
    box.SetDrawWidth(3);
    box.Circle(g.cx, g.cy, g.r, kRed);
}

void DrawDirectionArrow(PictureBox& box, double angle, const SystemColours& colours) {
    const Geometry g = ComputeGeometry(box);
    const std::array<PicturePoint, 3> p = ArrowPoints(g, angle);
    box.SetBackColor(kYellow);
    // A region that cannot be made only costs the fill.
    box.FillPolygonRegion(p, TranslateColour(box.ForeColor(), colours));
    box.SetForeColor(kBlack);
    box.Polygon(p);
    box.SetDrawWidth(3);
    for (int i = 0; i < 3; ++i) {
        const PicturePoint& from = p[static_cast<std::size_t>(i)];
        const PicturePoint& to = p[static_cast<std::size_t>((i + 1) % 3)];
        box.Line(from.x, from.y, to.x, to.y, kRed);
    }
}

std::int32_t TranslateColour(std::int32_t colour, const SystemColours& colours) {
    if (colour >= 0) return colour;
    return colours.GetSysColor(static_cast<int>(static_cast<std::uint32_t>(colour) & 0xFFFFFFu));
}

}  // namespace bb::Arrow
