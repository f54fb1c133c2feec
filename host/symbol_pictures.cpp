#include "host/symbol_pictures.h"

#include <QPainterPath>
#include <QPolygonF>
#include <numbers>
#include <unordered_map>

namespace bb::hostapp {
namespace {

// Every picture is drawn on a 32 × 32 grid, y downwards, and scaled to the
// symbol's size.
using Picture = void (*)(QPainter&);

const QColor kGlass(170, 215, 245);
const QColor kTyre(40, 40, 40);

void Outline(QPainter& p, QColor fill, double width = 1.5) {
    p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
}

void Wheel(QPainter& p, double x, double y, double r = 3.5) {
    Outline(p, kTyre, 1);
    p.drawEllipse(QPointF(x, y), r, r);
}

void Poly(QPainter& p, std::initializer_list<QPointF> points) {
    p.drawPolygon(QPolygonF(QList<QPointF>(points)));
}

void Cross(QPainter& p, QPointF c, double arm, QColor colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(QRectF(c.x() - arm, c.y() - arm / 3, 2 * arm, 2 * arm / 3));
    p.drawRect(QRectF(c.x() - arm / 3, c.y() - arm, 2 * arm / 3, 2 * arm));
}

void Letters(QPainter& p, const QRectF& box, const QString& text, QColor colour, int size) {
    QFont f = p.font();
    f.setPixelSize(size);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

// Road vehicles, side on, facing right.
void CarBody(QPainter& p, QColor body) {
    Outline(p, body);
    Poly(p, {{3, 22}, {3, 16}, {9, 15}, {13, 9}, {22, 9}, {27, 15}, {30, 16}, {30, 22}});
    Outline(p, kGlass, 1);
    Poly(p, {{14, 11}, {21, 11}, {24, 15}, {11, 15}});
    Wheel(p, 9, 23);
    Wheel(p, 24, 23);
}
void Car(QPainter& p) {
    CarBody(p, QColor(220, 40, 40));
}
void PoliceCar(QPainter& p) {
    CarBody(p, QColor(30, 60, 170));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::red);
    p.drawRect(QRectF(14, 6, 4, 3));
    p.setBrush(Qt::blue);
    p.drawRect(QRectF(18, 6, 4, 3));
}
void Suv(QPainter& p) {
    Outline(p, QColor(90, 110, 130));
    Poly(p, {{3, 22}, {3, 10}, {22, 10}, {28, 15}, {30, 16}, {30, 22}});
    Outline(p, kGlass, 1);
    p.drawRect(QRectF(6, 12, 14, 4));
    Wheel(p, 9, 23);
    Wheel(p, 24, 23);
}
void Jeep(QPainter& p) {
    Outline(p, QColor(110, 125, 60));
    Poly(p, {{5, 22}, {5, 14}, {12, 14}, {14, 8}, {16, 8}, {17, 14}, {29, 14}, {29, 22}});
    Wheel(p, 3.5, 17, 3);  // the spare at the back
    Wheel(p, 10, 23);
    Wheel(p, 24, 23);
}
void Pickup(QPainter& p) {
    Outline(p, QColor(230, 140, 30));
    Poly(p, {{2, 22}, {2, 15}, {16, 15}, {16, 9}, {24, 9}, {29, 15}, {30, 22}});
    Outline(p, kGlass, 1);
    Poly(p, {{18, 11}, {23, 11}, {26, 15}, {18, 15}});
    Wheel(p, 8, 23);
    Wheel(p, 24, 23);
}
void Semi(QPainter& p) {
    Outline(p, QColor(200, 200, 205));
    p.drawRect(QRectF(1, 8, 19, 13));
    Outline(p, QColor(200, 40, 40));
    Poly(p, {{21, 21}, {21, 10}, {27, 10}, {31, 15}, {31, 21}});
    Wheel(p, 6, 23, 3);
    Wheel(p, 13, 23, 3);
    Wheel(p, 26, 23, 3);
}
void Van(QPainter& p, QColor body) {
    Outline(p, body);
    Poly(p, {{3, 22}, {3, 8}, {23, 8}, {29, 15}, {30, 22}});
    Outline(p, kGlass, 1);
    Poly(p, {{23, 10}, {27, 15}, {23, 15}});
    p.drawRect(QRectF(6, 10, 6, 5));
    p.drawRect(QRectF(14, 10, 6, 5));
    Wheel(p, 9, 23);
    Wheel(p, 24, 23);
}
void PlainVan(QPainter& p) {
    Van(p, QColor(80, 150, 210));
}
void Ambulance(QPainter& p) {
    Van(p, Qt::white);
    Cross(p, {12, 18}, 3, Qt::red);
}
void Bus(QPainter& p) {
    Outline(p, QColor(250, 200, 20));
    p.drawRoundedRect(QRectF(1, 7, 30, 15), 2, 2);
    Outline(p, kGlass, 1);
    for (double x = 4; x < 27; x += 6)
        p.drawRect(QRectF(x, 10, 4, 5));
    Wheel(p, 7, 23);
    Wheel(p, 25, 23);
}
void Rv(QPainter& p) {
    Outline(p, QColor(245, 240, 225));
    p.drawRoundedRect(QRectF(1, 6, 29, 16), 3, 3);
    Outline(p, QColor(60, 120, 180), 1);
    p.drawRect(QRectF(5, 10, 6, 5));
    p.drawRect(QRectF(14, 10, 5, 11));
    p.drawRect(QRectF(23, 10, 5, 5));
    Wheel(p, 8, 23);
    Wheel(p, 24, 23);
}
void FireTruck(QPainter& p) {
    Outline(p, QColor(210, 20, 20));
    Poly(p, {{2, 22}, {2, 12}, {22, 12}, {22, 8}, {27, 8}, {31, 14}, {31, 22}});
    p.setPen(QPen(Qt::white, 1.5));
    p.drawLine(QPointF(3, 10), QPointF(20, 7));  // the ladder
    p.drawLine(QPointF(3, 12), QPointF(20, 9));
    Wheel(p, 8, 23);
    Wheel(p, 25, 23);
}
void Motorcycle(QPainter& p) {
    Wheel(p, 7, 22, 5);
    Wheel(p, 25, 22, 5);
    p.setPen(QPen(Qt::black, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 22), QPointF(14, 15));
    p.drawLine(QPointF(14, 15), QPointF(23, 15));
    p.drawLine(QPointF(23, 15), QPointF(25, 22));
    p.drawLine(QPointF(21, 15), QPointF(19, 9));
    Outline(p, QColor(200, 40, 40));
    p.drawEllipse(QRectF(12, 12, 9, 5));
}
void Bicycle(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(QPointF(8, 21), 5.5, 5.5);
    p.drawEllipse(QPointF(24, 21), 5.5, 5.5);
    p.setPen(QPen(QColor(0, 120, 60), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawPolyline(QPolygonF(QList<QPointF>{{8, 21}, {14, 12}, {22, 12}, {24, 21}}));
    p.drawPolyline(QPolygonF(QList<QPointF>{{14, 12}, {16, 21}, {22, 12}}));
    p.drawLine(QPointF(21, 12), QPointF(20, 8));
    p.drawLine(QPointF(12, 10), QPointF(16, 10));
}
void Train(QPainter& p) {
    Outline(p, QColor(40, 90, 50));
    Poly(p, {{2, 22}, {2, 12}, {18, 12}, {18, 6}, {28, 6}, {28, 22}});
    p.drawRect(QRectF(6, 7, 4, 5));  // the chimney
    Outline(p, kGlass, 1);
    p.drawRect(QRectF(21, 8, 5, 4));
    Wheel(p, 7, 24, 3);
    Wheel(p, 15, 24, 3);
    Wheel(p, 23, 24, 3);
}
void Snowmobile(QPainter& p) {
    Outline(p, QColor(230, 200, 20));
    Poly(p, {{4, 18}, {10, 11}, {24, 11}, {28, 18}});
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(2, 24), QPointF(28, 24));
    p.drawLine(QPointF(28, 24), QPointF(31, 21));
    p.drawLine(QPointF(8, 18), QPointF(8, 24));
    p.drawLine(QPointF(22, 18), QPointF(22, 24));
}

// On the water and in the air.
void Hull(QPainter& p, QColor colour) {
    Outline(p, colour);
    Poly(p, {{1, 19}, {31, 19}, {27, 26}, {5, 26}});
}
void Ship(QPainter& p) {
    Hull(p, QColor(30, 60, 140));
    Outline(p, Qt::white);
    p.drawRect(QRectF(9, 12, 14, 7));
    Outline(p, QColor(220, 60, 30));
    p.drawRect(QRectF(13, 6, 5, 6));
}
void Yacht(QPainter& p) {
    Hull(p, QColor(240, 240, 240));
    Outline(p, Qt::white);
    Poly(p, {{16, 3}, {16, 17}, {5, 17}});
    Outline(p, QColor(220, 60, 60));
    Poly(p, {{18, 6}, {18, 17}, {27, 17}});
}
void Canoe(QPainter& p) {
    Outline(p, QColor(170, 100, 40));
    QPainterPath path({2, 16});
    path.quadTo(16, 28, 30, 16);
    path.quadTo(16, 21, 2, 16);
    p.drawPath(path);
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(10, 8), QPointF(20, 24));
}
void Plane(QPainter& p, QColor colour, double span) {
    Outline(p, colour, 1);
    QPainterPath body;
    body.addRoundedRect(QRectF(14, 2, 4, 28), 2, 2);
    p.drawPath(body);
    Poly(p,
         {{16, 10}, {16 + span, 17}, {16 + span, 19}, {16, 16}, {16 - span, 19}, {16 - span, 17}});
    Poly(p, {{16, 25}, {22, 29}, {22, 30}, {16, 28}, {10, 30}, {10, 29}});
}
void Airliner(QPainter& p) {
    Plane(p, QColor(60, 60, 200), 15);
}
void SmallPlane(QPainter& p) {
    Plane(p, QColor(220, 60, 30), 11);
}
void Glider(QPainter& p) {
    Outline(p, Qt::white, 1);
    Poly(p, {{1, 14}, {31, 14}, {31, 16}, {1, 16}});
    p.drawRoundedRect(QRectF(14.5, 6, 3, 22), 1.5, 1.5);
    Poly(p, {{16, 26}, {21, 28}, {11, 28}});
}
void Helicopter(QPainter& p) {
    Outline(p, QColor(200, 60, 30));
    p.drawEllipse(QRectF(8, 12, 13, 10));
    p.drawRect(QRectF(20, 15, 10, 3));
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(2, 9), QPointF(28, 9));
    p.drawLine(QPointF(14, 9), QPointF(14, 12));
    p.drawLine(QPointF(8, 25), QPointF(22, 25));
}
void Balloon(QPainter& p) {
    Outline(p, QColor(240, 80, 80));
    p.drawEllipse(QRectF(6, 1, 20, 20));
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(9, 17), QPointF(13, 25));
    p.drawLine(QPointF(23, 17), QPointF(19, 25));
    Outline(p, QColor(150, 90, 40), 1);
    p.drawRect(QRectF(12, 25, 8, 5));
}
void Satellite(QPainter& p) {
    Outline(p, QColor(60, 80, 160), 1);
    p.drawRect(QRectF(1, 12, 10, 8));
    p.drawRect(QRectF(21, 12, 10, 8));
    Outline(p, QColor(200, 200, 200));
    p.drawRect(QRectF(12, 10, 8, 12));
}
void Rocket(QPainter& p) {
    Outline(p, Qt::white);
    Poly(p, {{16, 1}, {21, 9}, {21, 24}, {11, 24}, {11, 9}});
    Outline(p, QColor(220, 40, 40));
    Poly(p, {{11, 18}, {6, 27}, {11, 24}});
    Poly(p, {{21, 18}, {26, 27}, {21, 24}});
    Outline(p, QColor(250, 170, 20), 1);
    Poly(p, {{13, 25}, {19, 25}, {16, 31}});
}

// Buildings and places.
void HouseShape(QPainter& p, QColor wall, QColor roof) {
    Outline(p, wall);
    p.drawRect(QRectF(6, 15, 20, 14));
    Outline(p, roof);
    Poly(p, {{2, 16}, {16, 4}, {30, 16}});
    Outline(p, QColor(120, 70, 30), 1);
    p.drawRect(QRectF(14, 21, 5, 8));
}
void House(QPainter& p) {
    HouseShape(p, QColor(240, 230, 200), QColor(190, 40, 30));
}
void HouseWithYagi(QPainter& p) {
    Outline(p, QColor(240, 230, 200));
    p.drawRect(QRectF(4, 18, 18, 12));
    Outline(p, QColor(190, 40, 30));
    Poly(p, {{1, 19}, {13, 9}, {25, 19}});
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(26, 30), QPointF(26, 3));
    for (double x = 21; x <= 31; x += 2.5)
        p.drawLine(QPointF(x, 2), QPointF(x, 7));
    p.drawLine(QPointF(20, 4.5), QPointF(31, 4.5));
}
void Building(QPainter& p, QColor wall) {
    Outline(p, wall);
    p.drawRect(QRectF(4, 6, 24, 24));
    Outline(p, kGlass, 1);
    for (double y = 9; y < 24; y += 6)
        for (double x = 7; x < 26; x += 6)
            p.drawRect(QRectF(x, y, 3, 3));
}
void Hotel(QPainter& p) {
    Building(p, QColor(200, 170, 120));
    Letters(p, QRectF(4, 18, 24, 12), QStringLiteral("H"), QColor(140, 20, 20), 12);
}
void Hospital(QPainter& p) {
    Outline(p, Qt::white);
    p.drawRect(QRectF(3, 6, 26, 24));
    Cross(p, {16, 18}, 8, Qt::red);
}
void RedCross(QPainter& p) {
    Outline(p, Qt::white, 1);
    p.drawEllipse(QRectF(1, 1, 30, 30));
    Cross(p, {16, 16}, 10, Qt::red);
}
void School(QPainter& p) {
    Outline(p, QColor(200, 90, 60));
    p.drawRect(QRectF(3, 14, 26, 16));
    Poly(p, {{1, 15}, {16, 7}, {31, 15}});
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(16, 7), QPointF(16, 1));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 80, 200));
    p.drawRect(QRectF(16, 1, 7, 4));  // the flag
    Outline(p, kGlass, 1);
    p.drawRect(QRectF(6, 18, 5, 5));
    p.drawRect(QRectF(21, 18, 5, 5));
}
void FireStation(QPainter& p) {
    HouseShape(p, QColor(220, 60, 40), QColor(120, 30, 20));
    Letters(p, QRectF(6, 15, 20, 8), QStringLiteral("F"), Qt::white, 8);
}
void PoliceStation(QPainter& p) {
    Outline(p, QColor(30, 60, 170));
    Poly(p, {{16, 2}, {29, 7}, {27, 21}, {16, 30}, {5, 21}, {3, 7}});
    Letters(p, QRectF(3, 6, 26, 20), QStringLiteral("P"), Qt::white, 16);
}
void Eoc(QPainter& p) {
    Building(p, QColor(230, 120, 30));
    Letters(p, QRectF(0, 16, 32, 14), QStringLiteral("EOC"), Qt::black, 9);
}
void CommandPost(QPainter& p) {
    Outline(p, QColor(250, 220, 60));
    Poly(p, {{16, 2}, {30, 29}, {2, 29}});
    Letters(p, QRectF(2, 12, 28, 17), QStringLiteral("C"), Qt::black, 13);
}
void Tent(QPainter& p) {
    Outline(p, QColor(60, 150, 70));
    Poly(p, {{16, 4}, {30, 28}, {2, 28}});
    Outline(p, QColor(30, 80, 30), 1);
    Poly(p, {{16, 14}, {21, 28}, {11, 28}});
}
void Shelter(QPainter& p) {
    Outline(p, QColor(150, 110, 70));
    Poly(p, {{1, 14}, {16, 4}, {31, 14}});
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(6, 14), QPointF(6, 29));
    p.drawLine(QPointF(26, 14), QPointF(26, 29));
}
void AidStation(QPainter& p) {
    Outline(p, QColor(250, 250, 250));
    p.drawRect(QRectF(3, 3, 26, 26));
    Cross(p, {16, 16}, 9, QColor(0, 150, 60));
}

// Radio.
void Star(QPainter& p, QColor fill) {
    Outline(p, fill, 1.2);
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? 6.5 : 15, a = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        star << QPointF(16 + r * std::cos(a), 17 + r * std::sin(a));
    }
    p.drawPolygon(star);
}
void Digipeater(QPainter& p) {
    Star(p, QColor(40, 190, 60));
}
void Diamond(QPainter& p, QColor fill) {
    Outline(p, fill, 1.2);
    Poly(p, {{16, 1}, {31, 16}, {16, 31}, {1, 16}});
}
void Gateway(QPainter& p) {
    Diamond(p, QColor(40, 40, 40));
    Letters(p, QRectF(1, 1, 30, 30), QStringLiteral("G"), Qt::white, 13);
}
void Tower(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.drawLine(QPointF(16, 2), QPointF(8, 30));
    p.drawLine(QPointF(16, 2), QPointF(24, 30));
    for (double y = 10; y < 30; y += 6)
        p.drawLine(QPointF(16 - (y - 2) * 8 / 28, y), QPointF(16 + (y - 2) * 8 / 28, y));
    p.setPen(QPen(QColor(220, 40, 40), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(6, -4, 20, 14), 30 * 16, 120 * 16);
    p.drawArc(QRectF(2, -8, 28, 22), 35 * 16, 110 * 16);
}
void Dish(QPainter& p) {
    Outline(p, QColor(230, 230, 230));
    p.drawChord(QRectF(2, 2, 24, 24), -45 * 16, 180 * 16);
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(14, 14), QPointF(20, 8));
    p.drawLine(QPointF(13, 20), QPointF(10, 30));
    p.drawLine(QPointF(5, 30), QPointF(18, 30));
}
void Phone(QPainter& p) {
    Outline(p, QColor(30, 30, 30));
    QPainterPath handset;
    handset.moveTo(4, 8);
    handset.cubicTo(4, 2, 28, 2, 28, 8);
    handset.lineTo(23, 12);
    handset.lineTo(20, 8);
    handset.cubicTo(17, 7, 15, 7, 12, 8);
    handset.lineTo(9, 12);
    handset.closeSubpath();
    p.drawPath(handset);
    Outline(p, QColor(200, 30, 30));
    Poly(p, {{10, 14}, {22, 14}, {28, 29}, {4, 29}});
    Outline(p, Qt::white, 1);
    p.drawEllipse(QPointF(16, 22), 4, 4);
}
void Laptop(QPainter& p) {
    Outline(p, QColor(60, 60, 70));
    p.drawRect(QRectF(6, 6, 20, 14));
    Poly(p, {{4, 22}, {28, 22}, {31, 28}, {1, 28}});
    Outline(p, kGlass, 1);
    p.drawRect(QRectF(8, 8, 16, 10));
}
void Computer(QPainter& p) {
    Outline(p, QColor(200, 200, 190));
    p.drawRect(QRectF(4, 3, 24, 18));
    p.drawRect(QRectF(10, 24, 12, 4));
    Outline(p, QColor(40, 80, 160), 1);
    p.drawRect(QRectF(7, 6, 18, 12));
}
void Television(QPainter& p) {
    Outline(p, QColor(90, 70, 50));
    p.drawRoundedRect(QRectF(2, 9, 28, 20), 3, 3);
    Outline(p, kGlass, 1);
    p.drawRect(QRectF(5, 12, 18, 14));
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(16, 9), QPointF(10, 2));
    p.drawLine(QPointF(16, 9), QPointF(22, 2));
}

// Weather.
void WeatherStation(QPainter& p) {
    Outline(p, QColor(250, 210, 30), 1);
    p.drawEllipse(QRectF(3, 3, 15, 15));  // the sun
    Outline(p, QColor(235, 240, 250), 1.2);
    QPainterPath cloud;
    cloud.addEllipse(QRectF(8, 13, 12, 11));
    cloud.addEllipse(QRectF(15, 10, 13, 13));
    cloud.addRoundedRect(QRectF(6, 18, 24, 9), 4, 4);
    p.drawPath(cloud.simplified());
}
void WeatherService(QPainter& p) {
    Outline(p, QColor(30, 90, 200));
    p.drawEllipse(QRectF(1, 1, 30, 30));
    Letters(p, QRectF(1, 1, 30, 30), QStringLiteral("W"), Qt::white, 16);
}
void Hurricane(QPainter& p) {
    p.setPen(QPen(QColor(200, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 5, 22, 22), 90 * 16, 160 * 16);
    p.drawArc(QRectF(5, 5, 22, 22), 270 * 16, 160 * 16);
    p.setBrush(QColor(200, 30, 30));
    p.drawEllipse(QPointF(16, 16), 4, 4);
}
void Tornado(QPainter& p) {
    p.setPen(QPen(QColor(80, 80, 90), 2.5, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 5; ++i) {
        const double w = 26 - i * 5, y = 4 + i * 5.5;
        p.drawLine(QPointF(16 - w / 2 + i, y), QPointF(16 + w / 2 + i, y));
    }
}
void Flood(QPainter& p) {
    p.setPen(QPen(QColor(30, 100, 220), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (double y = 8; y < 30; y += 8) {
        QPainterPath wave({2, y});
        wave.cubicTo(7, y - 5, 11, y + 5, 16, y);
        wave.cubicTo(21, y - 5, 25, y + 5, 30, y);
        p.drawPath(wave);
    }
}

// People, animals and the rest.
void Person(QPainter& p) {
    Outline(p, QColor(250, 200, 150), 1);
    p.drawEllipse(QPointF(16, 5), 4, 4);
    p.setPen(QPen(QColor(30, 60, 160), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 10), QPointF(15, 20));
    p.drawLine(QPointF(15, 20), QPointF(10, 30));
    p.drawLine(QPointF(15, 20), QPointF(21, 29));
    p.drawLine(QPointF(8, 15), QPointF(24, 12));
}
void Horse(QPainter& p) {
    Outline(p, QColor(140, 90, 40));
    Poly(p, {{5, 12}, {22, 12}, {25, 4}, {31, 7}, {27, 15}, {26, 20}, {5, 20}});
    p.setPen(QPen(QColor(140, 90, 40), 3, Qt::SolidLine, Qt::RoundCap));
    for (double x : {7.0, 11.0, 20.0, 24.0})
        p.drawLine(QPointF(x, 20), QPointF(x, 30));
}
void Dog(QPainter& p) {
    Outline(p, QColor(200, 150, 80));
    Poly(p, {{4, 14}, {21, 14}, {23, 8}, {30, 10}, {27, 17}, {25, 21}, {4, 21}});
    p.setPen(QPen(QColor(200, 150, 80), 3, Qt::SolidLine, Qt::RoundCap));
    for (double x : {7.0, 21.0})
        p.drawLine(QPointF(x, 21), QPointF(x, 29));
    p.drawLine(QPointF(4, 15), QPointF(1, 9));
}
void Eye(QPainter& p) {
    Outline(p, Qt::white);
    QPainterPath eye({2, 16});
    eye.quadTo(16, 2, 30, 16);
    eye.quadTo(16, 30, 2, 16);
    p.drawPath(eye);
    Outline(p, QColor(40, 110, 200), 1);
    p.drawEllipse(QPointF(16, 16), 6, 6);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(16, 16), 2.5, 2.5);
}
void Fire(QPainter& p) {
    Outline(p, QColor(240, 90, 20), 1);
    QPainterPath flame({16, 1});
    flame.cubicTo(30, 14, 28, 30, 16, 31);
    flame.cubicTo(4, 30, 2, 16, 11, 8);
    flame.cubicTo(11, 16, 14, 16, 16, 1);
    p.drawPath(flame);
    Outline(p, QColor(250, 220, 40), 0);
    p.drawEllipse(QRectF(11, 18, 10, 12));
}
void RedDot(QPainter& p) {
    Outline(p, QColor(220, 20, 20), 1);
    p.drawEllipse(QRectF(6, 6, 20, 20));
}
void RedX(QPainter& p) {
    p.setPen(QPen(QColor(220, 20, 20), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(27, 27));
    p.drawLine(QPointF(27, 5), QPointF(5, 27));
}
void Emergency(QPainter& p) {
    Outline(p, QColor(230, 20, 20));
    Poly(p, {{16, 1}, {31, 29}, {1, 29}});
    Letters(p, QRectF(1, 9, 30, 20), QStringLiteral("!"), Qt::white, 18);
}
void Triangle(QPainter& p) {
    Outline(p, QColor(230, 20, 20));
    Poly(p, {{16, 1}, {31, 29}, {1, 29}});
}
void OverlayCircle(QPainter& p) {
    Outline(p, QColor(40, 160, 60));
    p.drawEllipse(QRectF(1, 1, 30, 30));
}
void OverlayBox(QPainter& p) {
    Outline(p, QColor(60, 60, 160));
    p.drawRect(QRectF(2, 2, 28, 28));
}
void AresDiamond(QPainter& p) {
    Diamond(p, QColor(220, 40, 40));
}
void OverlayDigi(QPainter& p) {
    Star(p, QColor(40, 190, 60));
}
void OverlayGateway(QPainter& p) {
    Diamond(p, QColor(40, 40, 40));
}
void Picnic(QPainter& p) {
    p.setPen(QPen(QColor(130, 80, 30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3, 12), QPointF(29, 12));
    p.drawLine(QPointF(9, 12), QPointF(5, 28));
    p.drawLine(QPointF(23, 12), QPointF(27, 28));
    p.drawLine(QPointF(2, 20), QPointF(30, 20));
}
void Skywarn(QPainter& p) {
    Outline(p, QColor(30, 90, 200));
    p.drawEllipse(QRectF(1, 1, 30, 30));
    Letters(p, QRectF(1, 1, 30, 30), QStringLiteral("S"), Qt::white, 16);
}

const std::unordered_map<char, Picture>& PrimaryPictures() {
    static const std::unordered_map<char, Picture> pictures = {
        {'!', PoliceStation},
        {'#', Digipeater},
        {'$', Phone},
        {'&', Gateway},
        {'\'', SmallPlane},
        {'(', Satellite},
        {'+', RedCross},
        {'-', House},
        {'.', RedX},
        {'/', RedDot},
        {':', Fire},
        {';', Tent},
        {'<', Motorcycle},
        {'=', Train},
        {'>', Car},
        {'@', Hurricane},
        {'A', AidStation},
        {'C', Canoe},
        {'E', Eye},
        {'H', Hotel},
        {'K', School},
        {'L', Computer},
        {'O', Balloon},
        {'P', PoliceCar},
        {'R', Rv},
        {'T', Television},
        {'U', Bus},
        {'W', WeatherService},
        {'X', Helicopter},
        {'Y', Yacht},
        {'[', Person},
        {'^', Airliner},
        {'_', WeatherStation},
        {'`', Dish},
        {'a', Ambulance},
        {'b', Bicycle},
        {'c', CommandPost},
        {'d', FireStation},
        {'e', Horse},
        {'f', FireTruck},
        {'g', Glider},
        {'h', Hospital},
        {'j', Jeep},
        {'k', Pickup},
        {'l', Laptop},
        {'o', Eoc},
        {'p', Dog},
        {'r', Tower},
        {'s', Ship},
        {'u', Semi},
        {'v', PlainVan},
        {'y', HouseWithYagi},
        {'z', Shelter},
        {'*', Snowmobile},
    };
    return pictures;
}

const std::unordered_map<char, Picture>& AlternatePictures() {
    static const std::unordered_map<char, Picture> pictures = {
        {'!', Emergency}, {'#', OverlayDigi},    {'&', OverlayGateway},
        {'-', House},     {'0', OverlayCircle},  {';', Picnic},
        {'>', Car},       {'A', OverlayBox},     {'O', Rocket},
        {'^', Airliner},  {'_', WeatherStation}, {'a', AresDiamond},
        {'k', Suv},       {'n', Triangle},       {'s', Ship},
        {'t', Tornado},   {'u', Semi},           {'v', PlainVan},
        {'w', Flood},     {'y', Skywarn},
    };
    return pictures;
}

}  // namespace

bool HasPicture(bool alternate, char code) {
    const auto& table = alternate ? AlternatePictures() : PrimaryPictures();
    return table.count(code) != 0;
}

bool DrawPicture(bool alternate, char code, QPainter& p) {
    const auto& table = alternate ? AlternatePictures() : PrimaryPictures();
    const auto it = table.find(code);
    if (it == table.end()) return false;
    it->second(p);
    return true;
}

}  // namespace bb::hostapp
