// One dialog at a time: while one is open, a command that would open another (or the same
// again) is refused and the open one's window is the one to bring to the front.
#include <gtest/gtest.h>

#include <cstdint>

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

}  // namespace
