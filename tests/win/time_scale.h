// How much longer than natively a test may wait for the program: TOLVANE_E2E_TIME_SCALE, a
// whole number from 1 (the default) to 20. The emulated machine that runs the 32-bit build's
// tests runs Wine several times slower than the machine itself, and its runs set it; waits
// and pauses that give the program time grow with it, the program's own timing does not.
#pragma once

#include <windows.h>

#include <cstdlib>

inline int TimeScale() {
    static const int scale = [] {
        char value[16];
        DWORD n = GetEnvironmentVariableA("TOLVANE_E2E_TIME_SCALE", value, sizeof value);
        int s = n > 0 && n < sizeof value ? std::atoi(value) : 1;
        return s < 1 ? 1 : s > 20 ? 20 : s;
    }();
    return scale;
}

inline int Scaled(int ms) { return ms * TimeScale(); }
