// Window layouts written in twips (15 to a pixel at 96 dots per inch), drawn
// larger by one factor for the whole window when its texts need the room:
// every control keeps its place relative to the others.
#pragma once

#include <QFontMetrics>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "support/twips.h"

namespace bb::windows {

class TwipLayout {
  public:
    static constexpr int kTwipsPerPixel = twips::kPerPixelAt96Dpi;

    explicit TwipLayout(double scale = 1.0) : scale_(scale < 1.0 ? 1.0 : scale) {}

    // The least scale, from 1 up in twentieths, at which each text fits the
    // width in twips given to it, with a few pixels to spare.
    static TwipLayout Fitting(const QFontMetrics& font,
                              std::initializer_list<std::pair<QString, int>> texts) {
        constexpr int kSpare = 4;  // pixels
        double need = 1.0;
        for (const auto& [text, twips] : texts) {
            const double room = static_cast<double>(twips) / kTwipsPerPixel;
            if (room > 0) need = std::max(need, (font.horizontalAdvance(text) + kSpare) / room);
        }
        return TwipLayout(std::ceil(need * 20.0) / 20.0);
    }

    double Scale() const { return scale_; }
    int Px(int twips) const { return static_cast<int>(twips * scale_ / kTwipsPerPixel + 0.5); }
    QRect Rect(int left, int top, int width, int height) const {
        return {Px(left), Px(top), Px(width), Px(height)};
    }

  private:
    double scale_;
};

}  // namespace bb::windows
