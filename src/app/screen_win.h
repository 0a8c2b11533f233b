// The system's screen metrics (Windows build only).
#pragma once

#include "app/screen.h"

ScreenApi& SystemScreen();
