// The hang-up's wait over the standard thread and clock calls, for the host build.
#include <chrono>
#include <thread>

#include "ras/hang_up.h"

namespace {

class ThreadWait final : public LineWait {
public:
    void Yield() override { std::this_thread::yield(); }
    uint32_t Milliseconds() override {
        using namespace std::chrono;
        return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
};

}  // namespace

LineWait& PlatformLineWait() {
    static ThreadWait wait;
    return wait;
}
