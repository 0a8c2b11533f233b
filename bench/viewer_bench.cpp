// The usage viewer's reader: a 200 MB log of valid lines read through the real files, a step
// at a time as the viewer's worker reads it; a sparse log of 1.2 GiB (no line end at all);
// and a folder of 24 months x 3 entries x 300 sessions read, listed and shown. Reports the
// rate and how far the process's peak memory grew while reading.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "monitor/log_format.h"
#include "viewer/log_reader.h"
#include "viewer/usage_model.h"

namespace {

constexpr uint64_t kLogBytes = 200u * 1000 * 1000;
constexpr uint64_t kSparseBytes = 1200ull * 1024 * 1024;

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string Folder() {
    static std::string folder = [] {
        char name[] = "/tmp/tolvane-viewer-bench-XXXXXX";
        if (!mkdtemp(name)) std::abort();
        return std::string(name);
    }();
    return folder;
}

// Sessions at every time of day, of up to two hours (day and night units both), day after day.
void WriteLines(FILE* f, uint64_t bytes, int year, int month) {
    char line[64];
    uint64_t written = 0;
    for (unsigned i = 1; written < bytes; ++i) {
        unsigned t = i * 37 % 86400;
        int n = std::snprintf(line, sizeof line, "\"%04d/%02d/%02u\",\"%02u:%02u:%02u\",%u,%u\r\n", year, month,
                              1 + i / 200000 % 28, t / 3600, t / 60 % 60, t % 60, i % 7200, i / 60);
        std::fwrite(line, 1, static_cast<size_t>(n), f);
        written += static_cast<uint64_t>(n);
    }
}

std::string MakeFile(const std::string& name, uint64_t bytes) {
    std::string path = Folder() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    WriteLines(f, bytes, 2001, 1);
    std::fclose(f);
    return path;
}

std::string MakeSparse() {
    std::string path = Folder() + "/Sparse0101.csv";
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(kSparseBytes)) != 0) std::abort();
    close(fd);
    return path;
}

void ReadOne(benchmark::State& state, const std::string& path, uint64_t bytes) {
    long before = PeakKiB();
    uint64_t sessions = 0, bad = 0;
    for (auto _ : state) {
        ReadJob job;
        job.path = path;
        job.size = bytes;
        job.firstDay = DayNumber(2001, 1, 1);
        std::vector<ReadJob> jobs{job};
        FolderReader reader(std::move(jobs));
        reader.Run();
        FileReading r;
        reader.TakeNext(&job, &r);
        sessions = r.sessionCount;
        bad = r.badLines;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["sessions"] = static_cast<double>(sessions);
    state.counters["bad_lines"] = static_cast<double>(bad);
    state.counters["peak_growth_KiB"] = static_cast<double>(PeakKiB() - before);
    state.counters["peak_KiB"] = static_cast<double>(PeakKiB());
}

void ReadValidLog(benchmark::State& state) {
    static const std::string path = MakeFile("Valid0101.csv", kLogBytes);
    ReadOne(state, path, kLogBytes);
}
BENCHMARK(ReadValidLog)->Unit(benchmark::kMillisecond)->Iterations(3);

void ReadSparseLog(benchmark::State& state) {
    static const std::string path = MakeSparse();
    ReadOne(state, path, kSparseBytes);
}
BENCHMARK(ReadSparseLog)->Unit(benchmark::kMillisecond)->Iterations(2);

// 24 months x 3 entries x about 300 sessions.
const std::string& MonthsFolder() {
    static const std::string folder = [] {
        std::string f = Folder() + "/months";
        mkdir(f.c_str(), 0755);
        for (const char* entry : {"ISP-A", "ISP-B", "ISP-C"}) {
            for (int m = 0; m < 24; ++m) {
                char name[64];
                std::snprintf(name, sizeof name, "%s/%s%02d%02d.csv", f.c_str(), entry, (1999 + m / 12) % 100, 1 + m % 12);
                FILE* out = std::fopen(name, "wb");
                WriteLines(out, 300 * 36, 1999 + m / 12, 1 + m % 12);  // about 300 sessions
                std::fclose(out);
            }
        }
        return f;
    }();
    return folder;
}

// What the window waits for at its start: the folder listed, every log read, the month shown.
void ShowFolder(benchmark::State& state) {
    const std::string& folder = MonthsFolder();
    for (auto _ : state) {
        UsageModel model;
        ViewerConfig config;
        config.folder = folder;
        model.Configure(config, 946'000'000);  // 1999/12/24
        model.ListFolder();
        std::unique_ptr<FolderReader> reader = model.StartReading();
        reader->Run();
        model.TakeReadings(*reader);
        benchmark::DoNotOptimize(model.View());
        benchmark::DoNotOptimize(model.Chart(model.CurrentMonth()));
    }
}
BENCHMARK(ShowFolder)->Unit(benchmark::kMillisecond);

// Switching months: the view and the chart made again from what was read.
void SwitchMonth(benchmark::State& state) {
    UsageModel model;
    ViewerConfig config;
    config.folder = MonthsFolder();
    model.Configure(config, 946'000'000);
    model.ListFolder();
    std::unique_ptr<FolderReader> reader = model.StartReading();
    reader->Run();
    model.TakeReadings(*reader);
    for (auto _ : state) {
        model.ShowPrevious();
        benchmark::DoNotOptimize(model.View());
        benchmark::DoNotOptimize(model.Chart(model.Shown()));
        if (!model.CanShowPrevious()) model.ShowCurrent();
    }
}
BENCHMARK(SwitchMonth)->Unit(benchmark::kMicrosecond);

}  // namespace

// The logs go with the run: 200 MB a run would soon fill /tmp.
int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::string remove = "rm -rf '" + Folder() + "'";
    return std::system(remove.c_str()) == 0 ? 0 : 1;
}
