// The monitor tick: twice a second it refreshes the connection table, picks the displayed and
// the driving connection, decides between the normal look, the charge-unit warning and the
// disconnect countdown, sounds the alerts, and hangs lines up at their deadline. The monitor
// window owns one MonitorTick, hands it its timer messages and the extend command, and carries
// out what the tick asks of it through MonitorView.
#pragma once

#include <cstdint>
#include <string>

#include "monitor/display_texts.h"
#include "monitor/sound.h"

// Everything the tick does to the window (and, for the tray icon, to the application).
class MonitorView {
public:
    MonitorView() = default;
    MonitorView(const MonitorView&) = delete;
    MonitorView& operator=(const MonitorView&) = delete;
    virtual ~MonitorView() = default;

    // The set of connections changed: show or hide the window (ShowCnct, HideCnct, RunHide).
    virtual void ShowHideOnChange(bool hasConnections) = 0;
    // The tray picture for `kind` active connections (TrayIconId); asked only with RunHide on.
    virtual void UpdateTrayIcon(int kind) = 0;
    // A new display mode (asked only when it changed): load the button's bitmaps, resize and
    // redraw it, set the controls' visibility.
    virtual void ApplyDisplayMode(int32_t mode) = 0;
    // The disconnect button 1001.
    virtual void EnableDisconnect(bool enable) = 0;
    // The changing texts into controls 1003, 1004 and 1013.
    virtual void PushTexts(const MonitorTexts& texts) = 0;
    // The window caption.
    virtual void SetCaption(const std::string& title) = 0;
    // A close that came while a tick ran (MonitorTick::DeferClose), now that it has returned.
    virtual void CloseAfterTick() = 0;
};

// What the window keeps for the tick from one tick to the next, at its initial values.
struct MonitorState {
    uint32_t monitorTimerId = 0;       // as returned when the 500 ms timer was started
    std::string displayedEntryName;    // empty when no connection is displayed
    std::string displayedPhoneNumber;
    int32_t extensionCount = 0;        // extend presses since the last tick without connections
    uint32_t lastShownElapsed = 0;
    std::string title = kAppTitle;     // the caption chosen by the last tick
    std::string lastTitle;             // the caption last set on the window
    int32_t displayMode = kModeNormal;
    MonitorTexts texts;
};

class MonitorTick {
public:
    MonitorTick(MonitorView& view, Sound& sound) : view_(view), sound_(sound) {}
    MonitorTick(const MonitorTick&) = delete;
    MonitorTick& operator=(const MonitorTick&) = delete;

    // A timer message. Only the monitor timer's id is handled. Ticks go on under every
    // message box and menu, and may hang lines up there. The messages of log files that
    // failed during the tick are shown when its work is done, one box at a time: while one is
    // open, the ticks its message loop runs leave theirs waiting, and they follow when it is
    // closed. With `showErrors` false they stay waiting (the end of the log-on session).
    void OnTimer(uint32_t timerId, bool showErrors = true);
    // The shutdown's tick, after its hang-up: the sessions of the lines that went are logged and
    // the tray picture follows, but the window is neither shown, hidden, minimised nor brought
    // forward, since it is closing or going to the tray. A message sent from another thread can
    // arrive while a tick waits on the shell: then this runs as soon as that tick is done.
    void OnShutdown(bool showErrors);
    // A close that arrives while a tick runs must not ask its question inside the tick: true
    // when it waits for the tick, which then calls the view's CloseAfterTick.
    bool DeferClose();
    // Button 1007: one more DisconnectTime for the forced deadline, from the next tick on.
    void OnExtend();
    // Button 1001 and its commands: hangs up the displayed connection without asking.
    void OnDisconnect();

    MonitorState& State() { return state_; }
    const MonitorState& State() const { return state_; }

private:
    struct Deadline {
        bool inForce = false;
        bool fixed = false;      // the fixed-time deadline, which wins ties
        int32_t remaining = 0;   // seconds until the deadline, negative when past
    };

    void Run(bool closing, bool showErrors);
    void Tick(bool closing);
    Deadline ComputeDeadline(uint32_t longest) const;
    void ShowConnection(uint32_t shownElapsed, uint32_t shownMonthTotal, const Deadline& deadline);
    void SetDisplayMode(int32_t mode);

    MonitorView& view_;
    Sound& sound_;
    MonitorState state_;
    void ShowLogErrors();

    // No tick runs a message loop, but the shell may handle messages sent from other threads
    // while a tick waits on it (Shell_NotifyIconA): what they ask waits for the tick.
    bool running_ = false;
    bool shutdownDue_ = false;
    bool shutdownShowsErrors_ = true;
    bool closeDue_ = false;
    bool showingError_ = false;  // a log error's box is open
};

// The next fixed-time deadline at hour:minute from `now`: today's local date at
// hour:minute:00, daylight saving decided by the C library, or tomorrow's when that hour and
// minute are already past (the current minute counts as not past). False when the time
// cannot be represented.
bool NextFixedTime(int64_t now, uint32_t hour, uint32_t minute, int64_t* target);
