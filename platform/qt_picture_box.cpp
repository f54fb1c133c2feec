#include "platform/qt_picture_box.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPolygon>

namespace bb::platform {
namespace {

std::int32_t FromQColor(const QColor& c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

}  // namespace

std::int32_t QtSystemColours::GetSysColor(int index) const {
    const QPalette p = QApplication::palette();
    // The classic system colour numbers, as the palette's roles.
    switch (index) {
        case 1:  // desktop
        case 2:  // active caption
            return FromQColor(p.color(QPalette::Highlight));
        case 5:  // window background
            return FromQColor(p.color(QPalette::Base));
        case 6:  // window frame
            return FromQColor(p.color(QPalette::Dark));
        case 7:  // window text
            return FromQColor(p.color(QPalette::Text));
        case 8:   // menu text
        case 18:  // button text
            return FromQColor(p.color(QPalette::ButtonText));
        case 13:  // highlight
            return FromQColor(p.color(QPalette::Highlight));
        case 14:  // highlighted text
            return FromQColor(p.color(QPalette::HighlightedText));
        case 15:  // button face
            return FromQColor(p.color(QPalette::Button));
        case 16:  // button shadow
            return FromQColor(p.color(QPalette::Mid));
        case 17:  // grey text
            return FromQColor(p.color(QPalette::Disabled, QPalette::Text));
        case 20:  // button highlight
            return FromQColor(p.color(QPalette::Light));
        case 23:  // tool tip text
            return FromQColor(p.color(QPalette::ToolTipText));
        case 24:  // tool tip background
            return FromQColor(p.color(QPalette::ToolTipBase));
        default:
            return FromQColor(p.color(QPalette::Window));
    }
}

QtPictureBox::QtPictureBox(QWidget* parent) : QWidget(parent) {
    image_ = QImage(1, 1, QImage::Format_RGB32);
    image_.fill(Colour(back_));
}

QColor QtPictureBox::Colour(std::int32_t colour) const {
    if (colour < 0) colour = QtSystemColours().GetSysColor(colour & 0xFFFFFF);
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

void QtPictureBox::SetBackColor(std::int32_t colour) {
    back_ = colour;
    image_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    image_.fill(Colour(back_));
    update();
}

void QtPictureBox::resizeEvent(QResizeEvent*) {
    FitCanvas();
}

QImage& QtPictureBox::Canvas() {
    // A box that is not shown yet has had no resize event: what is drawn on
    // it before its first show must land on an image of its own size.
    FitCanvas();
    return image_;
}

void QtPictureBox::FitCanvas() {
    const QSize want(std::max(1, width()), std::max(1, height()));
    if (image_.size() == want) return;
    QImage next(want, QImage::Format_RGB32);
    next.fill(Colour(back_));
    QPainter(&next).drawImage(0, 0, image_);
    image_ = next;
}

void QtPictureBox::Circle(double x, double y, double radius, std::int32_t colour) {
    QPainter p(&Canvas());
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Colour(colour), drawWidth_));
    p.drawEllipse(QPointF(x, y), radius, radius);
    update();
}

void QtPictureBox::Line(double x1, double y1, double x2, double y2, std::int32_t colour) {
    QPainter p(&Canvas());
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Colour(colour), drawWidth_, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    update();
}

bool QtPictureBox::FillPolygonRegion(const std::array<PicturePoint, 3>& points,
                                     std::int32_t colour) {
    QPolygon polygon;
    for (const PicturePoint& pt : points)
        polygon << QPoint(pt.x, pt.y);
    // Three points in a row make no region, as with the alternate fill rule.
    const QRegion region(polygon, Qt::OddEvenFill);
    if (region.isEmpty()) return false;
    QPainter p(&Canvas());
    p.setClipRegion(region);
    p.fillRect(region.boundingRect(), Colour(colour));
    update();
    return true;
}

void QtPictureBox::Polygon(const std::array<PicturePoint, 3>& points) {
    QPolygon polygon;
    for (const PicturePoint& pt : points)
        polygon << QPoint(pt.x, pt.y);
    QPainter p(&Canvas());
    p.setPen(QPen(Colour(fore_), 1));
    p.drawPolygon(polygon);
    update();
}

void QtPictureBox::SetPicture(const Picture* picture) {
    if (!picture || picture->width <= 0 || picture->height <= 0) {
        picture_ = QImage();
    } else {
        picture_ = QImage(reinterpret_cast<const uchar*>(picture->argb.data()), picture->width,
                          picture->height, picture->width * 4, QImage::Format_ARGB32)
                       .copy();
    }
    update();
}

void QtPictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, image_);
    if (!picture_.isNull())
        p.drawImage(QPoint((width() - picture_.width()) / 2, (height() - picture_.height()) / 2),
                    picture_);
}

}  // namespace bb::platform
