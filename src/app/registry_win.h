// The system's registry (Windows build only).
#pragma once

#include "app/registry.h"

RegistryApi& SystemRegistry();
