// The real operating-system services, installed once at start-up.
#pragma once

namespace bb::app {

// Installs this machine's clock, version, locale, zone database, message
// boxes and process end, and works out the program's paths.
void InstallPlatformServices();

// The common services: the diagnostic log, then the radio-control link.
void StartServices();
void StopServices();

}  // namespace bb::app
