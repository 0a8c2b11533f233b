// Reading typed numbers and formatting the messages that refuse them.
#include "framework/number_field.h"

const char kEnterPositiveInteger[] = "正の整数を入力してください。";
const char kEnterIntegerInRange[] = "%1 から %2 までの整数を入力してください。";

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool ParseUnsignedField(const std::string& fullText, uint32_t* value) {
    const std::string text = fullText.substr(0, kNumberFieldChars);
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    const size_t start = i;
    if (i < text.size() && text[i] == '-') return false;
    if (i < text.size() && text[i] == '+') ++i;

    uint64_t number = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        number = number * 10 + static_cast<unsigned>(text[i] - '0');
        if (number > UINT32_MAX) number = UINT32_MAX + uint64_t{1};  // stays above the limit
    }
    if (number == 0 && (start >= text.size() || text[start] != '0')) return false;

    for (; i < text.size(); ++i) {
        if (!IsBlank(text[i])) return false;
    }
    *value = number > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(number);
    return true;
}

std::string FormatUnsignedField(uint32_t value) { return std::to_string(value); }

// "%" is 0x25, which is never the second byte of a code page 932 character, so the pattern
// can be walked byte by byte.
std::string InsertArguments(const std::string& pattern, const std::vector<std::string>& args) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            size_t n = static_cast<size_t>(pattern[i + 1] - '1');
            if (n < args.size()) {
                out += args[n];
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::string RangeMessage(uint32_t low, uint32_t high) {
    return InsertArguments(kEnterIntegerInRange, {FormatUnsignedField(low), FormatUnsignedField(high)});
}
