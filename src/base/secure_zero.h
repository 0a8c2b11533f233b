// Wiping secrets (passwords) from memory once they have been used. A plain memset of a buffer
// that is never read again is a dead store the compiler may drop; these writes it must keep.
#pragma once

#include <cstddef>
#include <string>

// Sets `size` bytes at `data` to zero.
void SecureZero(void* data, size_t size);

// Zeroes every byte the string holds, its spare capacity included (a longer text it held
// before may still be there), and leaves it empty.
void SecureWipe(std::string& text);

// Zeroes a character field of a record.
template <size_t N>
void SecureWipe(char (&field)[N]) {
    SecureZero(field, N);
}
