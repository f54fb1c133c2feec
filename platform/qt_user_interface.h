// Message boxes as Qt windows.
#pragma once

#include "support/system_api.h"

namespace bb::platform {

class QtUserInterface final : public sys::UserInterface {
  public:
    void MessageBox(std::string_view text, std::string_view caption, int style) override;
};

}  // namespace bb::platform
