// One dialog at a time: while one is open, a command that would open another (or the same
// again) is refused, and the open one's window, or the box or picker over it, is brought to
// the front.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>

#include "ui/dialog_gate.h"

namespace {

WindowRef Window(uintptr_t n) { return reinterpret_cast<WindowRef>(n); }

const DialogKind kCommands[] = {DialogKind::kSettings, DialogKind::kDial, DialogKind::kAbout};

TEST(DialogGate, WhileOneIsOpenEveryCommandBringsItToTheFront) {
    for (DialogKind open : kCommands) {
        DialogGate gate;
        ASSERT_TRUE(gate.TryOpen(open));
        EXPECT_EQ(gate.Front(), nullptr);  // no window yet: nothing to bring up, nothing opened
        gate.Shown(open, Window(0x100));
        for (DialogKind command : kCommands) {
            EXPECT_FALSE(gate.TryOpen(command));
            EXPECT_EQ(gate.Front(), Window(0x100));
        }
        EXPECT_TRUE(gate.IsOpen(open));
        gate.Closed(open);
        EXPECT_FALSE(gate.AnyOpen());
        EXPECT_EQ(gate.Front(), nullptr);
        EXPECT_TRUE(gate.TryOpen(DialogKind::kSettings));  // free again
    }
}

TEST(DialogGate, TheProgressDialogOverTheDialDialogIsInFront) {
    DialogGate gate;
    ASSERT_TRUE(gate.TryOpen(DialogKind::kDial));
    gate.Shown(DialogKind::kDial, Window(0x100));
    gate.OpenOver(DialogKind::kDialProgress);
    EXPECT_EQ(gate.Front(), Window(0x100));  // until the progress dialog has its window
    gate.Shown(DialogKind::kDialProgress, Window(0x200));
    EXPECT_EQ(gate.Front(), Window(0x200));
    EXPECT_FALSE(gate.TryOpen(DialogKind::kDial));  // no second dial
    gate.Closed(DialogKind::kDialProgress);
    EXPECT_EQ(gate.Front(), Window(0x100));
    EXPECT_TRUE(gate.IsOpen(DialogKind::kDial));
    EXPECT_FALSE(gate.IsOpen(DialogKind::kDialProgress));

    gate.Shown(DialogKind::kSettings, Window(0x300));  // not open: nothing changes
    EXPECT_EQ(gate.Front(), Window(0x100));
}

TEST(DialogGate, ScopesOpenOnlyWhatTheyMayAndCloseOnlyWhatTheyOpened) {
    DialogGate gate;
    {
        DialogScope settings(gate, DialogKind::kSettings);
        ASSERT_TRUE(settings.Opened());
        gate.Shown(DialogKind::kSettings, Window(0x100));
        {
            // The settings command again, from the tray menu while the dialog runs.
            DialogScope again(gate, DialogKind::kSettings);
            EXPECT_FALSE(again.Opened());
        }
        // The refused one closed nothing: the first is still open.
        EXPECT_TRUE(gate.IsOpen(DialogKind::kSettings));
        EXPECT_EQ(gate.Front(), Window(0x100));
        {
            DialogScope over(gate, DialogKind::kDialProgress, DialogScope::kOver);
            EXPECT_TRUE(over.Opened());
        }
        EXPECT_FALSE(gate.IsOpen(DialogKind::kDialProgress));
    }
    EXPECT_FALSE(gate.AnyOpen());
    DialogScope dial(gate, DialogKind::kDial);
    EXPECT_TRUE(dial.Opened());
}

// Popups as Windows keeps them: an activated window is recorded as the last active popup of
// the owner at the root of its chain only; a window asked for its own last active popup
// answers it while it is there, else itself.
class SystemLikePopups final : public PopupWindows {
public:
    void Open(WindowRef window, WindowRef owner) {
        owners[window] = owner;
        shown.insert(window);
        WindowRef root = window;
        while (owners.count(root) && owners[root]) root = owners[root];
        if (root != window) lastActive[root] = window;
    }
    void Close(WindowRef window) {
        shown.erase(window);
        owners.erase(window);
    }
    WindowRef LastActivePopup(WindowRef owner) override {
        auto it = lastActive.find(owner);
        return it != lastActive.end() && owners.count(it->second) ? it->second : owner;
    }
    bool IsVisible(WindowRef window) override { return shown.count(window) != 0; }
    std::map<WindowRef, WindowRef> owners;
    std::map<WindowRef, WindowRef> lastActive;
    std::set<WindowRef> shown;
};

TEST(DialogGate, TheBoxOrPickerOverTheOpenDialogComesToTheFront) {
    const WindowRef main = Window(0x10), dialog = Window(0x100), box = Window(0x101);
    DialogGate gate;
    SystemLikePopups popups;
    popups.shown.insert(main);
    ASSERT_TRUE(gate.TryOpen(DialogKind::kSettings));
    // A box the dialog shows before its window is there (the dial dialog's entry cannot be read).
    popups.Open(box, main);
    EXPECT_EQ(WindowToFront(gate, main, popups), box);
    popups.Close(box);
    EXPECT_EQ(WindowToFront(gate, main, popups), nullptr);

    gate.Shown(DialogKind::kSettings, dialog);
    popups.Open(dialog, main);
    EXPECT_EQ(WindowToFront(gate, main, popups), dialog);
    // "正の整数を入力してください。", the folder picker or the file dialog, owned by the dialog.
    popups.Open(box, dialog);
    EXPECT_EQ(popups.LastActivePopup(dialog), dialog);  // what asking the dialog itself gives
    EXPECT_EQ(WindowToFront(gate, main, popups), box);
    popups.Close(box);
    EXPECT_EQ(WindowToFront(gate, main, popups), dialog);
    EXPECT_EQ(WindowToFront(gate, nullptr, popups), dialog);  // no main window to ask
}

}  // namespace
