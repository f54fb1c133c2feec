// A picture box as the window arrows draw on it: a scale in its own units,
// a foreground and a background colour, a line width, and the few figures
// the arrows use. Colours are 24-bit with red in the low byte; a negative
// colour names a system colour by its low 24 bits.
#pragma once

#include <array>
#include <cstdint>

namespace bb {

struct PicturePoint {
    std::int32_t x = 0, y = 0;
    bool operator==(const PicturePoint&) const = default;
};

class PictureBox {
  public:
    virtual ~PictureBox() = default;
    virtual double ScaleWidth() const = 0;
    virtual double ScaleHeight() const = 0;
    virtual std::int32_t ForeColor() const = 0;
    virtual void SetForeColor(std::int32_t colour) = 0;
    // Setting the background colour clears the picture.
    virtual void SetBackColor(std::int32_t colour) = 0;
    virtual void SetDrawWidth(int width) = 0;
    virtual void Circle(double x, double y, double radius, std::int32_t colour) = 0;
    virtual void Line(double x1, double y1, double x2, double y2, std::int32_t colour) = 0;
    // Fills the triangle with a solid brush; false when the region could not
    // be made (nothing is filled then).
    virtual bool FillPolygonRegion(const std::array<PicturePoint, 3>& points,
                                   std::int32_t colour) = 0;
    // The triangle's outline in the foreground colour.
    virtual void Polygon(const std::array<PicturePoint, 3>& points) = 0;
};

// The system colours, by index (5 is the window background).
class SystemColours {
  public:
    virtual ~SystemColours() = default;
    virtual std::int32_t GetSysColor(int index) const = 0;
};

}  // namespace bb
