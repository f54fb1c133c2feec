// The geometry of the windows' arrows.
#include "map/arrow.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

namespace bb {
namespace {

// A box of a given size that draws nothing: what is drawn is read from the
// pixels of the real picture boxes (windows/ tests).
class SizedBox final : public PictureBox {
  public:
    SizedBox(double w, double h) : w_(w), h_(h) {}
    double ScaleWidth() const override { return w_; }
    double ScaleHeight() const override { return h_; }
    std::int32_t ForeColor() const override { return 0; }
    void SetForeColor(std::int32_t) override {}
    void SetBackColor(std::int32_t) override {}
    void SetDrawWidth(int) override {}
    void Circle(double, double, double, std::int32_t) override {}
    void Line(double, double, double, double, std::int32_t) override {}
    bool FillPolygonRegion(const std::array<PicturePoint, 3>&, std::int32_t) override {
        return true;
    }
    void Polygon(const std::array<PicturePoint, 3>&) override {}

  private:
    double w_, h_;
};

TEST(ArrowTest, GeometryOfAHundredBySixtyBoxAndTheTipStraightUp) {
    SizedBox box(100, 60);
    const Arrow::Geometry g = Arrow::ComputeGeometry(box);
    EXPECT_EQ(g.cx, 50);
    EXPECT_EQ(g.cy, 30);
    EXPECT_EQ(g.r, 28);  // 29, less one as every whole radius is
    const auto p = Arrow::ArrowPoints(g, std::numbers::pi / 2);
    EXPECT_EQ(p[0], (PicturePoint{50, 2}));
    // The base corners are behind the centre, level with each other.
    EXPECT_EQ(p[1].y, p[2].y);
    EXPECT_GT(p[1].y, 30);
    EXPECT_EQ(p[1].x - 50, 50 - p[2].x);
    // A radius that is not whole keeps its size: 61 high gives 29.5.
    SizedBox odd(101, 61);
    EXPECT_EQ(Arrow::ComputeGeometry(odd).r, 29.5);
}

}  // namespace
}  // namespace bb
