// Decisions of the dial dialogs: the offered entries, the selection, the status line, and
// what each dial event does to the progress dialog.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"
#include "ui/dial_model.h"

namespace {

EntryListData ListOf(const std::vector<std::string>& names, uint32_t count) {
    EntryListData list;
    for (size_t k = 0; k < names.size() && k < kSlotCount; ++k)
        std::strncpy(list.entries[k].szEntryName, names[k].c_str(), sizeof list.entries[k].szEntryName - 1);
    list.entryCount = count;
    return list;
}

TEST(DialModel, OffersTheEnumeratedNamesUpToFourWithoutEmptyOnes) {
    using Names = std::vector<std::string>;
    const struct {
        Names names;
        uint32_t count;
        Names offered;
    } cases[] = {
        {{}, 0, {}},
        {{"Stale"}, 0, {}},  // a name beyond entryCount is not offered
        {{"MyISP", "Other"}, 2, {"MyISP", "Other"}},
        {{"MyISP", "Other", "Stale"}, 2, {"MyISP", "Other"}},
        {{"A", "", "C"}, 3, {"A", "C"}},
        {{"", "", "", ""}, 4, {}},
        {{"A", "B", "C", "D"}, 7, {"A", "B", "C", "D"}},  // no position beyond the fourth is read
    };
    for (const auto& c : cases) EXPECT_EQ(OfferedEntryNames(ListOf(c.names, c.count)), c.offered) << c.count;
}

TEST(DialModel, ANameFillingItsWholeFieldIsReadWithinIt) {
    EntryListData list;
    std::memset(list.entries[0].szEntryName, 'x', sizeof list.entries[0].szEntryName);  // no terminator
    list.entries[1].dwSize = 0x41414141;  // what follows in memory must not join the name
    list.entryCount = 1;
    std::vector<std::string> offered = OfferedEntryNames(list);
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0], std::string(sizeof list.entries[0].szEntryName, 'x'));
}

TEST(DialModel, TheSelectionPicksTheEntryWhenThereIsOne) {
    EXPECT_EQ(EntryAfterSelection(-1, 1), 1);
    EXPECT_EQ(EntryAfterSelection(0, 3), 3);
    EXPECT_EQ(EntryAfterSelection(2, -1), 2);  // CB_ERR: nothing selected, the entry stays
    EXPECT_EQ(EntryAfterSelection(-1, -1), -1);
}

TEST(DialModel, StatusLineWhileDialing) {
    EXPECT_EQ(DialingText("MyISP", "0312345678"), "MyISP - 0312345678");
    EXPECT_EQ(DialingText("MyISP", ""), "MyISP - ");
    EXPECT_EQ(DialingText(test::Cp932(u8"表プロバイダ"), "011"), test::Cp932(u8"表プロバイダ - 011"));
}

struct Event {
    RASCONNSTATE state;
    uint32_t error;
};

TEST(DialModel, TheFirstEventThatEndsTheDialDecides) {
    using A = DialEventAction;
    const struct {
        const char* what;
        std::vector<Event> events;
        std::vector<A> actions;
        bool over = true;
    } cases[] = {
        {"steps then connected", {{0, 0}, {1, 0}, {RASCS_DeviceConnected, 0}, {RASCS_Connected, 0}},
         {A::kShowDialing, A::kShowDialing, A::kShowDialing, A::kConnected}},
        {"an error ends it; a later connection is not taken",
         {{0, 0}, {3, 691}, {RASCS_Connected, 0}},
         {A::kShowDialing, A::kReportError, A::kIgnore}},
        {"a second error is not shown again", {{0, 691}, {0, 692}}, {A::kReportError, A::kIgnore}},
        {"disconnected without an error is no connection", {{0, 0}, {RASCS_Disconnected, 0}},
         {A::kShowDialing, A::kEndedUnconnected}},
        {"disconnected with an error reports it", {{RASCS_Disconnected, 628}}, {A::kReportError}},
        {"events after the connection are ignored", {{RASCS_Connected, 0}, {RASCS_Connected, 0}, {0, 691}},
         {A::kConnected, A::kIgnore, A::kIgnore}},
        {"a paused state is a step", {{0x1000, 0}}, {A::kShowDialing}, false},
    };
    for (const auto& c : cases) {
        DialProgress progress;
        std::vector<A> actions;
        for (const Event& e : c.events) actions.push_back(progress.OnEvent(e.state, e.error));
        EXPECT_EQ(actions, c.actions) << c.what;
        EXPECT_EQ(progress.Over(), c.over) << c.what;
    }
}

TEST(DialModel, EventsAfterACancelAreIgnored) {
    DialProgress progress;
    EXPECT_EQ(progress.OnEvent(0, 0), DialEventAction::kShowDialing);
    EXPECT_FALSE(progress.Over());
    progress.Cancel();
    EXPECT_EQ(progress.OnEvent(RASCS_Connected, 0), DialEventAction::kIgnore);
    EXPECT_EQ(progress.OnEvent(0, 691), DialEventAction::kIgnore);
}

}  // namespace
