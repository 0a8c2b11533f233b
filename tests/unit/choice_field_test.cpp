// Check boxes and drop-down lists in data exchange: what a member shows and what comes back.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "framework/choice_field.h"

namespace {

TEST(ChoiceField, CheckValueOutsideWhatTheBoxShowsBecomesZero) {
    const struct {
        int value;
        int shown;
    } cases[] = {
        {0, 0}, {1, 1}, {2, 2}, {3, 0}, {5, 0}, {-1, 0}, {INT_MIN, 0}, {INT_MAX, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(CheckValueForControl(c.value), c.shown) << c.value;
}

TEST(ChoiceField, ListPositionNotInTheListSelectsNothing) {
    const struct {
        int position;
        int count;
        int selected;
    } cases[] = {
        {0, 5, 0},  {4, 5, 4},   {5, 5, -1},  {7, 5, -1}, {-1, 5, -1},
        {0, 0, -1}, {1, 2, 1},   {2, 2, -1},  {INT_MIN, 4, -1}, {INT_MAX, 4, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListSelectionForControl(c.position, c.count), c.selected) << c.position << " of " << c.count;
}

TEST(ChoiceField, NoSelectionGivesMinusOne) {
    const struct {
        long selection;
        int member;
    } cases[] = {{-1, -1}, {-2, -1}, {LONG_MIN, -1}, {0, 0}, {3, 3}};
    for (const auto& c : cases) EXPECT_EQ(ListPositionForMember(c.selection), c.member) << c.selection;
}

TEST(ChoiceField, AStoredPositionBeyondTheListComesBackAsMinusOne) {
    // TimeUnit 7 with five items: nothing selected, and OK without a choice stores -1,
    // which the registry holds as 4294967295.
    int member = ListPositionForMember(ListSelectionForControl(7, 5));
    EXPECT_EQ(member, -1);
    EXPECT_EQ(static_cast<uint32_t>(member), 4294967295u);
}

}  // namespace
