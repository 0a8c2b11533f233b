// Prompts as message boxes: caption the application name, owner the window the user works
// in, so that the box is modal to it and stays above it.
#include "framework/prompt_win.h"

#include <windows.h>

#include "base/app_names.h"
#include "framework/app.h"

namespace {

// The newest popup of the main window (a modal dialog running over it, or the main window
// itself); without a main window, the active window.
HWND MessageOwner() {
    HWND owner = TheApp() ? TheApp()->MainWindowHandle() : nullptr;
    if (owner && IsWindow(owner)) return GetLastActivePopup(owner);
    return GetActiveWindow();
}

class WindowsPrompt final : public Prompt {
public:
    int Show(const std::string& text, unsigned style) override {
        return MessageBoxA(MessageOwner(), text.c_str(), appName.c_str(), style);
    }
};

}  // namespace

Prompt& MessageBoxPrompt() {
    static WindowsPrompt prompt;
    return prompt;
}
