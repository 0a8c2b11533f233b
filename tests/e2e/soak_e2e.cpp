// Tolvane.exe for minutes against a random timeline of the simulated service: five entries
// coming and going through their states, more than four connections at times, failing
// enumerations and status queries, forced hang-ups. It must survive, write only well-formed
// lines, and log every session that began to count exactly once.
//
// TOLVANE_SOAK_SECONDS sets the length (default 240), TOLVANE_SOAK_TIMELINE the number of the
// timeline (default: from the clock; it is printed, and the script is kept with the test's
// files).
#include "tolvane_fixture.h"

#include <cstdlib>
#include <random>
#include <regex>
#include <vector>

namespace {

using namespace e2etest;

struct Entry {
    const char* utf8;  // in the script and the journal
    const char* ansi;  // in the log's file name
};
const Entry kEntries[] = {{"E1", "E1"}, {"E2", "E2"}, {"E3", "E3"}, {"E4", "E4"}, {u8"プロバイダ", "プロバイダ"}};
constexpr int kEntryCount = 5;

unsigned EnvNumber(const char* name, unsigned fallback) {
    const char* value = std::getenv(name);
    return value && *value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : fallback;
}

std::string Quoted(const char* utf8) { return std::string("\"") + utf8 + "\""; }

// The timeline: every one to four seconds something happens to a random entry, or the
// service fails for a few calls. Halfway, every entry is connected at once for a while.
std::string Timeline(unsigned number, int seconds) {
    std::mt19937 random(number);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const char* kStates[] = {"0x2000", "0x2000", "5", "3", "1"};  // counted, counted, counted, counted, not yet
    bool up[kEntryCount] = {};
    std::string script;
    char at[32];
    bool crowded = false;
    for (double t = 2; t < seconds - 15; t += 1 + pick(30) / 10.0) {
        std::snprintf(at, sizeof at, "at %.1f ", t);
        if (!crowded && t > seconds / 2) {
            // Every line goes first: one the program hung up at its deadline is no longer up,
            // whatever the script last did with it. Then all five come up together.
            crowded = true;
            for (int e = 0; e < kEntryCount; ++e)
                if (up[e]) script += at + std::string("drop ") + Quoted(kEntries[e].utf8) + "\n";
            std::snprintf(at, sizeof at, "at %.1f ", t + 2);
            for (int e = 0; e < kEntryCount; ++e) script += at + std::string("connect ") + Quoted(kEntries[e].utf8) + "\n";
            for (bool& u : up) u = true;
            t += 8;  // held for several ticks, late ones too, before anything drops
            continue;
        }
        int what = pick(10);
        if (what == 0) {
            script += at + std::string("fail enum-connections 600 times=") + std::to_string(1 + pick(4)) + "\n";
            continue;
        }
        if (what == 1) {
            script += at + std::string("fail get-status 6 times=") + std::to_string(1 + pick(3)) + "\n";
            continue;
        }
        int e = pick(kEntryCount);
        std::string name = Quoted(kEntries[e].utf8);
        if (!up[e]) {
            script += at + std::string("connect ") + name + " state=" + kStates[pick(5)] + "\n";
            up[e] = true;
        } else if (what < 6) {
            script += at + std::string("state ") + name + " " + kStates[pick(5)] + "\n";
        } else {
            script += at + std::string("drop ") + name + "\n";
            up[e] = false;
        }
    }
    // The end: every line goes, so that every session is logged before the exit.
    std::snprintf(at, sizeof at, "at %d ", seconds - 10);
    for (int e = 0; e < kEntryCount; ++e)
        if (up[e]) script += at + std::string("drop ") + Quoted(kEntries[e].utf8) + "\n";
    return script;
}

size_t Count(const std::vector<std::string>& lines, const std::string& text) {
    size_t n = 0;
    for (const std::string& line : lines) n += line.find(text) != std::string::npos;
    return n;
}

TEST_F(TolvaneTest, SoakUnderARandomTimeline) {
    const int seconds = static_cast<int>(EnvNumber("TOLVANE_SOAK_SECONDS", 240));
    const unsigned timeline = EnvNumber("TOLVANE_SOAK_TIMELINE", static_cast<unsigned>(GetTickCount()));
    std::printf("soak: %d s, timeline %u (TOLVANE_SOAK_TIMELINE=%u repeats it)\n", seconds, timeline, timeline);
    std::fflush(stdout);
    Set("LogonTime", 0);       // counted from the line's connection on: states 3 to 0x2000
    Set("DisconnectTime", 1);  // the displayed line is hung up after a minute
    Set("StratAdjust", 15);
    std::string script = u8"hangup-polls 2\n";
    for (const Entry& e : kEntries) script += std::string("entry ") + Quoted(e.utf8) + " number=123\n";
    ASSERT_TRUE(sim_.WriteScript(script + Timeline(timeline, seconds)));
    ASSERT_NE(Start(), nullptr);

    Sleep(static_cast<DWORD>(seconds) * 1000);
    ASSERT_TRUE(program_.Running()) << "ended during the timeline";
    ASSERT_TRUE(sim_.Sync("end"));
    e2e::Pause(1500);  // the last drops are swept and logged
    ASSERT_TRUE(e2e::PostCommand(monitor_, ID_EXIT));
    DWORD code = 1;
    ASSERT_TRUE(program_.WaitForExit(e2e::kDefaultTimeoutMs, &code));
    EXPECT_EQ(code, 0u);

    const std::regex wellFormed("\"\\d{4}/\\d{2}/\\d{2}\",\"\\d{2}:\\d{2}:\\d{2}\",\\d+,\\d+(\\.\\d{2})?");
    std::vector<std::string> journal = sim_.JournalLines();
    size_t sessions = 0;
    for (const Entry& e : kEntries) {
        std::string log = ReadText(LogFile(sim_.folder(), e.ansi));
        size_t lines = 0;
        for (size_t start = 0, end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2, ++lines)
            EXPECT_TRUE(std::regex_match(log.substr(start, end - start), wellFormed)) << log.substr(start, end - start);
        EXPECT_TRUE(log.empty() || log.substr(log.size() - 2) == "\r\n") << "a line cut short";
        size_t begun = Count(journal, std::string("RasGetEntryPropertiesA entry=") + e.utf8 + " ");
        EXPECT_EQ(lines, begun) << e.utf8 << ": every session that began to count is logged once";
        sessions += lines;
    }
    std::printf("soak: %zu sessions logged, %zu hang-ups, %zu calls\n", sessions, Count(journal, "RasHangUpA"),
                journal.size());
    EXPECT_GT(sessions, 5u);
    EXPECT_GT(Count(journal, "RasEnumConnectionsA -> 603"), 0u) << "never more than four connections";
}

}  // namespace
