// Decimal digits to double: the nearest double, ties to even, in every build, against the
// compiler's own reading of the same number as a literal and against the C library's strtod.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "base/decimal_double.h"

namespace {

uint64_t Bits(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

double Convert(const std::string& digits, int64_t power, bool negative = false) {
    return DecimalToDouble(digits.data(), digits.size(), power, negative);
}

TEST(DecimalDouble, NearestDouble) {
    const double kInfinity = std::numeric_limits<double>::infinity();
    struct Case {
        const char* digits;  // 0.DIGITS × 10^power
        int64_t power;
        double expected;
    } const cases[] = {
        {"35", 0, 0.35},  // the log's 0.35 minutes: 21 s
        {"5208", 2, 52.08},
        {"7158278825", 8, 71582788.25},  // the largest total written, 4294967295 s
        {"00035", 3, 0.35},
        {"3500000", 0, 0.35},
        {"123456789012345", 15, 123456789012345.0},  // 15 and 16 digits, and 17 past 2^53
        {"1234567890123456", 16, 1234567890123456.0},
        {"12345678901234567", 17, 12345678901234567.0},
        {"9007199254740993", 16, 9007199254740993.0},  // 2^53 + 1: the tie goes to even, 2^53
        {"1", 23, 1e22},  // 10^22 is the last exact power, 10^23 is not
        {"1", 24, 1e23},
        {"1", -21, 1e-22},
        {"1", -22, 1e-23},
        {"9", 38, 9e37},  // 10^37 split into an exact 9·10^15 times 10^22
        {"1", 39, 1e38},
        {"360287970189641", 17, 36028797018964100.0},  // halfway between two doubles: down to even
        {"360287970189643", 17, 36028797018964300.0},  // and up to even
        {"1801439850948199", 17, 18014398509481990.0},
        // Rounded twice in the x87 unit's 64-bit mantissa, these come out one bit off.
        {"523859", -2, 0.00523859},
        {"9286322", 28, 9.286322e27},
        {"965912214753", 28, 9.65912214753e27},
        // 1 + 2^-53 exactly is a tie that goes down; a digit more above it goes up.
        {"100000000000000011102230246251565404236316680908203125", 1, 1.0},
        {"1000000000000000111022302462515654042363166809082031251", 1, 1.0000000000000002},
        {"17976931348623157", 309, DBL_MAX},
        {"17976931348623159", 309, kInfinity},
        {"1", 310, kInfinity},
        {"1", 4000000000, kInfinity},
        {"5", -323, 5e-324},  // the smallest subnormal, and below half of it 0
        {"2", -323, 0.0},
        {"1", -4000000000, 0.0},
        {"", 7, 0.0},
        {"0000", 7, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Bits(Convert(c.digits, c.power)), Bits(c.expected)) << "0." << c.digits << "e" << c.power;
        EXPECT_EQ(Bits(Convert(c.digits, c.power, true)), Bits(-c.expected)) << "-0." << c.digits << "e" << c.power;
    }
}

// Every decimal of up to four digits at every power a double's range allows, as strtod reads it.
TEST(DecimalDouble, ShortDecimalsAsStrtodReadsThem) {
    for (int power = -330; power <= 312; ++power) {
        for (int m = 1; m <= 9999; m += (power > -30 && power < 40) ? 1 : 37) {
            const std::string digits = std::to_string(m);
            const std::string text = digits + "e" + std::to_string(power - static_cast<int>(digits.size()));
            ASSERT_EQ(Bits(Convert(digits, power)), Bits(std::strtod(text.c_str(), nullptr))) << text;
        }
    }
}

}  // namespace
