// What the screen shows, read back from pixels, for what no window API tells another
// process: the look of the disconnect button and the picture of the tray icon.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// The share of the window's screen area whose pixels are clearly red (0..1).
double RedShare(HWND window);

// The tray icon of `program` (one of its icon resources) as the notification area of the
// virtual desktop's taskbar shows it: which of `iconIds` matches, and where it is on the
// screen. `found` false when none of them is shown.
struct TrayIconMatch {
    bool found = false;
    int iconId = 0;
    RECT rect{};
};
TrayIconMatch FindTrayIcon(const std::string& program, const int* iconIds, int count);

// A click with the left button at a screen point, as the user makes it.
bool ClickAt(POINT at);

}  // namespace e2e
