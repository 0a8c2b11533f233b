// Details the Windows shell relies on, decided here: the error mode keeps what the process
// inherited, and the tray tip stays within the 64 bytes of the icon's 88-byte structure.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/error_mode.h"
#include "test_support.h"
#include "ui/tray_tip.h"

namespace {

TEST(ErrorMode, AddsItsTwoFlagsToTheInheritedOnes) {
    const struct {
        uint32_t inherited;
        uint32_t expected;
    } cases[] = {
        {0, 0x8001},
        {0x0002, 0x8003},  // no fault box, as a debugger or a launcher may have chosen
        {0x0004, 0x8005},  // no alignment fault fix-up
        {0x8001, 0x8001},  // already quiet: unchanged
        {0xFFFFFFFF, 0xFFFFFFFF},
    };
    for (const auto& c : cases) EXPECT_EQ(QuietErrorMode(c.inherited), c.expected) << c.inherited;
}

TEST(TrayTip, CutToSixtyFourBytesBetweenCharacters) {
    const std::string a = test::Cp932(u8"あ");  // two bytes
    const struct {
        const char* what;
        std::string text;
        std::string expected;
    } cases[] = {
        {"the program's tip", "Tolvane", "Tolvane"},
        {"63 bytes fit", std::string(63, 't'), std::string(63, 't')},
        {"64 bytes do not", std::string(64, 't'), std::string(63, 't')},
        {"a double-byte character across the end", std::string(62, 't') + a, std::string(62, 't')},
        {"one that just fits", std::string(61, 't') + a, std::string(61, 't') + a},
        {"empty", "", ""},
        {"a zero byte ends it", std::string("ab\0cd", 5), "ab"},
    };
    for (const auto& c : cases) {
        char field[128];
        std::memset(field, 'x', sizeof field);
        CopyTrayTip(field, c.text);
        EXPECT_EQ(std::string(field), c.expected) << c.what;
        for (size_t i = c.expected.size(); i < kTrayTipBytes; ++i) EXPECT_EQ(field[i], 0) << c.what << " at " << i;
        EXPECT_EQ(field[kTrayTipBytes], 'x') << c.what;  // nothing written past the 64 bytes
    }
}

}  // namespace
