// What the monitor window shows, as data: its three changing texts and their formats, the
// layout of each display mode (the disconnect button's pictures and which controls are
// visible), and what a change of the connection set does to the window.
#pragma once

#include <cstdint>
#include <string>

// DisplayMode values.
constexpr int32_t kModeNormal = 0;
constexpr int32_t kModeWarning = 1;
constexpr int32_t kModeForcedCountdown = 2;
constexpr int32_t kModeFixedCountdown = 3;

extern const char kAppTitle[];        // the caption when nothing else is chosen
extern const char kSessionCaption[];  // control 1005, never changed
extern const char kMonthCaption[];    // control 1006, never changed

// The window's three changing texts, at their initial values.
struct MonitorTexts {
    std::string sessionTime = "00:00:00";              // control 1003
    std::string monthTotal = "00:00";                  // control 1004
    std::string countdown = "強制切断まで 00 秒";      // control 1013
};

// Session time "hh:mm:ss" of `elapsed`, and the month total "hh:mm" of `monthTotal` plus
// `elapsed`, rounded up to the minute. Hours grow past two digits. Both 0: the texts stay as
// they are and the result is false.
bool ShowTimes(uint32_t elapsed, uint32_t monthTotal, MonitorTexts& texts);

// "強制切断まで NN 秒".
std::string FormatCountdown(int32_t seconds);

constexpr int kLayoutControlCount = 6;

struct ControlVisibility {
    int id;
    bool visible;
};

struct DisplayLayout {
    int bitmaps[4];  // the disconnect button's pictures: normal, pressed, focused, disabled
    ControlVisibility controls[kLayoutControlCount];
};

// The layout of a mode. Modes other than 0, 2 and 3 look like the warning: alert pictures,
// times shown.
const DisplayLayout& LayoutOf(int32_t mode);

// Moves `currentMode` to `mode` and returns the layout the window must apply, or null when
// the mode is unchanged (so bitmaps are not reloaded and the window does not flicker).
const DisplayLayout* SetDisplayMode(int32_t& currentMode, int32_t mode);

// What the window does when the set of connections changed, by ShowCnct, HideCnct and RunHide.
enum class WindowChange { kNone, kShow, kHide, kMinimize };
WindowChange ShowHideDecision(bool hasConnections);
