// The real operating-system services, installed once at start-up.
#pragma once

#include "radio/dde_client.h"

namespace bb::app {

// Installs this machine's clock, version, locale, zone database, message
// boxes and process end, and works out the program's paths.
void InstallPlatformServices();

// The diagnostic log, once what an earlier version left in the user's data
// folder has moved to its place. Once per process; later calls do nothing.
void StartLog();
// The common services: the diagnostic log, then the radio-control link.
void StartServices(radio::DDEClientModule* radio);
void StopServices(radio::DDEClientModule* radio);

}  // namespace bb::app
