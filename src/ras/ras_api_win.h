// The real remote access service of the system (Windows build only).
#pragma once

#include "ras/ras_api.h"

RasApi& SystemRasApi();
