// The screen port over GetSystemMetrics and the monitors' areas.
#include <windows.h>

#include "base/screen.h"
#include "base/screen_win.h"

namespace {

static_assert(SM_CXSCREEN == kSmCxScreen && SM_CYSCREEN == kSmCyScreen, "metric indexes");

ScreenRect Rect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

class SystemScreenApi final : public ScreenApi {
public:
    int GetSystemMetrics(int index) override { return ::GetSystemMetrics(index); }
    bool GetWindowMonitor(WindowRef window, ScreenRect* monitor, ScreenRect* work) override {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        HMONITOR held = MonitorFromWindow(static_cast<HWND>(window), MONITOR_DEFAULTTONEAREST);
        if (!held || !GetMonitorInfoA(held, &info)) return false;
        *monitor = Rect(info.rcMonitor);
        *work = Rect(info.rcWork);
        return true;
    }
};

}  // namespace

ScreenApi& SystemScreen() {
    static SystemScreenApi screen;
    return screen;
}
