// The tray tip cut to its 64 bytes.
#include "ui/tray_tip.h"

#include <cstring>

#include "base/cp932.h"

void CopyTrayTip(char* field, const std::string& text) {
    size_t n = 0;
    while (n < text.size()) {
        size_t width = Cp932CharLength(text, n);
        if (n + width > kTrayTipBytes - 1) break;
        n += width;
    }
    // A zero byte inside the text ends the tip there, as the shell reads it.
    n = strnlen(text.c_str(), n);
    std::memset(field, 0, kTrayTipBytes);
    std::memcpy(field, text.data(), n);
}
