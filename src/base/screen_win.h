// The system's screen metrics (Windows build only).
#pragma once

#include "base/screen.h"

ScreenApi& SystemScreen();
