// The screen port over GetSystemMetrics and the primary monitor's work area.
#include <windows.h>

#include "base/screen.h"
#include "base/screen_win.h"

namespace {

static_assert(SM_CXSCREEN == kSmCxScreen && SM_CYSCREEN == kSmCyScreen, "metric indexes");

class SystemScreenApi final : public ScreenApi {
public:
    int GetSystemMetrics(int index) override { return ::GetSystemMetrics(index); }
    bool GetWorkArea(ScreenRect* area) override {
        RECT work{};
        if (!area || !SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) return false;
        *area = {work.left, work.top, work.right, work.bottom};
        return true;
    }
};

}  // namespace

ScreenApi& SystemScreen() {
    static SystemScreenApi screen;
    return screen;
}
