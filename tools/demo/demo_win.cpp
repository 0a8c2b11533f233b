// The demo run: Tolvane.exe under Wine with the simulated service. A connection comes up,
// is counted, enters the charge-unit warning, counts down to the forced disconnect and is
// hung up; each stage is photographed and told on the console.
#include <cstdio>
#include <fstream>
#include <string>

#include "harness.h"
#include "res/resource.h"

namespace {

const char kSettingsKey[] = "Software\\Orlimo\\Tolvane\\Settings";
constexpr int kMinute = 60000;

void Say(const std::string& utf8) {
    std::printf("demo: %s\n", utf8.c_str());
    std::fflush(stdout);
}

void Shot(const char* name, HWND window = nullptr) {
    std::string path = e2e::SaveScreenshot(name, window);
    if (!path.empty()) Say("  screenshot " + std::string(name));
}

bool Fail(const std::string& what) {
    Say("FAILED: " + what);
    return false;
}

std::string Text(HWND window, int id) { return e2e::Utf8FromAnsi(e2e::ControlText(window, id)); }

bool Run() {
    e2e::DeleteRegistryKey("Software\\Orlimo\\Tolvane");
    e2e::SimFiles sim("demo");
    // Settings for a short show: the session reads 44 s when it starts, a warning marks the
    // last 14 s of every minute, and the line is hung up after two minutes.
    e2e::WriteRegistryDword(kSettingsKey, "StratAdjust", 44);
    e2e::WriteRegistryDword(kSettingsKey, "WarningTime", 1);
    e2e::WriteRegistryDword(kSettingsKey, "DisconnectTime", 2);
    e2e::WriteRegistryString(kSettingsKey, "LogPath", sim.folder());
    sim.WriteScript(u8"entry MyISP area=03 number=12345678 user=taro password=secret\n");

    e2e::Program program;
    if (!program.Start(e2e::TestProgramFolder() + "\\Tolvane.exe", sim.Environment()))
        return Fail("Tolvane.exe did not start");
    HWND monitor = e2e::WaitForWindow(program.pid(), "Tolvane", "#32770", e2e::kDefaultTimeoutMs, true);
    if (!monitor) return Fail("no monitor window");
    Say("Tolvane is running; its window waits for a connection.");
    Shot("1-waiting.bmp", monitor);

    sim.AppendScript("connect MyISP\n");
    Say("The simulated line MyISP comes up.");
    if (!e2e::WaitForControlText(monitor, IDC_SESSION_TIME, "00:00:45")) return Fail("the session is not counted");
    Say("Counting: session " + Text(monitor, IDC_SESSION_TIME) + ", month " + Text(monitor, IDC_MONTH_TOTAL) +
        ", caption " + e2e::Utf8FromAnsi(e2e::WindowText(monitor)));
    Shot("2-counting.bmp", monitor);

    if (!e2e::WaitForControlText(monitor, IDC_SESSION_TIME, "00:00:50")) return Fail("no warning");
    Say("The last 14 seconds of the charge unit: the warning look, and an alert sound.");
    Shot("3-warning.bmp", monitor);

    if (!e2e::WaitForControlText(monitor, IDC_SESSION_TIME, "00:01:05", kMinute)) return Fail("no new unit");
    Say("A new unit begins: the normal look again.");
    Shot("4-normal.bmp", monitor);

    if (!e2e::WaitForControlText(monitor, IDC_COUNTDOWN, "強制切断まで 05 秒", kMinute))
        return Fail("no countdown");
    Say("The countdown to the forced disconnect: " + Text(monitor, IDC_COUNTDOWN) + ".");
    Shot("5-countdown.bmp", monitor);
    Shot("5-countdown-screen.bmp");

    if (sim.WaitForJournal("RasHangUpA", 20000) < 0) return Fail("no hang-up");
    Say("The line is hung up at the deadline.");
    if (!e2e::WaitUntil([&] { return !e2e::ControlEnabled(monitor, IDC_DISCONNECT); })) return Fail("still connected");
    Shot("6-hung-up.bmp", monitor);

    e2e::PostCommand(monitor, ID_EXIT);
    DWORD code = 1;
    if (!program.WaitForExit(e2e::kDefaultTimeoutMs, &code)) return Fail("Tolvane did not end");
    Say("Tolvane ended with exit code " + std::to_string(code) + ".");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((sim.folder() + "\\*.csv").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        std::ifstream log(sim.folder() + "\\" + found.cFileName, std::ios::binary);
        std::string line;
        while (std::getline(log, line)) Say(std::string("Monthly log ") + found.cFileName + ": " + line);
        FindClose(search);
    }
    Say("Monthly log and simulator journal: " + e2e::UnixPath(sim.folder()));
    return true;
}

}  // namespace

int main() { return Run() ? 0 : 1; }
