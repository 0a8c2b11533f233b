// The monitor tick against the simulated service with a stepped clock: the two worked
// timelines (forced disconnect with an extension, fixed time of day), the deadlines' edges,
// the warning's night units, the caption, and the guards against nested and abandoned ticks.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/shutdown.h"
#include "base/settings.h"
#include "doubles.h"
#include "monitor/connection_table.h"
#include "monitor/log_files.h"
#include "monitor/monitor_tick.h"
#include "monitor/tick_time.h"
#include "res/resource.h"
#include "test_support.h"

namespace {

using test::Local;

class RecordingView final : public MonitorView {
public:
    void ShowHideOnChange(bool has) override { calls.push_back(has ? "show-hide 1" : "show-hide 0"); }
    void UpdateTrayIcon(int kind) override {
        calls.push_back("tray " + std::to_string(kind));
        // Shell_NotifyIconA waits on the shell, and messages sent to the thread meanwhile are
        // handled there: this runs one such handler, once.
        if (auto handler = std::move(duringTray)) {
            duringTray = nullptr;
            handler();
        }
    }
    void CloseAfterTick() override { calls.push_back("close"); }
    std::function<void()> duringTray;
    void ApplyDisplayMode(int32_t mode) override { calls.push_back("layout " + std::to_string(mode)); }
    size_t Count(const std::string& call) const {
        size_t n = 0;
        for (const std::string& c : calls) n += c == call;
        return n;
    }
    void EnableDisconnect(bool enable) override { calls.push_back(enable ? "enable 1" : "enable 0"); }
    void PushTexts(const MonitorTexts& texts) override {
        calls.push_back("push " + texts.sessionTime + " " + texts.monthTotal);
    }
    void SetCaption(const std::string& title) override {
        calls.push_back("caption " + title);
        caption = title;
    }
    bool Called(const std::string& call) const {
        for (const std::string& c : calls)
            if (c == call) return true;
        return false;
    }
    std::vector<std::string> calls;
    std::string caption = "Tolvane";
};

class RecordingSound final : public Sound {
public:
    void PlayFile(const std::string& path) override { plays.push_back(path); }
    void Beep() override { plays.push_back("beep"); }
    std::vector<std::string> plays;
};

// What one tick left behind.
struct Seen {
    uint32_t e;  // elapsed seconds of the first active connection
    int32_t mode;
    size_t alerts;
    size_t hangUps;
    std::string countdown;
};

enum Alert { kNone, kOnEntry, kEverySecond };

// A stretch of a timeline: elapsed seconds first to last, the mode, and the alerts.
struct Row {
    uint32_t first, last;
    int32_t mode;
    Alert alert;
};

class TickTest : public test::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        SetFiles(&noFiles_);
        SetClock(&clock_);
        Settings.TimeUnit = 0;
        tick_.State().monitorTimerId = IDT_MONITOR;
    }

    void TickAt(int64_t t) {
        clock_.now = t;
        tick_.OnTimer(IDT_MONITOR);
    }
    const MonitorState& State() { return tick_.State(); }
    // The hang-ups since the start or the last ForgetHangUps. The journal is emptied on the
    // way, so that long timelines stay quick.
    const std::vector<std::string>& HangUps() {
        for (const std::string& line : ras_.Journal())
            if (line.find("RasHangUpA") != std::string::npos) hangUps_.push_back(line.substr(6));
        ras_.ClearJournal();
        return hangUps_;
    }
    void ForgetHangUps() {
        ras_.ClearJournal();
        hangUps_.clear();
    }

    // Ticks twice a second from `start` until no connection is left, pressing the extend
    // button once, after the first tick that sees `extendAt`.
    std::vector<Seen> RunUntilGone(int64_t start, uint32_t extendAt = 0) {
        std::vector<Seen> seen;
        for (int half = 0; half < 20000; ++half) {
            size_t alerts = sound_.plays.size();
            size_t hangUps = HangUps().size();
            TickAt(start + half / 2);
            if (ConnectionTable.activeCount == 0) break;
            uint32_t e = ConnectionTable.active[0]->elapsed;
            seen.push_back({e, State().displayMode, sound_.plays.size() - alerts, HangUps().size() - hangUps,
                            State().texts.countdown});
            if (e == extendAt && extendAt != 0) {
                tick_.OnExtend();
                extendAt = 0;
            }
        }
        return seen;
    }

    // Every tick of `seen` from `from` on whose elapsed time lies within the rows.
    void Check(const std::vector<Seen>& seen, size_t from, const std::vector<Row>& rows) {
        for (size_t i = from; i < seen.size(); ++i) {
            const Seen& s = seen[i];
            bool firstOfSecond = i == 0 || seen[i - 1].e != s.e;
            for (const Row& row : rows) {
                if (s.e < row.first || s.e > row.last) {
                    continue;
                }
                EXPECT_EQ(s.mode, row.mode) << "E " << s.e;
                bool alert = firstOfSecond && (row.alert == kEverySecond || (row.alert == kOnEntry && s.e == row.first));
                EXPECT_EQ(s.alerts, alert ? 1u : 0u) << "E " << s.e;
            }
        }
    }

    // Clears the table as a fresh start does, for table-driven cases.
    void FreshTable() {
        for (uint32_t i = 0; i < kSlotCount; ++i) ResetSlot(i);
        for (auto*& p : ConnectionTable.active) p = nullptr;
        ConnectionTable.activeCount = 0;
    }

    std::vector<std::string> hangUps_;
    test::NoFiles noFiles_;
    test::SettableClock clock_;
    RecordingView view_;
    RecordingSound sound_;
    MonitorTick tick_{view_, sound_};
};

class ForcedTimelineTest : public TickTest {
protected:
    void SetUp() override {
        TickTest::SetUp();
        Settings.DisconnectEnable = 1;
        Settings.DisconnectTime = 10;
        Settings.WarningEnable = 1;
        Settings.WarningTime = 3;
        Settings.FixedTime = 0;
        Settings.StratAdjust = 1;  // elapsed seconds read 1 at the first counted tick
        ras_.Connect("MyISP");
    }
    const int64_t start_ = Local(2001, 1, 3, 12, 0, 0);
};

TEST_F(ForcedTimelineTest, WarningsCountdownAndHangUp) {
    std::vector<Seen> seen = RunUntilGone(start_);
    ASSERT_EQ(seen.back().e, 595u);
    Check(seen, 0,
          {{1, 165, kModeNormal, kNone},
           {166, 179, kModeWarning, kOnEntry},
           {180, 345, kModeNormal, kNone},
           {346, 359, kModeWarning, kOnEntry},
           {360, 525, kModeNormal, kNone},
           {526, 539, kModeWarning, kOnEntry},
           {540, 584, kModeNormal, kNone},
           {585, 595, kModeForcedCountdown, kEverySecond}});
    for (const Seen& s : seen) {
        if (s.e >= 585) {
            EXPECT_EQ(s.countdown, FormatCountdown(static_cast<int32_t>(595 - s.e))) << s.e;
        }
        EXPECT_EQ(s.hangUps, &s == &seen.back() ? 1u : 0u) << s.e;
    }
    size_t first = 0;
    while (seen[first].e != 585) ++first;
    EXPECT_EQ(seen[first].countdown, test::Cp932(u8"強制切断まで 10 秒"));
    EXPECT_EQ(seen.back().countdown, test::Cp932(u8"強制切断まで 00 秒"));
    EXPECT_EQ(sound_.plays.size(), 3u + 11u);
    EXPECT_EQ(sound_.plays[0], "beep");
    EXPECT_EQ(HangUps(), (std::vector<std::string>{"RasHangUpA handle=0x1001 entry=MyISP -> 0"}));

    // The tick after the hang-up: the connection is gone.
    EXPECT_EQ(State().displayMode, kModeNormal);
    EXPECT_EQ(State().extensionCount, 0);
    EXPECT_EQ(State().title, "Tolvane");
    EXPECT_EQ(view_.caption, "Tolvane");
    EXPECT_EQ(State().displayedEntryName, "");
    EXPECT_EQ(State().texts.sessionTime, "00:09:55");  // the last times stay
    std::vector<std::string> last(view_.calls.end() - 4, view_.calls.end());
    EXPECT_EQ(last, (std::vector<std::string>{"show-hide 0", "enable 0", "layout 0", "caption Tolvane"}));
}

// The layout is applied only when the mode changes: bitmaps are not reloaded twice a second.
TEST_F(ForcedTimelineTest, LayoutOnlyOnAChangeOfMode) {
    RunUntilGone(start_);
    EXPECT_EQ(view_.Count("layout 1"), 3u);  // three warnings
    EXPECT_EQ(view_.Count("layout 2"), 1u);  // one countdown
    EXPECT_EQ(view_.Count("layout 0"), 4u);  // back after each, and at the end
    EXPECT_EQ(view_.Count("layout 3"), 0u);
}

TEST_F(ForcedTimelineTest, ExtendDuringTheCountdown) {
    std::vector<Seen> seen = RunUntilGone(start_, 590);
    size_t press = 0;
    while (seen[press].e != 590) ++press;
    Check(std::vector<Seen>(seen.begin(), seen.begin() + press + 1), 0,
          {{540, 584, kModeNormal, kNone}, {585, 590, kModeForcedCountdown, kEverySecond}});
    // The next tick: limit 1200, remaining 610, the warning test gives the normal look.
    EXPECT_EQ(seen[press + 1].e, 590u);
    EXPECT_EQ(seen[press + 1].mode, kModeNormal);
    EXPECT_EQ(seen[press + 1].alerts, 0u);
    EXPECT_EQ(State().extensionCount, 0);  // reset by the tick that found no connection
    Check(seen, press + 2,
          {{591, 705, kModeNormal, kNone},
           {706, 719, kModeWarning, kOnEntry},
           {720, 885, kModeNormal, kNone},
           {886, 899, kModeWarning, kOnEntry},
           {900, 1065, kModeNormal, kNone},
           {1066, 1079, kModeWarning, kOnEntry},
           {1080, 1184, kModeNormal, kNone},
           {1185, 1195, kModeForcedCountdown, kEverySecond}});
    EXPECT_EQ(seen.back().e, 1195u);
    EXPECT_EQ(seen.back().hangUps, 1u);
    EXPECT_EQ(HangUps().size(), 1u);
}

TEST_F(ForcedTimelineTest, BackFromTheCountdownIntoTheWarningIsSilent) {
    Settings.DisconnectTime = 3;  // the countdown starts at 165, inside no warning
    std::vector<Seen> seen = RunUntilGone(start_, 170);
    size_t press = 0;
    while (seen[press].e != 170) ++press;
    EXPECT_EQ(seen[press].mode, kModeForcedCountdown);
    EXPECT_EQ(seen[press + 1].mode, kModeWarning);  // 170 lies in the last 14 s of 180
    EXPECT_EQ(seen[press + 1].alerts, 0u);
    EXPECT_EQ(seen.back().e, 355u);  // two units of 180, hang-up 5 s before
}

TEST_F(TickTest, FixedTimeWorkedExample) {
    Settings.DisconnectEnable = 0;
    Settings.FixedTime = 1;
    Settings.FixedTimeH = 23;
    Settings.FixedTimeM = 30;
    ras_.Connect("A");
    ras_.Connect("B");
    TickAt(Local(2001, 1, 3, 22, 0, 0));  // counted since 22:00

    for (int half = 0; half < 20; ++half) {  // 23:29:35 to 23:29:44
        TickAt(Local(2001, 1, 3, 23, 29, 35) + half / 2);
        EXPECT_NE(State().displayMode, kModeFixedCountdown);
    }
    size_t alerts = sound_.plays.size();
    TickAt(Local(2001, 1, 3, 23, 29, 45));
    EXPECT_EQ(State().displayMode, kModeFixedCountdown);
    EXPECT_EQ(State().texts.countdown, test::Cp932(u8"強制切断まで 10 秒"));
    EXPECT_TRUE(view_.Called("layout 3"));  // no extend button: a fixed time cannot be extended
    EXPECT_EQ(sound_.plays.size(), alerts + 1);
    for (int half = 1; half < 20; ++half) {  // to 23:29:54
        TickAt(Local(2001, 1, 3, 23, 29, 45) + half / 2);
        EXPECT_EQ(State().texts.countdown, FormatCountdown(10 - half / 2));
    }
    EXPECT_TRUE(HangUps().empty());
    TickAt(Local(2001, 1, 3, 23, 29, 55));
    EXPECT_EQ(State().texts.countdown, test::Cp932(u8"強制切断まで 00 秒"));
    EXPECT_EQ(HangUps(), (std::vector<std::string>{"RasHangUpA handle=0x1001 entry=A -> 0",
                                                   "RasHangUpA handle=0x1002 entry=B -> 0"}));
    EXPECT_EQ(sound_.plays.size(), alerts + 11);
    TickAt(Local(2001, 1, 3, 23, 29, 55));
    EXPECT_EQ(ConnectionTable.activeCount, 0u);
    EXPECT_EQ(State().displayMode, kModeNormal);

    // Counted from 23:30:20: the target is today's 23:30, 20 s past: hung up at once.
    ForgetHangUps();
    ras_.Connect("C");
    TickAt(Local(2001, 1, 3, 23, 30, 20));
    EXPECT_EQ(State().displayMode, kModeFixedCountdown);
    EXPECT_EQ(State().texts.countdown, test::Cp932(u8"強制切断まで 00 秒"));
    EXPECT_EQ(HangUps().size(), 1u);
    TickAt(Local(2001, 1, 3, 23, 30, 21));

    // From 23:31 on the target is tomorrow's 23:30.
    ForgetHangUps();
    ras_.Connect("D");
    TickAt(Local(2001, 1, 3, 23, 31, 0));
    EXPECT_NE(State().displayMode, kModeFixedCountdown);
    TickAt(Local(2001, 1, 4, 23, 29, 44));
    EXPECT_NE(State().displayMode, kModeFixedCountdown);
    TickAt(Local(2001, 1, 4, 23, 29, 45));
    EXPECT_EQ(State().texts.countdown, test::Cp932(u8"強制切断まで 10 秒"));
    EXPECT_TRUE(HangUps().empty());
}

// The elapsed value at which a fixed deadline falls is 0 for a session counted first 15 s
// (the start offset) after the fixed time. Such a session is hung up like any other.
TEST_F(TickTest, FixedTimeHangsUpWhateverTheSessionsStart) {
    Settings.DisconnectEnable = 0;
    Settings.FixedTime = 1;
    Settings.FixedTimeH = 23;
    Settings.FixedTimeM = 30;
    for (int second : {15, 59}) {
        ForgetHangUps();
        ras_.Connect("A");
        TickAt(Local(2001, 1, 3, 23, 30, second));
        EXPECT_EQ(State().displayMode, kModeFixedCountdown) << second;
        EXPECT_EQ(HangUps().size(), 1u) << second;
        TickAt(Local(2001, 1, 3, 23, 30, second));
        EXPECT_EQ(ConnectionTable.activeCount, 0u);
    }
}

TEST_F(TickTest, EqualForcedAndFixedDeadlinesHangUpEveryConnection) {
    Settings.DisconnectEnable = 1;
    Settings.DisconnectTime = 10;
    Settings.FixedTime = 1;
    Settings.FixedTimeH = 23;
    Settings.FixedTimeM = 30;
    Settings.StratAdjust = 1;
    ras_.Connect("A");
    TickAt(Local(2001, 1, 3, 23, 20, 1));  // forced deadline 23:30:00, as the fixed one
    ras_.Connect("B");
    TickAt(Local(2001, 1, 3, 23, 25, 0));
    TickAt(Local(2001, 1, 3, 23, 29, 45));
    EXPECT_EQ(State().displayMode, kModeFixedCountdown);
    EXPECT_EQ(State().displayedEntryName, "A");
    TickAt(Local(2001, 1, 3, 23, 29, 55));
    EXPECT_EQ(HangUps().size(), 2u);

    TickAt(Local(2001, 1, 3, 23, 29, 55));
    EXPECT_EQ(ConnectionTable.activeCount, 0u);

    // Whichever deadline is the earlier drives the countdown's look.
    Settings.DisconnectTime = 1;
    Settings.FixedTimeM = 31;
    ras_.Connect("A");
    TickAt(Local(2001, 1, 3, 23, 29, 56));  // forced deadline 23:30:55, fixed 23:31:00
    TickAt(Local(2001, 1, 3, 23, 30, 45));
    EXPECT_EQ(State().displayMode, kModeForcedCountdown);
    EXPECT_EQ(State().texts.countdown, FormatCountdown(5));
    Settings.DisconnectTime = 2;
    TickAt(Local(2001, 1, 3, 23, 30, 46));
    EXPECT_EQ(State().displayMode, kModeFixedCountdown);
    EXPECT_EQ(State().texts.countdown, FormatCountdown(9));
    EXPECT_EQ(HangUps().size(), 2u);
}

TEST_F(TickTest, OnlyTheDrivingConnectionIsHungUpAtAForcedDeadline) {
    Settings.DisconnectEnable = 1;
    Settings.DisconnectTime = 1;
    Settings.StratAdjust = 1;
    const int64_t t0 = Local(2001, 1, 3, 12, 0, 0);
    ras_.Connect("A");
    TickAt(t0);
    ras_.Connect("B");
    TickAt(t0 + 30);
    TickAt(t0 + 45);  // A: 46 s, remaining 14
    EXPECT_EQ(State().displayMode, kModeForcedCountdown);
    tick_.OnExtend();  // one more minute, counted from A's start
    TickAt(t0 + 46);
    EXPECT_EQ(State().displayMode, kModeNormal);
    TickAt(t0 + 114);  // A: 115 s of 120
    EXPECT_EQ(HangUps(), (std::vector<std::string>{"RasHangUpA handle=0x1001 entry=A -> 0"}));
    TickAt(t0 + 115);  // A is gone; B (86 s) drives under the same extension count
    EXPECT_EQ(State().displayedEntryName, "B");
    EXPECT_EQ(State().extensionCount, 1);
    EXPECT_EQ(State().displayMode, kModeNormal);
    TickAt(t0 + 144);
    EXPECT_EQ(HangUps().size(), 2u);
}

TEST_F(TickTest, EqualElapsedTimesTheFirstDrives) {
    Settings.DisconnectEnable = 1;
    Settings.DisconnectTime = 1;
    ras_.Connect("A");
    ras_.Connect("B");
    const int64_t t0 = Local(2001, 1, 3, 12, 0, 0);
    TickAt(t0);
    EXPECT_EQ(State().displayedEntryName, "A");
    TickAt(t0 + 45);  // both 60 s: remaining 0
    EXPECT_EQ(HangUps(), (std::vector<std::string>{"RasHangUpA handle=0x1001 entry=A -> 0"}));
}

TEST_F(TickTest, NoForcedDeadline) {
    struct Case {
        int32_t enable;
        uint32_t minutes;
    } cases[] = {{1, 0}, {0, 10}};
    Settings.WarningEnable = 0;
    for (const Case& c : cases) {
        Settings.DisconnectEnable = c.enable;
        Settings.DisconnectTime = c.minutes;
        ras_.Connect("A");
        TickAt(Local(2001, 1, 3, 12, 0, 0));
        TickAt(Local(2001, 1, 3, 12, 9, 55));
        TickAt(Local(2001, 1, 5, 12, 0, 0));
        EXPECT_EQ(State().displayMode, kModeNormal);
        EXPECT_TRUE(HangUps().empty());
        EXPECT_TRUE(sound_.plays.empty());
        ras_.Drop("A");
        TickAt(Local(2001, 1, 5, 12, 0, 1));
    }
}

// A DisconnectTime so large that 32-bit arithmetic would wrap its limit to a deadline within
// seconds (71582789 x 60 = 2^32 + 44), or make the time left negative (40000000 minutes).
TEST_F(TickTest, LargeDisconnectTimeIsAFarDeadline) {
    Settings.DisconnectEnable = 1;
    Settings.WarningEnable = 0;
    for (uint32_t minutes : {71582789u, 40000000u, 0xFFFFFFFFu}) {
        Settings.DisconnectTime = minutes;
        tick_.State().extensionCount = 0x7FFFFFFE;
        tick_.OnExtend();
        tick_.OnExtend();  // stays at the top instead of overflowing
        EXPECT_EQ(State().extensionCount, 0x7FFFFFFF);
        ras_.Connect("A");
        TickAt(Local(2001, 1, 3, 12, 0, 0));
        TickAt(Local(2001, 1, 3, 12, 0, 40));
        EXPECT_EQ(State().displayMode, kModeNormal) << minutes;
        EXPECT_TRUE(HangUps().empty()) << minutes;
        ras_.Drop("A");
        TickAt(Local(2001, 1, 3, 12, 0, 41));
    }
}

// Whether a tick at `hour` with the displayed session at `e` seconds shows the warning.
TEST_F(TickTest, WarningIntervalWithNightUnits) {
    struct Case {
        int32_t timeUnit;
        uint32_t warningTime;
        int hour;
        uint32_t e;
        bool warn;
    } cases[] = {
        {3, 3, 12, 166, true},  {3, 3, 12, 226, false}, {3, 3, 23, 166, false}, {3, 3, 23, 226, true},
        {3, 3, 7, 226, true},   {3, 3, 8, 166, true},   {3, 3, 22, 166, true},  {3, 3, 0, 466, true},
        {4, 5, 12, 286, true},  {4, 5, 12, 406, false}, {4, 5, 2, 406, true},   {4, 5, 2, 286, false},
        {3, 4, 12, 226, true},  {3, 4, 2, 226, true},   {3, 4, 2, 406, false},  // 240 by day and night
        {4, 3, 2, 166, true},   {0, 3, 2, 166, true},   {2, 5, 2, 286, true},   // no night rule
        {1, 3, 12, 165, false}, {1, 3, 12, 179, true},  {1, 3, 12, 180, false}, {1, 3, 12, 346, true},
        {1, 0, 12, 166, false},                                                  // WarningTime 0: never
        {1, 71582789, 12, 30, false},  // a huge unit must not wrap to a short one (2^32 + 44 s)
    };
    Settings.DisconnectEnable = 0;
    for (const Case& c : cases) {
        FreshTable();
        RecordingView view;
        RecordingSound sound;
        MonitorTick tick(view, sound);
        tick.State().monitorTimerId = IDT_MONITOR;
        Settings.TimeUnit = c.timeUnit;
        Settings.WarningTime = c.warningTime;
        Settings.StratAdjust = c.e;  // the session reads e at its first counted tick
        ras_.Connect("A");
        clock_.now = Local(2001, 1, 3, c.hour, 0, 0);
        tick.OnTimer(IDT_MONITOR);
        EXPECT_EQ(tick.State().displayMode, c.warn ? kModeWarning : kModeNormal)
            << c.timeUnit << " " << c.warningTime << " " << c.hour << " " << c.e;
        EXPECT_EQ(sound.plays.size(), c.warn ? 1u : 0u);
        ras_.Drop("A");
    }
}

TEST_F(TickTest, WarningSoundsTheWavFile) {
    Settings.WavPath = "C:\\Sounds\\ｱﾗｰﾑ.wav";
    Settings.StratAdjust = 166;
    ras_.Connect("A");
    TickAt(Local(2001, 1, 3, 12, 0, 0));
    TickAt(Local(2001, 1, 3, 12, 0, 1));
    EXPECT_EQ(sound_.plays, (std::vector<std::string>{"C:\\Sounds\\ｱﾗｰﾑ.wav"}));
}

TEST_F(TickTest, CaptionByTBarDisp) {
    struct Case {
        int32_t tbarDisp;
        const char* caption;
    } cases[] = {{0, "A"}, {1, "00:00:15"}, {2, "00:01"}, {3, "031111"}, {4, "A"}, {-1, "A"}};
    ras_.AddEntry({"A", "03", "1111", "", "", false, ""});
    for (const Case& c : cases) {
        Settings.TBarDisp = c.tbarDisp;
        ras_.Connect("A");
        TickAt(Local(2001, 1, 3, 12, 0, 0));
        EXPECT_EQ(view_.caption, c.caption) << c.tbarDisp;
        size_t calls = view_.calls.size();
        TickAt(Local(2001, 1, 3, 12, 0, 0));  // the same caption is not set again
        for (size_t i = calls; i < view_.calls.size(); ++i) EXPECT_NE(view_.calls[i].rfind("caption", 0), 0u);
        ras_.Drop("A");
        TickAt(Local(2001, 1, 3, 12, 0, 1));
        EXPECT_EQ(view_.caption, "Tolvane");
    }
}

TEST_F(TickTest, AnotherTimersMessageChangesNothing) {
    ras_.Connect("A");
    clock_.now = Local(2001, 1, 3, 12, 0, 0);
    tick_.OnTimer(IDT_MONITOR + 1);
    tick_.OnTimer(0);
    EXPECT_EQ(TickTime, 0);
    EXPECT_TRUE(ras_.Journal().empty());
    EXPECT_TRUE(view_.calls.empty());
    EXPECT_EQ(ConnectionTable.activeCount, 0u);
}

TEST_F(TickTest, NoConnection) {
    TickAt(Local(2001, 1, 3, 12, 0, 0));
    EXPECT_EQ(view_.calls, (std::vector<std::string>{"enable 0", "caption Tolvane"}));
    EXPECT_EQ(State().displayMode, kModeNormal);
}

TEST_F(TickTest, ListedButNotCounted) {
    Settings.LogonTime = 1;
    Settings.DisconnectEnable = 1;
    Settings.DisconnectTime = 1;
    TickAt(Local(2001, 1, 3, 11, 0, 0));
    view_.calls.clear();
    ras_.Connect("A", 3);
    TickAt(Local(2001, 1, 3, 12, 0, 0));
    // Enabled, no deadline, the times not updated, and no name to show in the caption yet.
    EXPECT_EQ(view_.calls, (std::vector<std::string>{"enable 1", "push 00:00:00 00:00", "caption "}));
    EXPECT_EQ(State().displayedEntryName, "");

    ras_.SetState("A", RASCS_Connected);
    TickAt(Local(2001, 1, 3, 12, 0, 1));
    EXPECT_TRUE(view_.Called("show-hide 1"));
    EXPECT_EQ(view_.caption, "A");
    EXPECT_EQ(State().texts.sessionTime, "00:00:15");
}

TEST_F(TickTest, TrayIconFollowsTheConnectionCountWithRunHide) {
    Settings.RunHide = 1;
    ras_.Connect("A");
    ras_.Connect("B");
    TickAt(Local(2001, 1, 3, 12, 0, 0));
    TickAt(Local(2001, 1, 3, 12, 0, 1));
    ras_.Drop("A");
    TickAt(Local(2001, 1, 3, 12, 0, 2));
    ras_.Drop("B");
    TickAt(Local(2001, 1, 3, 12, 0, 3));
    std::vector<std::string> changes;
    for (const std::string& c : view_.calls)
        if (c.rfind("tray", 0) == 0 || c.rfind("show-hide", 0) == 0) changes.push_back(c);
    EXPECT_EQ(changes, (std::vector<std::string>{"show-hide 1", "tray 2", "show-hide 1", "tray 1", "show-hide 0", "tray 0"}));

    Settings.RunHide = 0;
    view_.calls.clear();
    ras_.Connect("A");
    TickAt(Local(2001, 1, 3, 12, 0, 4));
    EXPECT_TRUE(view_.Called("show-hide 1"));
    EXPECT_FALSE(view_.Called("tray 1"));
}

TEST_F(TickTest, DisconnectButtonHangsUpTheDisplayedConnection) {
    tick_.OnDisconnect();  // nothing displayed: nothing happens
    ras_.Connect("A");
    ras_.Connect("B");
    TickAt(Local(2001, 1, 3, 12, 0, 0));
    tick_.State().displayedEntryName = "B";  // as the window menu's display item does
    tick_.OnDisconnect();
    EXPECT_EQ(HangUps(), (std::vector<std::string>{"RasHangUpA handle=0x1002 entry=B -> 0"}));
    EXPECT_TRUE(prompt_.shown.empty());
}

// A message box runs a message loop that dispatches timer messages; this one runs the
// given action once while it is "open", as the user would choose a command under it.
class NestingPrompt final : public Prompt {
public:
    int Show(const std::string& text, unsigned) override {
        texts.push_back(text);
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        if (underTheBox) {
            auto action = std::move(underTheBox);
            underTheBox = nullptr;
            action();
        }
        --depth;
        return kIdOk;
    }
    std::function<void()> underTheBox;
    std::vector<std::string> texts;
    int depth = 0;
    int maxDepth = 0;
};

// A full disk: the write-error box is open, and the ticks its loop runs go on. Another
// connection's forced deadline hangs it up under the box; their own errors wait, and follow
// once the open box is closed, one box at a time.
TEST_F(TickTest, DeadlinesAreKeptUnderALogErrorBox) {
    NestingPrompt prompt;
    SetPrompts(&prompt);
    Settings.DisconnectEnable = 1;
    Settings.DisconnectTime = 1;
    Settings.StratAdjust = 1;
    ras_.Connect("A");
    ras_.Connect("B");
    TickAt(Local(2001, 1, 3, 12, 0, 0));
    ras_.Connect("C");
    TickAt(Local(2001, 1, 3, 12, 0, 20));  // C counts from here, 20 s behind A and B

    test::FailingFiles failing;
    SetFiles(&failing);
    ForgetHangUps();
    prompt.underTheBox = [&] {
        // Under the box: A's deadline comes; it is hung up at 12:00:55 and B with it goes
        // when its own turn comes: both are logged (and fail, and wait).
        for (int s = 40; s <= 80; ++s) TickAt(Local(2001, 1, 3, 12, 0, 0) + s);
    };
    ras_.Drop("B");
    TickAt(Local(2001, 1, 3, 12, 0, 30));  // B's line cannot be written: the box opens
    EXPECT_EQ(prompt.maxDepth, 1);  // the boxes never stacked
    std::vector<std::string> hungUp = HangUps();
    ASSERT_EQ(hungUp.size(), 2u);  // A at its deadline, then C at its own, both under the box
    EXPECT_NE(hungUp[0].find("entry=A"), std::string::npos);
    EXPECT_NE(hungUp[1].find("entry=C"), std::string::npos);
    EXPECT_EQ(ConnectionTable.activeCount, 0u);
    // B's message, then the ones that waited (A's and C's lines), each once.
    ASSERT_EQ(prompt.texts.size(), 3u);
    EXPECT_NE(prompt.texts[0].find("B0101.csv"), std::string::npos);
    EXPECT_NE(prompt.texts[1].find("A0101.csv"), std::string::npos);
    EXPECT_NE(prompt.texts[2].find("C0101.csv"), std::string::npos);
}

// The exit chosen from the tray menu while a log-error box is open: the sessions it hangs up
// are logged by the shutdown's tick, as on any other exit.
TEST_F(TickTest, ExitUnderALogErrorBoxLogsItsSessions) {
    test::TempDir dir;
    Settings.LogPath = dir.path();
    Settings.TimeUnit = 1;
    NestingPrompt prompt;
    SetPrompts(&prompt);
    SetFiles(nullptr);
    ras_.Connect("A");
    ras_.Connect("B");
    TickAt(Local(2001, 1, 3, 12, 0, 0));

    class OneFailure final : public LogFiles {
    public:
        FileResult Read(const std::string& path, ByteSink& sink) override { return PlatformFiles().Read(path, sink); }
        FileResult Append(const std::string& path, const std::string& bytes) override {
            if (path.find("B0101") != std::string::npos) return FileResult::kIoError;
            return PlatformFiles().Append(path, bytes);
        }
    } oneFailure;
    SetFiles(&oneFailure);
    prompt.underTheBox = [&] { SaveStateAndRelease(true, tick_, [](RestoredPlacement*) { return false; }); };
    ras_.Drop("B");
    TickAt(Local(2001, 1, 3, 12, 0, 30));
    EXPECT_EQ(ConnectionTable.activeCount, 0u);
    // Logged with the time of the last tick that saw it.
    EXPECT_EQ(dir.Read("A0101.csv"), "\"2001/01/03\",\"12:00:00\",45,1\r\n");
    EXPECT_EQ(prompt.texts.size(), 1u);
}

// A log that cannot be read, for good: the session counts from a month total of 0, reported
// once; the other connection's forced deadline comes as it would.
TEST_F(TickTest, PersistentReadErrorLeavesTheDeadlines) {
    Settings.DisconnectEnable = 1;
    Settings.DisconnectTime = 1;
    Settings.StratAdjust = 1;
    ras_.Connect("B");
    TickAt(Local(2001, 1, 3, 12, 0, 0));
    test::FailingFiles failing;
    SetFiles(&failing);
    ras_.Connect("A");
    ForgetHangUps();
    for (int s = 1; s <= 120; ++s) TickAt(Local(2001, 1, 3, 12, 0, 0) + s);
    std::vector<std::string> hungUp = HangUps();
    ASSERT_EQ(hungUp.size(), 2u);
    EXPECT_NE(hungUp[0].find("entry=B"), std::string::npos);  // at 55 s of B
    EXPECT_NE(hungUp[1].find("entry=A"), std::string::npos);  // A counted from 12:00:01
    ASSERT_EQ(prompt_.shown.size(), 3u);  // A's read, then B's and A's lines
    EXPECT_NE(prompt_.shown[0].text.find(test::Cp932(u8"の読み込みに失敗しました")), std::string::npos);
    EXPECT_NE(prompt_.shown[0].text.find("A0101.csv"), std::string::npos);
}

// The shutdown's own tick logs the sessions the hang-up ended but leaves the window alone: it
// neither minimises it (HideCnct) nor brings it forward (ShowCnct, a line that stays up) as it
// closes; the tray picture follows.
TEST_F(TickTest, TheShutdownsTickLeavesTheWindowAlone) {
    SetFiles(nullptr);
    Settings.RunHide = 1;
    Settings.ShowCnct = 1;
    Settings.HideCnct = 1;
    const struct {
        const char* what;
        bool lineStays;  // its hang-up is refused
        const char* tray;
    } cases[] = {{"every line goes", false, "tray 0"}, {"one line stays", true, "tray 1"}};
    for (const auto& c : cases) {
        test::TempDir dir;
        Settings.LogPath = dir.path();
        ras_.Reset();
        FreshTable();
        ras_.Connect("A");
        ras_.Connect("B");
        TickAt(Local(2001, 1, 3, 12, 0, 0));
        TickAt(Local(2001, 1, 3, 12, 1, 0));
        if (c.lineStays) {  // A's hang-up is refused, and its wait ends at once
            ras_.Fail(sim::Op::kHangUp, 5, 1);
            ras_.Fail(sim::Op::kGetStatus, ERROR_INVALID_HANDLE, 1);
        }
        view_.calls.clear();
        SaveStateAndRelease(false, tick_, [](RestoredPlacement*) { return false; });
        EXPECT_EQ(ras_.ConnectionCount(), c.lineStays ? 1 : 0) << c.what;
        EXPECT_FALSE(view_.Called("show-hide 0") || view_.Called("show-hide 1")) << c.what;
        EXPECT_TRUE(view_.Called(c.tray)) << c.what;
        EXPECT_TRUE(dir.Exists("B0101.csv")) << c.what;
        EXPECT_EQ(dir.Exists("A0101.csv"), !c.lineStays) << c.what;
    }
}

// The end of the log-on session, sent to the thread while a tick waits on the shell: the lines
// are hung up at once, without a question, and their sessions logged as soon as that tick is
// done, before the system ends the process. The window is left alone.
TEST_F(TickTest, EndOfSessionDuringATickLogsItsLinesWhenTheTickReturns) {
    test::TempDir dir;
    Settings.LogPath = dir.path();
    SetFiles(nullptr);
    Settings.RunHide = 1;
    ras_.Connect("A");
    TickAt(Local(2001, 1, 3, 12, 0, 0));
    TickAt(Local(2001, 1, 3, 12, 0, 30));
    size_t hungUp = 0;
    view_.duringTray = [&] {
        SaveStateAndRelease(true, tick_, [](RestoredPlacement*) { return false; });
        hungUp = view_.calls.size();
    };
    ras_.Connect("B");  // the tray picture changes: the message comes in there
    TickAt(Local(2001, 1, 3, 12, 0, 31));
    EXPECT_EQ(ras_.ConnectionCount(), 0);
    EXPECT_EQ(ConnectionTable.activeCount, 0u);
    EXPECT_TRUE(dir.Exists("A0101.csv"));
    EXPECT_TRUE(dir.Exists("B0101.csv"));
    EXPECT_TRUE(prompt_.shown.empty());
    ASSERT_GT(hungUp, 0u);
    std::vector<std::string> after(view_.calls.begin() + static_cast<long>(hungUp), view_.calls.end());
    EXPECT_NE(std::find(after.begin(), after.end(), "tray 0"), after.end());
    EXPECT_EQ(std::find(after.begin(), after.end(), "show-hide 0"), after.end());
}

// A close sent while a tick waits on the shell asks nothing inside the tick: it comes back to
// the window once the tick is done, once.
TEST_F(TickTest, CloseDuringATickIsCarriedOutWhenTheTickReturns) {
    Settings.RunHide = 1;
    bool deferred = false;
    view_.duringTray = [&] { deferred = tick_.DeferClose(); };
    ras_.Connect("A");
    TickAt(Local(2001, 1, 3, 12, 0, 0));
    EXPECT_TRUE(deferred);
    ASSERT_FALSE(view_.calls.empty());
    EXPECT_EQ(view_.calls.back(), "close");  // after everything the tick did
    EXPECT_EQ(view_.Count("close"), 1u);
    EXPECT_FALSE(tick_.DeferClose());  // no tick running: the close runs at once
    TickAt(Local(2001, 1, 3, 12, 0, 1));
    EXPECT_EQ(view_.Count("close"), 1u);
}

// A zone with daylight saving and the days it begins (02:00 standard time is followed by
// 03:00 summer time) and ends (that day has 25 hours) in one year. msvcrt reads only a zone's
// names and offsets from TZ and gives any zone with a summer name the US rules (since 2007:
// the second Sunday of March to the first Sunday of November, at 02:00), so a European rule
// cannot be told to it; the Windows build checks an American zone in a year after 2007.
struct DstYear {
    const char* tz;
    int year;
    int beginMonth, beginDay;
    int endMonth, endDay;
};
#ifdef _WIN32
constexpr DstYear kDst{"EST5EDT", 2024, 3, 10, 11, 3};
#else
constexpr DstYear kDst{"CET-1CEST,M3.5.0,M10.5.0/3", 2001, 3, 25, 10, 28};
#endif

class FixedTimeDstTest : public TickTest {
protected:
    static int64_t OnBegin(int day, int hour, int minute, int second) {
        return Local(kDst.year, kDst.beginMonth, kDst.beginDay + day, hour, minute, second);
    }
    static int64_t OnEnd(int day, int hour, int minute, int second) {
        return Local(kDst.year, kDst.endMonth, kDst.endDay + day, hour, minute, second);
    }
    test::ScopedTimeZone dst_{kDst.tz};
};

TEST_F(FixedTimeDstTest, NextFixedTime) {
    // The zone really changes its offset on both days, or the cases below would prove nothing.
    ASSERT_EQ(OnBegin(1, 0, 0, 0) - OnBegin(0, 0, 0, 0), 23 * 3600);
    ASSERT_EQ(OnEnd(1, 0, 0, 0) - OnEnd(0, 0, 0, 0), 25 * 3600);
    struct Case {
        int64_t now;
        uint32_t hour, minute;
        int64_t target;
    } cases[] = {
        {Local(2001, 1, 3, 12, 0, 0), 23, 30, Local(2001, 1, 3, 23, 30, 0)},
        {Local(2001, 1, 3, 23, 30, 59), 23, 30, Local(2001, 1, 3, 23, 30, 0)},  // the current minute: today
        {Local(2001, 1, 3, 23, 31, 0), 23, 30, Local(2001, 1, 4, 23, 30, 0)},
        {Local(2001, 1, 3, 23, 0, 0), 22, 59, Local(2001, 1, 4, 22, 59, 0)},
        {Local(2001, 12, 31, 23, 0, 0), 8, 0, Local(2002, 1, 1, 8, 0, 0)},
        {Local(2001, 1, 3, 12, 0, 0), 24, 0, Local(2001, 1, 4, 0, 0, 0)},  // out of range: normalised
        // The day daylight saving ends has 25 hours: tomorrow's 00:00 is 25 h after today's.
        {OnEnd(0, 23, 0, 0), 0, 0, OnEnd(1, 0, 0, 0)},
        // The day it begins has 23; the target's offset is not the one of now.
        {OnBegin(-1, 23, 40, 0), 23, 30, OnBegin(0, 23, 30, 0)},
        {OnBegin(0, 1, 59, 45), 3, 0, OnBegin(0, 1, 59, 45) + 15},
    };
    for (const Case& c : cases) {
        int64_t target = 0;
        EXPECT_TRUE(NextFixedTime(c.now, c.hour, c.minute, &target)) << c.now;
        EXPECT_EQ(target, c.target) << c.now << " " << c.hour << ":" << c.minute;
    }
    int64_t ignored;
    NextFixedTime(Local(2001, 1, 3, 12, 0, 0), 0xFFFFFFFFu, 0xFFFFFFFFu, &ignored);  // no crash
}

TEST_F(FixedTimeDstTest, MidnightOnTheDayDaylightSavingEnds) {
    Settings.DisconnectEnable = 0;
    Settings.WarningEnable = 0;
    Settings.FixedTime = 1;
    Settings.FixedTimeH = 0;
    Settings.FixedTimeM = 0;
    ras_.Connect("A");
    TickAt(OnEnd(0, 12, 0, 0));
    for (int s = 45; s < 66; ++s) TickAt(OnEnd(0, 22, 59, 0) + s);  // 24 h after today's 00:00
    EXPECT_EQ(State().displayMode, kModeNormal);
    EXPECT_TRUE(HangUps().empty());
    TickAt(OnEnd(0, 23, 59, 45));
    EXPECT_EQ(State().texts.countdown, test::Cp932(u8"強制切断まで 10 秒"));
    TickAt(OnEnd(0, 23, 59, 55));
    EXPECT_EQ(HangUps().size(), 1u);
}

TEST_F(FixedTimeDstTest, FixedTimeJustAfterDaylightSavingBegins) {
    Settings.DisconnectEnable = 0;
    Settings.FixedTime = 1;
    Settings.FixedTimeH = 3;  // 03:00 summer time follows 01:59:59 winter time
    Settings.FixedTimeM = 0;
    ras_.Connect("A");
    TickAt(OnBegin(0, 1, 0, 0));
    TickAt(OnBegin(0, 1, 59, 45));
    EXPECT_EQ(State().displayMode, kModeFixedCountdown);
    EXPECT_EQ(State().texts.countdown, test::Cp932(u8"強制切断まで 10 秒"));
    TickAt(OnBegin(0, 1, 59, 55));
    EXPECT_EQ(HangUps().size(), 1u);
}

}  // namespace
