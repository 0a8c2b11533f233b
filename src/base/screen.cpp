// The process-wide choice of screen, and workspace coordinates turned into screen ones.
#include "base/screen.h"

namespace {

class NoScreen final : public ScreenApi {
public:
    int GetSystemMetrics(int) override { return 0; }
};

NoScreen none;
ScreenApi* current = &none;

// Wraps instead of overflowing, whatever the system reports.
int32_t Add(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
int32_t Sub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }

}  // namespace

ScreenApi& Screen() { return *current; }

void SetScreen(ScreenApi* screen) { current = screen ? screen : &none; }

ScreenPoint WorkspaceToScreen(WindowRef window, ScreenPoint workspace) {
    ScreenRect monitor{}, work{};
    if (!Screen().GetWindowMonitor(window, &monitor, &work)) return workspace;
    return {Add(workspace.x, Sub(work.left, monitor.left)), Add(workspace.y, Sub(work.top, monitor.top))};
}
