// The drop-in rasapi32.dll: the service's ANSI entry points over one simulator for the whole
// process. It reads its script from TOLVANE_SIM_SCRIPT and appends its journal to
// TOLVANE_SIM_JOURNAL; both may be Windows paths or, under Wine, Unix paths.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "sim/ras_sim.h"
#include "sim/sim_codec.h"
#include "sim/sim_script.h"

namespace {

static_assert(sizeof(RASCONNA) == kRasConnSize && sizeof(RASCONNSTATUSA) == kRasConnStatusSize &&
                  sizeof(RASENTRYNAMEA) == kRasEntryNameSize && sizeof(RASDIALPARAMSA) == kRasDialParamsSize &&
                  sizeof(RASENTRYA) == kRasEntrySize,
              "the 4.0 structure sizes");

// The UTF-8 path named by an environment variable, empty when it is not set.
std::string EnvironmentPath(const wchar_t* name) {
    DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return std::string();
    std::wstring value(n, L'\0');
    DWORD got = GetEnvironmentVariableW(name, &value[0], n);
    if (got == 0 || got >= n) return std::string();
    value.resize(got);
    return sim::WindowsPath(sim::Utf8FromWide(value));
}

class Service {
public:
    Service() {
        ras_.SetCodec(sim::AnsiCodec());
        std::string journal = EnvironmentPath(L"TOLVANE_SIM_JOURNAL");
        if (!journal.empty()) {
            // Shared with every other opener, so a test can read the journal while we run.
            journal_ = CreateFileW(sim::WideFromUtf8(journal).c_str(), FILE_APPEND_DATA,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        if (journal_ != INVALID_HANDLE_VALUE) {
            ras_.SetJournalSink([this](const std::string& line) { WriteJournal(line); });
        }
        std::string script = EnvironmentPath(L"TOLVANE_SIM_SCRIPT");
        if (!script.empty()) {
            runner_ = std::make_unique<sim::ScriptRunner>(
                ras_, script,
                [](const std::string& path) { return _wfopen(sim::WideFromUtf8(path).c_str(), L"rb"); },
                [](const std::string& path) {
                    WIN32_FILE_ATTRIBUTE_DATA data;
                    if (!GetFileAttributesExW(sim::WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data))
                        return -1LL;
                    return static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
                });
            // The program's calls come from its one thread, but nothing stops a second one.
            ras_.SetBeforeCall([this] {
                std::lock_guard<std::mutex> lock(scriptMutex_);
                runner_->Poll();
            });
        }
    }

    sim::RasSim& ras() { return ras_; }

private:
    // One write per line, straight to the file: a reader sees whole lines at once.
    void WriteJournal(const std::string& line) {
        std::string bytes = line + "\n";
        DWORD written = 0;
        WriteFile(journal_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

    sim::RasSim ras_;
    std::unique_ptr<sim::ScriptRunner> runner_;
    std::mutex scriptMutex_;
    HANDLE journal_ = INVALID_HANDLE_VALUE;
};

// Made at the first call, not in DllMain, and never destroyed: at process exit the dial
// threads are already gone, and joining them under the loader lock could only hang.
sim::RasSim& Sim() {
    static Service* service = new Service;
    return service->ras();
}

// The simulator's own share of the process's time, for tools/idle-cost.sh: with
// TOLVANE_SIM_COST naming a file, the time spent inside the entry points (reading the script
// included) is added up and the file rewritten with it at most once a second, as
// "calls N\nseconds S\n". Wall time, not CPU time: the calls never wait but on the file system.
class CostMeter {
public:
    CostMeter() : file_(Report()) {
        if (file_) QueryPerformanceCounter(&start_);
    }
    ~CostMeter() {
        if (!file_) return;
        std::lock_guard<std::mutex> lock(mutex_);
        LARGE_INTEGER end;
        QueryPerformanceCounter(&end);
        ++calls_;
        if (end.QuadPart - lastWrite_ >= Frequency()) {
            lastWrite_ = end.QuadPart;
            char text[64];
            int n = std::snprintf(text, sizeof text, "calls %llu\nseconds %.6f\n", calls_,
                                  static_cast<double>(spent_) / static_cast<double>(Frequency()));
            SetFilePointer(file_, 0, nullptr, FILE_BEGIN);
            DWORD written = 0;
            WriteFile(file_, text, static_cast<DWORD>(n), &written, nullptr);
            SetEndOfFile(file_);
            QueryPerformanceCounter(&end);  // the report is the simulator's work too
        }
        spent_ += end.QuadPart - start_.QuadPart;
    }
    CostMeter(const CostMeter&) = delete;
    CostMeter& operator=(const CostMeter&) = delete;

private:
    static LONGLONG Frequency() {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }
    // Opened at the first call, not while the DLL loads.
    static HANDLE Report() {
        static HANDLE file = [] {
            std::string path = EnvironmentPath(L"TOLVANE_SIM_COST");
            if (path.empty()) return HANDLE(nullptr);
            HANDLE h = CreateFileW(sim::WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            return h == INVALID_HANDLE_VALUE ? HANDLE(nullptr) : h;
        }();
        return file;
    }

    HANDLE file_;
    LARGE_INTEGER start_{};
    static inline std::mutex mutex_;
    static inline unsigned long long calls_ = 0;
    static inline LONGLONG spent_ = 0;
    static inline LONGLONG lastWrite_ = 0;
};

uint32_t* Dword(LPDWORD p) { return reinterpret_cast<uint32_t*>(p); }

}  // namespace

extern "C" {

DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook, RASENTRYNAMEA* entries, LPDWORD bytes,
                             LPDWORD count) {
    CostMeter cost;
    return Sim().RasEnumEntriesA(reserved, phonebook, entries, Dword(bytes), Dword(count));
}

DWORD WINAPI RasEnumConnectionsA(RASCONNA* conns, LPDWORD bytes, LPDWORD count) {
    CostMeter cost;
    return Sim().RasEnumConnectionsA(conns, Dword(bytes), Dword(count));
}

DWORD WINAPI RasGetConnectStatusA(HRASCONN conn, RASCONNSTATUSA* status) {
    CostMeter cost;
    return Sim().RasGetConnectStatusA(conn, status);
}

DWORD WINAPI RasHangUpA(HRASCONN conn) {
    CostMeter cost;
    return Sim().RasHangUpA(conn);
}

DWORD WINAPI RasDialA(LPVOID extensions, LPCSTR phonebook, RASDIALPARAMSA* params, DWORD notifierType,
                      LPVOID notifier, HRASCONN* conn) {
    CostMeter cost;
    return Sim().RasDialA(extensions, phonebook, params, notifierType, reinterpret_cast<RasDialFunc>(notifier),
                          conn);
}

DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR buffer, DWORD size) {
    CostMeter cost;
    return Sim().RasGetErrorStringA(code, buffer, size);
}

DWORD WINAPI RasGetEntryDialParamsA(LPCSTR phonebook, RASDIALPARAMSA* params, LPBOOL passwordSaved) {
    CostMeter cost;
    return Sim().RasGetEntryDialParamsA(phonebook, params, reinterpret_cast<int*>(passwordSaved));
}

DWORD WINAPI RasSetEntryDialParamsA(LPCSTR phonebook, RASDIALPARAMSA* params, BOOL removePassword) {
    CostMeter cost;
    return Sim().RasSetEntryDialParamsA(phonebook, params, removePassword);
}

DWORD WINAPI RasGetEntryPropertiesA(LPCSTR phonebook, LPCSTR entry, RASENTRYA* entryInfo, LPDWORD entryInfoSize,
                                    LPBYTE deviceInfo, LPDWORD deviceInfoSize) {
    CostMeter cost;
    return Sim().RasGetEntryPropertiesA(phonebook, entry, entryInfo, Dword(entryInfoSize), deviceInfo,
                                        Dword(deviceInfoSize));
}

}  // extern "C"
