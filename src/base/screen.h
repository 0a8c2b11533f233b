// The primary screen as a port: its size, which the settings store checks the stored window
// position against, and its work area, from which the window's placement is turned into
// screen coordinates.
#pragma once

#include <cstdint>

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
    // The primary monitor's work area (the screen without the taskbar and other application
    // bars), in screen coordinates. False when it cannot be had; this one cannot tell.
    virtual bool GetWorkArea(ScreenRect* area) {
        (void)area;
        return false;
    }
};

// The screen in use. Until one is chosen it measures 0 by 0, so a stored position is never
// trusted.
ScreenApi& Screen();
void SetScreen(ScreenApi* screen);

// A point in workspace coordinates, which GetWindowPlacement gives for a window without the
// tool-window style: 0,0 is the work area's top-left corner, so with the taskbar at the top or
// on the left they differ from screen coordinates by the work area's offset. That point in
// screen coordinates; unchanged when the work area is not known.
ScreenPoint WorkspaceToScreen(ScreenPoint workspace);
