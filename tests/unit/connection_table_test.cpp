// The connection table against the simulated service: the Free / Waiting / Counting
// transitions, their changed results, the session clock, and the service's failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "base/settings.h"
#include "doubles.h"
#include "monitor/connection_table.h"
#include "monitor/log_files.h"
#include "monitor/tick_time.h"
#include "monitor/usage_log.h"
#include "test_support.h"

namespace {

using test::Local;

class TableTest : public test::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        Settings.LogPath = dir_.path();
        Settings.TimeUnit = 0;
        ras_.AddEntry({"A", "03", "1111", "", "", false, ""});
        ras_.AddEntry({"B", "", "2222", "", "", false, ""});
        ResetSlot(kSlotCount);
        TickTime = Local(2001, 1, 3, 9, 0, 0);
    }

    // One refresh at `seconds` after 09:00.
    TableChange At(int seconds) {
        TickTime = Local(2001, 1, 3, 9, 0, 0) + seconds;
        return RefreshConnections();
    }
    ConnectionRecord& Active(uint32_t i) { return *ConnectionTable.active[i]; }
    int SlotOf(uint32_t i) { return static_cast<int>(ConnectionTable.active[i] - ConnectionTable.slots); }
    std::string Log(const char* entry) { return dir_.Read(std::string(entry) + "0101.csv"); }

    test::TempDir dir_;
};

TEST_F(TableTest, OneSessionFromStartToEnd) {
    ras_.Connect("A");
    EXPECT_EQ(At(0), TableChange::kChanged);  // Free -> Waiting -> Counting in one refresh
    ASSERT_EQ(ConnectionTable.activeCount, 1u);
    EXPECT_EQ(Active(0).elapsed, 15u);
    EXPECT_EQ(Active(0).phoneNumber, "031111");
    EXPECT_EQ(At(1), TableChange::kUnchanged);
    EXPECT_EQ(At(100), TableChange::kUnchanged);
    EXPECT_EQ(SlotOf(0), 0);
    EXPECT_EQ(Active(0).elapsed, 115u);
    EXPECT_EQ(Active(0).startTime, Local(2001, 1, 3, 9, 0, 0));

    ras_.Drop("A");
    EXPECT_EQ(At(101), TableChange::kChanged);
    EXPECT_EQ(ConnectionTable.activeCount, 0u);
    EXPECT_EQ(ConnectionTable.active[0], nullptr);
    EXPECT_FALSE(SlotOccupied(ConnectionTable.slots[0]));
    EXPECT_EQ(Log("A"), "\"2001/01/03\",\"09:00:00\",115,1.91\r\n");  // the last refresh that saw it
}

TEST_F(TableTest, StartOffset) {
    struct Case {
        uint32_t stratAdjust, first, later;
    } cases[] = {{0, 1, 11}, {1, 1, 11}, {2, 2, 12}, {15, 15, 25}, {60, 60, 70}};
    for (const Case& c : cases) {
        ResetSlot(kSlotCount);
        Settings.StratAdjust = c.stratAdjust;
        ras_.Connect("A");
        At(0);
        EXPECT_EQ(Active(0).elapsed, c.first) << c.stratAdjust;
        At(10);
        EXPECT_EQ(Active(0).elapsed, c.later) << c.stratAdjust;
        ras_.Drop("A");
    }
}

// A start offset near the top of 32 bits holds the session at the largest value instead of
// wrapping it to 0, which would restart the session (a new start time, its first part lost).
TEST_F(TableTest, AHugeStartOffsetNeverWrapsTheSessionToZero) {
    struct Case {
        uint32_t stratAdjust;
        uint32_t at0, at3, at100;
    } cases[] = {
        {4294967295u, 4294967295u, 4294967295u, 4294967295u},
        {4294967294u, 4294967294u, 4294967295u, 4294967295u},
        {4294967200u, 4294967200u, 4294967203u, 4294967295u},
        {2147483648u, 2147483648u, 2147483651u, 2147483748u},
    };
    for (const Case& c : cases) {
        ResetSlot(kSlotCount);
        Settings.StratAdjust = c.stratAdjust;
        ras_.Connect("A");
        EXPECT_EQ(At(0), TableChange::kChanged) << c.stratAdjust;
        EXPECT_EQ(Active(0).elapsed, c.at0) << c.stratAdjust;
        EXPECT_EQ(At(1), TableChange::kUnchanged) << c.stratAdjust;
        EXPECT_NE(Active(0).elapsed, 0u) << c.stratAdjust;
        EXPECT_EQ(At(3), TableChange::kUnchanged) << c.stratAdjust;  // no new session
        EXPECT_EQ(Active(0).elapsed, c.at3) << c.stratAdjust;
        EXPECT_EQ(At(100), TableChange::kUnchanged) << c.stratAdjust;
        EXPECT_EQ(Active(0).elapsed, c.at100) << c.stratAdjust;
        EXPECT_EQ(Active(0).startTime, Local(2001, 1, 3, 9, 0, 0)) << c.stratAdjust;
        ras_.Drop("A");
        EXPECT_EQ(At(101), TableChange::kChanged) << c.stratAdjust;
    }
    // One line per session, each with its whole length.
    std::string log = Log("A");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4) << log;
    EXPECT_NE(log.find(",4294967295,"), std::string::npos) << log;
    EXPECT_NE(log.find(",2147483748,"), std::string::npos) << log;
}

// A clock that jumps a very long way forward holds the session at the largest value too.
TEST_F(TableTest, AClockJumpOfCenturiesHoldsTheSessionAtItsLargest) {
    ras_.Connect("A");
    At(0);
    TickTime = Local(2001, 1, 3, 9, 0, 0) + (int64_t{1} << 32);
    RefreshConnections();
    EXPECT_EQ(Active(0).elapsed, 4294967295u);
    EXPECT_EQ(Active(0).startTime, Local(2001, 1, 3, 9, 0, 0));
}

TEST_F(TableTest, CountingRangeByLogonTime) {
    struct Case {
        int32_t logonTime;
        RASCONNSTATE state;
        bool counts;
    } cases[] = {
        {0, 0, false},          {0, 2, false},          {0, 3, true},       {0, 0x1000, true},
        {0, 0x2000, true},      {0, 0x2001, false},     {0, 0xFFFFFFFF, false},
        {1, 3, false},          {1, 0x1000, false},     {1, 0x2000, true},  {1, 0x2001, false},
        {5, 3, false},          {5, 0x2000, true},
    };
    for (const Case& c : cases) {
        ResetSlot(kSlotCount);
        Settings.LogonTime = c.logonTime;
        ras_.Connect("A", c.state);
        EXPECT_EQ(At(0), c.counts ? TableChange::kChanged : TableChange::kUnchanged) << c.logonTime << " " << c.state;
        EXPECT_EQ(Active(0).elapsed != 0, c.counts) << c.logonTime << " " << c.state;
        ras_.Drop("A");
    }
}

TEST_F(TableTest, WaitingConnectionStartsWhenItEntersTheRange) {
    Settings.LogonTime = 1;
    ras_.Connect("A", 3);
    EXPECT_EQ(At(0), TableChange::kUnchanged);  // a new connection not yet counting is no change
    ras_.SetState("A", 0x1000);
    EXPECT_EQ(At(5), TableChange::kUnchanged);
    ras_.SetState("A", 0x2000);
    EXPECT_EQ(At(10), TableChange::kChanged);
    EXPECT_EQ(Active(0).startTime, TickTime);
    Settings.LogonTime = 0;
    ras_.SetState("A", 3);  // a change within the range is no change
    EXPECT_EQ(At(11), TableChange::kUnchanged);
}

TEST_F(TableTest, FirstConnectionEndsAndSecondKeepsItsSlot) {
    ras_.Connect("A");
    ras_.Connect("B");
    At(0);
    ASSERT_EQ(ConnectionTable.activeCount, 2u);
    ras_.Drop("A");
    EXPECT_EQ(At(20), TableChange::kChanged);
    ASSERT_EQ(ConnectionTable.activeCount, 1u);
    EXPECT_EQ(SlotOf(0), 1);
    EXPECT_FALSE(SlotOccupied(ConnectionTable.slots[0]));
    EXPECT_EQ(ConnectionTable.active[1], nullptr);
    EXPECT_EQ(Log("A"), "\"2001/01/03\",\"09:00:00\",15,0.25\r\n");  // as the last refresh saw it

    EXPECT_EQ(At(40), TableChange::kUnchanged);
    EXPECT_EQ(SlotOf(0), 1);
    EXPECT_EQ(Active(0).elapsed, 55u);
    EXPECT_FALSE(dir_.Exists("B0101.csv"));
}

TEST_F(TableTest, RedialBetweenTicksKeepsTheSession) {
    ras_.Connect("A");
    At(0);
    ras_.Drop("A");
    HRASCONN again = ras_.Connect("A");
    EXPECT_EQ(At(30), TableChange::kUnchanged);
    EXPECT_EQ(Active(0).rasConn.hrasconn, again);
    EXPECT_EQ(Active(0).elapsed, 45u);
    EXPECT_FALSE(dir_.Exists("A0101.csv"));
}

TEST_F(TableTest, DisconnectedConnectionIsLoggedOnce) {
    ras_.Connect("A");
    At(0);
    ras_.SetState("A", RASCS_Disconnected);
    EXPECT_EQ(At(10), TableChange::kChanged);  // Counting -> Waiting
    EXPECT_EQ(Active(0).elapsed, 0u);
    EXPECT_EQ(At(11), TableChange::kUnchanged);
    EXPECT_EQ(At(12), TableChange::kUnchanged);
    EXPECT_EQ(Log("A"), "\"2001/01/03\",\"09:00:00\",25,0.41\r\n");
    ras_.Drop("A");
    EXPECT_EQ(At(13), TableChange::kChanged);  // Waiting -> Free
    EXPECT_EQ(Log("A"), "\"2001/01/03\",\"09:00:00\",25,0.41\r\n");
}

TEST_F(TableTest, WaitingRecordCountsAgainAsANewSession) {
    dir_.Write("A0101.csv", "a,b,c,10\r\n");
    ras_.Connect("A");
    At(0);
    EXPECT_EQ(Active(0).monthTotal, 600u);
    ras_.SetState("A", RASCS_Disconnected);
    At(45);  // 60 s logged: total 660
    ras_.SetState("A", RASCS_Connected);
    EXPECT_EQ(At(50), TableChange::kChanged);
    EXPECT_EQ(Active(0).startTime, TickTime);
    EXPECT_EQ(Active(0).monthTotal, 660u);  // read afresh from the log
}

TEST_F(TableTest, VanishingBeforeCountingLogsNothing) {
    Settings.LogonTime = 1;
    ras_.Connect("A", 5);
    At(0);
    ras_.Drop("A");
    EXPECT_EQ(At(1), TableChange::kChanged);
    EXPECT_EQ(ConnectionTable.activeCount, 0u);
    EXPECT_FALSE(dir_.Exists("A0101.csv"));
}

TEST_F(TableTest, AllConnectionsVanish) {
    for (const char* name : {"A", "B", "C"}) ras_.Connect(name);
    At(0);
    for (const char* name : {"A", "B", "C"}) ras_.Drop(name);
    EXPECT_EQ(At(60), TableChange::kChanged);
    EXPECT_EQ(ConnectionTable.activeCount, 0u);
    for (const ConnectionRecord& r : ConnectionTable.slots) EXPECT_FALSE(SlotOccupied(r));
    EXPECT_TRUE(dir_.Exists("C0101.csv"));
}

TEST_F(TableTest, FiveConnectionsChangeNothing) {
    for (const char* name : {"A", "B", "C", "D"}) ras_.Connect(name);
    At(0);
    ras_.Connect("E");
    ras_.Drop("A");
    ras_.Connect("A");
    EXPECT_EQ(At(30), TableChange::kUnchanged);
    EXPECT_EQ(ConnectionTable.activeCount, 4u);  // the last good list
    EXPECT_EQ(Active(0).elapsed, 15u);           // clocks kept, not advanced
    ras_.Drop("E");
    EXPECT_EQ(At(40), TableChange::kUnchanged);
    EXPECT_EQ(ConnectionTable.activeCount, 4u);
    EXPECT_EQ(Active(3).elapsed, 55u);  // A again, after B, C, D, its session going on
    EXPECT_STREQ(Active(3).rasConn.szEntryName, "A");
    EXPECT_FALSE(dir_.Exists("A0101.csv"));
}

TEST_F(TableTest, EnumerationFailureKeepsClocksAndList) {
    ras_.Connect("A");
    At(0);
    ras_.Fail(sim::Op::kEnumConnections, 610, 2);
    ras_.Drop("A");
    EXPECT_EQ(At(10), TableChange::kUnchanged);
    EXPECT_EQ(At(20), TableChange::kUnchanged);
    ASSERT_EQ(ConnectionTable.activeCount, 1u);
    EXPECT_EQ(Active(0).elapsed, 15u);
    EXPECT_EQ(At(30), TableChange::kChanged);  // now the service answers: the session ends
    EXPECT_EQ(Log("A"), "\"2001/01/03\",\"09:00:00\",15,0.25\r\n");
}

TEST_F(TableTest, StatusFailureKeepsTheLastStatus) {
    ras_.Connect("A");
    At(0);
    ras_.Fail(sim::Op::kGetStatus, 6, 1);
    ras_.SetState("A", RASCS_Disconnected);
    EXPECT_EQ(At(10), TableChange::kUnchanged);  // still 0x2000 as last queried
    EXPECT_EQ(Active(0).rasStatus.rasconnstate, RASCS_Connected);
    EXPECT_EQ(At(11), TableChange::kChanged);

    ras_.Fail(sim::Op::kGetStatus, 6, 2);  // A's query, then B's
    ras_.Connect("B");
    EXPECT_EQ(At(12), TableChange::kUnchanged);  // a new slot's status is all zero: not counting
    EXPECT_EQ(Active(1).rasStatus.rasconnstate, 0u);
    EXPECT_EQ(At(13), TableChange::kChanged);
}

TEST_F(TableTest, ClockSetBackKeepsTheSessionLength) {
    ras_.Connect("A");
    At(100);
    At(400);
    EXPECT_EQ(Active(0).elapsed, 315u);
    At(-3000);  // the clock goes back almost an hour
    EXPECT_EQ(Active(0).elapsed, 315u);
    At(-2990);
    EXPECT_EQ(Active(0).elapsed, 325u);
    ras_.Drop("A");
    At(-2980);
    EXPECT_NE(Log("A").find(",325,"), std::string::npos);
}

TEST_F(TableTest, PhoneNumbers) {
    ras_.AddEntry({"C", "", "", "", "", false, ""});
    for (const char* name : {"A", "B", "C", "X"}) ras_.Connect(name);
    At(0);
    EXPECT_EQ(Active(0).phoneNumber, "031111");
    EXPECT_EQ(Active(1).phoneNumber, "2222");
    EXPECT_EQ(Active(2).phoneNumber, "");
    EXPECT_EQ(Active(3).phoneNumber, "");  // not in the phone book: no message either
    EXPECT_TRUE(prompt_.shown.empty());
}

TEST_F(TableTest, EntryList) {
    EXPECT_EQ(EntryList.entryCount, 2u);
    EXPECT_STREQ(EntryList.entries[0].szEntryName, "A");
    EXPECT_STREQ(EntryList.entries[1].szEntryName, "B");
    EXPECT_EQ(EntryList.entries[2].szEntryName[0], '\0');
    EXPECT_EQ(EntryList.entries[3].dwSize, kRasEntryNameSize);

    for (const char* name : {"C", "D", "E"}) ras_.AddEntry({name, "", "", "", "", false, ""});
    ResetSlot(kSlotCount);  // five entries: the service refuses the buffer
    EXPECT_LE(EntryList.entryCount, kSlotCount);
    for (const RASENTRYNAMEA& e : EntryList.entries) EXPECT_EQ(e.szEntryName[0], '\0');
}

TEST_F(TableTest, AllSlotsResetClearsEverything) {
    ras_.Connect("A");
    At(0);
    ResetSlot(kSlotCount);
    EXPECT_EQ(ConnectionTable.activeCount, 0u);
    EXPECT_EQ(ConnectionTable.active[0], nullptr);
    EXPECT_FALSE(SlotOccupied(ConnectionTable.slots[0]));
    EXPECT_EQ(ConnectionTable.slots[0].elapsed, 0u);
    EXPECT_TRUE(ConnectionTable.slots[0].logPath.empty());
    EXPECT_TRUE(ConnectionTable.slots[0].phoneNumber.empty());
}

TEST_F(TableTest, ReplacedConnectionInAFullTableWaitsOneRefresh) {
    for (const char* name : {"A", "B", "C", "D"}) ras_.Connect(name);
    At(0);
    ras_.Drop("B");
    ras_.Connect("E");
    EXPECT_EQ(At(10), TableChange::kChanged);  // B swept
    ASSERT_EQ(ConnectionTable.activeCount, 3u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_NE(ConnectionTable.active[i], nullptr);
    EXPECT_EQ(At(11), TableChange::kChanged);  // E placed and counting
    ASSERT_EQ(ConnectionTable.activeCount, 4u);
    EXPECT_STREQ(Active(3).rasConn.szEntryName, "E");
    EXPECT_EQ(SlotOf(3), 1);
}

TEST_F(TableTest, RefreshCallsTheServiceInItsOrder) {
    ras_.Connect("A");
    ras_.Connect("B");
    At(0);
    ras_.ClearJournal();
    ras_.Drop("A");
    At(1);
    std::vector<std::string> journal = ras_.Journal();
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0], "0.000 RasEnumConnectionsA -> 0 count=1");
    EXPECT_EQ(journal[1], "0.000 RasGetConnectStatusA handle=0x1002 -> 0 state=0x2000");
}

// A line that cannot be written waits, reported once, and the refresh goes on: the slot is
// cleared and the other connections are updated in the same refresh. A later refresh writes it.
TEST_F(TableTest, LogErrorInTheSweepKeepsTheLine) {
    ras_.Connect("A");
    ras_.Connect("B");
    At(0);
    test::FailingFiles failing;
    SetFiles(&failing);
    ras_.Drop("A");
    EXPECT_EQ(At(10), TableChange::kChanged);
    EXPECT_FALSE(SlotOccupied(ConnectionTable.slots[0]));
    ASSERT_EQ(ConnectionTable.activeCount, 1u);
    EXPECT_STREQ(Active(0).rasConn.szEntryName, "B");
    EXPECT_EQ(Active(0).elapsed, 10u + 15u);  // B's clock ran in the same refresh
    std::string message;
    ASSERT_TRUE(TakeLogError(&message));
    EXPECT_NE(message.find("A0101.csv"), std::string::npos);
    EXPECT_FALSE(TakeLogError(&message));
    SetFiles(nullptr);
    EXPECT_EQ(At(11), TableChange::kUnchanged);
    EXPECT_FALSE(dir_.Exists("A0101.csv"));  // tried again every two seconds
    EXPECT_EQ(At(12), TableChange::kUnchanged);
    EXPECT_EQ(Log("A"), "\"2001/01/03\",\"09:00:00\",15,0.25\r\n");
    EXPECT_FALSE(TakeLogError(&message));
    EXPECT_TRUE(prompt_.shown.empty());  // the table shows no box itself
}

// A log that cannot be opened when the session begins: the session counts at once with its
// month unread, and the log is read again, quietly, at a later refresh.
TEST_F(TableTest, AMonthUnreadAtTheStartIsReadAgain) {
    dir_.Write("A0101.csv", "a,b,c,50\r\n");
    test::HeldFile sole(dir_, "A0101.csv", false);
    ras_.Connect("A");
    EXPECT_EQ(At(0), TableChange::kChanged);
    EXPECT_EQ(Active(0).elapsed, 15u);
    EXPECT_EQ(Active(0).monthTotal, 0u);
    EXPECT_TRUE(Active(0).monthUnread);
    At(2);
    sole.Release();
    At(3);
    EXPECT_TRUE(Active(0).monthUnread);  // not yet due
    At(4);
    EXPECT_FALSE(Active(0).monthUnread);
    EXPECT_EQ(Active(0).monthTotal, 3000u);
    std::string message;
    EXPECT_FALSE(TakeLogError(&message));
}

}  // namespace
