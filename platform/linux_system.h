// This machine's answers to the clock, version and locale queries.
#pragma once

#include <string>

#include "support/system_api.h"

namespace bb::platform {

class LinuxClock final : public sys::Clock {
  public:
    sys::SystemTime GetSystemTime() override;
    sys::SystemTime GetLocalTime() override;
};

// The running kernel's release numbers (6.1.0 gives major 6, minor 1, build
// 0) under a platform identifier of no Windows family.
class LinuxOsVersion final : public sys::OsVersion {
  public:
    bool GetVersionEx(sys::OsVersionInfo& info) override;
};

// The user's locale from LC_ALL, LC_MESSAGES / LC_TIME and LANG. The C and
// POSIX locales count as no user locale. Names are the locale's own
// (localized) ones where the system has the locale installed, else the
// language and country codes of its name.
class LinuxLocale final : public sys::Locale {
  public:
    LinuxLocale();
    // For tests: a locale by name ("de_DE.UTF-8"); empty for none.
    explicit LinuxLocale(std::string name);
    std::uint32_t GetUserDefaultLCID() override;
    int GetLocaleInfo(std::uint32_t lcid, std::uint32_t item, char* buffer, int size) override;

  private:
    std::string ItemText(std::uint32_t item) const;
    std::string name_;
};

// Message boxes on standard error, for a program without windows.
class ConsoleUserInterface final : public sys::UserInterface {
  public:
    void MessageBox(std::string_view text, std::string_view caption, int style) override;
};

class RealProcess final : public sys::Process {
  public:
    [[noreturn]] void EndNow() override;
};

}  // namespace bb::platform
