// Hang-up, position and save on the way out.
#include "app/shutdown.h"

#include "app/settings_store.h"
#include "base/screen.h"
#include "base/settings.h"
#include "monitor/monitor_tick.h"
#include "monitor/usage_log.h"
#include "ras/hang_up.h"

WindowPosition StoredPosition(const RestoredPlacement& placement) {
    if (!placement.workspace) return placement.position;
    // Stored as given, a window under a taskbar at the top or on the left would come back
    // higher or further left at every start.
    ScreenPoint p = WorkspaceToScreen(placement.window, {placement.position.left, placement.position.top});
    return {p.x, p.y};
}

void SaveStateAndRelease(bool silent, MonitorTick& tick,
                         const std::function<bool(RestoredPlacement*)>& restoredPlacement) {
    HangUp(silent, nullptr);
    // No timer tick may follow before the program ends: one tick now sees the hung-up lines
    // gone and logs their sessions, which would otherwise never reach the monthly log. At the
    // end of the log-on session no box may hold the system up: a log error stays unshown.
    tick.OnShutdown(!silent);
    // Lines still waiting for their file are tried once more, then listed with a Retry unless
    // no box may be shown; those left stay kept for the next start.
    SettleUnwrittenLines(silent);

    RestoredPlacement placement{};
    if (restoredPlacement(&placement)) {
        WindowPosition position = StoredPosition(placement);
        Settings.WinPosX = position.left;
        Settings.WinPosY = position.top;
    }
    SaveSettings();
}
