// Decimal formatting, against what printf writes for the same conversions.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

#include "base/decimal.h"

namespace {

const int32_t kSigned[] = {0, 1, 5, 9, 10, 59, 99, 100, 999, 1000, 1900, 2001, 9999, 10000, 65535, 1000000000,
                           std::numeric_limits<int32_t>::max(), -1, -5, -9, -10, -99, -100, -12345,
                           std::numeric_limits<int32_t>::min() + 1, std::numeric_limits<int32_t>::min()};
const uint32_t kUnsigned[] = {0, 1, 7, 10, 99, 100, 125, 4095, 86400, 2147483647u, 2147483648u, 4000000000u,
                              std::numeric_limits<uint32_t>::max()};

TEST(Decimal, UnsignedAsPrintfWritesIt) {
    for (int width = 1; width <= 12; ++width) {
        for (uint32_t value : kUnsigned) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "%0*u", width, value);
            std::string text;
            AppendDecimal(text, value, width);
            EXPECT_EQ(text, expected) << value << " width " << width;
        }
    }
}

TEST(Decimal, SignedAsPrintfWritesIt) {
    for (int width = 1; width <= 12; ++width) {
        for (int32_t value : kSigned) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "%0*d", width, value);
            std::string text;
            AppendSignedDecimal(text, value, width);
            EXPECT_EQ(text, expected) << value << " width " << width;
        }
    }
}

TEST(Decimal, AppendsToWhatIsThere) {
    std::string text = "ab";
    AppendDecimal(text, 7, 2);
    text += ':';
    AppendSignedDecimal(text, -3, 3);
    AppendDecimal(text, 42);
    EXPECT_EQ(text, "ab07:-0342");
}

}  // namespace
