// Which of the program's dialogs are open, newest last.
#include "ui/dialog_gate.h"

#include <cstddef>

bool DialogGate::TryOpen(DialogKind kind) {
    if (!open_.empty()) return false;
    open_.push_back({kind, nullptr});
    return true;
}

void DialogGate::OpenOver(DialogKind kind) { open_.push_back({kind, nullptr}); }

void DialogGate::Shown(DialogKind kind, WindowRef window) {
    if (Open* o = Newest(kind)) o->window = window;
}

void DialogGate::Closed(DialogKind kind) {
    for (size_t i = open_.size(); i-- > 0;) {
        if (open_[i].kind == kind) {
            open_.erase(open_.begin() + static_cast<long>(i));
            return;
        }
    }
}

bool DialogGate::IsOpen(DialogKind kind) const {
    for (const Open& o : open_)
        if (o.kind == kind) return true;
    return false;
}

WindowRef DialogGate::Front() const {
    for (size_t i = open_.size(); i-- > 0;)
        if (open_[i].window) return open_[i].window;
    return nullptr;
}

DialogGate::Open* DialogGate::Newest(DialogKind kind) {
    for (size_t i = open_.size(); i-- > 0;)
        if (open_[i].kind == kind) return &open_[i];
    return nullptr;
}

DialogGate& Dialogs() {
    static DialogGate gate;
    return gate;
}

WindowRef WindowToFront(const DialogGate& gate, WindowRef mainWindow, PopupWindows& windows) {
    WindowRef popup = mainWindow ? windows.LastActivePopup(mainWindow) : nullptr;
    if (popup && popup != mainWindow && windows.IsVisible(popup)) return popup;
    return gate.Front();
}

DialogScope::DialogScope(DialogGate& gate, DialogKind kind, Placement placement)
    : gate_(gate), kind_(kind), opened_(placement == kOver) {
    if (placement == kOver)
        gate_.OpenOver(kind);
    else
        opened_ = gate_.TryOpen(kind);
}

DialogScope::~DialogScope() {
    if (opened_) gate_.Closed(kind_);
}
