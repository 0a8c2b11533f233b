// The monthly log's files: a session's line appended, the month's total read back, and the lines
// that wait for a file held elsewhere. The format itself is log_format's.
#include "monitor/usage_log.h"

#include <cstring>
#include <vector>

#include "base/cp932.h"
#include "base/decimal.h"
#include "base/exe_folder.h"
#include "base/prompt.h"
#include "base/settings.h"
#include "monitor/log_files.h"
#include "monitor/log_format.h"
#include "monitor/tick_time.h"

namespace {

std::vector<std::string>& WaitingErrors() {
    static std::vector<std::string> waiting;
    return waiting;
}

// The message waits for the tick to show it; one already waiting is not repeated.
void ReportFileError(const char* format, const std::string& path) {
    size_t at = 0;  // of "%s"; no trail byte of code page 932 is a '%'
    while (format[at] != '%' || format[at + 1] != 's') ++at;
    std::string text(format, at);
    text += path;
    text += format + at + 2;
    std::vector<std::string>& waiting = WaitingErrors();
    if (waiting.size() >= kMaxWaitingLogErrors) return;
    for (const std::string& w : waiting)
        if (w == text) return;
    waiting.push_back(std::move(text));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class ScannerSink final : public ByteSink {
public:
    void Take(const char* data, size_t size) override { scanner.Feed(data, size); }
    MonthTotalScanner scanner;
};

class TextSink final : public ByteSink {
public:
    void Take(const char* data, size_t size) override { text.append(data, size); }
    std::string text;
};

const char kReadFailed[] = "ﾛｸﾞﾌｧｲﾙ %s の読み込みに失敗しました。";
const char kWriteFailed[] = "ﾛｸﾞﾌｧｲﾙ %s への書き込みに失敗しました。\n記録は保持し、書き込めるようになりしだい追加します。";

// Waiting lines are tried again this often: a file held open elsewhere costs one failed open
// per file every few seconds.
constexpr int64_t kRetrySeconds = 2;
// Lines named in the box at the end, at most; the rest are counted.
constexpr size_t kListedLines = 10;

// The lines that wait for their file, each "path TAB line" (see UnwrittenLines).
struct Unwritten {
    std::vector<std::string> lines;
    std::string keepingFile;
    bool chosen = false;   // keepingFile was chosen rather than the platform's
    bool loaded = false;
    bool keeping = true;   // false when the keeping file failed to read: it is left as it is
    bool kept = false;     // the keeping file holds lines
    bool dirty = false;    // the lines changed since they were last kept
    bool retried = false;
    int64_t lastRetry = 0;
    size_t fresh = 0;      // lines taken up from the keeping file and not yet tried
};

Unwritten& RawUnwritten() {
    static Unwritten unwritten;
    return unwritten;
}

size_t PathEnd(const std::string& entry) { return entry.find('\t'); }
bool IsOf(const std::string& entry, const std::string& path) {
    return entry.size() > path.size() && entry[path.size()] == '\t' && std::memcmp(entry.data(), path.data(), path.size()) == 0;
}
bool Unread(const std::string& entry) { return entry[PathEnd(entry) + 1] == '?'; }

bool WaitsBefore(const Unwritten& u, size_t index, const std::string& path) {
    for (size_t i = 0; i < index; ++i)
        if (IsOf(u.lines[i], path)) return true;
    return false;
}

// The line of an entry. One whose month was unread, "?start,seconds,unit" (the start time's
// upper and lower 32 bits first), gets its fourth column after `monthTotal`.
std::string LineOf(const std::string& entry, uint32_t monthTotal) {
    const char* p = entry.c_str() + PathEnd(entry) + 1;
    if (*p != '?') return p;
    uint32_t n[4] = {};
    for (uint32_t& number : n)  // past the '?' or ',' before it; never past the end
        for (p += *p != '\0'; IsDigit(*p); ++p) number = number * 10 + static_cast<uint32_t>(*p - '0');
    return FormatSessionLine(static_cast<int64_t>(uint64_t{n[0]} << 32 | n[1]), n[2], monthTotal,
                             static_cast<int32_t>(n[3]));
}

// The keeping file follows the waiting lines. It is left alone while nothing was kept and
// nothing waits, so that a line written at once costs nothing more.
void Keep(Unwritten& u) {
    if (!u.dirty) return;
    u.dirty = false;
    if (!u.keeping || u.keepingFile.empty() || (u.lines.empty() && !u.kept)) return;
    std::string all;
    for (const std::string& entry : u.lines) all += entry;
    if (Files().Replace(u.keepingFile, all) == FileResult::kOk) u.kept = !all.empty();
}

// The lines an earlier run kept, taken up before any of this run's. A keeping file that fails
// while it is read is left for a later start rather than overwritten; one that does not open
// counts as missing, as does its folder before a line was ever kept.
Unwritten& UnwrittenLinesNow() {
    Unwritten& u = RawUnwritten();
    if (u.loaded) return u;
    u.loaded = true;
    if (!u.chosen) u.keepingFile = PlatformKeepingFile();
    if (u.keepingFile.empty()) return u;
    TextSink sink;
    u.keeping = Files().Read(u.keepingFile, sink) != FileResult::kIoError;
    for (size_t from = 0, end; (end = sink.text.find("\r\n", from)) != std::string::npos; from = end + 2) {
        std::string entry = sink.text.substr(from, end + 2 - from);
        if (PathEnd(entry) + 1 > 1) u.lines.push_back(std::move(entry));  // a path, a tab, a line
    }
    u.kept = !u.lines.empty();
    u.fresh = u.lines.size();
    return u;
}

// The month's total of the log at `path` as it will read back once the lines waiting for it
// are in it. A waiting line whose month was unread takes the total before it.
FileResult MonthTotalOf(Unwritten& u, const std::string& path, uint32_t* total) {
    ScannerSink sink;
    FileResult result = Files().Read(path, sink);
    if (result == FileResult::kMissing) result = FileResult::kOk;  // no log yet: a month of 0
    if (result != FileResult::kOk) return result;
    for (std::string& entry : u.lines) {
        if (!IsOf(entry, path)) continue;
        if (Unread(entry)) {
            std::string line = LineOf(entry, sink.scanner.Total());
            entry.resize(path.size() + 1);
            entry += line;
            u.dirty = true;
        }
        sink.Take(entry.data() + path.size() + 1, entry.size() - path.size() - 1);
    }
    Keep(u);
    *total = sink.scanner.Total();
    return result;
}

// Writes the waiting lines in order, each file's up to its first that fails. The user hears of
// a file that fails at one of the `fresh` lines at the end of the list, when none of its
// lines waited before: once per file, until its lines were all written.
void WriteWaiting(Unwritten& u, size_t fresh) {
    fresh += u.fresh;
    u.fresh = 0;
    for (size_t i = 0; i < u.lines.size();) {
        std::string path = u.lines[i].substr(0, PathEnd(u.lines[i]));
        bool isFresh = i + fresh >= u.lines.size();
        uint32_t total;
        if (WaitsBefore(u, i, path)) {
            ++i;  // behind a line of its file that could not be written
        } else if ((!Unread(u.lines[i]) || MonthTotalOf(u, path, &total) == FileResult::kOk) &&
                   Files().Append(path, LineOf(u.lines[i], 0)) == FileResult::kOk) {
            u.lines.erase(u.lines.begin() + static_cast<std::ptrdiff_t>(i));
            fresh -= isFresh;
            u.dirty = true;
        } else {
            if (isFresh) ReportFileError(kWriteFailed, path);
            ++i;
        }
    }
    Keep(u);
}

// The box at the end: the waiting lines with their files; the fourth column of a line whose
// month could not be read is "?".
std::string UnwrittenText(const Unwritten& u) {
    std::string text = "次の接続の記録を、ﾛｸﾞﾌｧｲﾙに書き込めませんでした。\n";
    for (size_t i = 0; i < u.lines.size() && i < kListedLines; ++i) {
        std::string line = LineOf(u.lines[i], 0);
        if (Unread(u.lines[i])) {
            line.resize(line.rfind(',') + 1);
            line += "?\r\n";
        }
        text += "\n";
        text.append(u.lines[i], 0, PathEnd(u.lines[i]));
        text += "\n";
        text += line;
    }
    if (u.lines.size() > kListedLines) {
        text += "\nほか ";
        AppendDecimal(text, static_cast<uint32_t>(u.lines.size() - kListedLines));
        text += " 行\n";
    }
    text += "\n再試行すると、もう一度書き込みます。ｷｬﾝｾﾙしても記録は保持し、書き込めるようになりしだい"
            "（次回の起動後も）追加します。";
    return text;
}

// From the session's log, with the lines waiting for it; a failure leaves the month unread.
LogResult ReadMonth(ConnectionRecord& record, const std::string& path, bool report) {
    uint32_t total = 0;
    FileResult result = MonthTotalOf(UnwrittenLinesNow(), path, &total);
    record.monthUnread = result != FileResult::kOk;
    if (result == FileResult::kOk) {
        record.monthTotal = total;
        return LogResult::kOk;
    }
    if (result == FileResult::kNotOpened) return LogResult::kNotOpened;
    if (report) ReportFileError(kReadFailed, path);
    return LogResult::kFailed;
}

}  // namespace

std::string MakeLogPath(ConnectionRecord& record) {
    std::string path = LogFolderPrefix(Settings.LogPath.empty() ? exeFolder : Settings.LogPath);
    path += LogFileName(record.rasConn.szEntryName, BillingMonthOf(record.startTime, Settings.DateOffset));
    record.logPath = path;
    return path;
}

bool TakeLogError(std::string* text) {
    std::vector<std::string>& waiting = WaitingErrors();
    if (waiting.empty()) return false;
    *text = std::move(waiting.front());
    waiting.erase(waiting.begin());
    return true;
}

LogResult ReadMonthlyTotal(ConnectionRecord& record) { return ReadMonth(record, MakeLogPath(record), true); }

LogResult RereadMonthlyTotal(ConnectionRecord& record) { return ReadMonth(record, record.logPath, false); }

LogResult AppendSessionRecord(ConnectionRecord& record) {
    uint32_t seconds = record.elapsed;
    // Cleared before anything can fail, and also for a session that cannot be logged, so that
    // a record that stopped counting is never seen as still counting.
    record.elapsed = 0;
    if (seconds == 0 || record.rasConn.szEntryName[0] == '\0') return LogResult::kOk;

    std::string path = record.logPath.empty() ? MakeLogPath(record) : record.logPath;
    // Once more before the line: its fourth column carries on from the month in the log.
    if (record.monthUnread) ReadMonth(record, path, false);
    std::string entry = path;
    entry += "\t";
    if (record.monthUnread) {
        entry += "?";
        AppendDecimal(entry, static_cast<uint32_t>(static_cast<uint64_t>(record.startTime) >> 32));
        entry += ",";
        AppendDecimal(entry, static_cast<uint32_t>(record.startTime));
        entry += ",";
        AppendDecimal(entry, seconds);
        entry += ",";
        AppendDecimal(entry, static_cast<uint32_t>(Settings.TimeUnit));
        entry += "\r\n";
    } else {
        entry += FormatSessionLine(record.startTime, seconds, record.monthTotal, Settings.TimeUnit);
    }
    Unwritten& u = UnwrittenLinesNow();
    u.lines.push_back(std::move(entry));
    u.dirty = true;
    WriteWaiting(u, 1);
    return WaitsBefore(u, u.lines.size(), path) ? LogResult::kWaiting : LogResult::kOk;
}

bool RetryLogFiles() {
    Unwritten& u = UnwrittenLinesNow();
    // A clock set back retries at once.
    if (u.retried && TickTime >= u.lastRetry && TickTime - u.lastRetry < kRetrySeconds) return false;
    u.retried = true;
    u.lastRetry = TickTime;
    WriteWaiting(u, 0);
    return true;
}

void SettleUnwrittenLines(bool silent) {
    Unwritten& u = UnwrittenLinesNow();
    WriteWaiting(u, 0);
    while (!silent && !u.lines.empty() &&
           Prompts().Show(UnwrittenText(u), kMbRetryCancel | kMbIconExclamation) == kIdRetry)
        WriteWaiting(u, 0);
}

const std::vector<std::string>& UnwrittenLines() { return UnwrittenLinesNow().lines; }

void ResetUnwrittenLines(const std::string& keepingFile) {
    Unwritten& u = RawUnwritten();
    u = Unwritten();
    u.keepingFile = keepingFile;
    u.chosen = true;
}
