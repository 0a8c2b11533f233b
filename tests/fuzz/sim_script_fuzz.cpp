// The simulator's script parser on any bytes, with the service asked the program's usual
// questions after it. Bad lines are script errors in the journal, never a crash; every word
// reads back as itself once quoted, as the journal quotes it; and a number the script took
// is decimal or 0x hexadecimal, as the script format allows.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "sim/sim_script.h"

namespace {

bool IsPlainNumber(const std::string& w) {
    bool hex = w.size() > 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X');
    std::string digits = hex ? w.substr(2) : w;
    if (digits.empty() || digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
        return false;
    digits.erase(0, digits.find_first_not_of('0'));
    return digits.size() < (hex ? 8u : 10u) || (hex ? digits.size() == 8 : digits.size() == 10 && digits <= "4294967295");
}

bool Split(const std::string& line, std::vector<std::string>* words) {
    std::vector<size_t> keyed;
    std::string error;
    return sim::SplitWords(line, words, &keyed, &error);
}

void CheckQuotingRoundTrip(const std::vector<std::string>& words) {
    std::string joined;
    for (const std::string& w : words) joined += (joined.empty() ? "" : " ") + sim::QuoteValue(w);
    std::vector<std::string> back;
    FUZZ_CHECK(Split(joined, &back));
    FUZZ_CHECK(back == words);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string script(reinterpret_cast<const char*>(data), size);
    double now = 0;
    sim::RasSim ras([&now] { return now += 0.25; });
    sim::ScriptRunner runner(ras, "script", [&script](const std::string&) -> std::FILE* {
        return script.empty() ? nullptr : fmemopen(const_cast<char*>(script.data()), script.size(), "rb");
    });
    ras.SetBeforeCall([&runner] { runner.Poll(); });

    RASCONNA conns[4];
    std::memset(conns, 0, sizeof conns);
    for (RASCONNA& c : conns) c.dwSize = kRasConnSize;
    uint32_t bytes = sizeof conns, count = 0;
    if (ras.RasEnumConnectionsA(conns, &bytes, &count) == 0) {
        for (uint32_t i = 0; i < count && i < 4; ++i) {
            RASCONNSTATUSA status{};
            status.dwSize = kRasConnStatusSize;
            ras.RasGetConnectStatusA(conns[i].hrasconn, &status);
            ras.RasHangUpA(conns[i].hrasconn);
        }
    }
    RASENTRYNAMEA entries[4];
    std::memset(entries, 0, sizeof entries);
    for (RASENTRYNAMEA& e : entries) e.dwSize = kRasEntryNameSize;
    bytes = sizeof entries;
    if (ras.RasEnumEntriesA(nullptr, nullptr, entries, &bytes, &count) == 0) {
        for (uint32_t i = 0; i < count && i < 4; ++i) {
            RASENTRYA entry{};
            entry.dwSize = kRasEntrySize;
            uint32_t entrySize = kRasEntrySize;
            ras.RasGetEntryPropertiesA(nullptr, entries[i].szEntryName, &entry, &entrySize, nullptr, nullptr);
        }
    }
    char text[64];
    ras.RasGetErrorStringA(691, text, sizeof text);

    // The lines the runner took in (whole lines only), with the numbers of those it refused.
    std::set<int> refused;
    for (const std::string& line : ras.Journal()) {
        std::vector<std::string> words;
        FUZZ_CHECK(Split(line, &words));  // every journal line reads back
        if (words.size() > 2 && words[1] == "script" && words[2].compare(0, 5, "line=") == 0)
            refused.insert(std::atoi(words[2].c_str() + 5));
    }
    int number = 0;
    for (size_t start = 0, end; (end = script.find('\n', start)) != std::string::npos; start = end + 1) {
        ++number;
        std::vector<std::string> words;
        if (!Split(script.substr(start, end - start), &words)) continue;
        CheckQuotingRoundTrip(words);
        if (refused.count(number) || words.empty()) continue;
        // Commands run as they are read: a number they took must be plain.
        if (words[0] == "state" && words.size() >= 3) FUZZ_CHECK(IsPlainNumber(words[2]));
        if ((words[0] == "error-text" || words[0] == "dial-fail") && words.size() >= 2)
            FUZZ_CHECK(IsPlainNumber(words[1]));
    }
    return 0;
}
