// The table of tracked dial-up connections and their session clocks, and the list of
// phone-book entries. One refresh per monitor tick brings the table up to date.
#pragma once

#include <cstdint>
#include <string>

#include "ras/ras_types.h"

constexpr uint32_t kSlotCount = 4;

struct ConnectionRecord {
    RASCONNA rasConn{};          // the connection as last enumerated; slot free when its handle is 0
    RASCONNSTATUSA rasStatus{};  // the last status queried
    int64_t startTime = 0;       // when the current session began to count
    int64_t lastTime = 0;        // when the session clock was last updated
    uint32_t elapsed = 0;        // session seconds, start offset included; 0: not counting
    uint32_t monthTotal = 0;     // seconds used earlier in the billing month, from the log
    bool monthUnread = false;    // the log could not be read when the session began: read again later
    int32_t present = 0;         // seen by the running refresh
    std::string logPath;         // the session's monthly log file
    std::string phoneNumber;     // the entry's phone number, looked up when the session began
};

struct ConnectionTableData {
    ConnectionRecord slots[kSlotCount];
    // Slots in the service's enumeration order; entries at and beyond activeCount are null.
    ConnectionRecord* active[kSlotCount] = {};
    uint32_t activeCount = 0;
};

struct EntryListData {
    RASENTRYNAMEA entries[kSlotCount] = {};
    uint32_t entryCount = 0;  // never above kSlotCount
};

extern ConnectionTableData ConnectionTable;
extern EntryListData EntryList;

// What a refresh (or one of its phases) found.
// A log file that fails changes nothing here: the line waits for its file, or the month is
// read again later; a message waits for the tick (TakeLogError), and the refresh goes on.
enum class TableChange {
    kUnchanged,
    kChanged,  // a connection began or stopped counting, or vanished while it held a slot
};

// Index 0 to 3 clears that slot; any larger index re-enumerates the phone-book entries and
// clears every slot.
void ResetSlot(uint32_t index);

TableChange RefreshConnections();
// `answered` tells whether the service listed its connections at all.
TableChange MatchConnections(bool* answered = nullptr);
TableChange UpdateRecord(ConnectionRecord& r);

// The entry's area code and local number run together; empty when it cannot be read.
void LookupPhoneNumber(const char* entryName, std::string& phoneNumber);

inline bool SlotOccupied(const ConnectionRecord& r) { return r.rasConn.hrasconn != nullptr; }
