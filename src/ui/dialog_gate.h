// The program's dialogs, one at a time. While one runs modally the monitor window is disabled,
// but the tray icon and its menu still deliver commands to it: a second settings dialog would
// write stale values over what the first one saved, and a second dial dialog would start a
// second dial that takes the first one's events. So a command that would open a dialog while
// one is open brings the open one to the front instead.
#pragma once

#include <vector>

#include "base/window_ref.h"

enum class DialogKind { kSettings, kDial, kDialProgress, kAbout };

class DialogGate {
public:
    DialogGate() = default;
    DialogGate(const DialogGate&) = delete;
    DialogGate& operator=(const DialogGate&) = delete;

    // A command would open `kind`: true when no dialog is open, and `kind` is then open until
    // Closed. False: the caller brings Front() to the front.
    bool TryOpen(DialogKind kind);
    // A dialog that an open one opens over itself (the progress dialog over the dial dialog).
    void OpenOver(DialogKind kind);
    // The newest open dialog of `kind` has its window now.
    void Shown(DialogKind kind, WindowRef window);
    // The newest open dialog of `kind` has ended.
    void Closed(DialogKind kind);

    bool AnyOpen() const { return !open_.empty(); }
    bool IsOpen(DialogKind kind) const;
    // The window to bring to the front: that of the newest open dialog with a window (one
    // that has not made its window yet is skipped); null when there is none.
    WindowRef Front() const;

private:
    struct Open {
        DialogKind kind;
        WindowRef window;
    };
    Open* Newest(DialogKind kind);
    std::vector<Open> open_;
};

// The program's gate; user-interface thread only.
DialogGate& Dialogs();

// What the system tells of the windows over the main window.
class PopupWindows {
public:
    PopupWindows() = default;
    PopupWindows(const PopupWindows&) = delete;
    PopupWindows& operator=(const PopupWindows&) = delete;
    virtual ~PopupWindows() = default;

    // The system's last active popup of `owner`, or `owner` itself. Windows records an
    // activation on the owner at the root of the chain only: asked of an owned dialog, it
    // answers the dialog, even under its own box.
    virtual WindowRef LastActivePopup(WindowRef owner) = 0;
    virtual bool IsVisible(WindowRef window) = 0;
};

// The window that a command finding a dialog open brings to the front: the box or picker the
// user works in over that dialog, which is the main window's last active popup (boxes and
// dialogs take it as their owner), else the newest open dialog. Null when there is none.
WindowRef WindowToFront(const DialogGate& gate, WindowRef mainWindow, PopupWindows& windows);

// Holds a dialog open in a gate for as long as it lives: opened in front of nothing by a
// command (Opened() false when another dialog was open), or over the open ones.
class DialogScope {
public:
    enum Placement { kAlone, kOver };
    DialogScope(DialogGate& gate, DialogKind kind, Placement placement = kAlone);
    ~DialogScope();
    DialogScope(const DialogScope&) = delete;
    DialogScope& operator=(const DialogScope&) = delete;

    bool Opened() const { return opened_; }

private:
    DialogGate& gate_;
    DialogKind kind_;
    bool opened_;
};
