// What the tick decides for the window: the display mode, the caption when nothing else is
// chosen, and the three changing texts with their formats. The window's models in ui/ take
// them from here.
#pragma once

#include <cstdint>
#include <string>

// DisplayMode values.
constexpr int32_t kModeNormal = 0;
constexpr int32_t kModeWarning = 1;
constexpr int32_t kModeForcedCountdown = 2;
constexpr int32_t kModeFixedCountdown = 3;

extern const char kAppTitle[];  // the caption when nothing else is chosen

// The window's three changing texts, at their initial values.
struct MonitorTexts {
    std::string sessionTime = "00:00:00";              // control 1003
    std::string monthTotal = "00:00";                  // control 1004
    std::string countdown = "強制切断まで 00 秒";      // control 1013
};

// Session time "hh:mm:ss" of `elapsed`, and the month total "hh:mm" of `monthTotal` plus
// `elapsed`, rounded up to the minute. Hours grow past two digits. Both 0: the texts stay as
// they are and the result is false.
bool ShowTimes(uint32_t elapsed, uint32_t monthTotal, MonitorTexts& texts);

// "強制切断まで NN 秒", into `text` (which keeps its room) or as a new string.
void FormatCountdown(int32_t seconds, std::string& text);
std::string FormatCountdown(int32_t seconds);
