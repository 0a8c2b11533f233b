// Character-wise searches in code page 932 text.
#include "base/cp932.h"

#include <cstring>

size_t FindLastCharOf(const std::string& s, const char* chars, size_t from) {
    size_t found = std::string::npos;
    for (size_t i = from; i < s.size(); i += Cp932CharLength(s, i)) {
        // Lead bytes are never one of the single-byte characters searched for.
        if (s[i] != '\0' && std::strchr(chars, s[i])) found = i;
    }
    return found;
}

bool EndsWithBackslash(const std::string& s) {
    return !s.empty() && FindLastBackslash(s) == s.size() - 1;
}
