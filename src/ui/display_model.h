// What the monitor window shows, as data: the layout of each display mode (the disconnect
// button's pictures and which controls are visible), its fixed captions, and what a change
// of the connection set does to the window. The texts the tick decides are in
// monitor/display_texts.h.
#pragma once

#include <cstdint>

#include "monitor/display_texts.h"

extern const char kSessionCaption[];  // control 1005, never changed
extern const char kMonthCaption[];    // control 1006, never changed

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

// What the window does when the set of connections changed, by ShowCnct, HideCnct and RunHide.
enum class WindowChange { kNone, kShow, kHide, kMinimize };
WindowChange ShowHideDecision(bool hasConnections);
