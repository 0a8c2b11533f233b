// Walking code page 932 text by characters. The second byte of a double-byte character can
// be 0x5C, the backslash ("表" is 95 5C), so paths are never searched byte by byte.
#pragma once

#include <cstddef>
#include <string>

inline bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Bytes of the character at `i`: 2 for a lead byte with its trail byte, else 1 (a lead byte
// at the very end has no trail byte and is a character of its own).
inline size_t Cp932CharLength(const std::string& s, size_t i) {
    return IsCp932LeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// Position of the last character at or after `from` that is one of the single-byte `chars`,
// or npos.
size_t FindLastCharOf(const std::string& s, const char* chars, size_t from = 0);

// Position of the last character of `s` that is a backslash, or npos.
inline size_t FindLastBackslash(const std::string& s) { return FindLastCharOf(s, "\\"); }

// True when the last character of `s` is a backslash (not a trail byte that looks like one).
bool EndsWithBackslash(const std::string& s);
