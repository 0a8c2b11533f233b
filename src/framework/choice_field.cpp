// The conversions of check boxes and drop-down lists.
#include "framework/choice_field.h"

int CheckValueForControl(int value) { return value >= 0 && value <= 2 ? value : 0; }

int ListSelectionForControl(int position, int itemCount) {
    return position >= 0 && position < itemCount ? position : -1;
}

int ListPositionForMember(long selection) { return selection >= 0 ? static_cast<int>(selection) : -1; }
