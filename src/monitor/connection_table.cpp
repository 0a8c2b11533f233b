// The connection table: matching the service's connections to their records by entry name,
// running each session clock, and handing finished sessions to the monthly log.
#include "monitor/connection_table.h"

#include <cstring>

#include "base/settings.h"
#include "monitor/tick_time.h"
#include "monitor/usage_log.h"
#include "ras/ras_api.h"

ConnectionTableData ConnectionTable;
EntryListData EntryList;

namespace {

void ClearSlot(ConnectionRecord& r) {
    std::memset(&r.rasConn, 0, sizeof r.rasConn);
    std::memset(&r.rasStatus, 0, sizeof r.rasStatus);
    r.elapsed = 0;
    r.monthTotal = 0;
    r.monthUnread = false;
    r.present = 0;
    r.logPath.clear();
    r.phoneNumber.clear();
}

// The lowest slot not yet matched in this refresh that holds a connection of `name`.
ConnectionRecord* FindSlotByName(const char* name) {
    for (ConnectionRecord& r : ConnectionTable.slots)
        if (!r.present && SlotOccupied(r) && std::strcmp(r.rasConn.szEntryName, name) == 0) return &r;
    return nullptr;
}

ConnectionRecord* FindFreeSlot() {
    for (ConnectionRecord& r : ConnectionTable.slots)
        if (!SlotOccupied(r)) return &r;
    return nullptr;
}

// Whether a connection of this state is in its session, by the start-time setting.
bool IsCounting(RASCONNSTATE state) {
    int32_t s = static_cast<int32_t>(state);
    if (Settings.LogonTime != 0) return s == static_cast<int32_t>(RASCS_Connected);
    return s >= static_cast<int32_t>(RASCS_DeviceConnected) && s <= static_cast<int32_t>(RASCS_Connected);
}

uint32_t StartOffset() { return Settings.StratAdjust > 1 ? Settings.StratAdjust : 1; }

// The session's seconds with the start offset, held at the largest value rather than wrapped:
// a huge StratAdjust (or a clock that jumped decades) must never bring a counting record to 0,
// which would restart its session and lose the first part.
uint32_t SessionSeconds(int64_t sinceStart) {
    uint64_t seconds = static_cast<uint64_t>(sinceStart < 0 ? 0 : sinceStart) + StartOffset();
    return seconds > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(seconds);
}

}  // namespace

void ResetSlot(uint32_t index) {
    if (index < kSlotCount) {
        ClearSlot(ConnectionTable.slots[index]);
        return;
    }
    for (ConnectionRecord*& p : ConnectionTable.active) p = nullptr;
    ConnectionTable.activeCount = 0;

    std::memset(EntryList.entries, 0, sizeof EntryList.entries);
    for (RASENTRYNAMEA& e : EntryList.entries) e.dwSize = kRasEntryNameSize;
    uint32_t bytes = kSlotCount * kRasEntryNameSize;
    uint32_t count = 0;
    Ras().RasEnumEntriesA(nullptr, nullptr, EntryList.entries, &bytes, &count);
    // Whatever the service answered, readers get at most four terminated names.
    EntryList.entryCount = count < kSlotCount ? count : kSlotCount;
    for (RASENTRYNAMEA& e : EntryList.entries) e.szEntryName[kRasEntryNameLen - 1] = '\0';

    for (ConnectionRecord& r : ConnectionTable.slots) ClearSlot(r);
}

// Two choices of ours in the matching:
// - When the enumeration fails the previous active list is kept, with its slots neither
//   swept nor cleared, and the tick goes on as before instead of seeing no connection, which
//   would drop the extension count and blank the window for a passing fault.
// - A new connection that finds all four slots occupied (one was replaced by another within
//   one tick) is left for the next refresh, by which the sweep below has freed a slot. The
//   active list then holds only placed connections, so it is consistent at every moment.
TableChange MatchConnections(bool* answered) {
    if (answered) *answered = false;
    RASCONNA conns[kSlotCount];
    std::memset(conns, 0, sizeof conns);
    for (RASCONNA& c : conns) c.dwSize = kRasConnSize;
    uint32_t bytes = kSlotCount * kRasConnSize;
    uint32_t count = 0;
    if (Ras().RasEnumConnectionsA(conns, &bytes, &count) != kRasSuccess) return TableChange::kUnchanged;
    if (count > kSlotCount) count = kSlotCount;
    if (answered) *answered = true;

    for (ConnectionRecord*& p : ConnectionTable.active) p = nullptr;
    for (ConnectionRecord& r : ConnectionTable.slots) r.present = 0;

    uint32_t placed = 0;
    for (uint32_t i = 0; i < count; ++i) {
        RASCONNA& conn = conns[i];
        conn.szEntryName[kRasEntryNameLen - 1] = '\0';
        if (!conn.hrasconn) continue;  // a handle of 0 would make its slot look free
        ConnectionRecord* slot = FindSlotByName(conn.szEntryName);
        if (!slot) {
            slot = FindFreeSlot();
            if (!slot) continue;
            slot->elapsed = 0;
            slot->monthTotal = 0;
        }
        ConnectionTable.active[placed++] = slot;
        slot->rasConn = conn;  // a re-dialed connection brings a new handle to the same record
        slot->present = 1;
        slot->rasStatus.dwSize = kRasConnStatusSize;
        Ras().RasGetConnectStatusA(conn.hrasconn, &slot->rasStatus);
    }
    ConnectionTable.activeCount = placed;

    TableChange result = TableChange::kUnchanged;
    for (uint32_t i = 0; i < kSlotCount; ++i) {
        ConnectionRecord& r = ConnectionTable.slots[i];
        if (r.present || !SlotOccupied(r)) continue;
        AppendSessionRecord(r);
        ResetSlot(i);
        result = TableChange::kChanged;
    }
    return result;
}

TableChange UpdateRecord(ConnectionRecord& r) {
    bool counting = IsCounting(r.rasStatus.rasconnstate);
    bool began = false;
    if (counting && r.elapsed == 0) {
        r.startTime = TickTime;
        r.monthTotal = 0;
        LookupPhoneNumber(r.rasConn.szEntryName, r.phoneNumber);
        ReadMonthlyTotal(r);  // a log that cannot be read now is read again later
        began = true;
    } else if (r.elapsed == 0) {
        return TableChange::kUnchanged;
    } else if (TickTime < r.lastTime) {
        // The clock was set back: move the start with it, so the session keeps its length
        // instead of going negative (which would read as some 136 years).
        r.startTime -= r.lastTime - TickTime;
    }

    r.lastTime = TickTime;
    r.elapsed = SessionSeconds(r.lastTime - r.startTime);

    if (counting) return began ? TableChange::kChanged : TableChange::kUnchanged;
    if (r.elapsed == 0) return TableChange::kUnchanged;
    AppendSessionRecord(r);
    return TableChange::kChanged;
}

TableChange RefreshConnections() {
    // Now and then, before any session begins or ends here: the lines that wait for their
    // file, and the months that could not be read when their session began.
    if (RetryLogFiles())
        for (ConnectionRecord& r : ConnectionTable.slots)
            if (r.elapsed != 0 && r.monthUnread) RereadMonthlyTotal(r);
    bool answered = false;
    TableChange changed = MatchConnections(&answered);
    // Without an answer the refresh ends here: no record is matched, updated or logged.
    if (!answered) return changed;
    for (uint32_t i = 0; i < ConnectionTable.activeCount; ++i)
        if (UpdateRecord(*ConnectionTable.active[i]) == TableChange::kChanged) changed = TableChange::kChanged;
    return changed;
}

void LookupPhoneNumber(const char* entryName, std::string& phoneNumber) {
    RASENTRYA entry;
    std::memset(&entry, 0, sizeof entry);
    entry.dwSize = kRasEntrySize;
    uint32_t size = kRasEntrySize;
    if (Ras().RasGetEntryPropertiesA(nullptr, entryName, &entry, &size, nullptr, nullptr) != kRasSuccess) {
        phoneNumber.clear();
        return;
    }
    entry.szAreaCode[kRasAreaCodeLen - 1] = '\0';
    entry.szLocalPhoneNumber[kRasPhoneNumberLen - 1] = '\0';
    phoneNumber.assign(entry.szAreaCode).append(entry.szLocalPhoneNumber);
}
