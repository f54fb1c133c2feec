// What the add-on has drawn on the host's map since the base map was last
// painted: circles and lines in map coordinates, each with the width, draw
// mode and colour that were current when it came.
#pragma once

#include <cstdint>
#include <deque>

namespace bb::hostapp {

struct Overlay {
    enum class Shape { Circle, Line } shape = Shape::Circle;
    double x1 = 0, y1 = 0;  // circle centre, or line start: minutes of arc (x east, y north)
    double x2 = 0, y2 = 0;  // line end
    double radiusMiles = 0;
    std::int32_t colour = 0;  // red in the low byte
    std::int32_t width = 1;
    std::int32_t mode = 13;  // raster operation; 13 copies, 7 XORs
};

class MapOverlays {
  public:
    // A board that keeps drawing and never sees a repaint cannot grow the
    // host without end: the oldest overlays go first.
    static constexpr std::size_t kMaxOverlays = 200000;

    void Circle(double x, double y, double radiusMiles, std::int32_t colour) {
        Add({Overlay::Shape::Circle, x, y, 0, 0, radiusMiles, colour, width_, mode_});
    }
    void Line(double x1, double y1, double x2, double y2, std::int32_t colour) {
        Add({Overlay::Shape::Line, x1, y1, x2, y2, 0, colour, width_, mode_});
    }
    void SetWidth(std::int32_t w) { width_ = w < 1 ? 1 : (w > 64 ? 64 : w); }
    void SetMode(std::int32_t m) { mode_ = m; }
    void SetDrawColour(std::int32_t c) { drawColour_ = c; }
    std::int32_t DrawColour() const { return drawColour_; }
    void Clear() { items_.clear(); }
    const std::deque<Overlay>& Items() const { return items_; }

  private:
    void Add(const Overlay& o) {
        if (items_.size() >= kMaxOverlays) items_.pop_front();
        items_.push_back(o);
    }
    std::deque<Overlay> items_;
    std::int32_t width_ = 1;
    std::int32_t mode_ = 13;
    std::int32_t drawColour_ = 0;
};

}  // namespace bb::hostapp
