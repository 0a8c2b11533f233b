// The process's error mode: no critical-error box and no open-file error box from the system,
// so that a file operation on a drive without a medium comes back as an error. The two flags
// are added to the mode the process inherited, which its starter may have chosen for it.
#pragma once

#include <cstdint>

constexpr uint32_t kSemFailCriticalErrors = 0x0001;
constexpr uint32_t kSemNoOpenFileErrorBox = 0x8000;

constexpr uint32_t QuietErrorMode(uint32_t inherited) {
    return inherited | kSemFailCriticalErrors | kSemNoOpenFileErrorBox;
}
