// The tray icon's tip. The icon is handed to the shell in NOTIFYICONDATA's first form (88
// bytes, 104 in a 64-bit program), whose tip field holds 64 bytes with the terminator: a longer
// tip is cut to fit, between two characters of code page 932.
#pragma once

#include <cstddef>
#include <string>

constexpr size_t kTrayTipBytes = 64;

// Copies as much of `text` as fits into the first kTrayTipBytes bytes of `field`, always
// terminated, and zeroes the rest of those bytes.
void CopyTrayTip(char* field, const std::string& text);
