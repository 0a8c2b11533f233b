// Decimal digits to the nearest double, for the numbers the program reads back from its logs:
// exact by one rounded operation where the digits and the power of ten are exact doubles (every
// value the program writes, every short decimal), by the system's C library otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

// Significant digits read; later ones are dropped. A reader that drops a digit other than 0
// hands one more digit, a '1', in their place: no tie between two doubles has more than
// kMaxDecimalDigits digits, so that digit rounds as all the dropped ones would.
constexpr size_t kMaxDecimalDigits = 800;

// The double nearest to ±0.DDD… × 10^power, where `digits` holds `count` characters '0' to '9'
// (DDD…; at most kMaxDecimalDigits + 1), rounded to nearest, ties to even; 0 digits give ±0, and values past the double range
// infinity or 0, as the C library's strtod gives them.
double DecimalToDouble(const char* digits, size_t count, int64_t power, bool negative);
