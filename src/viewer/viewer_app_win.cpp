// The usage viewer's application object. The framework's entry keeps every library the
// program loads later (the shell's folder picker, the help engine) to the system folder before
// anything else runs: a DLL lying beside the program in a Downloads folder is never loaded.
#include "viewer/viewer_app_win.h"

#include "base/app_names.h"
#include "base/exe_folder.h"
#include "base/registry_win.h"
#include "viewer/viewer_dlg_win.h"

const char kViewerTitle[] = "Tolvane 利用状況";

CViewerApp theViewerApp;

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
