// Wiping passwords: every byte a buffer or a string held is zero afterwards, the string's
// spare capacity included.
#include <gtest/gtest.h>

#include <string>

#include "base/secure_zero.h"

namespace {

bool AllZero(const char* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i] != 0) return false;
    return true;
}

TEST(SecureZero, BuffersAndFields) {
    char field[16] = "secret";
    field[15] = 'x';
    SecureWipe(field);
    EXPECT_TRUE(AllZero(field, sizeof field));

    char buffer[8] = "abcdefg";
    SecureZero(buffer + 2, 3);
    EXPECT_EQ(std::string(buffer, 8), std::string("ab\0\0\0fg\0", 8));
    SecureZero(nullptr, 4);  // nothing to wipe
}

TEST(SecureZero, StringsLoseEveryByteTheyHeld) {
    struct Case {
        const char* what;
        std::string before;  // held first
        std::string after;   // then assigned, shorter or not
    } cases[] = {
        {"short, in the string itself", "pw", "pw"},
        {"long, on the heap", std::string(100, 'p'), std::string(100, 'p')},
        {"a shorter value over a longer one", std::string(100, 'p'), "ab"},
        {"empty", "", ""},
    };
    for (Case& c : cases) {
        std::string s = c.before;
        s = c.after;
        const char* data = s.data();
        size_t capacity = s.capacity();
        SecureWipe(s);
        EXPECT_TRUE(s.empty()) << c.what;
        // Clearing keeps the buffer, so what it held can still be looked at.
        ASSERT_EQ(s.data(), data) << c.what;
        EXPECT_TRUE(AllZero(data, capacity)) << c.what;
    }
}

}  // namespace
