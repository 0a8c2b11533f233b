// The process-wide choice of screen.
#include "base/screen.h"

namespace {

class NoScreen final : public ScreenApi {
public:
    int GetSystemMetrics(int) override { return 0; }
};

NoScreen none;
ScreenApi* current = &none;

}  // namespace

ScreenApi& Screen() { return *current; }

void SetScreen(ScreenApi* screen) { current = screen ? screen : &none; }
