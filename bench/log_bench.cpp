// Reading a month back from a very long log: a 200 MB file of valid lines, read piece by
// piece through the real files. Reports the rate and how far the process's peak memory grew,
// which must stay near the size of one piece, however large the file.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/settings.h"
#include "monitor/connection_table.h"
#include "monitor/log_files.h"
#include "monitor/usage_log.h"

namespace {

constexpr size_t kLogBytes = 200u * 1000 * 1000;

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The log is written once, in pieces, so that writing it does not raise the peak either.
std::string MakeLog() {
    char folder[] = "/tmp/tolvane-bench-XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    std::string path = std::string(folder) + "/MyISP0101.csv";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    char line[64];
    size_t written = 0;
    for (unsigned i = 1; written < kLogBytes; ++i) {
        int n = std::snprintf(line, sizeof line, "\"2001/01/02\",\"10:00:00\",%u,%u.%02u\r\n", i % 7200, i / 60,
                              i % 60 * 100 / 60);
        std::fwrite(line, 1, static_cast<size_t>(n), f);
        written += static_cast<size_t>(n);
    }
    std::fclose(f);
    return folder;
}

// Made by the first run of the benchmark, and removed at the end.
std::string logFolder;

const std::string& LogFolder() {
    if (logFolder.empty()) logFolder = MakeLog();
    return logFolder;
}

void ReadLongMonth(benchmark::State& state) {
    const std::string& folder = LogFolder();
    ApplySettingDefaults(Settings);
    Settings.LogPath = folder;
    long before = PeakKiB();
    uint32_t total = 0;
    for (auto _ : state) {
        ConnectionRecord r;
        std::strcpy(r.rasConn.szEntryName, "MyISP");
        r.startTime = 978'500'000;  // 2001/01/03
        ReadMonthlyTotal(r);
        total = r.monthTotal;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kLogBytes));
    state.counters["total_s"] = total;
    state.counters["peak_growth_KiB"] = static_cast<double>(PeakKiB() - before);
    state.counters["peak_KiB"] = static_cast<double>(PeakKiB());
}
BENCHMARK(ReadLongMonth)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

// The log goes with the run: 200 MB a run would soon fill /tmp.
int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (logFolder.empty()) return 0;
    return std::remove((logFolder + "/MyISP0101.csv").c_str()) == 0 && rmdir(logFolder.c_str()) == 0 ? 0 : 1;
}
