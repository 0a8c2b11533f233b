// Reading and running the simulator's script.
#include "sim/sim_script.h"

#include <cstdio>
#include <cstdlib>

namespace sim {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decimal, or hexadecimal after 0x, and nothing else: no blanks, no sign (strtoull would take
// both and wrap a negative round to a small number), no octal, nothing beyond 32 bits.
bool ParseNumber(const std::string& word, uint32_t* value) {
    bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    size_t i = hex ? 2 : 0;
    if (i >= word.size()) return false;
    uint64_t v = 0;
    for (; i < word.size(); ++i) {
        int digit = hex ? HexDigit(word[i]) : (IsDigit(word[i]) ? word[i] - '0' : -1);
        if (digit < 0) return false;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (v > 0xFFFFFFFFull) return false;
    }
    *value = static_cast<uint32_t>(v);
    return true;
}

// Seconds: decimal digits with an optional fraction ("2", "2.5", "0.25"); no sign, blank,
// exponent, hexadecimal, inf or nan.
bool ParseSeconds(const std::string& word, double* value) {
    size_t i = 0, digits = 0;
    while (i < word.size() && IsDigit(word[i])) ++i, ++digits;
    if (i < word.size() && word[i] == '.') {
        ++i;
        while (i < word.size() && IsDigit(word[i])) ++i, ++digits;
    }
    if (digits == 0 || i != word.size()) return false;
    *value = std::strtod(word.c_str(), nullptr);
    return true;
}

// The key=value options after the positional words of a command.
struct Options {
    std::vector<std::pair<std::string, std::string>> items;
    bool Get(const std::string& key, std::string* value) const {
        for (const auto& item : items)
            if (item.first == key) {
                *value = item.second;
                return true;
            }
        return false;
    }
};

bool TakeOptions(const std::vector<std::string>& words, const std::vector<size_t>& keyed, size_t first,
                 const std::vector<std::string>& allowed, Options* options, std::string* error) {
    for (size_t i = first; i < words.size(); ++i) {
        if (!keyed[i]) {
            *error = "unexpected word " + QuoteValue(words[i]);
            return false;
        }
        std::string key = words[i].substr(0, keyed[i]);
        bool known = false;
        for (const std::string& a : allowed) known = known || a == key;
        if (!known) {
            *error = "unknown option " + key;
            return false;
        }
        options->items.emplace_back(key, words[i].substr(keyed[i] + 1));
    }
    return true;
}

bool Need(const std::vector<std::string>& words, size_t count, std::string* error) {
    if (words.size() >= count) return true;
    *error = "too few words for " + words[0];
    return false;
}

}  // namespace

bool SplitWords(const std::string& line, std::vector<std::string>* words, std::vector<size_t>* keyed,
                std::string* error) {
    words->clear();
    keyed->clear();
    std::string word;
    bool inWord = false, quoted = false;
    size_t key = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                word += line[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (inWord) {
                words->push_back(word);
                keyed->push_back(key);
            }
            word.clear();
            inWord = false;
            key = 0;
            continue;
        }
        inWord = true;
        if (c == '"') {
            quoted = true;
        } else {
            if (c == '=' && key == 0 && !word.empty()) key = word.size();
            word += c;
        }
    }
    if (quoted) {
        *error = "unterminated quotes";
        return false;
    }
    if (inWord) {
        words->push_back(word);
        keyed->push_back(key);
    }
    return true;
}

bool RunCommand(RasSim& sim, const std::vector<std::string>& w, const std::vector<size_t>& keyed,
                std::string* error) {
    const std::string& command = w[0];
    auto ansi = [&sim](const std::string& text) { return sim.ToAnsi(text); };
    uint32_t number = 0;
    Options options;
    std::string value;

    if (command == "version") {
        if (!Need(w, 2, error)) return false;
        if (w[1] != "1") *error = "unknown version " + w[1];
        return w[1] == "1";
    }
    if (command == "entry") {
        if (!Need(w, 2, error) ||
            !TakeOptions(w, keyed, 2, {"area", "number", "user", "password", "domain"}, &options, error))
            return false;
        Entry e;
        e.name = ansi(w[1]);
        options.Get("area", &e.area);
        options.Get("number", &e.number);
        options.Get("user", &e.user);
        options.Get("domain", &e.domain);
        e.hasPassword = options.Get("password", &e.password);
        for (std::string* text : {&e.area, &e.number, &e.user, &e.domain, &e.password}) *text = ansi(*text);
        sim.AddEntry(e);
        return true;
    }
    if (command == "connect") {
        if (!Need(w, 2, error) || !TakeOptions(w, keyed, 2, {"state"}, &options, error)) return false;
        uint32_t state = RASCS_Connected;
        if (options.Get("state", &value) && !ParseNumber(value, &state)) {
            *error = "bad state " + value;
            return false;
        }
        sim.Connect(ansi(w[1]), state);
        return true;
    }
    if (command == "state") {
        if (!Need(w, 3, error)) return false;
        if (!ParseNumber(w[2], &number)) {
            *error = "bad state " + w[2];
            return false;
        }
        if (!sim.SetState(ansi(w[1]), number)) *error = "no connection " + QuoteValue(w[1]);
        return error->empty();
    }
    if (command == "drop") {
        if (!Need(w, 2, error)) return false;
        if (!sim.Drop(ansi(w[1]))) *error = "no connection " + QuoteValue(w[1]);
        return error->empty();
    }
    if (command == "hangup-polls" || command == "dial-hangup-polls") {  // the second an addition
        if (!Need(w, 2, error)) return false;
        int polls = kHangupNever;
        if (w[1] != "never") {
            if (!ParseNumber(w[1], &number) || number > 0x7FFFFFFF) {
                *error = "bad count " + w[1];
                return false;
            }
            polls = static_cast<int>(number);
        }
        if (command == "hangup-polls")
            sim.SetHangupPolls(polls);
        else
            sim.SetDialHangupPolls(polls);
        return true;
    }
    if (command == "dial-steps") {
        if (!Need(w, 2, error)) return false;
        std::vector<RASCONNSTATE> steps;
        size_t start = 0;
        for (;;) {
            size_t comma = w[1].find(',', start);
            std::string step = w[1].substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            if (!ParseNumber(step, &number)) {
                *error = "bad step " + step;
                return false;
            }
            steps.push_back(number);
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        sim.SetDialSteps(steps);
        return true;
    }
    if (command == "dial-interval") {
        if (!Need(w, 2, error)) return false;
        if (!ParseNumber(w[1], &number) || number > 0x7FFFFFFF) {
            *error = "bad interval " + w[1];
            return false;
        }
        sim.SetDialInterval(static_cast<int>(number));
        return true;
    }
    if (command == "dial-error") {
        if (!Need(w, 2, error) || !TakeOptions(w, keyed, 2, {"after"}, &options, error)) return false;
        uint32_t after = 1;
        if (!ParseNumber(w[1], &number) || (options.Get("after", &value) && (!ParseNumber(value, &after) || after == 0 || after > 0x7FFFFFFF))) {
            *error = "bad dial-error";
            return false;
        }
        sim.SetDialError(number, static_cast<int>(after));
        return true;
    }
    if (command == "dial-fail") {
        if (!Need(w, 2, error)) return false;
        if (!ParseNumber(w[1], &number)) {
            *error = "bad code " + w[1];
            return false;
        }
        sim.SetDialFail(number);
        return true;
    }
    if (command == "fail") {
        Op op;
        if (!Need(w, 3, error)) return false;
        if (!ParseOp(w[1], &op)) {
            *error = "unknown operation " + w[1];
            return false;
        }
        if (w[2] == "off") {
            sim.FailOff(op);
            return true;
        }
        uint32_t times = 0;
        if (!ParseNumber(w[2], &number) || !TakeOptions(w, keyed, 3, {"times"}, &options, error) ||
            (options.Get("times", &value) && (!ParseNumber(value, &times) || times > 0x7FFFFFFF))) {
            if (error->empty()) *error = "bad fail";
            return false;
        }
        sim.Fail(op, number, options.items.empty() ? -1 : static_cast<int>(times));
        return true;
    }
    if (command == "error-text") {
        if (!Need(w, 3, error)) return false;
        if (!ParseNumber(w[1], &number)) {
            *error = "bad code " + w[1];
            return false;
        }
        sim.SetErrorText(number, ansi(w[2]));
        return true;
    }
    // Additions to version 1.
    if (command == "dial-listed") {
        if (!Need(w, 2, error)) return false;
        if (w[1] != "on" && w[1] != "off") {
            *error = "bad dial-listed " + w[1];
            return false;
        }
        sim.SetDialListed(w[1] == "on");
        return true;
    }
    if (command == "saved-password-stand-in") {
        if (!Need(w, 2, error)) return false;
        if (w[1] != "on" && w[1] != "off") {
            *error = "bad saved-password-stand-in " + w[1];
            return false;
        }
        sim.SetSavedPasswordStandIn(w[1] == "on");
        return true;
    }
    if (command == "reset") {
        sim.Reset();
        return true;
    }
    if (command == "mark") {
        if (!Need(w, 2, error)) return false;
        sim.Note("mark " + QuoteValue(w[1]));
        return true;
    }
    *error = "unknown command " + command;
    return false;
}

std::string WindowsPath(const std::string& path) {
    bool unixPath = !path.empty() && path[0] == '/' && (path.size() == 1 || path[1] != '/');
    if (!unixPath) return path;
    std::string out = "Z:" + path;
    for (char& c : out)
        if (c == '/') c = '\\';  // '/' never occurs inside a UTF-8 or CP932 character
    return out;
}

ScriptRunner::ScriptRunner(RasSim& sim, std::string path, Opener open, Sizer size)
    : sim_(sim), path_(std::move(path)), open_(std::move(open)), size_(std::move(size)) {
    if (!open_) open_ = [](const std::string& p) { return std::fopen(p.c_str(), "rb"); };
}

void ScriptRunner::Poll() {
    long long length = size_ ? size_(path_) : -1;
    std::FILE* file = length >= 0 && length <= offset_ ? nullptr : open_(path_);
    if (file) {
        if (std::fseek(file, offset_, SEEK_SET) == 0) {
            char buffer[4096];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
                offset_ += static_cast<long>(n);
                partial_.append(buffer, n);
            }
        }
        std::fclose(file);
    }
    // Only whole lines: a line being appended is taken in once its newline is there.
    size_t newline;
    while ((newline = partial_.find('\n')) != std::string::npos) {
        std::string line = partial_.substr(0, newline);
        partial_.erase(0, newline + 1);
        TakeLine(line);
    }

    double now = sim_.Now();
    for (size_t i = 0; i < pending_.size();) {
        if (pending_[i].at > now) {
            ++i;
            continue;
        }
        Timed due = pending_[i];
        pending_.erase(pending_.begin() + static_cast<long>(i));
        std::string error;
        if (!RunCommand(sim_, due.words, due.keyed, &error)) Report(due.lineNumber, error);
    }
}

void ScriptRunner::TakeLine(const std::string& raw) {
    ++lineNumber_;
    std::string line = raw;
    if (lineNumber_ == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') return;

    std::vector<std::string> words;
    std::vector<size_t> keyed;
    std::string error;
    if (!SplitWords(line, &words, &keyed, &error)) {
        Report(lineNumber_, error);
        return;
    }
    if (words[0] == "at") {
        double at = 0;
        if (words.size() < 3 || !ParseSeconds(words[1], &at)) {
            Report(lineNumber_, "bad at");
            return;
        }
        words.erase(words.begin(), words.begin() + 2);
        keyed.erase(keyed.begin(), keyed.begin() + 2);
        // Timed commands run in time order; equal times in the order they were written.
        size_t pos = pending_.size();
        while (pos > 0 && pending_[pos - 1].at > at) --pos;
        pending_.insert(pending_.begin() + static_cast<long>(pos), Timed{at, words, keyed, lineNumber_});
        return;
    }
    if (!RunCommand(sim_, words, keyed, &error)) Report(lineNumber_, error);
}

void ScriptRunner::Report(int lineNumber, const std::string& error) {
    sim_.Note("script line=" + std::to_string(lineNumber) + " error=" + QuoteValue(error));
}

}  // namespace sim
