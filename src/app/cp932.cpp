// Character-wise searches in code page 932 text.
#include "app/cp932.h"

size_t FindLastBackslash(const std::string& s) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < s.size();) {
        if (s[i] == '\\') found = i;
        // A lead byte at the very end has no trail byte; it is then a character of its own.
        i += (IsCp932LeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    }
    return found;
}

bool EndsWithBackslash(const std::string& s) {
    return !s.empty() && FindLastBackslash(s) == s.size() - 1;
}
