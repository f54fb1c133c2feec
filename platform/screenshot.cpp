#include "platform/screenshot.h"

#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <string>

namespace bb::platform {

void SaveScreenshotAfter(QWidget& window, int seconds, const QString& file, const char* program) {
    QTimer::singleShot(std::max(0, seconds) * 1000, &window,
                       [&window, file, name = std::string(program)] {
                           if (!window.grab().save(file))
                               std::fprintf(stderr, "%s: cannot write the screenshot %s\n",
                                            name.c_str(), qPrintable(file));
                       });
}

}  // namespace bb::platform
