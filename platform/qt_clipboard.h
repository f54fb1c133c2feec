// The desktop clipboard, read as a bitmap.
#pragma once

#include <QMimeData>
#include <memory>

#include "support/picture.h"

namespace bb::platform {

class QtClipboard final : public Clipboard {
  public:
    std::optional<Picture> GetBitmap() override;
    void Keep() override;
    void PutBack() override;

  private:
    std::unique_ptr<QMimeData> kept_;
};

}  // namespace bb::platform
