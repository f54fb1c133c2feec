// The operating-system services the program's logic calls, as small
// interfaces. The running program installs the real ones (platform/); tests
// install fakes. Until something is installed every call raises error 91, so
// a missing service is logged, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace bb::sys {

// The system clock's reading, field for field as the clock reports it.
struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // The current time in UTC.
    virtual SystemTime GetSystemTime() = 0;
    // The current time on the computer's own clock (its zone's local time).
    virtual SystemTime GetLocalTime() { return GetSystemTime(); }
};

// The version query's record.
struct OsVersionInfo {
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
};

inline constexpr std::uint32_t kPlatformWin32Windows = 1;
inline constexpr std::uint32_t kPlatformWin32NT = 2;
// What this machine reports: no Windows family, so version names are "unknown".
inline constexpr std::uint32_t kPlatformLinux = 0x4C58;

class OsVersion {
  public:
    virtual ~OsVersion() = default;
    // False when the query fails.
    virtual bool GetVersionEx(OsVersionInfo& info) = 0;
};

// Locale information items asked for by number.
inline constexpr std::uint32_t kLocaleSLanguage = 2;             // localized language name
inline constexpr std::uint32_t kLocaleSCountry = 6;              // localized country name
inline constexpr std::uint32_t kLocaleSDecimal = 0x0E;           // decimal separator
inline constexpr std::uint32_t kLocaleSAbbrevMonthName1 = 0x44;  // ...to 0x4F for December

class Locale {
  public:
    virtual ~Locale() = default;
    // 0 when the user has no default locale.
    virtual std::uint32_t GetUserDefaultLCID() = 0;
    // Copies the item's text with its terminating zero into `buffer` and returns
    // the number of characters written; with `size` 0 returns the number
    // needed; 0 on failure.
    virtual int GetLocaleInfo(std::uint32_t lcid, std::uint32_t item, char* buffer, int size) = 0;
};

inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// A read-only view of the keys under the local machine's root.
class Registry {
  public:
    virtual ~Registry() = default;
    // Whether the key (a "\"-separated path) exists and may be opened with `access`.
    virtual bool OpenKey(std::string_view path, std::uint32_t access) = 0;
    // The name of subkey number `index`; nothing when there is no such subkey.
    virtual std::optional<std::string> EnumKey(std::string_view path, std::uint32_t index) = 0;
    // The raw bytes of a value (texts end in a NUL); nothing when it cannot be read.
    virtual std::optional<std::string> QueryValue(std::string_view path, std::string_view name) = 0;
};

inline constexpr int kMbOk = 0;
inline constexpr int kMbIconStop = 16;

class UserInterface {
  public:
    virtual ~UserInterface() = default;
    // A modal message box; returns when the user has closed it.
    virtual void MessageBox(std::string_view text, std::string_view caption, int style) = 0;
};

class Process {
  public:
    virtual ~Process() = default;
    // Ends the process at once, with no clean-up.
    [[noreturn]] virtual void EndNow() = 0;
};

// Settings files in the private-profile format: "[section]" lines, then
// "key=value" lines. The file is opened and closed on every call.
class ProfileFiles {
  public:
    virtual ~ProfileFiles() = default;
    // The value of `key` in `section`, at most `size` - 1 characters of it;
    // `defaultValue` when the file, the section or the key is absent.
    virtual std::string GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                                 std::string_view defaultValue, std::size_t size,
                                                 const std::filesystem::path& file) = 0;
    // Sets `key` in `section`, creating the file, the section and the key as
    // needed. False when the file could not be written; it is then as it was,
    // and LastWriteError says why.
    virtual bool WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                            std::string_view value,
                                            const std::filesystem::path& file) = 0;
    virtual std::string LastWriteError() const = 0;
};

struct Services {
    Clock* clock;
    OsVersion* os;
    Locale* locale;
    Registry* registry;
    UserInterface* ui;
    Process* process;
    ProfileFiles* profile;
};

// The installed services of this process.
Services& Current();

// Installs services for a scope and puts the previous ones back at its end.
class ScopedServices {
  public:
    explicit ScopedServices(const Services& s) : saved_(Current()) { Current() = s; }
    ~ScopedServices() { Current() = saved_; }
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

  private:
    Services saved_;
};

}  // namespace bb::sys
