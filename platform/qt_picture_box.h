// A picture box: a widget that keeps what was drawn on it in an image, with
// the scale, colours and line width the window arrows use. Its scale unit is
// the pixel.
#pragma once

#include <QImage>
#include <QWidget>

#include "support/picture.h"
#include "support/picture_box.h"

namespace bb::platform {

// The system colours from the application's palette.
class QtSystemColours final : public SystemColours {
  public:
    std::int32_t GetSysColor(int index) const override;
};

class QtPictureBox final : public QWidget, public PictureBox {
  public:
    explicit QtPictureBox(QWidget* parent = nullptr);

    double ScaleWidth() const override { return width(); }
    double ScaleHeight() const override { return height(); }
    std::int32_t ForeColor() const override { return fore_; }
    void SetForeColor(std::int32_t colour) override { fore_ = colour; }
    void SetBackColor(std::int32_t colour) override;
    void SetDrawWidth(int width) override { drawWidth_ = width < 1 ? 1 : width; }
    void Circle(double x, double y, double radius, std::int32_t colour) override;
    void Line(double x1, double y1, double x2, double y2, std::int32_t colour) override;
    bool FillPolygonRegion(const std::array<PicturePoint, 3>& points, std::int32_t colour) override;
    void Polygon(const std::array<PicturePoint, 3>& points) override;

    // A bitmap shown as the box's picture, centred; null clears it.
    void SetPicture(const Picture* picture);
    const QImage& Image() const { return image_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QColor Colour(std::int32_t colour) const;
    QImage& Canvas();
    void FitCanvas();

    QImage image_;
    QImage picture_;
    std::int32_t fore_ = 0;
    std::int32_t back_ = 0xFFFFFF;
    int drawWidth_ = 1;
};

}  // namespace bb::platform
