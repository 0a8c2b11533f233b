// The monitor window's changing texts.
#include "monitor/display_texts.h"

#include <limits>

#include "base/decimal.h"

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
    // Written over the texts in place: they keep their room from tick to tick.
    int32_t e = Seconds(elapsed);
    std::string& session = texts.sessionTime;
    session.clear();
    AppendSignedDecimal(session, e / 3600, 2);
    session += ':';
    AppendSignedDecimal(session, e % 3600 / 60, 2);
    session += ':';
    AppendSignedDecimal(session, e % 60, 2);

    int32_t t = SaturatingAdd(SaturatingAdd(e, Seconds(monthTotal)), 59);
    std::string& month = texts.monthTotal;
    month.clear();
    AppendSignedDecimal(month, t / 3600, 2);
    month += ':';
    AppendSignedDecimal(month, t % 3600 / 60, 2);
    return true;
}

void FormatCountdown(int32_t seconds, std::string& text) {
    text.assign("強制切断まで ");
    AppendSignedDecimal(text, seconds, 2);
    text.append(" 秒");
}

std::string FormatCountdown(int32_t seconds) {
    std::string text;
    FormatCountdown(seconds, text);
    return text;
}
