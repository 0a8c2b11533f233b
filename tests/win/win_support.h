// Helpers for the Windows-built tests that run under Wine: a temporary folder, whole files,
// code page conversions, the Unix side of a path, and TZ for the C library.
#pragma once

#include <string>
#include <vector>

namespace wintest {

// A fresh folder under the Windows temporary folder, removed with its files at the end. Its
// name holds Japanese, as a user's folder may. Paths here are UTF-8 unless named Ansi.
class TempFolder {
public:
    explicit TempFolder(const std::string& tag);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }  // without a trailing separator

private:
    std::string path_;
};

std::string ReadWhole(const std::string& path);  // empty when it cannot be read
bool WriteWhole(const std::string& path, const std::string& bytes, bool append = false);

// UTF-8 <-> the ANSI code page, the program's text (932 under LANG=ja_JP.UTF-8).
std::string Ansi(const std::string& utf8);
std::string Utf8(const std::string& ansi);
std::wstring Wide(const std::string& utf8);

// The Unix path of a Windows path under Wine (UTF-8), empty elsewhere.
std::string UnixPath(const std::string& path);

// Splits text into lines, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// Sets TZ for the C library (msvcrt) for the life of the object. The tests run with TZ set
// from the start (ctest gives TZ=JST-9), as the program does in an end-to-end run.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz);
    ~ScopedTimeZone();

private:
    std::string old_;
};

}  // namespace wintest
