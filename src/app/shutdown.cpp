// Hang-up, position and save on the way out.
#include "app/shutdown.h"

#include "app/settings_store.h"
#include "base/settings.h"
#include "monitor/monitor_tick.h"
#include "ras/hang_up.h"

void SaveStateAndRelease(bool silent, MonitorTick& tick, const std::function<bool(WindowPosition*)>& restoredPosition) {
    HangUp(silent, nullptr);
    // No timer tick may follow before the program ends: one tick now sees the hung-up lines
    // gone and logs their sessions, which would otherwise never reach the monthly log. At the
    // end of the log-on session no box may hold the system up: a log error stays unshown.
    tick.OnTimer(tick.State().monitorTimerId, !silent);

    WindowPosition position;
    if (restoredPosition(&position)) {
        Settings.WinPosX = position.left;
        Settings.WinPosY = position.top;
    }
    SaveSettings();
}
