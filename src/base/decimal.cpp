// Decimal formatting of 32-bit numbers.
#include "base/decimal.h"

namespace {

void AppendDigits(std::string& out, uint32_t value, int width) {
    char digits[10];  // 4294967295 has ten
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (; width > n; --width) out += '0';
    while (n > 0) out += digits[--n];
}

}  // namespace

void AppendDecimal(std::string& out, uint32_t value, int width) { AppendDigits(out, value, width); }

void AppendSignedDecimal(std::string& out, int32_t value, int width) {
    if (value >= 0) {
        AppendDigits(out, static_cast<uint32_t>(value), width);
        return;
    }
    out += '-';
    // The magnitude taken in unsigned arithmetic, where that of INT32_MIN fits.
    AppendDigits(out, 0u - static_cast<uint32_t>(value), width - 1);
}
