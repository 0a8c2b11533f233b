// The simulated service itself: limits, hang-ups, faults, dials from another thread, saved
// dial parameters and the journal, since the other tests and the end-to-end runs rely on them.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <thread>

#include "sim/ras_sim.h"
#include "test_support.h"

namespace {

using sim::RasSim;

struct Event {
    unsigned message;
    RASCONNSTATE state;
    uint32_t error;
    std::thread::id thread;
};

std::mutex eventsMutex;
std::vector<Event> events;

void RAS_API RecordEvent(unsigned message, RASCONNSTATE state, uint32_t error) {
    std::lock_guard<std::mutex> lock(eventsMutex);
    events.push_back({message, state, error, std::this_thread::get_id()});
}

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        events.clear();
        ras_.AddEntry({"MyISP", "03", "12345678", "taro", "", true, "secret"});
        ras_.AddEntry({"Other", "", "555", "", "dom", false, ""});
        ras_.SetDialInterval(1);
    }

    uint32_t Enumerate(uint32_t* count, RASCONNA (&conns)[4]) {
        std::memset(conns, 0, sizeof conns);
        for (RASCONNA& c : conns) c.dwSize = kRasConnSize;
        uint32_t bytes = 4 * kRasConnSize;
        return ras_.RasEnumConnectionsA(conns, &bytes, count);
    }
    uint32_t Status(HRASCONN h, RASCONNSTATE* state = nullptr) {
        RASCONNSTATUSA s{};
        s.dwSize = kRasConnStatusSize;
        uint32_t r = ras_.RasGetConnectStatusA(h, &s);
        if (state) *state = s.rasconnstate;
        return r;
    }
    RASDIALPARAMSA Params(const char* entry) {
        RASDIALPARAMSA p{};
        p.dwSize = kRasDialParamsSize;
        std::strcpy(p.szEntryName, entry);
        return p;
    }

    RasSim ras_{[] { return 0.0; }};
};

TEST_F(SimTest, MoreThanFourConnectionsIsBufferTooSmall) {
    RASCONNA conns[4];
    uint32_t count = 0;
    for (int i = 0; i < 4; ++i) ras_.Connect("c" + std::to_string(i));
    EXPECT_EQ(Enumerate(&count, conns), 0u);
    EXPECT_EQ(count, 4u);
    EXPECT_STREQ(conns[3].szEntryName, "c3");
    ras_.Connect("c4");
    EXPECT_EQ(Enumerate(&count, conns), static_cast<uint32_t>(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(count, 5u);
}

TEST_F(SimTest, WrongStructureSizeIsRefused) {
    RASCONNA conns[4] = {};
    uint32_t bytes = sizeof conns, count = 0;
    EXPECT_EQ(ras_.RasEnumConnectionsA(conns, &bytes, &count), sim::kErrorInvalidSize);
    RASCONNSTATUSA status{};
    EXPECT_EQ(ras_.RasGetConnectStatusA(ras_.Connect("x"), &status), sim::kErrorInvalidSize);
}

TEST_F(SimTest, EnumerationReadsOnlyTheBufferItIsGiven) {
    ras_.Connect("A");
    ras_.Connect("B");
    RASCONNA one{};  // dwSize left 0: a buffer said to be empty is not looked at
    uint32_t bytes = 0, count = 0;
    EXPECT_EQ(ras_.RasEnumConnectionsA(&one, &bytes, &count), static_cast<uint32_t>(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(bytes, 2 * kRasConnSize);
    EXPECT_EQ(count, 2u);
    bytes = 0;
    EXPECT_EQ(ras_.RasEnumConnectionsA(nullptr, &bytes, &count), static_cast<uint32_t>(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(bytes, 2 * kRasConnSize);

    RasSim empty{[] { return 0.0; }};
    bytes = 0;
    EXPECT_EQ(empty.RasEnumConnectionsA(nullptr, &bytes, &count), 0u);
    EXPECT_EQ(count, 0u);
}

TEST_F(SimTest, DialParametersOfAnUnknownSizeAreNotRead) {
    RASDIALPARAMSA p = Params("MyISP");
    p.dwSize = 100;  // a structure of another version, shorter than its names
    HRASCONN h = nullptr;
    EXPECT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), sim::kErrorInvalidSize);
    EXPECT_EQ(ras_.RasSetEntryDialParamsA(nullptr, &p, 0), sim::kErrorInvalidSize);
    std::vector<std::string> expected = {"0.000 RasDialA -> 632",
                                         "0.000 RasSetEntryDialParamsA remove-password=0 -> 632"};
    EXPECT_EQ(ras_.Journal(), expected);
}

TEST_F(SimTest, HangUpTakesTheSetNumberOfStatusQueries) {
    struct Case {
        int polls;
        int answers;  // queries answered after the hang-up, before 6
    } cases[] = {{0, 0}, {1, 1}, {3, 3}};
    for (const Case& c : cases) {
        ras_.SetHangupPolls(c.polls);
        HRASCONN h = ras_.Connect("MyISP");
        EXPECT_EQ(ras_.RasHangUpA(h), 0u);
        for (int i = 0; i < c.answers; ++i) {
            RASCONNSTATE state = 0;
            EXPECT_EQ(Status(h, &state), 0u) << c.polls;
            EXPECT_EQ(state, RASCS_Disconnected);
        }
        EXPECT_EQ(Status(h), static_cast<uint32_t>(ERROR_INVALID_HANDLE)) << c.polls;
        EXPECT_EQ(ras_.ConnectionCount(), 0) << c.polls;
    }
}

TEST_F(SimTest, HangUpThatNeverEnds) {
    ras_.SetHangupPolls(sim::kHangupNever);
    HRASCONN h = ras_.Connect("MyISP");
    ras_.RasHangUpA(h);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(Status(h), 0u);
    EXPECT_EQ(ras_.ConnectionCount(), 1);
    EXPECT_EQ(ras_.RasHangUpA(reinterpret_cast<HRASCONN>(0x9999)), static_cast<uint32_t>(ERROR_INVALID_HANDLE));
}

TEST_F(SimTest, FaultsForAGivenNumberOfCalls) {
    HRASCONN h = ras_.Connect("MyISP");
    ras_.Fail(sim::Op::kGetStatus, 1234, 2);
    EXPECT_EQ(Status(h), 1234u);
    EXPECT_EQ(Status(h), 1234u);
    EXPECT_EQ(Status(h), 0u);
    ras_.Fail(sim::Op::kGetStatus, 99);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Status(h), 99u);
    ras_.FailOff(sim::Op::kGetStatus);
    EXPECT_EQ(Status(h), 0u);
}

TEST_F(SimTest, OperationNames) {
    for (int i = 0; i < sim::kOpCount; ++i) {
        sim::Op op;
        ASSERT_TRUE(sim::ParseOp(sim::OpName(static_cast<sim::Op>(i)), &op));
        EXPECT_EQ(static_cast<int>(op), i);
    }
    sim::Op op;
    EXPECT_FALSE(sim::ParseOp("hangup", &op));
}

TEST_F(SimTest, DialReportsItsStepsFromAnotherThreadAndConnects) {
    RASDIALPARAMSA p = Params("MyISP");
    HRASCONN h = nullptr;
    ras_.SetDialSteps({0, 3, 0x2000});
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 0u);
    EXPECT_NE(h, nullptr);
    ras_.WaitForDials();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].message, WM_RASDIALEVENT);
    EXPECT_EQ(events[1].state, 3u);
    EXPECT_EQ(events[2].state, 0x2000u);
    for (const Event& e : events) {
        EXPECT_EQ(e.error, 0u);
        EXPECT_NE(e.thread, std::this_thread::get_id());
    }
    RASCONNA conns[4];
    uint32_t count = 0;
    Enumerate(&count, conns);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(conns[0].hrasconn, h);
    EXPECT_STREQ(conns[0].szEntryName, "MyISP");
}

TEST_F(SimTest, ListedDialsAreEnumeratedInTheirStateFromTheStart) {
    RASDIALPARAMSA p = Params("MyISP");
    HRASCONN h = nullptr;
    RASCONNA conns[4];
    uint32_t count = 0;
    RASCONNSTATE state = 99;
    ras_.SetDialListed(true);
    ras_.SetDialInterval(60000);
    ras_.Connect("Other");
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 0u);
    ASSERT_EQ(Enumerate(&count, conns), 0u);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(conns[1].hrasconn, h);
    EXPECT_STREQ(conns[1].szEntryName, "MyISP");
    EXPECT_EQ(Status(h, &state), 0u);
    EXPECT_EQ(state, 0u);  // no step reported yet
    ASSERT_EQ(ras_.RasHangUpA(h), 0u);
    ASSERT_EQ(Enumerate(&count, conns), 0u);
    EXPECT_EQ(count, 1u);

    // A failed dial stays listed until it is hung up; a connected one is listed once.
    ras_.SetDialInterval(1);
    ras_.SetDialError(691, 2);
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 0u);
    ras_.WaitForDials();
    ASSERT_EQ(Enumerate(&count, conns), 0u);
    EXPECT_EQ(count, 2u);
    ras_.RasHangUpA(h);
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 0u);
    ras_.WaitForDials();
    ASSERT_EQ(Enumerate(&count, conns), 0u);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(conns[1].hrasconn, h);

    ras_.SetDialListed(false);  // the default: only once connected
    ras_.SetDialInterval(60000);
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 0u);
    ASSERT_EQ(Enumerate(&count, conns), 0u);
    EXPECT_EQ(count, 2u);
    ras_.RasHangUpA(h);
}

TEST_F(SimTest, DialErrorAtAChosenStep) {
    RASDIALPARAMSA p = Params("MyISP");
    HRASCONN h = nullptr;
    ras_.SetDialError(691, 2);
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 0u);
    ras_.WaitForDials();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].error, 0u);
    EXPECT_EQ(events[1].error, 691u);
    EXPECT_EQ(ras_.ConnectionCount(), 0);
    EXPECT_EQ(Status(h), 0u);  // the failed dial answers until it is hung up
    EXPECT_EQ(ras_.RasHangUpA(h), 0u);
    EXPECT_EQ(Status(h), static_cast<uint32_t>(ERROR_INVALID_HANDLE));

    events.clear();
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 0u);  // the error was for one dial
    ras_.WaitForDials();
    EXPECT_EQ(events.back().state, 0x2000u);
}

TEST_F(SimTest, DialThatFailsAtOnce) {
    RASDIALPARAMSA p = Params("MyISP");
    HRASCONN h = nullptr;
    ras_.SetDialFail(633);
    EXPECT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 633u);
    EXPECT_EQ(h, nullptr);
    RASDIALPARAMSA unknown = Params("Nowhere");
    EXPECT_EQ(ras_.RasDialA(nullptr, nullptr, &unknown, 0, RecordEvent, &h), 623u);
    ras_.WaitForDials();
    EXPECT_TRUE(events.empty());
}

TEST_F(SimTest, OnlyTheRasDialFuncFormOfNotifierIsCalled) {
    RASDIALPARAMSA p = Params("MyISP");
    HRASCONN h = nullptr;
    EXPECT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 1, RecordEvent, &h), sim::kErrorInvalidParameter);
    EXPECT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0xFFFFFFFF, RecordEvent, &h), sim::kErrorInvalidParameter);
    EXPECT_EQ(h, nullptr);
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 0u);
    ras_.WaitForDials();
    EXPECT_EQ(events.size(), 8u);
}

TEST_F(SimTest, ResetStopsADialUnderWay) {
    RASDIALPARAMSA p = Params("MyISP");
    HRASCONN h = nullptr;
    ras_.SetDialInterval(60000);
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 0u);
    ras_.Reset();
    ras_.WaitForDials();
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(Status(h), static_cast<uint32_t>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 623u);  // the phone book is empty
}

TEST_F(SimTest, HangUpDuringTheDialStopsIt) {
    RASDIALPARAMSA p = Params("MyISP");
    HRASCONN h = nullptr;
    ras_.SetDialInterval(60000);
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 0u);
    EXPECT_EQ(ras_.RasHangUpA(h), 0u);
    ras_.WaitForDials();  // returns at once: the wait is cut short
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(ras_.ConnectionCount(), 0);
    EXPECT_EQ(Status(h), static_cast<uint32_t>(ERROR_INVALID_HANDLE));
}

TEST_F(SimTest, SavedDialParameters) {
    RASDIALPARAMSA p = Params("MyISP");
    int saved = -1;
    ASSERT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &p, &saved), 0u);
    EXPECT_STREQ(p.szUserName, "taro");
    EXPECT_STREQ(p.szPassword, "secret");
    EXPECT_EQ(saved, 1);

    RASDIALPARAMSA o = Params("Other");
    ASSERT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &o, &saved), 0u);
    EXPECT_STREQ(o.szDomain, "dom");
    EXPECT_EQ(saved, 0);

    std::strcpy(p.szPassword, "typed");
    ASSERT_EQ(ras_.RasSetEntryDialParamsA(nullptr, &p, 1), 0u);
    sim::Entry e;
    ASSERT_TRUE(ras_.FindEntry("MyISP", &e));
    EXPECT_FALSE(e.hasPassword);
    EXPECT_EQ(e.password, "");
    ASSERT_EQ(ras_.RasSetEntryDialParamsA(nullptr, &p, 0), 0u);
    ASSERT_TRUE(ras_.FindEntry("MyISP", &e));
    EXPECT_TRUE(e.hasPassword);
    EXPECT_EQ(e.password, "typed");

    RASDIALPARAMSA missing = Params("Nowhere");
    EXPECT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &missing, &saved), 623u);
}

// The service of Windows 2000 and later: loads hand out a stand-in, and a dial swaps it for
// the saved password only while the entry still has one.
TEST_F(SimTest, SavedPasswordStandIn) {
    const std::string standIn = sim::kSavedPasswordStandIn;
    ras_.SetSavedPasswordStandIn(true);
    ras_.SetHangupPolls(0);
    RASDIALPARAMSA p = Params("MyISP");
    int saved = -1;
    ASSERT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &p, &saved), 0u);
    EXPECT_EQ(p.szPassword, standIn);
    EXPECT_EQ(saved, 1);
    RASDIALPARAMSA o = Params("Other");  // nothing saved: nothing to stand in for
    ASSERT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &o, &saved), 0u);
    EXPECT_STREQ(o.szPassword, "");
    EXPECT_EQ(saved, 0);

    // Saved back, the stand-in keeps the password it stands for.
    ASSERT_EQ(ras_.RasSetEntryDialParamsA(nullptr, &p, 0), 0u);
    sim::Entry e;
    ASSERT_TRUE(ras_.FindEntry("MyISP", &e));
    EXPECT_TRUE(e.hasPassword);
    EXPECT_EQ(e.password, "secret");

    // A dial with the stand-in uses the saved password.
    HRASCONN h = nullptr;
    ras_.ClearJournal();
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 0u);
    ras_.WaitForDials();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().error, 0u);
    EXPECT_EQ(events.back().state, 0x2000u);
    EXPECT_NE(ras_.Journal()[0].find("RasDialA entry=MyISP user=taro password=secret domain=\"\" stand-in=resolved -> 0 "),
              std::string::npos)
        << ras_.Journal()[0];
    ras_.RasHangUpA(h);

    // Removed first, the stand-in points at nothing: the provider refuses it.
    ASSERT_EQ(ras_.RasSetEntryDialParamsA(nullptr, &p, 1), 0u);
    ASSERT_TRUE(ras_.FindEntry("MyISP", &e));
    EXPECT_FALSE(e.hasPassword);
    events.clear();
    ras_.ClearJournal();
    ras_.SetDialSteps({0, 6, 0x2000});
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 0u);
    ras_.WaitForDials();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].error, 0u);
    EXPECT_EQ(events[2].error, sim::kErrorAuthenticationFailure);
    EXPECT_EQ(ras_.ConnectionCount(), 0);
    EXPECT_NE(ras_.Journal()[0].find("password=**************** domain=\"\" stand-in=unresolved -> 0 "),
              std::string::npos)
        << ras_.Journal()[0];
    ras_.RasHangUpA(h);

    // A typed password is used as typed, with or without the mode.
    std::strcpy(p.szPassword, "typed");
    for (bool on : {true, false}) {
        ras_.SetSavedPasswordStandIn(on);
        ras_.ClearJournal();
        ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, RecordEvent, &h), 0u);
        ras_.WaitForDials();
        EXPECT_NE(ras_.Journal()[0].find("password=typed domain=\"\" -> 0 "), std::string::npos) << ras_.Journal()[0];
        ras_.RasHangUpA(h);
    }
    // Without the mode the stand-in is a password like any other, saved and dialled as it is.
    std::strcpy(p.szPassword, standIn.c_str());
    ASSERT_EQ(ras_.RasSetEntryDialParamsA(nullptr, &p, 0), 0u);
    ASSERT_TRUE(ras_.FindEntry("MyISP", &e));
    EXPECT_EQ(e.password, standIn);
}

TEST_F(SimTest, ErrorTexts) {
    ras_.SetErrorText(691, "denied");
    char text[256];
    EXPECT_EQ(ras_.RasGetErrorStringA(691, text, sizeof text), 0u);
    EXPECT_STREQ(text, "denied");
    EXPECT_NE(ras_.RasGetErrorStringA(692, text, sizeof text), 0u);
    EXPECT_NE(ras_.RasGetErrorStringA(691, text, 3), 0u);
}

TEST_F(SimTest, JournalLines) {
    ras_.SetCodec(test::Cp932Codec());
    ras_.AddEntry({"表 ISP", "", "1", "", "", false, ""});
    HRASCONN h = ras_.Connect("MyISP");
    RASCONNA conns[4];
    uint32_t count = 0;
    Enumerate(&count, conns);
    Status(h);
    RASENTRYA entry{};
    entry.dwSize = kRasEntrySize;
    uint32_t size = kRasEntrySize;
    ras_.RasGetEntryPropertiesA(nullptr, "MyISP", &entry, &size, nullptr, nullptr);
    ras_.RasGetEntryPropertiesA(nullptr, "表 ISP", &entry, &size, nullptr, nullptr);
    RASDIALPARAMSA p = Params("MyISP");
    int saved = 0;
    ras_.RasGetEntryDialParamsA(nullptr, &p, &saved);
    ras_.RasSetEntryDialParamsA(nullptr, &p, 0);
    ras_.RasHangUpA(h);
    Status(h);
    Status(h);
    std::vector<std::string> expected = {
        "0.000 RasEnumConnectionsA -> 0 count=1",
        "0.000 RasGetConnectStatusA handle=0x1001 -> 0 state=0x2000",
        "0.000 RasGetEntryPropertiesA entry=MyISP -> 0 area=03 number=12345678",
        u8"0.000 RasGetEntryPropertiesA entry=\"表 ISP\" -> 0 area=\"\" number=1",
        "0.000 RasGetEntryDialParamsA entry=MyISP -> 0 user=taro domain=\"\" saved-password=1",
        "0.000 RasSetEntryDialParamsA entry=MyISP user=taro password=secret domain=\"\" remove-password=0 -> 0",
        "0.000 RasHangUpA handle=0x1001 entry=MyISP -> 0",
        "0.000 RasGetConnectStatusA handle=0x1001 -> 0 state=0x2001",
        "0.000 RasGetConnectStatusA handle=0x1001 -> 6",
    };
    EXPECT_EQ(ras_.Journal(), expected);
}

TEST_F(SimTest, ScriptClockStartsAtTheFirstCall) {
    double now = 100;
    RasSim timed([&] { return now; });
    now = 105;
    RASCONNA conns[4];
    std::memset(conns, 0, sizeof conns);
    conns[0].dwSize = kRasConnSize;
    uint32_t bytes = sizeof conns, count = 0;
    timed.RasEnumConnectionsA(conns, &bytes, &count);
    now = 106.5;
    timed.RasEnumConnectionsA(conns, &bytes, &count);
    std::vector<std::string> journal = timed.Journal();
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0].substr(0, 6), "0.000 ");
    EXPECT_EQ(journal[1].substr(0, 6), "1.500 ");
}

TEST(SimQuote, Values) {
    EXPECT_EQ(sim::QuoteValue("taro"), "taro");
    EXPECT_EQ(sim::QuoteValue(""), "\"\"");
    EXPECT_EQ(sim::QuoteValue("My ISP"), "\"My ISP\"");
    EXPECT_EQ(sim::QuoteValue("a=b"), "\"a=b\"");
    EXPECT_EQ(sim::QuoteValue("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(sim::QuoteValue("C:\\x"), "C:\\x");
    EXPECT_EQ(sim::QuoteValue("a\rb"), "\"a\rb\"");
    EXPECT_EQ(sim::QuoteValue("a\nb"), "\"a\nb\"");
}

}  // namespace
