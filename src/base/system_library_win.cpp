// The library loader over LoadLibraryEx and GetProcAddress, and the process's search order.
#include "base/system_library.h"
#include "base/system_library_win.h"

#include <windows.h>

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

class SystemLoader final : public LibraryLoader {
public:
    std::string SystemFolder() override {
        std::string folder(MAX_PATH, '\0');
        UINT n = GetSystemDirectoryA(&folder[0], static_cast<UINT>(folder.size()));
        if (n >= folder.size()) {  // too long for the buffer: n is the size it needs
            folder.resize(n);
            n = GetSystemDirectoryA(&folder[0], static_cast<UINT>(folder.size()));
        }
        folder.resize(n < folder.size() ? n : 0);
        return folder;
    }
    // The library's own imports are then looked for in its folder (the system folder) first,
    // on every system from XP on.
    void* Load(const std::string& path) override {
        return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    void* Find(void* library, const char* function) override {
        return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), function));
    }
};

template <typename Function>
Function KernelFunction(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

}  // namespace

LibraryLoader& SystemLibraries() {
    static SystemLoader loader;
    return loader;
}

void RestrictLibrarySearch() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);
    if (auto setDefault = KernelFunction<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories"))
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (auto setDirectory = KernelFunction<SetDllDirectoryFunction>("SetDllDirectoryA")) setDirectory("");
}
