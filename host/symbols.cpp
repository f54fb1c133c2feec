#include "host/symbols.h"

#include <QPainter>
#include <QPainterPath>

#include "host/symbol_pictures.h"

namespace bb::hostapp {
namespace {

bool IsOverlay(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

// A colour per code, so that neighbouring symbols differ on the map.
QColor CodeColour(char code, bool alternate) {
    const int hue = ((code - '!') * 47) % 360;
    return QColor::fromHsv(hue, alternate ? 150 : 220, alternate ? 170 : 200);
}

}  // namespace

bool DrawSymbol(char table, char code, QImage& image) {
    const bool primary = table == '/';
    const bool alternate = table == '\\' || IsOverlay(table);
    if ((!primary && !alternate) || code < '!' || code > '~') return false;
    image = QImage(kSymbolSize, kSymbolSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (HasPicture(alternate, code)) {
        p.save();
        p.scale(kSymbolSize / 32.0, kSymbolSize / 32.0);
        DrawPicture(alternate, code, p);
        p.restore();
        // The overlay character over the alternate table's picture.
        if (IsOverlay(table)) {
            QFont font = p.font();
            font.setPixelSize(11);
            font.setBold(true);
            QPainterPath text;
            text.addText(0, 0, font, QString(QChar(table)));
            const QRectF box = text.boundingRect();
            text.translate(kSymbolSize / 2.0 - box.center().x(),
                           kSymbolSize / 2.0 - box.center().y());
            p.setPen(QPen(Qt::black, 2));
            p.setBrush(Qt::NoBrush);
            p.drawPath(text);
            p.fillPath(text, Qt::white);
        }
        return true;
    }
    p.end();
    return DrawGlyph(table, code, image);
}

bool DrawGlyph(char table, char code, QImage& image) {
    const bool primary = table == '/';
    const bool alternate = table == '\\' || IsOverlay(table);
    if ((!primary && !alternate) || code < '!' || code > '~') return false;
    image = QImage(kSymbolSize, kSymbolSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(CodeColour(code, alternate));
    const QRectF box(0.5, 0.5, kSymbolSize - 1.0, kSymbolSize - 1.0);
    // The primary table in circles, the alternate one (and its overlays) in diamonds.
    if (primary) {
        p.drawEllipse(box);
    } else {
        const QPointF pts[4] = {{box.center().x(), box.top()},
                                {box.right(), box.center().y()},
                                {box.center().x(), box.bottom()},
                                {box.left(), box.center().y()}};
        p.drawPolygon(pts, 4);
    }
    QFont font = p.font();
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    const char shown = IsOverlay(table) ? table : code;
    p.drawText(QRectF(0, 0, kSymbolSize, kSymbolSize), Qt::AlignCenter, QString(QChar(shown)));
    return true;
}

}  // namespace bb::hostapp
