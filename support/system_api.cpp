#include "support/system_api.h"

#include <cstdlib>

#include "support/error_trap.h"

namespace bb::sys {

namespace {

// Stand-ins for services nobody installed: each call is an error 91, which the
// caller's trap logs.
[[noreturn]] void NotSet(const char* what) {
    Raise(err::kObjectNotSet, what);
}

struct NoClock final : Clock {
    SystemTime GetSystemTime() override { NotSet("clock"); }
};
struct NoOs final : OsVersion {
    bool GetVersionEx(OsVersionInfo&) override { return false; }
};
struct NoLocale final : Locale {
    std::uint32_t GetUserDefaultLCID() override { return 0; }
    int GetLocaleInfo(std::uint32_t, std::uint32_t, char*, int) override { return 0; }
};
struct NoRegistry final : Registry {
    bool OpenKey(std::string_view, std::uint32_t) override { return false; }
    std::optional<std::string> EnumKey(std::string_view, std::uint32_t) override { return {}; }
    std::optional<std::string> QueryValue(std::string_view, std::string_view) override {
        return {};
    }
};
struct NoUi final : UserInterface {
    void MessageBox(std::string_view, std::string_view, int) override {}
};
struct NoProfile final : ProfileFiles {
    std::string GetPrivateProfileStringA(std::string_view, std::string_view, std::string_view,
                                         std::size_t, const std::filesystem::path&) override {
        NotSet("settings file");
    }
    bool WritePrivateProfileStringA(std::string_view, std::string_view, std::string_view,
                                    const std::filesystem::path&) override {
        NotSet("settings file");
    }
    std::string LastWriteError() const override { return "no settings-file service"; }
};
struct ExitProcess final : Process {
    [[noreturn]] void EndNow() override { std::_Exit(0); }
};

NoClock no_clock;
NoOs no_os;
NoLocale no_locale;
NoRegistry no_registry;
NoUi no_ui;
NoProfile no_profile;
ExitProcess exit_process;

}  // namespace

Services& Current() {
    static Services services{&no_clock, &no_os,        &no_locale, &no_registry,
                             &no_ui,    &exit_process, &no_profile};
    return services;
}

}  // namespace bb::sys
