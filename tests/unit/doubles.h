// Stand-ins for the core's ports that tests and benchmarks share: files that never open or
// that fail once open, a clock that says what it is told, and a window and sound that do
// nothing. Free of the test framework, so the benchmarks take them too.
#pragma once

#include <cstdint>
#include <string>

#include "monitor/log_files.h"
#include "monitor/monitor_tick.h"
#include "monitor/sound.h"
#include "monitor/tick_time.h"

namespace test {

// Every log is missing and what is written to one vanishes: sessions that are not about
// logs write nothing.
class NoFiles final : public LogFiles {
public:
    FileResult Read(const std::string&, ByteSink&) override { return FileResult::kMissing; }
    FileResult Append(const std::string&, const std::string&) override { return FileResult::kOk; }
};

// Every log opens and then fails, as on a full disk: the user is told and the tick abandoned.
class FailingFiles final : public LogFiles {
public:
    FileResult Read(const std::string&, ByteSink&) override { return FileResult::kIoError; }
    FileResult Append(const std::string&, const std::string&) override { return FileResult::kIoError; }
};

// Keeps what a read hands over.
class StringSink final : public ByteSink {
public:
    void Take(const char* data, size_t size) override { text.append(data, size); }
    std::string text;
};

class SettableClock final : public Clock {
public:
    int64_t Now() override { return now; }
    int64_t now = 0;
};

class QuietView final : public MonitorView {
public:
    void ShowHideOnChange(bool) override {}
    void UpdateTrayIcon(int) override {}
    void ApplyDisplayMode(int32_t) override {}
    void EnableDisconnect(bool) override {}
    void PushTexts(const MonitorTexts&) override {}
    void SetCaption(const std::string&) override {}
    void CloseAfterTick() override {}
};

class QuietSound final : public Sound {
public:
    void PlayFile(const std::string&) override {}
    void Beep() override {}
};

}  // namespace test
