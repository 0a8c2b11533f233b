// The message poster over PostMessageA. PostMessageA may be called from any thread.
#include <windows.h>

#include "ras/dialing.h"
#include "ras/dialing_win.h"

namespace {

static_assert(sizeof(WPARAM) == sizeof(uintptr_t) && sizeof(LPARAM) == sizeof(intptr_t), "message parameter widths");

class SystemPoster final : public MessagePoster {
public:
    void Post(WindowRef target, unsigned message, uintptr_t wParam, intptr_t lParam) override {
        ::PostMessageA(static_cast<HWND>(target), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
    }
};

}  // namespace

MessagePoster& SystemMessagePoster() {
    static SystemPoster poster;
    return poster;
}
