// The application object, the entry point and the help command.
#include "framework/app.h"

#include <commctrl.h>

#include <string>

#include "base/app_names.h"
#include "base/prompt.h"
#include "base/system_library_win.h"
#include "framework/dialog.h"
#include "framework/error_mode.h"
#include "framework/prompt_win.h"
#include "res/resource.h"

namespace {

CApplication* theApp = nullptr;
MSG lastMessage{};

const char kHelpFailed[] = "ﾍﾙﾌﾟの起動に失敗しました。";

static_assert(SEM_FAILCRITICALERRORS == kSemFailCriticalErrors && SEM_NOOPENFILEERRORBOX == kSemNoOpenFileErrorBox,
              "error mode flags");


// The framework dialog that holds the keyboard focus, else the active one, else the main window.
CDialog* DialogForHelp(const CApplication& app) {
    for (HWND start : {GetFocus(), GetActiveWindow()}) {
        for (HWND w = start; w; w = GetParent(w)) {
            if (CDialog* d = CDialog::FromHandle(w)) return d;
        }
    }
    return app.mainWindow;
}

}  // namespace

std::string ModulePath(HINSTANCE instance) {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD n = GetModuleFileNameA(instance, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return std::string();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 65536) return std::string();
        path.resize(path.size() * 2);
    }
}

CApplication::CApplication() { theApp = this; }

CApplication::~CApplication() {
    if (theApp == this) theApp = nullptr;
}

bool CApplication::InitInstance() { return true; }

int CApplication::ExitInstance() { return static_cast<int>(lastMessage.wParam); }

bool CApplication::OnCommand(UINT id) {
    if (id != ID_HELP) return false;
    OnHelp();
    return true;
}

bool CApplication::HandlesCommand(UINT id) const { return id == ID_HELP; }

void CApplication::OnHelp() {
    CDialog* dialog = DialogForHelp(*this);
    DWORD context = HID_BASE_RESOURCE + (dialog ? dialog->TemplateId() : 0);
    HWND owner = MainWindowHandle();
    if (!owner && dialog) owner = dialog->hwnd;
    if (!OpenHelp(owner, context)) Prompts().Show(kHelpFailed, kMbOk | kMbIconExclamation);
}

bool CApplication::OpenHelp(HWND owner, DWORD context) { return CallHelpEngine(owner, helpFile, context); }

namespace {

struct HelpCall {
    HWND owner;
    std::string file;
    DWORD context;
    BOOL result;
};

DWORD WINAPI HelpThread(void* data) {
    auto* call = static_cast<HelpCall*>(data);
    call->result = WinHelpA(call->owner, call->file.c_str(), HELP_CONTEXT, call->context);
    return 0;
}

}  // namespace

bool CallHelpEngine(HWND owner, const std::string& file, DWORD context) {
    auto* call = new HelpCall{owner, file, context, FALSE};
    HANDLE thread = CreateThread(nullptr, 0, HelpThread, call, 0, nullptr);
    if (!thread) {
        HelpThread(call);
        bool started = call->result != FALSE;
        delete call;
        return started;
    }
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            RecordMessage(msg);
            if (msg.message == WM_QUIT) {
                // The program ends: the loop that runs it must see the quit, and the call, still
                // waiting on the viewer, ends with the process (its record stays theirs).
                PostQuitMessage(static_cast<int>(msg.wParam));
                CloseHandle(thread);
                return true;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    bool started = call->result != FALSE;
    delete call;
    return started;
}

HWND CApplication::MainWindowHandle() const { return mainWindow ? mainWindow->hwnd : nullptr; }

int CApplication::Run() {
    MSG msg;
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) return ExitInstance();
        RecordMessage(msg);
        if (!got) return ExitInstance();
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

CApplication* TheApp() { return theApp; }

void RecordMessage(const MSG& msg) { lastMessage = msg; }

const MSG& LastMessage() { return lastMessage; }

int RunApplication(HINSTANCE instance) {
    // Before anything loads a library: none may come from the program's folder or the
    // current one.
    RestrictLibrarySearch();
    // Names first: the registry key and every message box caption depend on them.
    std::string path = ModulePath(instance);
    appName = AppNameOfModulePath(path);
    helpFile = HelpFileOfModulePath(path);
    // A drive without a medium must come back as an error, not as a system dialog. The mode
    // the process inherited stays; SetErrorMode(0) is the only way to read it on every system.
    SetErrorMode(QuietErrorMode(SetErrorMode(0)));

    // The settings dialog's arrows are up-down controls, which a template can only name
    // once their class is registered.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    SetPrompts(&MessageBoxPrompt());

    CApplication* app = TheApp();
    if (!app) return 1;
    app->instance = instance;
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}

// Defined beside the application class so that any program with an application object
// links this entry point.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunApplication(instance); }
