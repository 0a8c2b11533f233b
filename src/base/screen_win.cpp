// The screen port over GetSystemMetrics.
#include <windows.h>

#include "base/screen.h"
#include "base/screen_win.h"

namespace {

static_assert(SM_CXSCREEN == kSmCxScreen && SM_CYSCREEN == kSmCyScreen, "metric indexes");

class SystemScreenApi final : public ScreenApi {
public:
    int GetSystemMetrics(int index) override { return ::GetSystemMetrics(index); }
};

}  // namespace

ScreenApi& SystemScreen() {
    static SystemScreenApi screen;
    return screen;
}
