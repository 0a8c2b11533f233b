// Numbers typed into dialog edits: what is read, what is refused, and the refusal texts.
#include <gtest/gtest.h>

#include "framework/number_field.h"
#include "test_support.h"

namespace {

TEST(NumberField, ReadsTypedText) {
    const std::string blanks30(30, ' ');
    struct Case {
        std::string text;
        bool ok;
        uint32_t value;
    } cases[] = {
        {"7", true, 7},
        {"  7  ", true, 7},
        {"\t7\t ", true, 7},
        {"+7", true, 7},
        {"007", true, 7},
        {"0", true, 0},
        {" \t0 ", true, 0},
        {"000", true, 0},
        {"4294967295", true, 4294967295u},
        {"4294967296", true, 4294967295u},
        {"99999999999", true, 4294967295u},
        {"+99999999999999999999999999", true, 4294967295u},
        {"", false, 0},
        {"   ", false, 0},
        {"abc", false, 0},
        {"-5", false, 0},
        {" -0", false, 0},
        {"+0", false, 0},  // zero counts only when a 0 comes first
        {"+", false, 0},
        {"++7", false, 0},
        {"+-7", false, 0},
        {"7x", false, 0},
        {"7 8", false, 0},
        {"x7", false, 0},
        {"0x1F", false, 0},
        {"5-", false, 0},
        {"7\n", false, 0},
        {"１２", false, 0},  // full-width digits are not digits
        // Only the first 31 characters are read.
        {"7" + blanks30 + "x", true, 7},
        {blanks30 + "78", true, 7},
        {std::string(40, '0') + "5", true, 0},
        {blanks30 + " 5", false, 0},
    };
    for (const Case& c : cases) {
        uint32_t value = 12345;
        EXPECT_EQ(ParseUnsignedField(c.text, &value), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(value, c.ok ? c.value : 12345u) << '"' << c.text << '"';
    }
}

TEST(NumberField, FormatsPlainDecimal) {
    EXPECT_EQ(FormatUnsignedField(0), "0");
    EXPECT_EQ(FormatUnsignedField(40), "40");
    EXPECT_EQ(FormatUnsignedField(4294967295u), "4294967295");
    uint32_t back = 0;
    ASSERT_TRUE(ParseUnsignedField(FormatUnsignedField(4000000000u), &back));
    EXPECT_EQ(back, 4000000000u);
}

TEST(NumberField, MessagesAreCodePage932) {
    EXPECT_EQ(std::string(kEnterPositiveInteger), test::Cp932(u8"正の整数を入力してください。"));
    EXPECT_EQ(std::string(kEnterPositiveInteger).substr(0, 2), "\x90\xB3");  // 正
    EXPECT_EQ(RangeMessage(1, 31), test::Cp932(u8"1 から 31 までの整数を入力してください。"));
    EXPECT_EQ(RangeMessage(0, 4294967295u), test::Cp932(u8"0 から 4294967295 までの整数を入力してください。"));
}

TEST(NumberField, InsertsNumberedArguments) {
    struct Case {
        const char* pattern;
        std::vector<std::string> args;
        const char* result;
    } cases[] = {
        {"%1-%2", {"a", "b"}, "a-b"},
        {"%2%1%2", {"a", "b"}, "bab"},
        {"%1 %3", {"a", "b"}, "a %3"},  // no third argument
        {"100%", {"a"}, "100%"},
        {"%%1", {"a"}, "%a"},
        {"%0%x", {"a"}, "%0%x"},
        {"%1", {"%2", "b"}, "%2"},  // arguments are not scanned again
    };
    for (const Case& c : cases) EXPECT_EQ(InsertArguments(c.pattern, c.args), c.result) << c.pattern;
}

}  // namespace
