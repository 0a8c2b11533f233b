// Shared helpers for the unit tests (native, and the Windows build under Wine): a clean
// process-wide state per test, a prompt that records, a temporary folder, time zones and
// code page conversion.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "base/prompt.h"
#include "sim/ras_sim.h"

namespace test {

// Records every message and answers from a queue (Yes when it runs dry).
class RecordingPrompt final : public Prompt {
public:
    struct Shown {
        std::string text;
        unsigned style;
    };
    int Show(const std::string& text, unsigned style) override;
    std::vector<Shown> shown;
    std::vector<int> answers;
};

// A fresh folder under the system's temporary folder, removed with its files at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }  // ends without a separator
    std::string Read(const std::string& name) const;
    void Write(const std::string& name, const std::string& contents) const;
    bool Exists(const std::string& name) const;

private:
    std::string path_;
};

// Another program holding a file of the folder open, as a spreadsheet does (it lets others
// read, not write) or sharing nothing, until released: Windows share modes, or on a POSIX host
// the advisory locks the host's log files model them with.
class HeldFile {
public:
    HeldFile(const TempDir& dir, const std::string& name, bool othersMayRead);
    ~HeldFile() { Release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool held() const;
    void Release();

private:
    intptr_t handle_;
};

// Sets TZ (POSIX form) for the life of the object. On Windows msvcrt reads only the zone's
// names and offsets, and a TZ that was not set at the start is not unset again.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz);
    ~ScopedTimeZone();

private:
    std::string old_;
    bool hadOld_;
};

// Local time in the current zone, as seconds since 1970 (from fields normalised as mktime
// does), and back to calendar fields (zero when the C library cannot give them), straight
// from the C library and 64 bits wide in every build.
int64_t Local(int year, int month, int day, int hour, int minute, int second);
int64_t Local(std::tm fields);
std::tm LocalFields(int64_t t);

// UTF-8 <-> code page 932, for texts written as UTF-8 in the tests.
std::string Cp932(const std::string& utf8);
sim::TextCodec Cp932Codec();

// Resets Settings to its defaults, the connection table, the entry list, TickTime and every
// port to a fresh simulator, a recording prompt and the real files.
class CoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ScopedTimeZone tz_{"JST-9"};
    sim::RasSim ras_{[] { return 0.0; }};
    RecordingPrompt prompt_;
};

}  // namespace test
