// Reading the month's total back from a log of any bytes: NULs, no CR, huge lines, numbers
// of every form. Whatever the reader makes of a line, the total is a maximum over lines, so
// it never falls when a line is appended, and text after the last CR is no line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "monitor/log_format.h"

namespace {

// A line as the program writes it, whose fourth column every reader takes as it stands.
std::string ProgramLine(uint32_t minutes) {
    return "\"2001/01/03\",\"09:05:07\",125," + std::to_string(minutes) + "\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const uint32_t total = ParseMonthlyTotal(text);

    // Fed a byte at a time, no line is whole in a piece: every byte goes through the steps,
    // which the quick reading of whole lines must agree with.
    MonthTotalScanner steps;
    for (size_t i = 0; i < size; ++i) steps.Feed(text.data() + i, 1);
    FUZZ_CHECK(steps.Total() == total);

    size_t lastCr = text.rfind('\r');
    const std::string lines = lastCr == std::string::npos ? std::string() : text.substr(0, lastCr + 1);
    FUZZ_CHECK(ParseMonthlyTotal(lines) == total);

    // Every prefix that ends with a line is a log before lines were appended to it.
    for (size_t cr : {text.find('\r'), lastCr == std::string::npos ? lastCr : text.rfind('\r', lastCr / 2)}) {
        if (cr == std::string::npos) continue;
        FUZZ_CHECK(ParseMonthlyTotal(text.substr(0, cr + 1)) <= total);
    }

    // A program line appended to the log: the total is the larger of the two.
    uint32_t minutes = 0;
    for (size_t i = 0; i < size && i < 8; ++i) minutes = minutes * 31 + data[i];
    minutes %= 35000000;  // times 60 stays within a signed 32-bit number
    FUZZ_CHECK(ParseMonthlyTotal(lines + ProgramLine(minutes)) == (total > minutes * 60 ? total : minutes * 60));
    // The same after lines that end in LF only, which are no lines of their own.
    FUZZ_CHECK(ParseMonthlyTotal(lines + "\n\n" + ProgramLine(minutes)) >= minutes * 60);
    return 0;
}
