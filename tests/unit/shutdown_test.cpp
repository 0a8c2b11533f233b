// The way out: hang-up (asked or silent), the sessions it ends reach the log, the window's
// position and the settings are saved whatever the answer.
#include <gtest/gtest.h>

#include "app/shutdown.h"
#include "base/app_names.h"
#include "base/registry.h"
#include "base/settings.h"
#include "doubles.h"
#include "memory_registry.h"
#include "monitor/connection_table.h"
#include "monitor/monitor_tick.h"
#include "monitor/tick_time.h"
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
        SaveStateAndRelease(silent, tick_, [&](WindowPosition* p) {
            *p = {120, 80};
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

}  // namespace
