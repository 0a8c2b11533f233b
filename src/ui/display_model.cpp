// The monitor window's display-mode layouts and what a change of the connection set does.
#include "ui/display_model.h"

#include "base/settings.h"
#include "res/resource.h"

const char kSessionCaption[] = "接続時間";
const char kMonthCaption[] = "月度累計";

namespace {

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

WindowChange ShowHideDecision(bool hasConnections) {
    if (hasConnections) return Settings.ShowCnct ? WindowChange::kShow : WindowChange::kNone;
    if (!Settings.HideCnct) return WindowChange::kNone;
    return Settings.RunHide ? WindowChange::kHide : WindowChange::kMinimize;
}
