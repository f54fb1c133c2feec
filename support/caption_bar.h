// The main window's caption: the grid writes the station counts there, the
// emergency check adds its warning.
#pragma once

#include <string>

namespace bb {

class CaptionBar {
  public:
    virtual ~CaptionBar() = default;
    virtual void SetCaption(const std::string& caption) = 0;
};

}  // namespace bb
