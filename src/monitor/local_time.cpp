// Local time through the C library, 64-bit on both builds (the 32-bit Windows C library's
// plain time_t is 32 bits wide, so the Windows build calls its 64-bit functions by name).
#include "monitor/local_time.h"

#include <cstring>

bool LocalTime(int64_t t, std::tm* out) {
#ifdef _WIN32
    // _localtime64 and not _localtime64_s, which older msvcrt.dll lack: for it mingw links in a
    // stand-in that looks it up at run time and falls back to _localtime64. The result lives in
    // msvcrt's buffer of the calling thread, and is copied out at once.
    __time64_t tt = t;
    const std::tm* local = _localtime64(&tt);
    bool ok = local != nullptr;
    if (ok) *out = *local;
#else
    static_assert(sizeof(time_t) == 8, "times must survive January 2038");
    time_t tt = static_cast<time_t>(t);
    bool ok = localtime_r(&tt, out) != nullptr;
#endif
    if (!ok) std::memset(out, 0, sizeof *out);
    return ok;
}

int64_t MakeLocalTime(std::tm fields) {
#ifdef _WIN32
    return _mktime64(&fields);
#else
    return static_cast<int64_t>(std::mktime(&fields));
#endif
}
