// The map-drawing batch of MapDraw: the board gathers the map calls of a
// turn of its event loop and sends them as one message, the host draws them
// in order. One byte per call names it (its opcode); the call's numbers
// follow in a second array, each a little-endian IEEE double.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bb::bus {

enum class MapOp : std::uint8_t {
    Circle = 1,      // x, y, radius, colour, start angle, end angle, aspect
    Line = 2,        // x1, y1, x2, y2, colour, flags
    LineWidth = 3,   // width
    DrawMode = 4,    // mode
    DrawColour = 5,  // colour
};

// The numbers each call carries.
constexpr int Arity(MapOp op) {
    switch (op) {
        case MapOp::Circle:
            return 7;
        case MapOp::Line:
            return 6;
        default:
            return 1;
    }
}

class MapBatchWriter {
  public:
    void Circle(double x, double y, double radius, std::int32_t colour, double startAngle,
                double endAngle, double aspect);
    void Line(double x1, double y1, double x2, double y2, std::int32_t colour, std::int32_t flags);
    // LineWidth, DrawMode or DrawColour.
    void Pen(MapOp op, std::int32_t value);

    std::size_t Calls() const { return ops_.size(); }
    bool Empty() const { return ops_.empty(); }
    const std::string& Ops() const { return ops_; }
    const std::string& Numbers() const { return numbers_; }
    void Clear() {
        ops_.clear();
        numbers_.clear();
    }

  private:
    void Put(double value);

    std::string ops_;
    std::string numbers_;
};

// What reading a batch tells, call by call. Colours, widths and modes come
// as whole numbers; one outside the 32-bit range reads as 0.
class MapDrawing {
  public:
    virtual ~MapDrawing() = default;
    virtual void Circle(double x, double y, double radius, std::int32_t colour) = 0;
    virtual void Line(double x1, double y1, double x2, double y2, std::int32_t colour) = 0;
    virtual void LineWidth(std::int32_t width) = 0;
    virtual void DrawMode(std::int32_t mode) = 0;
    virtual void DrawColour(std::int32_t colour) = 0;
};

// Draws the batch's calls in order. An unknown opcode or a call without all
// its numbers ends the batch there. Returns the number of figures (circles
// and lines) drawn.
int ReadMapBatch(std::string_view ops, std::string_view numbers, MapDrawing& drawing);

}  // namespace bb::bus
