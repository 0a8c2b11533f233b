// Hang-up against the simulated service: scopes, the question, the order of the calls and
// the bounded wait.
#include <gtest/gtest.h>

#include "doubles.h"
#include "monitor/connection_table.h"
#include "monitor/log_files.h"
#include "monitor/tick_time.h"
#include "ras/hang_up.h"
#include "test_support.h"

namespace {

// Time passes only when the hang-up yields: each yield is one millisecond.
class CountingWait final : public LineWait {
public:
    void Yield() override {
        ++yields;
        ++now;
    }
    uint32_t Milliseconds() override { return now; }
    uint32_t now = 0xFFFFF000u;  // near the wrap, which must not matter
    int yields = 0;
};

class HangUpTest : public test::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        SetLineWait(&wait_);
        SetFiles(&nowhere_);
    }
    void TearDown() override {
        SetLineWait(nullptr);
        CoreTest::TearDown();
    }
    void Connect(std::initializer_list<const char*> names) {
        for (const char* n : names) ras_.Connect(n);
        RefreshConnections();
    }
    std::vector<std::string> Calls() {
        std::vector<std::string> calls;
        for (const std::string& line : ras_.Journal())
            if (line.find("RasHangUpA") != std::string::npos || line.find("RasGetConnectStatusA") != std::string::npos)
                calls.push_back(line.substr(6));
        return calls;
    }

    CountingWait wait_;
    // Sessions here are not about logs: every log opens nowhere.
    test::NoFiles nowhere_;
};

TEST_F(HangUpTest, ScopesThatHangUpNothing) {
    HangUp(false, nullptr);  // no connection: nothing asked
    Connect({"A"});
    HangUp(false, "");
    HangUp(false, "B");
    HangUp(true, "a");  // names compare case-sensitively
    EXPECT_TRUE(prompt_.shown.empty());
    EXPECT_EQ(ras_.ConnectionCount(), 1);
}

TEST_F(HangUpTest, NoAnswerHangsNothingUp) {
    Connect({"A"});
    prompt_.answers = {kIdNo};
    HangUp(false, nullptr);
    ASSERT_EQ(prompt_.shown.size(), 1u);
    EXPECT_EQ(prompt_.shown[0].text, "ﾀﾞｲｱﾙ回線を切断しますか");
    EXPECT_EQ(prompt_.shown[0].style, kMbYesNo | kMbIconExclamation);
    EXPECT_EQ(ras_.ConnectionCount(), 1);
}

TEST_F(HangUpTest, YesHangsEveryLineUp) {
    Connect({"A", "B"});
    prompt_.answers = {kIdYes};
    HangUp(false, nullptr);
    EXPECT_EQ(ras_.ConnectionCount(), 0);
}

TEST_F(HangUpTest, AllIssuesEveryHangUpBeforeWaiting) {
    Connect({"A", "B"});
    ras_.ClearJournal();
    HangUp(true, nullptr);
    std::vector<std::string> expected = {
        "RasHangUpA handle=0x1001 entry=A -> 0",
        "RasHangUpA handle=0x1002 entry=B -> 0",
        "RasGetConnectStatusA handle=0x1001 -> 0 state=0x2001",
        "RasGetConnectStatusA handle=0x1001 -> 6",
        "RasGetConnectStatusA handle=0x1002 -> 0 state=0x2001",
        "RasGetConnectStatusA handle=0x1002 -> 6",
    };
    EXPECT_EQ(Calls(), expected);
    EXPECT_EQ(ConnectionTable.slots[0].rasStatus.rasconnstate, RASCS_Disconnected);  // written by the wait
    EXPECT_EQ(wait_.yields, 2);
}

TEST_F(HangUpTest, NamedScopeTakesTheFirstOfTwoWithTheSameName) {
    Connect({"A", "A"});
    ras_.ClearJournal();
    HangUp(true, "A");
    ASSERT_FALSE(Calls().empty());
    EXPECT_EQ(Calls()[0], "RasHangUpA handle=0x1001 entry=A -> 0");
    EXPECT_EQ(ras_.ConnectionCount(), 1);
}

TEST_F(HangUpTest, WaitIsBoundedWhenTheLineNeverGoes) {
    ras_.SetHangupPolls(sim::kHangupNever);
    Connect({"A", "B"});
    HangUp(true, nullptr);
    EXPECT_EQ(wait_.yields, 2 * static_cast<int>(kHangUpWaitMs));
    EXPECT_EQ(ras_.ConnectionCount(), 2);
}

TEST_F(HangUpTest, WaitContinuesWhileTheServiceAnswers) {
    ras_.SetHangupPolls(50);
    Connect({"A"});
    HangUp(true, "A");
    EXPECT_EQ(wait_.yields, 50);
    EXPECT_EQ(ras_.ConnectionCount(), 0);
}

// The table changes while the question is open (a tick runs inside the message box).
class ChangingPrompt final : public Prompt {
public:
    explicit ChangingPrompt(sim::RasSim& ras) : ras_(ras) {}
    int Show(const std::string&, unsigned) override {
        ras_.Drop("A");
        ras_.Connect("C");
        RefreshConnections();
        return kIdYes;
    }
    sim::RasSim& ras_;
};

TEST_F(HangUpTest, TableChangedUnderTheQuestion) {
    Connect({"A", "B"});
    ChangingPrompt changing(ras_);
    SetPrompts(&changing);
    HangUp(false, "A");  // A went away meanwhile; C took its slot and must be kept
    EXPECT_EQ(ras_.ConnectionCount(), 2);
    HangUp(false, nullptr);
    EXPECT_EQ(ras_.ConnectionCount(), 0);  // all: every line there when the user said Yes
}

}  // namespace
