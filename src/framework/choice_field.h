// Check boxes and drop-down lists in a dialog's data exchange: which value a member gives the
// control, and which value the control gives back to the member.
#pragma once

// A check-box member on its way to the control. A value the control cannot show (outside 0
// to 2) becomes 0, and the member takes that value too.
int CheckValueForControl(int value);

// The list item to select for a member holding a position: the position when the list has
// an item there, else -1, which selects nothing.
int ListSelectionForControl(int position, int itemCount);

// The member for a list's selection as the control reports it: the selected position, -1
// when nothing is selected (any negative report).
int ListPositionForMember(long selection);
