// The screen as a port: the primary screen's size, which the settings store checks the stored
// window position against, and the monitor that holds a window, from whose work area the
// window's placement is turned into screen coordinates.
#pragma once

#include <cstdint>

#include "base/window_ref.h"

constexpr int kSmCxScreen = 0;
constexpr int kSmCyScreen = 1;

struct ScreenRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct ScreenPoint {
    int32_t x;
    int32_t y;
};

class ScreenApi {
public:
    ScreenApi() = default;
    ScreenApi(const ScreenApi&) = delete;
    ScreenApi& operator=(const ScreenApi&) = delete;
    virtual ~ScreenApi() = default;

    // kSmCxScreen: the primary screen's width in pixels; kSmCyScreen: its height.
    virtual int GetSystemMetrics(int index) = 0;
    // The monitor that holds `window` (or the nearest one): its whole area and its work area
    // (without the taskbar and other application bars), in screen coordinates. False when they
    // cannot be had; this one cannot tell.
    virtual bool GetWindowMonitor(WindowRef window, ScreenRect* monitor, ScreenRect* work) {
        (void)window;
        (void)monitor;
        (void)work;
        return false;
    }
};

// The screen in use. Until one is chosen it measures 0 by 0, so a stored position is never
// trusted.
ScreenApi& Screen();
void SetScreen(ScreenApi* screen);

// A point of `window` in workspace coordinates, which GetWindowPlacement gives for a window
// without the tool-window style: they are offset from screen coordinates by where the work
// area of the window's monitor begins within that monitor, so they differ with a taskbar at
// the top or on the left of it. That point in screen coordinates; unchanged when the monitor
// is not known.
ScreenPoint WorkspaceToScreen(WindowRef window, ScreenPoint workspace);
