// Walking code page 932 text by characters. The second byte of a double-byte character can
// be 0x5C, the backslash ("表" is 95 5C), so paths are never searched byte by byte.
#pragma once

#include <cstddef>
#include <string>

inline bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Position of the last character of `s` that is a backslash, or npos.
size_t FindLastBackslash(const std::string& s);

// True when the last character of `s` is a backslash (not a trail byte that looks like one).
bool EndsWithBackslash(const std::string& s);
