// Reading the usage viewer's logs: the lines of one file read piece by piece into its
// sessions, counts and sums, and a reader of many files that goes a step at a time, so that a
// log of any size is read in bounded memory, with progress, and can be stopped.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "monitor/log_files.h"
#include "monitor/log_format.h"
#include "viewer/tariff.h"

// One session of a log, as its line says.
struct LogSession {
    int32_t day = 0;        // DayNumber of its start
    int32_t timeOfDay = 0;  // seconds since local midnight of its start
    uint32_t seconds = 0;   // the third column
};

// Sessions listed per file, at most; the rest still count in the file's sums. A month has
// some hundreds; this many is a log no dial-up line fills.
constexpr size_t kMaxListedSessions = 10000;
constexpr int32_t kMaxMonthDays = 31;

// What a file's read gives.
struct FileReading {
    FileResult result = FileResult::kOk;  // kOk: read to its end (or as far as `stopped`)
    bool stopped = false;  // the read was stopped: what is here is the file's beginning
    uint64_t bytes = 0;    // bytes read
    // The sessions in file order, the first kMaxListedSessions of them.
    std::vector<LogSession> sessions;
    // Every line read as a session, listed or not.
    uint64_t sessionCount = 0;
    uint64_t seconds = 0;
    uint64_t units[kUnitKinds] = {};  // the sessions' units under each unit kind (SessionUnits)
    // Seconds by the day their session began, from the billing month's first day; sessions
    // begun on other days (a file written under another first day, or copied in) apart.
    uint64_t daySeconds[kMaxMonthDays] = {};
    uint64_t otherDaySeconds = 0;
    // The month's total as Tolvane reads it back (MonthTotalScanner, every line of the file).
    uint32_t columnTotal = 0;
    // Lines not in Tolvane's format, and the number of the first (from 1; 0: none).
    uint64_t badLines = 0;
    uint64_t firstBadLine = 0;
};

// Reads lines from the pieces of one file into `reading`. A line ends at LF and is a session
// when it is "text CR LF" with ParseLogLine's text; every other line, an empty one, and a last
// one without LF, is counted bad. A line is held only up to kMaxLogLineBytes, so a file with
// no line end at all takes no more memory. `firstDay` is the DayNumber of the billing month's
// first day.
class LogLineReader final : public ByteSink {
public:
    LogLineReader(int32_t firstDay, FileReading* reading);
    void Take(const char* data, size_t size) override;
    // At the end of the read: `fileEnded` when the file's end was reached, so that a last line
    // without LF counts (a read that was stopped ends in the middle of a line).
    void Finish(bool fileEnded);

private:
    // True when the line was Tolvane's and the scanner took its column from it.
    bool Line(const char* text, size_t length, bool scannerTakesIt);
    void Bad();

    int32_t firstDay_;
    FileReading* reading_;
    MonthTotalScanner scanner_;
    uint64_t lineNumber_ = 0;
    int32_t lastYear_ = 0, lastMonth_ = 0, lastDate_ = 0, lastDay_ = 0;  // the last line's date
    char held_[kMaxLogLineBytes + 2];  // the part of a line that began in an earlier piece
    size_t heldLength_ = 0;
    bool overlong_ = false;  // the held line is past any line of Tolvane's
};

// One file to read.
struct ReadJob {
    std::string path;
    uint64_t size = 0;     // as the folder listed it, for the progress
    int32_t firstDay = 0;  // DayNumber of its billing month's first day
};

// A file is read this much at a time (a few milliseconds): the granularity of the progress
// and of a stop. The buffer is the file port's piece, kReadPieceBytes, however large the file.
constexpr uint64_t kReadStepBytes = 16 * kReadPieceBytes;

// Reads files one step at a time through Files().ReadPart.
//
// Threads: one thread (a worker, or the window's thread from a timer) calls Step or Run; any
// thread may call Stop, BytesRead, BytesToRead and Finished meanwhile. Results are handed over
// with TakeNext, on the thread that owns the model, in the order of the jobs, each as soon as
// its file is done, so the window can show a month while the others are still being read.
class FolderReader {
public:
    explicit FolderReader(std::vector<ReadJob> jobs);
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // Reads the next step; false once every job is done (or, after Stop, given up).
    bool Step();
    // Steps until done or stopped.
    void Run();

    // The read ends at the next step: the file being read is handed over with `stopped` set
    // and what was read of it, the files not begun with `stopped` and nothing read.
    void Stop() { stop_.store(true, std::memory_order_relaxed); }

    // Progress: bytes read of all the jobs' listed sizes (a file that grew meanwhile may take
    // BytesRead past BytesToRead).
    uint64_t BytesRead() const { return bytesRead_.load(std::memory_order_relaxed); }
    uint64_t BytesToRead() const { return bytesToRead_; }
    // Every job is handed over or ready to be.
    bool Finished() const { return done_.load(std::memory_order_acquire) == jobs_.size(); }

    // The next finished job and its reading, moved out; false when none is ready yet.
    bool TakeNext(ReadJob* job, FileReading* reading);

private:
    void Publish();

    std::vector<ReadJob> jobs_;
    std::vector<FileReading> readings_;
    uint64_t bytesToRead_ = 0;
    // The reading thread's own.
    size_t current_ = 0;
    uint64_t offset_ = 0;
    std::unique_ptr<LogLineReader> line_;  // of the file being read
    // Shared.
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> bytesRead_{0};
    std::atomic<size_t> done_{0};
    // The owner's own.
    size_t taken_ = 0;
};
