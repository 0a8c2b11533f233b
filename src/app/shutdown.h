// The common step of closing, exiting and the end of the log-on session: hang every line up
// (asking first unless silent), record where the window is, save the settings.
#pragma once

#include <cstdint>
#include <functional>

#include "base/window_ref.h"

class MonitorTick;

struct WindowPosition {
    int32_t left;
    int32_t top;
};

// The top-left corner of the window's restored (normal) rectangle as the system reports it.
struct RestoredPlacement {
    WindowPosition position;
    // In workspace coordinates (a window without the tool-window style), else in screen ones.
    bool workspace;
    // The window, whose monitor the workspace coordinates belong to.
    WindowRef window = nullptr;
};

// The position stored for the next start, in screen coordinates, where start-up places the
// window and what the load's check compares with the screen's size.
WindowPosition StoredPosition(const RestoredPlacement& placement);

// `restoredPlacement` gives the window's restored rectangle, also while the window is hidden
// or minimised; false when it cannot be read.
void SaveStateAndRelease(bool silent, MonitorTick& tick,
                         const std::function<bool(RestoredPlacement*)>& restoredPlacement);
