// Ending dial-up lines: one named active connection or all of them, optionally after asking,
// waiting until each is gone.
#pragma once

#include <cstdint>

#include "ras/ras_types.h"

// How the hang-up waits: it gives up the rest of the time slice between two status queries,
// and reads a millisecond counter to bound the wait.
class LineWait {
public:
    LineWait() = default;
    LineWait(const LineWait&) = delete;
    LineWait& operator=(const LineWait&) = delete;
    virtual ~LineWait() = default;
    virtual void Yield() = 0;
    virtual uint32_t Milliseconds() = 0;  // wraps; only differences are used
};

// The wait in use: the platform's own until another is chosen.
LineWait& LineWaits();
void SetLineWait(LineWait* wait);
// The platform's wait (line_wait_win.cpp or line_wait_posix.cpp).
LineWait& PlatformLineWait();

// A service that never reports a hung-up connection gone must not hold the program forever:
// each connection is waited for this long at most; the next refresh sees the line as it is.
constexpr uint32_t kHangUpWaitMs = 3000;

// Waits, bounded by kHangUpWaitMs, until the service says that `handle`, hung up, is gone:
// a process must not end right after a hang-up, or the port may stay unusable until it is
// reset. `status` receives the answers.
void WaitUntilGone(HRASCONN handle, RASCONNSTATUSA& status);

extern const char kHangUpQuestion[];

// entryName null: every active connection; empty: none; otherwise the first active
// connection of that exact name. With silent false the user is asked first.
void HangUp(bool silent, const char* entryName);
