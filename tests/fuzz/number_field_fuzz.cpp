// The unsigned number of the settings dialog against a plain model of the rule: of the first
// 31 characters, blanks and tabs may lead; a minus sign there fails; an optional plus sign and
// decimal digits follow, a number beyond 4294967295 giving 4294967295; 0 counts only when the
// first character after the blanks is the digit 0; only blanks and tabs may follow.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "framework/number_field.h"
#include "fuzz_check.h"

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }
bool Digit(char c) { return c >= '0' && c <= '9'; }

// The rule, walked with positions into the text rather than a running number.
bool Model(const std::string& typed, uint32_t* value) {
    std::string t = typed.size() > 31 ? typed.substr(0, 31) : typed;
    size_t first = t.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    if (t[first] == '-') return false;
    size_t digits = first + (t[first] == '+' ? 1 : 0);
    size_t end = digits;
    while (end < t.size() && Digit(t[end])) ++end;
    for (size_t i = end; i < t.size(); ++i)
        if (!Blank(t[i])) return false;
    std::string number = t.substr(digits, end - digits);
    number.erase(0, number.find_first_not_of('0'));  // all zeros: empty
    if (number.empty() && t[first] != '0') return false;
    if (number.size() > 10 || (number.size() == 10 && number > "4294967295"))
        *value = 4294967295u;
    else
        *value = number.empty() ? 0 : static_cast<uint32_t>(std::stoul(number));
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The literals must be code page 932 bytes in this build too: "\x90\xB3" is the first character.
    if (std::strncmp(kEnterPositiveInteger, "\x90\xB3\x82\xCC", 4) != 0) {
        std::fprintf(stderr, "the program text is not code page 932 in the fuzz build\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    uint32_t got = 0xDEADBEEF;
    uint32_t expected = 0;
    bool ok = ParseUnsignedField(text, &got);
    FUZZ_CHECK(ok == Model(text, &expected));
    if (!ok) {
        FUZZ_CHECK(got == 0xDEADBEEF);  // left alone
        return 0;
    }
    FUZZ_CHECK(got == expected);
    uint32_t back = 0;
    FUZZ_CHECK(ParseUnsignedField(FormatUnsignedField(got), &back) && back == got);
    return 0;
}
