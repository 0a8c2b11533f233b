// The monitor window's changing texts.
#include "monitor/display_texts.h"

#include <cstdio>
#include <limits>

const char kAppTitle[] = "Tolvane";

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

// Times are formatted as signed 32-bit values. Past that range (a session of 68 years, or
// a month total from a damaged log) they stop at the largest value instead of wrapping into
// a negative time.
int32_t Seconds(uint32_t value) { return value > static_cast<uint32_t>(kInt32Max) ? kInt32Max : static_cast<int32_t>(value); }

int32_t SaturatingAdd(int32_t a, int32_t b) { return a > kInt32Max - b ? kInt32Max : a + b; }  // a, b >= 0

}  // namespace

bool ShowTimes(uint32_t elapsed, uint32_t monthTotal, MonitorTexts& texts) {
    if (elapsed == 0 && monthTotal == 0) return false;
    int32_t e = Seconds(elapsed);
    char text[40];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", e / 3600, e % 3600 / 60, e % 60);
    texts.sessionTime = text;

    int32_t t = SaturatingAdd(SaturatingAdd(e, Seconds(monthTotal)), 59);
    std::snprintf(text, sizeof text, "%02d:%02d", t / 3600, t % 3600 / 60);
    texts.monthTotal = text;
    return true;
}

std::string FormatCountdown(int32_t seconds) {
    char text[40];
    std::snprintf(text, sizeof text, "強制切断まで %02d 秒", seconds);
    return text;
}
