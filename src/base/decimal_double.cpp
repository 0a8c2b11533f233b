// Decimal digits to double: the exact fast path, and the system's strtod for what it cannot do.
#include "base/decimal_double.h"

#include <cfloat>
#include <cstdlib>

// The fast path is exact because its one multiplication or division rounds once. Doubles kept
// in the x87 unit's wider registers would be rounded twice (to 64 bits, then to 53), and now
// and then one bit off: the 32-bit builds compute them with SSE2 (cmake/i686-doubles.cmake).
static_assert(FLT_EVAL_METHOD == 0 || FLT_EVAL_METHOD == 1, "doubles must be computed as doubles");

namespace {

// The powers of ten that are exact doubles (5^22 < 2^53), and the integers that are.
const double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                               1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int64_t kMaxExactPower = 22;
constexpr uint64_t kMaxExactInteger = uint64_t{1} << 53;
constexpr size_t kMaxIntegerDigits = 19;  // any 19 digits fit 64 bits

// 0.DDD × 10^400 is infinite and 0.DDD × 10^-400 is 0 whatever the digits, so powers beyond
// are held there: the same result, and an exponent of at most three digits.
constexpr int64_t kPowerLimit = 400;

#ifdef _WIN32
// mingw's <stdlib.h> sends strtod to mingw's own conversion, which comes linked in whole (some
// 22 KiB); msvcrt.dll, which the program imports anyway, has one: called through its import.
extern "C" double(__cdecl* __MINGW_IMP_SYMBOL(strtod))(const char*, char**);
double SystemStrtod(const char* text) { return __MINGW_IMP_SYMBOL(strtod)(text, nullptr); }
#else
double SystemStrtod(const char* text) { return std::strtod(text, nullptr); }
#endif

// The digits as "-0.DDD…e-N", the one form the C library is handed.
double SlowPath(const char* digits, size_t count, int64_t power, bool negative) {
    char text[kMaxDecimalDigits + 17];
    char* p = text;
    if (negative) *p++ = '-';
    *p++ = '0';
    *p++ = '.';
    for (size_t i = 0; i < count; ++i) *p++ = digits[i];
    *p++ = 'e';
    if (power < 0) *p++ = '-';
    int magnitude = static_cast<int>(power < 0 ? -power : power);
    if (magnitude >= 100) *p++ = static_cast<char>('0' + magnitude / 100);
    if (magnitude >= 10) *p++ = static_cast<char>('0' + magnitude / 10 % 10);
    *p++ = static_cast<char>('0' + magnitude % 10);
    *p = '\0';
    return SystemStrtod(text);
}

// m × 10^k with one rounding, when m and 10^k are exact doubles; false when they are not.
// A power past 10^22 is moved into m while m stays exact.
bool FastPath(uint64_t m, int64_t k, double* value) {
    while (k > kMaxExactPower && m <= kMaxExactInteger / 10) {
        m *= 10;
        --k;
    }
    if (m > kMaxExactInteger || k > kMaxExactPower || k < -kMaxExactPower) return false;
    double exact = static_cast<double>(static_cast<int64_t>(m));
    *value = k >= 0 ? exact * kPowersOfTen[k] : exact / kPowersOfTen[-k];
    return true;
}

}  // namespace

double DecimalToDouble(const char* digits, size_t count, int64_t power, bool negative) {
    // Leading zeros carry no digit, trailing ones no value.
    while (count > 0 && digits[0] == '0') {
        ++digits;
        --count;
        if (power > -kPowerLimit) --power;
    }
    while (count > 0 && digits[count - 1] == '0') --count;
    if (count == 0) return negative ? -0.0 : 0.0;
    if (power > kPowerLimit) power = kPowerLimit;
    if (power < -kPowerLimit) power = -kPowerLimit;

    if (count <= kMaxIntegerDigits) {
        uint64_t m = 0;
        for (size_t i = 0; i < count; ++i) m = m * 10 + static_cast<uint64_t>(digits[i] - '0');
        double value;
        if (FastPath(m, power - static_cast<int64_t>(count), &value)) return negative ? -value : value;
    }
    return SlowPath(digits, count <= kMaxDecimalDigits ? count : kMaxDecimalDigits + 1, power, negative);
}
