// The application object and the program's entry point. The entry fixes the application
// name and help file from the module path, sets the error mode, and runs InitInstance;
// commands no dialog handles (the Help buttons) end up here.
#pragma once

#include <windows.h>

#include <string>

class CDialog;

class CApplication {
public:
    // The one application object registers itself; it must have static storage duration.
    CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;
    virtual ~CApplication();

    // Start-up. True runs a message loop until WM_QUIT; false skips it. Either way
    // ExitInstance follows and its result ends the process.
    virtual bool InitInstance();
    // End processing; the result is the process exit code. This one gives the wParam of the
    // last message the framework's loops took from the queue.
    virtual int ExitInstance();

    // A command that no dialog's message map took. True when handled.
    virtual bool OnCommand(UINT id);
    // Whether OnCommand takes `id`. Dialogs show their Help button only when the help
    // command is taken by them or here.
    virtual bool HandlesCommand(UINT id) const;

    // The help command: the help file at the topic of the dialog that holds the focus.
    void OnHelp();

    // The program's module, for its resources.
    HINSTANCE instance = nullptr;
    // The main window: owner of dialogs run without a parent and of message boxes.
    CDialog* mainWindow = nullptr;
    HWND MainWindowHandle() const;

protected:
    // Opens the help file at `context`; false when the help engine could not be started.
    virtual bool OpenHelp(HWND owner, DWORD context);

private:
    friend int RunApplication(HINSTANCE instance);
    int Run();
};

// The application object, or null before it is constructed.
CApplication* TheApp();

// WinHelpA(owner, file, HELP_CONTEXT, context). The help engine hands the request to the
// viewer and waits until the viewer has taken it, and the viewer may first ask the user about
// a missing or broken file: the call runs on a thread of its own while this thread goes on
// with its messages, so the window keeps counting and its deadlines keep hanging up. False
// when the engine could not be started.
bool CallHelpEngine(HWND owner, const std::string& file, DWORD context);

// The full path of `instance`'s module file, whatever its length; empty when it cannot be had.
std::string ModulePath(HINSTANCE instance);

// The entry's work, which WinMain runs (a console test program can call it from main).
int RunApplication(HINSTANCE instance);

// Every message the framework's loops take from the queue is recorded here.
void RecordMessage(const MSG& msg);
const MSG& LastMessage();
