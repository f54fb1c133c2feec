// What the add-on has drawn on the host's map since the base map was last
// painted: circles and lines in map coordinates, each with the width, draw
// mode and colour that were current when it came. A figure that is already
// on the map is not added again: an add-on that draws everything after each
// event neither grows the list nor, with an exclusive-or pen, erases what it
// drew before.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <unordered_set>

namespace bb::hostapp {

struct Overlay {
    enum class Shape { Circle, Line } shape = Shape::Circle;
    double x1 = 0, y1 = 0;  // circle centre, or line start: minutes of arc (x east, y north)
    double x2 = 0, y2 = 0;  // line end
    double radiusMiles = 0;
    std::int32_t colour = 0;  // red in the low byte
    std::int32_t width = 1;
    std::int32_t mode = 13;  // raster operation; 13 copies, 7 XORs
    bool operator==(const Overlay&) const = default;
};

struct OverlayHash {
    std::size_t operator()(const Overlay& o) const noexcept {
        std::size_t h = static_cast<std::size_t>(o.shape);
        for (double v : {o.x1, o.y1, o.x2, o.y2, o.radiusMiles})
            h = h * 1000003u ^ std::hash<double>()(v);
        for (std::int32_t v : {o.colour, o.width, o.mode})
            h = h * 1000003u ^ std::hash<std::int32_t>()(v);
        return h;
    }
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
    void Clear() {
        items_.clear();
        present_.clear();
        ++epoch_;
    }
    const std::deque<Overlay>& Items() const { return items_; }
    // Figures added since the list began; the figures since a count are the
    // list's last ones, as long as the epoch (raised when figures are taken
    // away) is the same. A map draws only what came since it last drew.
    std::uint64_t Added() const { return added_; }
    std::uint64_t Epoch() const { return epoch_; }

  private:
    void Add(const Overlay& o) {
        if (!present_.insert(o).second) return;
        if (items_.size() >= kMaxOverlays) {
            present_.erase(items_.front());
            items_.pop_front();
            ++epoch_;
        }
        items_.push_back(o);
        ++added_;
    }
    std::deque<Overlay> items_;
    std::unordered_set<Overlay, OverlayHash> present_;
    std::int32_t width_ = 1;
    std::int32_t mode_ = 13;
    std::int32_t drawColour_ = 0;
    std::uint64_t added_ = 0;
    std::uint64_t epoch_ = 0;
};

}  // namespace bb::hostapp
