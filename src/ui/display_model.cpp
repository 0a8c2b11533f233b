// The monitor window's texts and display-mode layouts.
#include "ui/display_model.h"

#include <cstdio>
#include <limits>

#include "app/settings.h"
#include "res/resource.h"

const char kAppTitle[] = "Tolvane";
const char kSessionCaption[] = "接続時間";
const char kMonthCaption[] = "月度累計";

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

// Times are formatted as signed 32-bit values. Past that range (a session of 68 years, or
// a month total from a damaged log) they stop at the largest value instead of wrapping into
// a negative time.
int32_t Seconds(uint32_t value) { return value > static_cast<uint32_t>(kInt32Max) ? kInt32Max : static_cast<int32_t>(value); }

int32_t SaturatingAdd(int32_t a, int32_t b) { return a > kInt32Max - b ? kInt32Max : a + b; }  // a, b >= 0

const DisplayLayout kLayouts[] = {
    // Normal: the times.
    {{IDB_NORMAL_UP, IDB_NORMAL_DOWN, IDB_NORMAL_FOCUS, IDB_NORMAL_DISABLED},
     {{IDC_SESSION_CAPTION, true}, {IDC_SESSION_TIME, true}, {IDC_MONTH_CAPTION, true},
      {IDC_MONTH_TOTAL, true}, {IDC_EXTEND, false}, {IDC_COUNTDOWN, false}}},
    // Warning: the times with the alert look.
    {{IDB_ALERT_UP, IDB_ALERT_DOWN, IDB_ALERT_FOCUS, IDB_ALERT_DISABLED},
     {{IDC_SESSION_CAPTION, true}, {IDC_SESSION_TIME, true}, {IDC_MONTH_CAPTION, true},
      {IDC_MONTH_TOTAL, true}, {IDC_EXTEND, false}, {IDC_COUNTDOWN, false}}},
    // Forced countdown: the countdown in the session row, the extend button in the month row.
    {{IDB_ALERT_UP, IDB_ALERT_DOWN, IDB_ALERT_FOCUS, IDB_ALERT_DISABLED},
     {{IDC_SESSION_CAPTION, false}, {IDC_SESSION_TIME, false}, {IDC_MONTH_CAPTION, false},
      {IDC_MONTH_TOTAL, false}, {IDC_EXTEND, true}, {IDC_COUNTDOWN, true}}},
    // Fixed-time countdown: a fixed time cannot be extended.
    {{IDB_ALERT_UP, IDB_ALERT_DOWN, IDB_ALERT_FOCUS, IDB_ALERT_DISABLED},
     {{IDC_SESSION_CAPTION, false}, {IDC_SESSION_TIME, false}, {IDC_MONTH_CAPTION, false},
      {IDC_MONTH_TOTAL, false}, {IDC_EXTEND, false}, {IDC_COUNTDOWN, true}}},
};

}  // namespace

bool ShowTimes(uint32_t elapsed, uint32_t monthTotal, MonitorTexts& texts) {
    if (elapsed == 0 && monthTotal == 0) return false;
    int32_t e = Seconds(elapsed);
    char text[40];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", e / 3600, e % 3600 / 60, e % 60);
    texts.sessionTime = text;

    int32_t t = SaturatingAdd(SaturatingAdd(e, Seconds(monthTotal)), 59);
    std::snprintf(text, sizeof text, "%02d:%02d", t / 3600, t % 3600 / 60);
    texts.monthTotal = text;
    return true;
}

std::string FormatCountdown(int32_t seconds) {
    char text[40];
    std::snprintf(text, sizeof text, "強制切断まで %02d 秒", seconds);
    return text;
}

const DisplayLayout& LayoutOf(int32_t mode) {
    switch (mode) {
    case kModeNormal:
        return kLayouts[0];
    case kModeForcedCountdown:
        return kLayouts[2];
    case kModeFixedCountdown:
        return kLayouts[3];
    default:
        return kLayouts[1];
    }
}

const DisplayLayout* SetDisplayMode(int32_t& currentMode, int32_t mode) {
    if (mode == currentMode) return nullptr;
    currentMode = mode;
    return &LayoutOf(mode);
}

WindowChange ShowHideDecision(bool hasConnections) {
    if (hasConnections) return Settings.ShowCnct ? WindowChange::kShow : WindowChange::kNone;
    if (!Settings.HideCnct) return WindowChange::kNone;
    return Settings.RunHide ? WindowChange::kHide : WindowChange::kMinimize;
}
