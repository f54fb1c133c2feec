#include "platform/linux_system.h"

#include <langinfo.h>
#include <locale.h>
#include <sys/utsname.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace bb::platform {

namespace {
sys::SystemTime Now(bool local) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    if (local)
        localtime_r(&ts.tv_sec, &tm);
    else
        gmtime_r(&ts.tv_sec, &tm);
    sys::SystemTime t;
    t.wYear = static_cast<std::uint16_t>(tm.tm_year + 1900);
    t.wMonth = static_cast<std::uint16_t>(tm.tm_mon + 1);
    t.wDayOfWeek = static_cast<std::uint16_t>(tm.tm_wday);
    t.wDay = static_cast<std::uint16_t>(tm.tm_mday);
    t.wHour = static_cast<std::uint16_t>(tm.tm_hour);
    t.wMinute = static_cast<std::uint16_t>(tm.tm_min);
    t.wSecond = static_cast<std::uint16_t>(tm.tm_sec);
    t.wMilliseconds = static_cast<std::uint16_t>(ts.tv_nsec / 1000000);
    return t;
}
}  // namespace

sys::SystemTime LinuxClock::GetSystemTime() {
    return Now(false);
}
sys::SystemTime LinuxClock::GetLocalTime() {
    return Now(true);
}

bool LinuxOsVersion::GetVersionEx(sys::OsVersionInfo& info) {
    utsname u{};
    if (uname(&u) != 0) return false;
    unsigned major = 0, minor = 0, build = 0;
    std::sscanf(u.release, "%u.%u.%u", &major, &minor, &build);
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.dwBuildNumber = build;
    info.dwPlatformId = sys::kPlatformLinux;
    return true;
}

namespace {

std::string EnvLocale(const char* category) {
    for (const char* var : {"LC_ALL", category, "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) return v;
    }
    return {};
}

bool IsNoLocale(const std::string& name) {
    return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

// "de_DE.UTF-8@euro" -> "de", "DE".
void SplitName(const std::string& name, std::string& lang, std::string& country) {
    std::string base = name.substr(0, name.find_first_of(".@"));
    auto us = base.find('_');
    lang = base.substr(0, us);
    country = us == std::string::npos ? std::string() : base.substr(us + 1);
}

}  // namespace

LinuxLocale::LinuxLocale() : name_(EnvLocale("LC_MESSAGES")) {}
LinuxLocale::LinuxLocale(std::string name) : name_(std::move(name)) {}

std::uint32_t LinuxLocale::GetUserDefaultLCID() {
    return IsNoLocale(name_) ? 0 : 1;
}

std::string LinuxLocale::ItemText(std::uint32_t item) const {
    std::string text;
    locale_t loc = newlocale(LC_ALL_MASK, name_.c_str(), static_cast<locale_t>(nullptr));
    if (loc) {
        if (item == sys::kLocaleSLanguage) {
            text = nl_langinfo_l(_NL_ADDRESS_LANG_NAME, loc);
        } else if (item == sys::kLocaleSCountry) {
            text = nl_langinfo_l(_NL_ADDRESS_COUNTRY_NAME, loc);
        } else if (item == sys::kLocaleSDecimal) {
            text = nl_langinfo_l(RADIXCHAR, loc);
        } else if (item >= sys::kLocaleSAbbrevMonthName1 &&
                   item < sys::kLocaleSAbbrevMonthName1 + 12) {
            text =
                nl_langinfo_l(static_cast<nl_item>(
                                  ABMON_1 + static_cast<int>(item - sys::kLocaleSAbbrevMonthName1)),
                              loc);
        }
        freelocale(loc);
        return text;
    }
    // Not installed here: the codes of its name are all we know.
    std::string lang, country;
    SplitName(name_, lang, country);
    if (item == sys::kLocaleSLanguage) return lang;
    if (item == sys::kLocaleSCountry) return country;
    return {};
}

int LinuxLocale::GetLocaleInfo(std::uint32_t lcid, std::uint32_t item, char* buffer, int size) {
    if (lcid == 0 || IsNoLocale(name_)) return 0;
    std::string text = ItemText(item);
    if (text.empty()) return 0;
    const int needed = static_cast<int>(text.size()) + 1;
    if (size == 0) return needed;
    if (!buffer || size < needed) return 0;
    std::memcpy(buffer, text.c_str(), static_cast<std::size_t>(needed));
    return needed;
}

void ConsoleUserInterface::MessageBox(std::string_view text, std::string_view caption, int) {
    std::fprintf(stderr, "%.*s%s%.*s\n", static_cast<int>(caption.size()), caption.data(),
                 caption.empty() ? "" : ": ", static_cast<int>(text.size()), text.data());
}

void RealProcess::EndNow() {
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace bb::platform
