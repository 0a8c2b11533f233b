// Writes through a volatile pointer, then an empty assembler statement that claims to read the
// memory, so that neither the writes nor the buffer can be optimised away.
#include "base/secure_zero.h"

void SecureZero(void* data, size_t size) {
    if (!data) return;
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) p[i] = 0;
#if defined(__GNUC__) || defined(__clang__)
    __asm__ __volatile__("" : : "r"(data) : "memory");
#endif
}

void SecureWipe(std::string& text) {
    // The whole capacity: the bytes past the end may be those of an earlier, longer value.
    text.resize(text.capacity());
    if (!text.empty()) SecureZero(&text[0], text.size());
    text.clear();
}
