// The way out: hang-up (asked or silent), the sessions it ends reach the log, the window's
// position and the settings are saved whatever the answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/settings_store.h"
#include "app/shutdown.h"
#include "base/app_names.h"
#include "base/registry.h"
#include "base/screen.h"
#include "base/settings.h"
#include "doubles.h"
#include "memory_registry.h"
#include "monitor/connection_table.h"
#include "monitor/monitor_tick.h"
#include "monitor/tick_time.h"
#include "monitor/usage_log.h"
#include "test_support.h"

namespace {

using test::Local;

class ShutdownTest : public test::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        appName = "Tolvane";
        SetRegistry(&registry_);
        SetClock(&clock_);
        Settings.LogPath = dir_.path();
        tick_.State().monitorTimerId = 12;
        clock_.now = Local(2001, 1, 3, 9, 0, 0);
    }
    void TearDown() override {
        SetRegistry(nullptr);
        CoreTest::TearDown();
    }
    // Connections counted for a minute by ordinary ticks.
    void Connected(std::initializer_list<const char*> names) {
        for (const char* n : names) ras_.Connect(n);
        tick_.OnTimer(12);
        clock_.now += 60;
        tick_.OnTimer(12);
    }
    void Leave(bool silent, bool positionKnown = true) {
        SaveStateAndRelease(silent, tick_, [&](RestoredPlacement* p) {
            *p = {{120, 80}, false};
            return positionKnown;
        });
    }
    const test::MemoryRegistry::Value* Saved(const char* name) {
        return registry_.Find("HKCU\\Software\\Orlimo\\Tolvane\\Settings", name);
    }

    test::TempDir dir_;
    test::MemoryRegistry registry_;
    test::SettableClock clock_;
    test::QuietView view_;
    test::QuietSound sound_;
    MonitorTick tick_{view_, sound_};
};

TEST_F(ShutdownTest, YesHangsUpAndTheSessionReachesTheLog) {
    Connected({"A"});
    Leave(false);
    ASSERT_EQ(prompt_.shown.size(), 1u);
    EXPECT_EQ(ras_.ConnectionCount(), 0);
    EXPECT_EQ(ConnectionTable.activeCount, 0u);
    EXPECT_EQ(dir_.Read("A0101.csv"), "\"2001/01/03\",\"09:00:00\",75,2\r\n");
    EXPECT_EQ(Settings.WinPosX, 120);
    EXPECT_EQ(Settings.WinPosY, 80);
    ASSERT_NE(Saved("WinPosX"), nullptr);
    EXPECT_EQ(Saved("WinPosX")->data, std::string("\x78\0\0\0", 4));
}

TEST_F(ShutdownTest, NoKeepsTheLineAndStillSaves) {
    Connected({"A"});
    prompt_.answers = {kIdNo};
    Leave(false);
    EXPECT_EQ(ras_.ConnectionCount(), 1);
    EXPECT_FALSE(dir_.Exists("A0101.csv"));
    ASSERT_NE(Saved("WinPosY"), nullptr);
    EXPECT_EQ(Saved("WinPosY")->data, std::string("\x50\0\0\0", 4));
}

TEST_F(ShutdownTest, EndOfSessionHangsEveryLineUpWithoutAsking) {
    Connected({"A", "B"});
    Leave(true);
    EXPECT_TRUE(prompt_.shown.empty());
    EXPECT_EQ(ras_.ConnectionCount(), 0);
    EXPECT_TRUE(dir_.Exists("A0101.csv"));
    EXPECT_TRUE(dir_.Exists("B0101.csv"));
}

TEST_F(ShutdownTest, NoConnectionNoQuestion) {
    Leave(false);
    EXPECT_TRUE(prompt_.shown.empty());
    EXPECT_NE(Saved("TBarDisp"), nullptr);  // every value saved
}

TEST_F(ShutdownTest, UnreadablePositionKeepsTheLastOne) {
    Settings.WinPosX = 7;
    Leave(false, false);
    EXPECT_EQ(Settings.WinPosX, 7);
    ASSERT_NE(Saved("WinPosX"), nullptr);
    EXPECT_EQ(Saved("WinPosX")->data, std::string("\x07\0\0\0", 4));
}

// --- Lines that wait for their file when the program ends.

// Answers the list of waiting lines with Retry, letting the file go at the second one.
class RetryingPrompt final : public Prompt {
public:
    int Show(const std::string& text, unsigned style) override {
        if (style != (kMbRetryCancel | kMbIconExclamation)) return kIdYes;
        lists.push_back(text);
        if (lists.size() == 2) held->Release();
        return kIdRetry;
    }
    test::HeldFile* held = nullptr;
    std::vector<std::string> lists;
};

const char kLine[] = "\"2001/01/03\",\"09:00:00\",75,52\r\n";  // 75 s after a month of 50 minutes

TEST_F(ShutdownTest, WaitingLinesAreListedWithARetry) {
    dir_.Write("A0101.csv", "a,b,c,50\r\n");
    Connected({"A"});
    test::HeldFile spreadsheet(dir_, "A0101.csv", true);
    RetryingPrompt prompt;
    prompt.held = &spreadsheet;
    SetPrompts(&prompt);
    Leave(false);
    ASSERT_EQ(prompt.lists.size(), 2u);  // tried again at the first Retry, written at the second
    EXPECT_NE(prompt.lists[0].find("\n" + dir_.path() + "\\A0101.csv\n" + kLine), std::string::npos) << prompt.lists[0];
    EXPECT_EQ(dir_.Read("A0101.csv"), std::string("a,b,c,50\r\n") + kLine);
    EXPECT_TRUE(UnwrittenLines().empty());
}

// No box may hold the end of the log-on session up: the line stays in the keeping file, which
// the next start takes up: a session that begins counts it, and it is written once it can be.
TEST_F(ShutdownTest, AtTheEndOfTheLogOnSessionLinesAreKeptForTheNextStart) {
    const std::string keeping = dir_.path() + "\\kept\\lines.txt";
    ResetUnwrittenLines(keeping);
    dir_.Write("A0101.csv", "a,b,c,50\r\n");
    Connected({"A"});
    test::HeldFile spreadsheet(dir_, "A0101.csv", true);
    Leave(true);
    EXPECT_TRUE(prompt_.shown.empty());
    EXPECT_EQ(dir_.Read("kept/lines.txt"), dir_.path() + "\\A0101.csv\t" + kLine);

    ResetUnwrittenLines(keeping);
    ResetSlot(kSlotCount);
    Connected({"A"});
    EXPECT_EQ(ConnectionTable.active[0]->monthTotal, 52u * 60);
    spreadsheet.Release();
    clock_.now += 2;
    tick_.OnTimer(12);
    EXPECT_EQ(dir_.Read("A0101.csv"), std::string("a,b,c,50\r\n") + kLine);
    EXPECT_FALSE(dir_.Exists("kept/lines.txt"));
}

// --- The window's position across a restart, with the taskbar where the user put it.

const WindowRef kWindow = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(0x77));

struct Monitor {
    ScreenRect area;
    ScreenRect work;
};

// Monitors as the system arranges them, the first the primary one (1024 x 768), and the
// window's rectangle on them: it is held by the monitor it overlaps most.
class MonitorsScreen final : public ScreenApi {
public:
    int GetSystemMetrics(int index) override {
        const ScreenRect& a = monitors[0].area;
        return index == kSmCxScreen ? a.right - a.left : index == kSmCyScreen ? a.bottom - a.top : 0;
    }
    bool GetWindowMonitor(WindowRef window, ScreenRect* monitor, ScreenRect* work) override {
        if (!known || window != kWindow) return false;
        const Monitor& m = Holding(windowRect);
        *monitor = m.area;
        *work = m.work;
        return true;
    }
    const Monitor& Holding(const ScreenRect& r) const {
        const Monitor* best = &monitors[0];
        int64_t most = -1;
        for (const Monitor& m : monitors) {
            int64_t w = std::min(r.right, m.area.right) - std::max(r.left, m.area.left);
            int64_t h = std::min(r.bottom, m.area.bottom) - std::max(r.top, m.area.top);
            int64_t overlap = w > 0 && h > 0 ? w * h : 0;
            if (overlap > most) {
                most = overlap;
                best = &m;
            }
        }
        return *best;
    }
    std::vector<Monitor> monitors{{{0, 0, 1024, 768}, {0, 0, 1024, 768}}};
    ScreenRect windowRect{};
    bool known = true;
};

// The window as the system keeps it: placed by start-up in screen coordinates, reported by
// GetWindowPlacement in workspace coordinates (offset by where its monitor's work area begins
// within that monitor) unless it is a tool window.
struct PlacedWindow {
    ScreenPoint at;
    bool toolWindow = false;
    RestoredPlacement Placement(MonitorsScreen& screen) const {
        screen.windowRect = {at.x, at.y, at.x + 100, at.y + 45};
        if (toolWindow) return {{at.x, at.y}, false, kWindow};
        const Monitor& m = screen.Holding(screen.windowRect);
        return {{at.x - (m.work.left - m.area.left), at.y - (m.work.top - m.area.top)}, true, kWindow};
    }
};

class PositionTest : public ShutdownTest {
protected:
    void SetUp() override {
        ShutdownTest::SetUp();
        SetScreen(&screen_);
    }
    void TearDown() override {
        SetScreen(nullptr);
        ShutdownTest::TearDown();
    }
    // Closed where it stands: the position stored.
    ScreenPoint Close(const PlacedWindow& window) {
        SaveStateAndRelease(false, tick_, [&](RestoredPlacement* p) {
            *p = window.Placement(screen_);
            return true;
        });
        return {Settings.WinPosX, Settings.WinPosY};
    }
    // Closed, then started again: where start-up puts it.
    ScreenPoint CloseAndStart(const PlacedWindow& window) {
        Close(window);
        Settings = SettingsRecord{};
        LoadSettings();
        return {Settings.WinPosX, Settings.WinPosY};
    }

    MonitorsScreen screen_;
};

TEST_F(PositionTest, ClosedAndStartedAgainTheWindowIsWhereItWas) {
    const ScreenRect areas[] = {
        {0, 40, 1024, 768},  // taskbar at the top
        {60, 0, 1024, 768},  // taskbar on the left
        {0, 0, 1024, 728},   // taskbar at the bottom: both coordinate systems agree
    };
    for (const ScreenRect& area : areas) {
        screen_.monitors[0].work = area;
        const ScreenPoint places[] = {{100, 200}, {area.left, area.top}, {area.left + 1, area.top + 1}, {900, 700}};
        for (ScreenPoint place : places) {
            PlacedWindow window{place};
            // Three restarts: a window that creeps moves by the offset each time.
            for (int start = 0; start < 3; ++start) {
                ScreenPoint after = CloseAndStart(window);
                EXPECT_EQ(after.x, place.x) << area.left << "," << area.top << " start " << start;
                EXPECT_EQ(after.y, place.y) << area.left << "," << area.top << " start " << start;
                window.at = after;
            }
            ASSERT_NE(Saved("WinPosX"), nullptr);
            EXPECT_EQ(Saved("WinPosX")->data[0], static_cast<char>(place.x & 0xFF));
        }
    }
}

// A second monitor to the right of the primary one, whose taskbar is at its top: each
// monitor's own work area converts the position of a window it holds.
TEST_F(PositionTest, AWindowOnASecondMonitorIsStoredWhereItIs) {
    screen_.monitors = {{{0, 0, 1024, 768}, {0, 40, 1024, 768}}, {{1024, -100, 2304, 924}, {1024, -100, 2304, 924}}};
    const struct {
        const char* what;
        ScreenRect secondWork;
        ScreenPoint at;
    } cases[] = {
        {"on the second monitor", {1024, -100, 2304, 924}, {1500, 300}},
        {"above the primary one", {1024, -100, 2304, 924}, {1200, -80}},
        {"second monitor with its own bar on the left", {1084, -100, 2304, 924}, {1500, 300}},
        {"second monitor with its own bar at the top", {1024, -70, 2304, 924}, {1500, 300}},
        {"mostly on the second monitor", {1024, -100, 2304, 924}, {1000, 100}},
        {"mostly on the primary monitor", {1084, -100, 2304, 924}, {950, 100}},
    };
    for (const auto& c : cases) {
        screen_.monitors[1].work = c.secondWork;
        ScreenPoint stored = Close(PlacedWindow{c.at});
        EXPECT_EQ(stored.x, c.at.x) << c.what;
        EXPECT_EQ(stored.y, c.at.y) << c.what;
    }

    // Its top-left corner on the primary screen, so the next start takes the position: the
    // window comes back where it was instead of creeping down by the taskbar's height.
    PlacedWindow window{{1000, 100}};
    for (int start = 0; start < 3; ++start) {
        ScreenPoint after = CloseAndStart(window);
        EXPECT_EQ(after.x, 1000) << start;
        EXPECT_EQ(after.y, 100) << start;
        window.at = after;
    }
}

TEST_F(PositionTest, ToolWindowsAndUnknownMonitorsKeepTheReportedPosition) {
    screen_.monitors[0].work = {0, 40, 1024, 768};
    PlacedWindow tool{{100, 200}, true};  // reported in screen coordinates already
    ScreenPoint after = CloseAndStart(tool);
    EXPECT_EQ(after.x, 100);
    EXPECT_EQ(after.y, 200);

    // Nothing to convert with: the report is taken as it is.
    screen_.known = false;
    SaveStateAndRelease(false, tick_, [](RestoredPlacement* p) {
        *p = {{100, 160}, true, kWindow};
        return true;
    });
    EXPECT_EQ(Settings.WinPosX, 100);
    EXPECT_EQ(Settings.WinPosY, 160);
}

TEST_F(PositionTest, ConversionWrapsInsteadOfOverflowing) {
    screen_.monitors[0].work = {60, 40, 1024, 768};
    screen_.windowRect = {0, 0, 100, 45};
    EXPECT_EQ(StoredPosition({{INT32_MAX, INT32_MAX}, true, kWindow}).left, INT32_MIN + 59);
    EXPECT_EQ(StoredPosition({{-32000, -32000}, true, kWindow}).top, -31960);
    screen_.monitors[0] = {{INT32_MIN, INT32_MIN, 0, 0}, {INT32_MAX, INT32_MAX, 0, 0}};
    EXPECT_EQ(StoredPosition({{5, 6}, true, kWindow}).left, 4);  // wrapped, never undefined
    // Such a position is not trusted at the next start.
    screen_.monitors[0] = {{0, 0, 1024, 768}, {60, 40, 1024, 768}};
    SaveStateAndRelease(false, tick_, [](RestoredPlacement* p) {
        *p = {{INT32_MAX, -32000}, true, kWindow};
        return true;
    });
    LoadSettings();
    EXPECT_EQ(Settings.WinPosX, 0);
    EXPECT_EQ(Settings.WinPosY, 0);
}

}  // namespace
