// The host's own station symbols: every APRS symbol drawn as a small bitmap
// from its table (or overlay) and code, with no image set from elsewhere.
// The common ones are pictures (a car, a house, ...); the rest are a
// coloured glyph that shows the code.
#pragma once

#include <QImage>

namespace bb::hostapp {

inline constexpr int kSymbolSize = 16;

// Draws the symbol; false for a table or code that is not an APRS symbol.
bool DrawSymbol(char table, char code, QImage& image);
// The glyph a symbol without a picture of its own is drawn as.
bool DrawGlyph(char table, char code, QImage& image);

}  // namespace bb::hostapp
