// The APRS symbols as pictures people know them by: a car, a house, a
// digipeater's star, a weather station and some seventy more, drawn by the
// program on a 32 × 32 grid.
#pragma once

#include <QPainter>

namespace bb::hostapp {

// Whether the symbol `code` of the primary table (or the alternate one) has
// a picture of its own.
bool HasPicture(bool alternate, char code);
// Draws it on the painter's 32 × 32 grid; false, drawing nothing, when it
// has none.
bool DrawPicture(bool alternate, char code, QPainter& painter);

}  // namespace bb::hostapp
