// The single-instance lock: "Local\" names are the log-on session's own, and the user's SID
// in the name keeps another user's run in the same session apart.
#include "app/single_instance_win.h"

#include <sddl.h>

#include <cstdint>

namespace {

// What the owner records of its monitor window. Window handles are 32-bit values in 32- and
// 64-bit programs alike, so both builds read the same record.
struct WindowRecord {
    uint32_t window;
    uint32_t process;
};

std::string UserSid() {
    std::string sid;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return sid;
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } buffer;
    DWORD size = 0;
    char* text = nullptr;
    if (GetTokenInformation(token, TokenUser, &buffer, sizeof buffer, &size) &&
        ConvertSidToStringSidA(buffer.user.User.Sid, &text)) {
        sid = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return sid;
}

HWND WindowOf(uint32_t value) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<int32_t>(value)));  // sign-extended
}

}  // namespace

const UINT kShowInstanceMessage = RegisterWindowMessageA("Orlimo.Tolvane.ShowInstance");

WindowsInstanceGate::WindowsInstanceGate(const std::string& appName)
    : name_("Local\\" + InstanceName(appName, UserSid())) {}

WindowsInstanceGate::~WindowsInstanceGate() {
    if (section_) CloseHandle(section_);
    if (mutex_) CloseHandle(mutex_);
}

InstanceGate::Claim WindowsInstanceGate::TryClaim() {
    mutex_ = CreateMutexA(nullptr, FALSE, name_.c_str());
    // Denied: a copy of ours run with other rights holds it.
    if (!mutex_) return GetLastError() == ERROR_ACCESS_DENIED ? Claim::kTaken : Claim::kUnavailable;
    return WaitForClaim(0) ? Claim::kOurs : Claim::kTaken;
}

// An owner that ended without letting go (abandoned) has ended all the same.
bool WindowsInstanceGate::WaitForClaim(uint32_t ms) {
    if (!mutex_) {
        Sleep(ms);
        return false;
    }
    DWORD woke = WaitForSingleObject(mutex_, ms);
    return woke == WAIT_OBJECT_0 || woke == WAIT_ABANDONED;
}

uint32_t WindowsInstanceGate::Milliseconds() { return GetTickCount(); }

bool WindowsInstanceGate::ShowRunning() {
    HANDLE section = OpenFileMappingA(FILE_MAP_READ, FALSE, (name_ + ".Window").c_str());
    if (!section) return false;
    WindowRecord record = {0, 0};
    if (void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof record)) {
        record = *static_cast<const WindowRecord*>(view);
        UnmapViewOfFile(view);
    }
    CloseHandle(section);
    HWND window = WindowOf(record.window);
    DWORD process = 0;
    // A record left by a window that is gone, or whose handle now names another's window.
    if (!record.window || !GetWindowThreadProcessId(window, &process) || process != record.process) return false;
    // This start came from the user, so it may hand the foreground on.
    AllowSetForegroundWindow(process);
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(window, kShowInstanceMessage, 0, 0, SMTO_ABORTIFHUNG, kInstanceAnswerMs, &answer) &&
           answer == static_cast<DWORD_PTR>(kInstanceShown);
}

void WindowsInstanceGate::Publish(HWND monitor) {
    if (!section_) {
        section_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(WindowRecord),
                                      (name_ + ".Window").c_str());
        if (!section_) return;
    }
    void* view = MapViewOfFile(section_, FILE_MAP_WRITE, 0, 0, sizeof(WindowRecord));
    if (!view) return;
    WindowRecord record = {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(monitor)),
                           monitor ? GetCurrentProcessId() : 0};
    *static_cast<WindowRecord*>(view) = record;
    UnmapViewOfFile(view);
}
