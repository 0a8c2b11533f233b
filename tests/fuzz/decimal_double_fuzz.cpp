// Our decimal-to-double conversion against the C library's strtod, bit for bit: the digits and
// the power the log reader hands over, and the same number written out as text for strtod.
//
// Input: a flag byte (bit 0 negative, bit 1 any power, else one near the exact powers of ten),
// a power byte (two with bit 1), then one digit per byte (its value modulo 10), at most as many
// as the conversion keeps.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/decimal_double.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const bool negative = data[0] & 1;
    const bool anyPower = data[0] & 2;
    int64_t power;
    if (anyPower) {
        power = static_cast<int16_t>(data[1] | data[2] << 8);
        data += 3;
        size -= 3;
    } else {
        power = data[1] % 76 - 30;
        data += 2;
        size -= 2;
    }
    if (size > kMaxDecimalDigits) size = kMaxDecimalDigits;
    std::string digits(size, '0');
    for (size_t i = 0; i < size; ++i) digits[i] = static_cast<char>('0' + data[i] % 10);

    // The digits as an integer times a power of ten: not the form the conversion gives strtod.
    std::string text = negative ? "-" : "";
    text += digits.empty() ? "0" : digits;
    text += "e" + std::to_string(power - static_cast<int64_t>(size));
    const double expected = std::strtod(text.c_str(), nullptr);
    const double value = DecimalToDouble(digits.data(), digits.size(), power, negative);
    FUZZ_CHECK(std::memcmp(&value, &expected, sizeof value) == 0);
    return 0;
}
