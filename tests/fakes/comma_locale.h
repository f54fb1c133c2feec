// The process's C library locale switched to one with a decimal comma for
// the life of the object, as Qt switches it from the user's environment.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace bb::testing {

class CommaLocale {
  public:
    CommaLocale() {
        const char* old = std::setlocale(LC_ALL, nullptr);
        saved_ = old ? old : "C";
        for (const char* name : {"de_DE.UTF-8", "nl_NL.UTF-8", "de_DE.utf8", "nl_NL.utf8"})
            if (std::setlocale(LC_ALL, name)) {
                active_ = true;
                break;
            }
    }
    ~CommaLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;
    // False where no such locale is installed (the test then proves less).
    bool Active() const { return active_; }

  private:
    std::string saved_;
    bool active_ = false;
};

}  // namespace bb::testing
