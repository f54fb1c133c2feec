// A picture of a program's window a while after the start, for the README's
// pictures and for looking at a long run afterwards.
#pragma once

#include <QString>

class QWidget;

namespace bb::platform {

// Saves `window` as a PNG `file` after `seconds` (0 when fewer); a file that
// cannot be written is said on standard error, with `program`'s name.
void SaveScreenshotAfter(QWidget& window, int seconds, const QString& file, const char* program);

}  // namespace bb::platform
