// The size of the primary screen, as a port: the settings store checks the stored window
// position against it.
#pragma once

constexpr int kSmCxScreen = 0;
constexpr int kSmCyScreen = 1;

class ScreenApi {
public:
    ScreenApi() = default;
    ScreenApi(const ScreenApi&) = delete;
    ScreenApi& operator=(const ScreenApi&) = delete;
    virtual ~ScreenApi() = default;

    // kSmCxScreen: the primary screen's width in pixels; kSmCyScreen: its height.
    virtual int GetSystemMetrics(int index) = 0;
};

// The screen in use. Until one is chosen it measures 0 by 0, so a stored position is never
// trusted.
ScreenApi& Screen();
void SetScreen(ScreenApi* screen);
