// Hang-up: every hang-up is issued before any waiting, then a tight poll of each status
// until the service says the handle is gone.
#include "ras/hang_up.h"

#include <cstring>

#include "base/prompt.h"
#include "monitor/connection_table.h"
#include "ras/ras_api.h"

const char kHangUpQuestion[] = "ﾀﾞｲｱﾙ回線を切断しますか";

namespace {

LineWait* currentWait = nullptr;  // the platform's

// The records in scope, in list order.
uint32_t Scope(const char* entryName, ConnectionRecord* (&scope)[kSlotCount]) {
    uint32_t n = 0;
    for (uint32_t i = 0; i < ConnectionTable.activeCount && i < kSlotCount; ++i) {
        ConnectionRecord* r = ConnectionTable.active[i];
        if (!r) continue;
        if (!entryName) {
            scope[n++] = r;
        } else if (std::strcmp(r->rasConn.szEntryName, entryName) == 0) {
            scope[n++] = r;
            break;
        }
    }
    return n;
}

}  // namespace

void WaitUntilGone(HRASCONN handle, RASCONNSTATUSA& status) {
    status.dwSize = kRasConnStatusSize;
    uint32_t start = LineWaits().Milliseconds();
    while (Ras().RasGetConnectStatusA(handle, &status) != static_cast<uint32_t>(ERROR_INVALID_HANDLE)) {
        if (LineWaits().Milliseconds() - start >= kHangUpWaitMs) return;
        LineWaits().Yield();
    }
}

LineWait& LineWaits() { return currentWait ? *currentWait : PlatformLineWait(); }

void SetLineWait(LineWait* wait) { currentWait = wait; }

void HangUp(bool silent, const char* entryName) {
    if (entryName && !*entryName) return;
    ConnectionRecord* scope[kSlotCount] = {};
    if (Scope(entryName, scope) == 0) return;
    if (!silent && Prompts().Show(kHangUpQuestion, kMbYesNo | kMbIconExclamation) != kIdYes) return;
    // Ticks go on while the question is open and may change the table: take the scope again,
    // so a slot that another connection took meanwhile is never hung up by mistake.
    uint32_t n = Scope(entryName, scope);
    HRASCONN handles[kSlotCount] = {};
    for (uint32_t i = 0; i < n; ++i) {
        handles[i] = scope[i]->rasConn.hrasconn;
        if (handles[i]) Ras().RasHangUpA(handles[i]);
    }
    for (uint32_t i = 0; i < n; ++i)
        if (handles[i]) WaitUntilGone(handles[i], scope[i]->rasStatus);
}
