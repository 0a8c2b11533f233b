// The monitor tick and its disconnect policy: the forced deadline with its extensions, the
// fixed time of day, the charge-unit warning with its night units, and the countdown.
#include "monitor/monitor_tick.h"

#include <cstring>
#include <ctime>
#include <limits>

#include "base/prompt.h"
#include "base/settings.h"
#include "monitor/connection_table.h"
#include "monitor/local_time.h"
#include "monitor/tick_time.h"
#include "monitor/usage_log.h"
#include "ras/hang_up.h"

namespace {

constexpr int32_t kCountdownSeconds = 15;  // the countdown starts this far from the deadline
constexpr int32_t kHangUpSeconds = 5;      // and hangs up here, so it reads 10 down to 0
constexpr uint64_t kWarningSeconds = 15;   // the warning covers the last 14 seconds of a unit

size_t EntryNameLength(const ConnectionRecord& r) {
    return strnlen(r.rasConn.szEntryName, sizeof r.rasConn.szEntryName);
}

// Compared and copied in place: a steady tick makes no allocation.
bool IsEntry(const ConnectionRecord& r, const std::string& name) {
    return name.compare(0, std::string::npos, r.rasConn.szEntryName, EntryNameLength(r)) == 0;
}

uint32_t ActiveCount() {
    return ConnectionTable.activeCount < kSlotCount ? ConnectionTable.activeCount : kSlotCount;
}

int32_t ClampToInt32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// Seconds from `longest` to the forced deadline at (extensions + 1) x minutes x 60 of
// connection time. Taken 64 bits wide: a large DisconnectTime must mean a far deadline, never
// one that wrapped round to a near one (or to none). False with 0 minutes: no deadline.
bool ForcedRemaining(int32_t extensions, uint32_t minutes, uint32_t longest, int64_t* remaining) {
    if (minutes == 0) return false;
    int64_t unit = static_cast<int64_t>(minutes) * 60;
    int64_t times = static_cast<int64_t>(extensions < 0 ? 0 : extensions) + 1;
    if (times > std::numeric_limits<int64_t>::max() / unit)
        *remaining = std::numeric_limits<int64_t>::max();
    else
        *remaining = unit * times - longest;
    return true;
}

int LocalHour(int64_t now) {
    std::tm local;
    LocalTime(now, &local);
    return local.tm_hour;
}

// The length of the charge unit the warning marks. The two day/night tariffs have longer
// units from 23:00 to 07:59, when the warning time is their day unit.
uint64_t WarningInterval(int64_t now) {
    uint64_t interval = static_cast<uint64_t>(Settings.WarningTime) * 60;
    bool dayUnit = (Settings.TimeUnit == 3 && interval == 180) || (Settings.TimeUnit == 4 && interval == 300);
    if (dayUnit) {
        int hour = LocalHour(now);
        if (hour < 8 || hour >= 23) interval = Settings.TimeUnit == 3 ? 240 : 420;
    }
    return interval;
}

}  // namespace

bool NextFixedTime(int64_t now, uint32_t hour, uint32_t minute, int64_t* target) {
    std::tm today;
    if (!LocalTime(now, &today)) return false;
    std::tm fields = today;
    fields.tm_hour = static_cast<int>(hour);
    fields.tm_min = static_cast<int>(minute);
    fields.tm_sec = 0;
    fields.tm_isdst = -1;
    uint32_t nowHour = static_cast<uint32_t>(today.tm_hour);
    uint32_t nowMinute = static_cast<uint32_t>(today.tm_min);
    // Tomorrow is built from tomorrow's date rather than as today's target plus 86400 s, which
    // on the day daylight saving ends would fall an hour early, still within today.
    if (hour < nowHour || (hour == nowHour && minute < nowMinute)) ++fields.tm_mday;
    int64_t t = MakeLocalTime(fields);
    if (t == -1) return false;
    *target = t;
    return true;
}

void MonitorTick::OnTimer(uint32_t timerId, bool showErrors) {
    if (timerId != state_.monitorTimerId || running_) return;
    Run(false, showErrors);
}

void MonitorTick::OnShutdown(bool showErrors) {
    if (!running_) return Run(true, showErrors);
    shutdownDue_ = true;
    shutdownShowsErrors_ = shutdownShowsErrors_ && showErrors;
}

bool MonitorTick::DeferClose() {
    if (running_) closeDue_ = true;
    return running_;
}

void MonitorTick::Run(bool closing, bool showErrors) {
    running_ = true;
    Tick(closing);
    // A shutdown that came in meanwhile has hung its lines up: its tick logs them now, before
    // the system may end the process; at the end of the log-on session with no box.
    while (shutdownDue_) {
        shutdownDue_ = false;
        showErrors = showErrors && shutdownShowsErrors_;
        shutdownShowsErrors_ = true;
        Tick(true);
    }
    running_ = false;
    if (closeDue_) {
        closeDue_ = false;
        view_.CloseAfterTick();
    }
    if (showErrors) ShowLogErrors();
}

// The box runs a message loop, and its ticks come back here while it is open: they leave
// their messages to this loop, so boxes never stack.
void MonitorTick::ShowLogErrors() {
    if (showingError_) return;
    showingError_ = true;
    std::string text;
    while (TakeLogError(&text)) Prompts().Show(text, kMbOk | kMbIconExclamation);
    showingError_ = false;
}

void MonitorTick::OnExtend() {
    if (state_.extensionCount < std::numeric_limits<int32_t>::max()) ++state_.extensionCount;
}

void MonitorTick::OnDisconnect() { HangUp(true, state_.displayedEntryName.c_str()); }

MonitorTick::Deadline MonitorTick::ComputeDeadline(uint32_t longest) const {
    int64_t forced = 0;
    bool hasForced = Settings.DisconnectEnable &&
                     ForcedRemaining(state_.extensionCount, Settings.DisconnectTime, longest, &forced);
    int64_t target = 0;
    bool hasFixed = Settings.FixedTime && NextFixedTime(TickTime, Settings.FixedTimeH, Settings.FixedTimeM, &target);

    Deadline d;
    if (hasFixed && (!hasForced || target - TickTime <= forced)) {
        d.inForce = true;
        d.fixed = true;
        d.remaining = ClampToInt32(target - TickTime);
    } else if (hasForced) {
        d.inForce = true;
        d.remaining = ClampToInt32(forced);
    }
    return d;
}

void MonitorTick::Tick(bool closing) {
    StampTickTime();
    bool changed = RefreshConnections() == TableChange::kChanged;

    state_.title = kAppTitle;
    uint32_t shownElapsed = 0;
    uint32_t shownMonthTotal = 0;
    Deadline deadline;
    uint32_t count = ActiveCount();
    bool hasConnections = count != 0;

    if (!hasConnections) {
        state_.displayedEntryName.clear();
        state_.displayedPhoneNumber.clear();
    } else {
        // The driving connection is the longest-running one; the strict test keeps the
        // earlier of two equal ones, and one not yet counted (elapsed 0) never drives.
        uint32_t longest = 0;
        uint32_t driving = 0;
        for (uint32_t i = 0; i < count; ++i) {
            const ConnectionRecord* r = ConnectionTable.active[i];
            if (!r) continue;
            if (IsEntry(*r, state_.displayedEntryName)) {
                shownElapsed = r->elapsed;
                shownMonthTotal = r->monthTotal;
            }
            if (r->elapsed > longest) {
                longest = r->elapsed;
                driving = i;
            }
        }
        if (longest != 0) deadline = ComputeDeadline(longest);

        const ConnectionRecord* shown = ConnectionTable.active[driving];
        if (shown && (changed || (deadline.inForce && deadline.remaining <= kCountdownSeconds))) {
            state_.displayedEntryName.assign(shown->rasConn.szEntryName, EntryNameLength(*shown));
            state_.displayedPhoneNumber = shown->phoneNumber;
            shownElapsed = shown->elapsed;
            shownMonthTotal = shown->monthTotal;
        }
    }

    if (changed) {
        if (!closing) view_.ShowHideOnChange(hasConnections);
        if (Settings.RunHide) view_.UpdateTrayIcon(static_cast<int>(count));
    }
    view_.EnableDisconnect(hasConnections);

    if (hasConnections) {
        ShowConnection(shownElapsed, shownMonthTotal, deadline);
    } else {
        // The time texts keep the last connection's values and are not pushed.
        state_.extensionCount = 0;
        SetDisplayMode(kModeNormal);
    }

    if (state_.title != state_.lastTitle) view_.SetCaption(state_.title);
    state_.lastTitle = state_.title;
    state_.lastShownElapsed = shownElapsed;
}

void MonitorTick::ShowConnection(uint32_t shownElapsed, uint32_t shownMonthTotal, const Deadline& deadline) {
    if (deadline.inForce && deadline.remaining <= kCountdownSeconds) {
        if (deadline.remaining <= kHangUpSeconds)
            HangUp(true, deadline.fixed ? nullptr : state_.displayedEntryName.c_str());
        // Elapsed seconds advance once a second and ticks come twice a second: one alert a second.
        if (shownElapsed != state_.lastShownElapsed) PlayAlert(sound_);
        SetDisplayMode(deadline.fixed ? kModeFixedCountdown : kModeForcedCountdown);
        FormatCountdown(deadline.remaining > kHangUpSeconds ? deadline.remaining - kHangUpSeconds : 0,
                        state_.texts.countdown);
    } else {
        uint64_t interval = WarningInterval(TickTime);
        bool warn = Settings.WarningEnable && interval != 0 && shownElapsed % interval + kWarningSeconds > interval;
        if (warn && state_.displayMode == kModeNormal) PlayAlert(sound_);  // only on entering it
        SetDisplayMode(warn ? kModeWarning : kModeNormal);
    }

    ShowTimes(shownElapsed, shownMonthTotal, state_.texts);
    view_.PushTexts(state_.texts);

    switch (Settings.TBarDisp) {
    case 1:
        state_.title = state_.texts.sessionTime;
        break;
    case 2:
        state_.title = state_.texts.monthTotal;
        break;
    case 3:
        state_.title = state_.displayedPhoneNumber;
        break;
    default:
        state_.title = state_.displayedEntryName;
        break;
    }
}

// An unchanged mode changes nothing: bitmaps are not reloaded and the window does not flicker.
void MonitorTick::SetDisplayMode(int32_t mode) {
    if (mode == state_.displayMode) return;
    state_.displayMode = mode;
    view_.ApplyDisplayMode(mode);
}
