// The simulator's script (format version 1): one command a line, read while the service
// runs. Lines without "at" run when read; "at T COMMAND" runs once the script clock reaches T.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "sim/ras_sim.h"

namespace sim {

// Splits a script line into words: blanks separate, double quotes group (with escaped quotes
// and backslashes inside). `keyed[i]` is the length of the key when word i is key=value with the '=' outside
// quotes, else 0.
bool SplitWords(const std::string& line, std::vector<std::string>* words, std::vector<size_t>* keyed,
                std::string* error);

// Runs one command (without "at") on the simulator. The words are the script's UTF-8; names
// and texts go to the simulator in the program's code page. False with `error` (UTF-8) when
// the line is bad.
bool RunCommand(RasSim& sim, const std::vector<std::string>& words, const std::vector<size_t>& keyed,
                std::string* error);

// A path as a Windows program opens it: under Wine a Unix path ("/tmp/x/s.txt") is the same
// file on drive Z: ("Z:\tmp\x\s.txt"). Other paths are returned as they are.
std::string WindowsPath(const std::string& path);

class ScriptRunner {
public:
    // Opens the script for reading in binary mode; the Windows build hands in one that
    // takes the UTF-8 path.
    using Opener = std::function<std::FILE*(const std::string& path)>;
    // The script's length in bytes, or -1 when unknown. Given, it spares opening a script that
    // has not grown: under Wine an open is a round trip to the wineserver, a length is not.
    using Sizer = std::function<long long(const std::string& path)>;

    ScriptRunner(RasSim& sim, std::string path, Opener open = nullptr, Sizer size = nullptr);
    // Takes in the lines appended since the last look and runs the commands that are due.
    void Poll();

private:
    struct Timed {
        double at;
        std::vector<std::string> words;
        std::vector<size_t> keyed;
        int lineNumber;
    };
    void TakeLine(const std::string& line);
    void Report(int lineNumber, const std::string& error);

    RasSim& sim_;
    std::string path_;
    Opener open_;
    Sizer size_;
    long offset_ = 0;
    std::string partial_;
    int lineNumber_ = 0;
    std::vector<Timed> pending_;
};

}  // namespace sim
