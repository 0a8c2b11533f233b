// The common step of closing, exiting and the end of the log-on session: hang every line up
// (asking first unless silent), record where the window is, save the settings.
#pragma once

#include <cstdint>
#include <functional>

class MonitorTick;

struct WindowPosition {
    int32_t left;
    int32_t top;
};

// `restoredPosition` gives the window's restored (normal) rectangle's top-left corner, also
// while the window is hidden or minimised; false when it cannot be read.
void SaveStateAndRelease(bool silent, MonitorTick& tick, const std::function<bool(WindowPosition*)>& restoredPosition);
