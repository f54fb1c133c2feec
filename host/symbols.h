// The host's own station symbols: every APRS symbol drawn as a small bitmap
// from its table (or overlay) and code, with no image set from elsewhere.
#pragma once

#include <QImage>

namespace bb::hostapp {

inline constexpr int kSymbolSize = 16;

// Draws the symbol; false for a table or code that is not an APRS symbol.
bool DrawSymbol(char table, char code, QImage& image);

}  // namespace bb::hostapp
