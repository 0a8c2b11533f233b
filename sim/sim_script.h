// The simulator's script (format version 1): one command a line, read while the service
// runs. Lines without "at" run when read; "at T COMMAND" runs once the script clock reaches T.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/ras_sim.h"

namespace sim {

// Splits a script line into words: blanks separate, double quotes group (with escaped quotes
// and backslashes inside). `keyed[i]` is the length of the key when word i is key=value with the '=' outside
// quotes, else 0.
bool SplitWords(const std::string& line, std::vector<std::string>* words, std::vector<size_t>* keyed,
                std::string* error);

// Runs one command (without "at") on the simulator. False with `error` when the line is bad.
bool RunCommand(RasSim& sim, const std::vector<std::string>& words, const std::vector<size_t>& keyed,
                std::string* error);

class ScriptRunner {
public:
    ScriptRunner(RasSim& sim, std::string path);
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
    long offset_ = 0;
    std::string partial_;
    int lineNumber_ = 0;
    std::vector<Timed> pending_;
};

}  // namespace sim
