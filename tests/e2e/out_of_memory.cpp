// Tolvane.exe's way out when memory runs out, in a GUI program of its own: a timer runs as the
// monitor's does, then an allocation fails. Exit code 3 (abort's) when the program ended at
// once; 42 when a timer message ran after the failure (a box's message loop dispatched it).
#include <windows.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <new>

namespace {

bool failing = false;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (failing) ExitProcess(42);
}

// Windows' msvcrt shows its task-modal runtime-error box in a GUI program before abort()
// raises SIGABRT; Wine's shows none. Played here at the signal, as Windows would show it.
void OnAbort(int) {
    MessageBoxA(nullptr, "abnormal program termination", "Runtime Error!", MB_OK | MB_ICONHAND | MB_TASKMODAL);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::signal(SIGABRT, OnAbort);
    SetTimer(nullptr, 0, 10, OnTimer);
    Sleep(50);  // a timer message is due from here on
    failing = true;
    volatile std::size_t size = SIZE_MAX - 64;
    void* p = ::operator new(size);
    ::operator delete(p);
    return 0;  // the allocation did not fail
}
