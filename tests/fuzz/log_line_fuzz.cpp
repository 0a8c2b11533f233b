// The usage viewer's line reader over any bytes: cut into pieces anywhere it reads as it reads
// whole; every line it takes for a session is one Tolvane writes so from its fields; every
// other line is counted; and its month total is Tolvane's.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

#include "fuzz_check.h"
#include "monitor/log_format.h"
#include "viewer/log_reader.h"

namespace {

FileReading ReadInPieces(const std::string& text, size_t cut1, size_t cut2) {
    FileReading r;
    LogLineReader reader(DayNumber(2001, 1, 1), &r);
    reader.Take(text.data(), cut1);
    reader.Take(text.data() + cut1, cut2 - cut1);
    reader.Take(text.data() + cut2, text.size() - cut2);
    reader.Finish(true);
    return r;
}

bool Same(const FileReading& a, const FileReading& b) {
    if (a.sessionCount != b.sessionCount || a.seconds != b.seconds || a.badLines != b.badLines ||
        a.firstBadLine != b.firstBadLine || a.columnTotal != b.columnTotal || a.otherDaySeconds != b.otherDaySeconds ||
        a.sessions.size() != b.sessions.size() || a.bytes != b.bytes)
        return false;
    for (int i = 0; i < kUnitKinds; ++i)
        if (a.units[i] != b.units[i]) return false;
    for (int i = 0; i < kMaxMonthDays; ++i)
        if (a.daySeconds[i] != b.daySeconds[i]) return false;
    for (size_t i = 0; i < a.sessions.size(); ++i)
        if (std::memcmp(&a.sessions[i], &b.sessions[i], sizeof a.sessions[i]) != 0) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const FileReading whole = ReadInPieces(text, size, size);
    size_t cut1 = size ? data[0] * size / 256 : 0;
    size_t cut2 = size > 1 ? cut1 + data[1] * (size - cut1) / 256 : cut1;
    FUZZ_CHECK(Same(whole, ReadInPieces(text, cut1, cut2)));
    FUZZ_CHECK(whole.columnTotal == ParseMonthlyTotal(text));

    // Line by line: a session exactly when FormatLine writes the line so.
    uint64_t lines = 0, sessions = 0;
    for (size_t from = 0; from < size;) {
        size_t lf = text.find('\n', from);
        size_t end = lf == std::string::npos ? size : lf;
        ++lines;
        LogLine line;
        if (lf != std::string::npos && end > from && text[end - 1] == '\r' &&
            ParseLogLine(text.data() + from, end - 1 - from, &line)) {
            ++sessions;
            std::tm t{};
            t.tm_year = line.year - 1900;
            t.tm_mon = line.month - 1;
            t.tm_mday = line.day;
            t.tm_hour = line.hour;
            t.tm_min = line.minute;
            t.tm_sec = line.second;
            FUZZ_CHECK(FormatLine(t, line.seconds, line.value, line.hundredths < 0 ? 0 : line.hundredths) ==
                       text.substr(from, end + 1 - from));
        }
        from = end + 1;
    }
    FUZZ_CHECK(whole.sessionCount == sessions);
    FUZZ_CHECK(whole.badLines == lines - sessions);
    return 0;
}
