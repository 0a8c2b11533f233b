// The single-instance lock over a named mutex of the log-on session, and the record of the
// owner's monitor window in a named section beside it (Windows build only).
#pragma once

#include <windows.h>

#include <string>

#include "app/single_instance.h"

class WindowsInstanceGate final : public InstanceGate {
public:
    explicit WindowsInstanceGate(const std::string& appName);
    ~WindowsInstanceGate() override;

    Claim TryClaim() override;
    bool WaitForClaim(uint32_t ms) override;
    uint32_t Milliseconds() override;
    bool ShowRunning() override;

    // The owner's side: records its monitor window for later starts to find, or (null) takes
    // the record back when the window goes.
    void Publish(HWND monitor);

private:
    std::string name_;
    HANDLE mutex_ = nullptr;
    HANDLE section_ = nullptr;
};

// The message a second start sends the running monitor window: it comes up and answers
// kInstanceShown, or answers 0 when it is on its way out.
extern const UINT kShowInstanceMessage;
constexpr LRESULT kInstanceShown = 0x544C;
