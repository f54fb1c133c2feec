// The desktop clipboard, read as a bitmap.
#pragma once

#include "support/picture.h"

namespace bb::platform {

class QtClipboard final : public Clipboard {
  public:
    std::optional<Picture> GetBitmap() override;
};

}  // namespace bb::platform
