// The hang-up's wait over the Win32 calls themselves: the standard library's thread and clock
// would bring the pthread layer into the program.
#include <windows.h>
#undef Yield  // an obsolete Win16 call, an empty macro in <windows.h>

#include "ras/hang_up.h"

namespace {

class SystemWait final : public LineWait {
public:
    void Yield() override { Sleep(0); }
    uint32_t Milliseconds() override { return GetTickCount(); }
};

}  // namespace

LineWait& PlatformLineWait() {
    static SystemWait wait;
    return wait;
}
