// The usage viewer's application object: libraries from the system folder only, the registry,
// the window run as the program's one loop, and the help file it shares with Tolvane.
#pragma once

#include <windows.h>

#include <string>

#include "framework/app.h"

class CViewerApp : public CApplication {
public:
    bool InitInstance() override;
    // The program's exit code: 0, however its window was closed.
    int ExitInstance() override;

    // Tolvane.HLP beside the program, the help file both programs open.
    std::string HelpFile() const;

protected:
    bool OpenHelp(HWND owner, DWORD context) override;
};

extern CViewerApp theViewerApp;

// The viewer's title, also every message box's caption.
extern const char kViewerTitle[];
