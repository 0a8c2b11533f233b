// Decisions of the dial dialogs.
#include "ui/dial_model.h"

#include <cstring>

std::vector<std::string> OfferedEntryNames(const EntryListData& list) {
    std::vector<std::string> names;
    for (uint32_t k = 0; k < list.entryCount && k < kSlotCount; ++k) {
        const char* name = list.entries[k].szEntryName;
        size_t length = strnlen(name, sizeof list.entries[k].szEntryName);
        if (length > 0) names.emplace_back(name, length);
    }
    return names;
}

int EntryAfterSelection(int entry, long selection) { return selection >= 0 ? static_cast<int>(selection) : entry; }

std::string DialingText(const std::string& entryName, const std::string& phoneNumber) {
    return entryName + " - " + phoneNumber;
}

DialEventAction DialProgress::OnEvent(RASCONNSTATE state, uint32_t error) {
    if (over) return DialEventAction::kIgnore;
    if (error != 0) {
        over = true;
        return DialEventAction::kReportError;
    }
    // Both final states carry the done bit, but only one of them is a connection: a dial that
    // ends disconnected has failed and must not be reported as connected.
    if (state == RASCS_Disconnected) {
        over = true;
        return DialEventAction::kEndedUnconnected;
    }
    if (state & RASCS_DONE) {
        over = true;
        return DialEventAction::kConnected;
    }
    return DialEventAction::kShowDialing;
}
