// The usage viewer's application object. Its first act, while the static objects are built,
// keeps every library the program loads later (the shell's folder picker, the help engine)
// to the system folder: a DLL lying beside the program in a Downloads folder is never loaded.
#include "viewer/viewer_app_win.h"

#include "base/app_names.h"
#include "base/exe_folder.h"
#include "base/registry_win.h"
#include "viewer/viewer_dlg_win.h"

const char kViewerTitle[] = "Tolvane 利用状況";

namespace {

// Not in the headers of every system's SDK; the value of LOAD_LIBRARY_SEARCH_SYSTEM32.
constexpr DWORD kSearchSystem32 = 0x00000800;

// Both looked up by name: XP has SetDllDirectoryA only from its first service pack, and
// SetDefaultDllDirectories came with an update of Windows 7, so a program that imported
// them would not start where they are missing.
void KeepLibrariesToSystemFolder() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    // The program's folder and the current folder leave the search order.
    if (auto setDirectory = reinterpret_cast<SetDllDirectoryFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA"))))
        setDirectory("");
    if (auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories"))))
        setDefault(kSearchSystem32);
}

}  // namespace

CViewerApp theViewerApp;

CViewerApp::CViewerApp() { KeepLibrariesToSystemFolder(); }

bool CViewerApp::InitInstance() {
    SetRegistry(&SystemRegistry());
    appName = kViewerTitle;
    exeFolder = FolderOfModulePath(ModulePath(instance));
    {
        CViewerDlg viewer;
        mainWindow = &viewer;
        viewer.RunViewerWindow();
        mainWindow = nullptr;
    }
    return false;
}

int CViewerApp::ExitInstance() {
    CApplication::ExitInstance();
    return 0;
}

std::string CViewerApp::HelpFile() const { return exeFolder + "Tolvane.HLP"; }

bool CViewerApp::OpenHelp(HWND owner, DWORD context) { return CallHelpEngine(owner, HelpFile(), context); }
