// The real remote access service of the system (Windows build only).
#pragma once

#include <string>

#include "ras/ras_api.h"

// Takes the service's functions from rasapi32.dll in the system folder, once, before the
// first call through SystemRasApi. False with the user's message in `failure` when the
// library cannot be loaded or lacks one of them.
bool LoadSystemRas(std::string* failure);

RasApi& SystemRasApi();
