#include "app/services.h"

#include "platform/linux_system.h"
#include "platform/private_profile.h"
#include "platform/qt_user_interface.h"
#include "platform/tzdata_registry.h"
#include "support/app_paths.h"
#include "support/diagnostic_log.h"

namespace bb::app {

void InstallPlatformServices() {
    static platform::LinuxClock clock;
    static platform::LinuxOsVersion os;
    static platform::LinuxLocale locale;
    static platform::TzdataRegistry registry;
    static platform::QtUserInterface ui;
    static platform::RealProcess process;
    static platform::PrivateProfile profile;
    sys::Current() = sys::Services{&clock, &os, &locale, &registry, &ui, &process, &profile};
    App() = ResolveAppPaths(CurrentExecutable());
}

void StartLog() {
    // One run header per process: a board that started before its host
    // starts its services again once the host comes.
    if (!Common::LogPath().empty()) return;
    // Before the log and the settings are first opened in their new places.
    const std::vector<std::string> unmoved = MoveEarlierFiles(App());
    Common::Initialize();
    for (const std::string& problem : unmoved)
        WriteErrorLog("Settings and log: " + problem);
}

void StartServices(radio::DDEClientModule* radio) {
    StartLog();
    if (!radio) return;
    Common::SetConnectedServersSource([radio] { return radio->GetConnectedServers(); });
    radio->Initialize();
}

void StopServices(radio::DDEClientModule* radio) {
    // The log's closing line first, then the radio link.
    Common::Terminate();
    if (radio) radio->CloseServers();
}

}  // namespace bb::app
