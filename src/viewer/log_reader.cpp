// The viewer's reading: lines split at LF, each checked against Tolvane's format, the month's
// total read as Tolvane reads it, and files taken a step at a time.
#include "viewer/log_reader.h"

#include <cstring>
#include <utility>


LogLineReader::LogLineReader(int32_t firstDay, FileReading* reading) : firstDay_(firstDay), reading_(reading) {}

// The scanner takes every byte, except those of a line of Tolvane's own form that begins
// where the scanner stands at a line's beginning: it takes the line's fourth column instead.
void LogLineReader::Take(const char* data, size_t size) {
    reading_->bytes += size;
    const char* p = data;
    const char* end = data + size;
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!lf) {
            // A line over pieces is gathered, up to what a line of Tolvane's can be.
            size_t n = static_cast<size_t>(end - p);
            if (!overlong_ && n <= sizeof held_ - heldLength_) {
                std::memcpy(held_ + heldLength_, p, n);
                heldLength_ += n;
            } else {
                overlong_ = true;
            }
            scanner_.Feed(p, n);
            return;
        }
        const size_t n = static_cast<size_t>(lf - p);
        if (heldLength_ == 0 && !overlong_) {
            if (!Line(p, n, scanner_.AtLineStart())) scanner_.Feed(p, n + 1);
        } else {
            scanner_.Feed(p, n + 1);
            if (!overlong_ && n <= sizeof held_ - heldLength_) {
                std::memcpy(held_ + heldLength_, p, n);
                Line(held_, heldLength_ + n, false);
            } else {
                ++lineNumber_;
                Bad();
            }
            heldLength_ = 0;
            overlong_ = false;
        }
        p = lf + 1;
    }
}

void LogLineReader::Finish(bool fileEnded) {
    if (fileEnded && (heldLength_ > 0 || overlong_)) {
        ++lineNumber_;
        Bad();  // a last line without its line end
    }
    heldLength_ = 0;
    overlong_ = false;
    reading_->columnTotal = scanner_.Total();
}

bool LogLineReader::Line(const char* text, size_t length, bool scannerTakesIt) {
    ++lineNumber_;
    LogLine line;
    if (length == 0 || text[length - 1] != '\r' || !ParseLogLine(text, length - 1, &line)) {
        Bad();
        return false;
    }
    if (scannerTakesIt) scanner_.TakeLine(ColumnMinutes(line));
    LogSession s;
    // A log's lines mostly come a day at a time.
    if (line.year != lastYear_ || line.month != lastMonth_ || line.day != lastDate_) {
        lastYear_ = line.year;
        lastMonth_ = line.month;
        lastDate_ = line.day;
        lastDay_ = DayNumber(line.year, line.month, line.day);
    }
    s.day = lastDay_;
    s.timeOfDay = line.hour * 3600 + line.minute * 60 + line.second;
    s.seconds = line.seconds;
    FileReading& r = *reading_;
    if (r.sessions.size() < kMaxListedSessions) r.sessions.push_back(s);
    ++r.sessionCount;
    r.seconds += s.seconds;
    AddSessionUnits(s.seconds, line.hour, line.minute, r.units);
    int64_t day = int64_t{s.day} - firstDay_;
    if (day >= 0 && day < kMaxMonthDays) {
        r.daySeconds[day] += s.seconds;
    } else {
        r.otherDaySeconds += s.seconds;
    }
    return scannerTakesIt;
}

void LogLineReader::Bad() {
    if (reading_->badLines++ == 0) reading_->firstBadLine = lineNumber_;
}

namespace {

// Counts what a step read, for the progress and for where the next step begins.
class CountingSink final : public ByteSink {
public:
    explicit CountingSink(ByteSink& to) : to_(to) {}
    void Take(const char* data, size_t size) override {
        bytes += size;
        to_.Take(data, size);
    }
    uint64_t bytes = 0;

private:
    ByteSink& to_;
};

}  // namespace

FolderReader::FolderReader(std::vector<ReadJob> jobs) : jobs_(std::move(jobs)), readings_(jobs_.size()) {
    for (const ReadJob& job : jobs_) bytesToRead_ += job.size;
}

bool FolderReader::Step() {
    if (current_ >= jobs_.size()) return false;
    if (stop_.load(std::memory_order_relaxed)) {
        for (; current_ < jobs_.size();) {
            readings_[current_].stopped = true;
            if (line_) line_->Finish(false);
            Publish();
        }
        return false;
    }
    if (!line_) {
        line_.reset(new LogLineReader(jobs_[current_].firstDay, &readings_[current_]));
        offset_ = 0;
    }
    CountingSink counted(*line_);
    uint64_t size = 0;
    FileResult result = Files().ReadPart(jobs_[current_].path, offset_, kReadStepBytes, counted, &size);
    offset_ += counted.bytes;
    bytesRead_.fetch_add(counted.bytes, std::memory_order_relaxed);
    if (result != FileResult::kOk || counted.bytes < kReadStepBytes) {
        readings_[current_].result = result;
        line_->Finish(result == FileResult::kOk);
        Publish();
    }
    return current_ < jobs_.size();
}

void FolderReader::Run() {
    while (Step()) {
    }
}

void FolderReader::Publish() {
    line_.reset();
    ++current_;
    done_.store(current_, std::memory_order_release);
}

bool FolderReader::TakeNext(ReadJob* job, FileReading* reading) {
    if (taken_ >= done_.load(std::memory_order_acquire)) return false;
    *job = std::move(jobs_[taken_]);
    *reading = std::move(readings_[taken_]);
    readings_[taken_] = FileReading();
    ++taken_;
    return true;
}
