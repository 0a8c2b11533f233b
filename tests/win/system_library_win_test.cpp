// The process's library search once start-up has limited it: a library of any name beside the
// program or in the current folder is no longer found by its name, while the system's own
// libraries still are, and the loader port finds the system folder's by full path.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/system_library.h"
#include "base/system_library_win.h"
#include "win_support.h"

namespace {

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of('\\'));
}

bool Loads(const char* name) {
    HMODULE library = LoadLibraryA(name);
    if (library) FreeLibrary(library);
    return library != nullptr;
}

TEST(LibrarySearch, OnlyTheSystemFolderOnceLimited) {
    // Built beside this program: found there by its name until the search is limited.
    ASSERT_TRUE(Loads("search_decoy.dll")) << "the decoy beside the program";
    wintest::TempFolder current("search");
    const std::string copy = current.path() + "\\current_decoy.dll";
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\search_decoy.dll").c_str(), wintest::Ansi(copy).c_str(), FALSE));
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    ASSERT_TRUE(SetCurrentDirectoryA(wintest::Ansi(current.path()).c_str()));
    EXPECT_TRUE(Loads("current_decoy.dll")) << "the decoy in the current folder";

    RestrictLibrarySearch();
    EXPECT_FALSE(Loads("search_decoy.dll"));
    EXPECT_FALSE(Loads("current_decoy.dll"));
    EXPECT_TRUE(Loads("shell32.dll"));
    EXPECT_TRUE(Loads("winmm.dll"));
    SetCurrentDirectoryA(before);

    char system[MAX_PATH];
    UINT n = GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(SystemLibraries().SystemFolder(), std::string(system, n));
    void* function = nullptr;
    const char* const names[] = {"PlaySoundA"};
    std::string failure;
    EXPECT_TRUE(BindSystemLibrary(SystemLibraries(), "winmm.dll", names, &function, 1, &failure)) << failure;
    EXPECT_EQ(function, reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("winmm.dll"), "PlaySoundA")));
}

}  // namespace
