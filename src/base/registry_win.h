// The system's registry (Windows build only).
#pragma once

#include "base/registry.h"

RegistryApi& SystemRegistry();
