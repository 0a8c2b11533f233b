// Libraries that are not among the system's known ones, taken from the system folder and
// nowhere else: Windows looks for such a library beside the program first, so a rasapi32.dll
// lying in a Downloads folder would run in the user's session and see every saved password.
#pragma once

#include <cstddef>
#include <string>

// Loading a library by its full path and finding its functions by name (the platform's
// LoadLibraryEx and GetProcAddress on Windows).
class LibraryLoader {
public:
    LibraryLoader() = default;
    LibraryLoader(const LibraryLoader&) = delete;
    LibraryLoader& operator=(const LibraryLoader&) = delete;
    virtual ~LibraryLoader() = default;

    // The system folder (GetSystemDirectory), empty when it cannot be had.
    virtual std::string SystemFolder() = 0;
    // The library at `path`, which is always a full path; null when it cannot be loaded.
    virtual void* Load(const std::string& path) = 0;
    virtual void* Find(void* library, const char* function) = 0;
};

// `name` in `folder`; empty unless the folder is a full path (a drive's "X:\" or a network
// "\\"), since a relative one would be looked for along the search path.
std::string SystemLibraryPath(const std::string& folder, const char* name);

// Loads `name` from the system folder and fills `slots[i]` with its function `functions[i]`.
// False when the library cannot be loaded or lacks a function: then `failure` holds the
// message for the user, and every slot is null.
bool BindSystemLibrary(LibraryLoader& loader, const char* name, const char* const functions[], void* slots[],
                       size_t count, std::string* failure);

// The platform's loader (system_library_win.cpp).
LibraryLoader& SystemLibraries();
