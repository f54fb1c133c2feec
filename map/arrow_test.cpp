// The window arrows on a recording picture box.
#include "map/arrow.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

namespace bb {
namespace {

class RecordingBox final : public PictureBox {
  public:
    RecordingBox(double w, double h) : w_(w), h_(h) {}
    std::vector<std::string> calls;
    std::int32_t fore = 0;
    bool regionFails = false;
    std::array<PicturePoint, 3> filled{};
    std::int32_t fillColour = -1;

    double ScaleWidth() const override { return w_; }
    double ScaleHeight() const override { return h_; }
    std::int32_t ForeColor() const override { return fore; }
    void SetForeColor(std::int32_t c) override {
        fore = c;
        calls.push_back("fore " + std::to_string(c));
    }
    void SetBackColor(std::int32_t c) override { calls.push_back("back " + std::to_string(c)); }
    void SetDrawWidth(int w) override { calls.push_back("width " + std::to_string(w)); }
    void Circle(double x, double y, double r, std::int32_t c) override {
        calls.push_back("circle " + std::to_string(int(x)) + " " + std::to_string(int(y)) + " " +
                        std::to_string(int(r)) + " " + std::to_string(c));
    }
    void Line(double, double, double, double, std::int32_t c) override {
        calls.push_back("line " + std::to_string(c));
    }
    bool FillPolygonRegion(const std::array<PicturePoint, 3>& p, std::int32_t c) override {
        calls.push_back("fill");
        if (regionFails) return false;
        filled = p;
        fillColour = c;
        return true;
    }
    void Polygon(const std::array<PicturePoint, 3>&) override {
        calls.push_back("polygon fore " + std::to_string(fore));
    }

  private:
    double w_, h_;
};

class Palette final : public SystemColours {
  public:
    std::int32_t GetSysColor(int index) const override { return 0x010101 * index; }
};

TEST(ArrowTest, GeometryOfAHundredBySixtyBoxAndTheTipStraightUp) {
    RecordingBox box(100, 60);
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
    RecordingBox odd(101, 61);
    EXPECT_EQ(Arrow::ComputeGeometry(odd).r, 29.5);
}

TEST(ArrowTest, DirectionArrowClearsFillsOutlinesAndEdgesInThatOrder) {
    RecordingBox box(100, 60);
    box.fore = static_cast<std::int32_t>(0x80000005u);  // the window background colour
    Palette palette;
    Arrow::DrawDirectionArrow(box, std::numbers::pi / 2, palette);
    EXPECT_EQ(box.calls, (std::vector<std::string>{"back 65535", "fill", "fore 0", "polygon fore 0",
                                                   "width 3", "line 255", "line 255", "line 255"}));
    EXPECT_EQ(box.fillColour, 0x050505);
    EXPECT_EQ(box.filled[0], (PicturePoint{50, 2}));

    RecordingBox failing(100, 60);
    failing.regionFails = true;
    Arrow::DrawDirectionArrow(failing, 0, palette);
    EXPECT_EQ(failing.calls.size(), 8u);  // only the fill is missing from the picture
}

TEST(ArrowTest, CompassCircleAndColoursThatAreNotSystemColours) {
    RecordingBox box(100, 60);
    Arrow::DrawCompassCircle(box);
    EXPECT_EQ(box.calls, (std::vector<std::string>{"fore 0", "width 3", "circle 50 30 28 255"}));
    EXPECT_EQ(Arrow::TranslateColour(0x123456, Palette()), 0x123456);
}

}  // namespace
}  // namespace bb
