// The rasapi32 adapter (SystemRasApi) against the simulator DLL installed as the prefix's
// rasapi32.dll in its system folder: the 4.0 layouts cross the DLL boundary intact, names
// arrive in code page 932, dial events come from another thread, and every call reaches the
// journal in UTF-8.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "ras/ras_api_win.h"
#include "win_support.h"

namespace {

using wintest::Ansi;

// The simulator lives as long as the process: one script and one journal for all the tests
// here. Each test starts with "reset" and looks only at the journal lines it caused.
struct SimFiles {
    wintest::TempFolder folder{"ras"};
    std::string script = folder.path() + "\\script.txt";
    std::string journal = folder.path() + "\\journal.txt";
    std::string scriptVariable;  // as handed to the simulator
};
SimFiles* files = nullptr;

struct DialEvent {
    unsigned message;
    RASCONNSTATE state;
    uint32_t error;
    DWORD thread;
};
std::mutex eventsMutex;
std::vector<DialEvent> events;
HANDLE eventArrived = nullptr;

void RAS_API OnDialEvent(unsigned message, RASCONNSTATE state, uint32_t error) {
    {
        std::lock_guard<std::mutex> lock(eventsMutex);
        events.push_back({message, state, error, GetCurrentThreadId()});
    }
    SetEvent(eventArrived);
}

class RasApiWin : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        files = new SimFiles;
        ASSERT_TRUE(wintest::WriteWhole(files->script, "version 1\n"));
        // Under Wine the script goes by its Unix path, as a test script on the Linux side
        // names it; the journal by its Windows path.
        std::string unix = wintest::UnixPath(files->script);
        files->scriptVariable = unix.empty() ? files->script : unix;
        SetEnvironmentVariableW(L"TOLVANE_SIM_SCRIPT", wintest::Wide(files->scriptVariable).c_str());
        SetEnvironmentVariableW(L"TOLVANE_SIM_JOURNAL", wintest::Wide(files->journal).c_str());
        eventArrived = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        std::string failure;
        ASSERT_TRUE(LoadSystemRas(&failure)) << failure;
    }
    static void TearDownTestSuite() {
        delete files;
        files = nullptr;
        CloseHandle(eventArrived);
    }

    void SetUp() override {
        journalStart_ = wintest::ReadWhole(files->journal).size();
        Script("reset\n");
        std::lock_guard<std::mutex> lock(eventsMutex);
        events.clear();
    }

    void Script(const std::string& utf8) { ASSERT_TRUE(wintest::WriteWhole(files->script, utf8, true)); }

    // The journal lines written since the test began, without their time stamps.
    std::vector<std::string> Journal() {
        std::vector<std::string> lines = wintest::Lines(wintest::ReadWhole(files->journal).substr(journalStart_));
        for (std::string& line : lines) line = line.substr(line.find(' ') + 1);
        return lines;
    }
    bool JournalHas(const std::string& line) {
        for (const std::string& l : Journal())
            if (l == line) return true;
        return false;
    }

    uint32_t Enumerate(RASCONNA (&conns)[4], uint32_t* count) {
        std::memset(conns, 0, sizeof conns);
        for (RASCONNA& c : conns) c.dwSize = kRasConnSize;
        uint32_t bytes = sizeof conns;
        return ras_.RasEnumConnectionsA(conns, &bytes, count);
    }
    uint32_t Status(HRASCONN h, RASCONNSTATE* state = nullptr, uint32_t* error = nullptr) {
        RASCONNSTATUSA s;
        std::memset(&s, 0, sizeof s);
        s.dwSize = kRasConnStatusSize;
        uint32_t r = ras_.RasGetConnectStatusA(h, &s);
        if (state) *state = s.rasconnstate;
        if (error) *error = s.dwError;
        return r;
    }
    static RASDIALPARAMSA Params(const char* entry) {
        RASDIALPARAMSA p;
        std::memset(&p, 0, sizeof p);
        p.dwSize = kRasDialParamsSize;
        std::strncpy(p.szEntryName, entry, sizeof p.szEntryName - 1);
        return p;
    }
    // Waits until the dial has sent an event with the done bit or an error.
    bool WaitForDialEnd() {
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(eventsMutex);
                if (!events.empty() && (events.back().error || (events.back().state & RASCS_DONE))) return true;
            }
            if (WaitForSingleObject(eventArrived, 10000) != WAIT_OBJECT_0) return false;
        }
    }

    RasApi& ras_ = SystemRasApi();
    size_t journalStart_ = 0;
};

TEST_F(RasApiWin, TheSimulatorStandsInForTheSystemService) {
    RASCONNA conns[4];
    uint32_t count = 99;
    EXPECT_EQ(Enumerate(conns, &count), 0u);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(Journal(), std::vector<std::string>{"RasEnumConnectionsA -> 0 count=0"});
    if (!wintest::UnixPath(files->script).empty()) {
        EXPECT_EQ(files->scriptVariable[0], '/');
    }
}

TEST_F(RasApiWin, EntriesArriveInCodePage932) {
    Script(u8"entry \"接続 先\" area=03 number=12345678\nentry 表示ISP\nentry MyISP\n");
    RASENTRYNAMEA entries[4];
    std::memset(entries, 0, sizeof entries);
    for (RASENTRYNAMEA& e : entries) e.dwSize = kRasEntryNameSize;
    uint32_t bytes = sizeof entries, count = 0;
    ASSERT_EQ(ras_.RasEnumEntriesA(nullptr, nullptr, entries, &bytes, &count), 0u);
    ASSERT_EQ(count, 3u);
    EXPECT_STREQ(entries[0].szEntryName, "接続 先");
    EXPECT_STREQ(entries[1].szEntryName, "表示ISP");
    EXPECT_EQ(std::string(entries[1].szEntryName, 2), "\x95\x5C");  // 表: its second byte is '\'
    EXPECT_STREQ(entries[2].szEntryName, "MyISP");

    Script("entry D\nentry E\n");
    count = 0;
    EXPECT_EQ(ras_.RasEnumEntriesA(nullptr, nullptr, entries, &bytes, &count),
              static_cast<uint32_t>(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(count, 5u);
}

TEST_F(RasApiWin, ConnectionsMoveThroughTheirStates) {
    Script(u8"connect A state=3\nconnect \"接続 先\"\n");
    RASCONNA conns[4];
    uint32_t count = 0;
    ASSERT_EQ(Enumerate(conns, &count), 0u);
    ASSERT_EQ(count, 2u);
    EXPECT_STREQ(conns[0].szEntryName, "A");
    EXPECT_STREQ(conns[1].szEntryName, "接続 先");
    EXPECT_NE(conns[0].hrasconn, conns[1].hrasconn);
    RASCONNSTATE state = 0;
    EXPECT_EQ(Status(conns[0].hrasconn, &state), 0u);
    EXPECT_EQ(state, RASCS_DeviceConnected);
    EXPECT_EQ(Status(conns[1].hrasconn, &state), 0u);
    EXPECT_EQ(state, RASCS_Connected);

    Script("state A 0x2000\n");
    EXPECT_EQ(Status(conns[0].hrasconn, &state), 0u);
    EXPECT_EQ(state, RASCS_Connected);
    Script("drop A\nconnect B\nconnect C\nconnect D\n");
    ASSERT_EQ(Enumerate(conns, &count), 0u);
    EXPECT_EQ(count, 4u);
    EXPECT_STREQ(conns[0].szEntryName, "接続 先");
    Script("connect E\n");
    EXPECT_EQ(Enumerate(conns, &count), static_cast<uint32_t>(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(count, 5u);
}

TEST_F(RasApiWin, HangUpTakesTheScriptedNumberOfPolls) {
    Script("hangup-polls 2\nconnect A\n");
    RASCONNA conns[4];
    uint32_t count = 0;
    ASSERT_EQ(Enumerate(conns, &count), 0u);
    ASSERT_EQ(count, 1u);
    HRASCONN h = conns[0].hrasconn;
    EXPECT_EQ(ras_.RasHangUpA(h), 0u);
    for (int i = 0; i < 2; ++i) {
        RASCONNSTATE state = 0;
        EXPECT_EQ(Status(h, &state), 0u);
        EXPECT_EQ(state, RASCS_Disconnected);
    }
    EXPECT_EQ(Status(h), static_cast<uint32_t>(ERROR_INVALID_HANDLE));
    ASSERT_EQ(Enumerate(conns, &count), 0u);
    EXPECT_EQ(count, 0u);

    Script("hangup-polls never\nconnect B\n");
    ASSERT_EQ(Enumerate(conns, &count), 0u);
    ras_.RasHangUpA(conns[0].hrasconn);
    for (int i = 0; i < 20; ++i) ASSERT_EQ(Status(conns[0].hrasconn), 0u) << i;
}

TEST_F(RasApiWin, DialEventsComeFromAnotherThread) {
    Script(u8"entry \"接続 先\" user=太郎 password=秘密\ndial-steps 0,3,0x2000\ndial-interval 20\n");
    RASDIALPARAMSA p = Params("接続 先");
    std::strcpy(p.szUserName, "太郎");
    std::strcpy(p.szPassword, "秘密");
    HRASCONN h = nullptr;
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, OnDialEvent, &h), 0u);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(WaitForDialEnd());
    {
        std::lock_guard<std::mutex> lock(eventsMutex);
        ASSERT_EQ(events.size(), 3u);
        RASCONNSTATE expected[] = {0, 3, 0x2000};
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(events[i].message, WM_RASDIALEVENT);
            EXPECT_EQ(events[i].state, expected[i]);
            EXPECT_EQ(events[i].error, 0u);
            EXPECT_NE(events[i].thread, GetCurrentThreadId());
        }
    }
    RASCONNA conns[4];
    uint32_t count = 0;
    ASSERT_EQ(Enumerate(conns, &count), 0u);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(conns[0].hrasconn, h);
    EXPECT_STREQ(conns[0].szEntryName, "接続 先");

    char handle[16];
    std::snprintf(handle, sizeof handle, "0x%x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(h)));
    EXPECT_TRUE(JournalHas(std::string(u8"RasDialA entry=\"接続 先\" user=太郎 password=秘密 domain=\"\" -> 0 handle=") +
                           handle));
    EXPECT_TRUE(JournalHas(std::string("event handle=") + handle + " state=0x2000 error=0"));
}

TEST_F(RasApiWin, DialThatFails) {
    Script("entry A\ndial-interval 5\ndial-error 691 after=2\n");
    RASDIALPARAMSA p = Params("A");
    HRASCONN h = nullptr;
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, OnDialEvent, &h), 0u);
    ASSERT_TRUE(WaitForDialEnd());
    {
        std::lock_guard<std::mutex> lock(eventsMutex);
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[1].error, 691u);
    }
    RASCONNSTATE state = 0;
    uint32_t error = 0;
    EXPECT_EQ(Status(h, &state, &error), 0u);
    EXPECT_EQ(error, 691u);
    EXPECT_EQ(ras_.RasHangUpA(h), 0u);
    EXPECT_EQ(Status(h), static_cast<uint32_t>(ERROR_INVALID_HANDLE));

    Script("dial-fail 633\n");
    h = nullptr;
    EXPECT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, OnDialEvent, &h), 633u);
    EXPECT_EQ(h, nullptr);
}

TEST_F(RasApiWin, ErrorTextsArriveInCodePage932) {
    Script(u8"error-text 691 \"ユーザー名またはパスワードが正しくありません\"\n");
    char text[256];
    std::memset(text, 'x', sizeof text);
    ASSERT_EQ(ras_.RasGetErrorStringA(691, text, sizeof text), 0u);
    EXPECT_STREQ(text, "ユーザー名またはパスワードが正しくありません");
    EXPECT_NE(ras_.RasGetErrorStringA(692, text, sizeof text), 0u);
    char small[8];
    EXPECT_NE(ras_.RasGetErrorStringA(691, small, sizeof small), 0u);
}

TEST_F(RasApiWin, EntryPropertiesAndSavedDialParameters) {
    Script(u8"entry \"接続 先\" area=03 number=12345678 user=太郎 password=\"秘 密\" domain=社内\n"
           u8"entry B number=555\n");
    RASENTRYA entry;
    std::memset(&entry, 0, sizeof entry);
    entry.dwSize = kRasEntrySize;
    uint32_t size = kRasEntrySize;
    ASSERT_EQ(ras_.RasGetEntryPropertiesA(nullptr, "接続 先", &entry, &size, nullptr, nullptr), 0u);
    EXPECT_STREQ(entry.szAreaCode, "03");
    EXPECT_STREQ(entry.szLocalPhoneNumber, "12345678");

    RASDIALPARAMSA p = Params("接続 先");
    int saved = 0;
    ASSERT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &p, &saved), 0u);
    EXPECT_STREQ(p.szUserName, "太郎");
    EXPECT_STREQ(p.szPassword, "秘 密");
    EXPECT_STREQ(p.szDomain, "社内");
    EXPECT_EQ(saved, 1);
    RASDIALPARAMSA b = Params("B");
    ASSERT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &b, &saved), 0u);
    EXPECT_EQ(saved, 0);

    std::strcpy(p.szUserName, "花子");
    ASSERT_EQ(ras_.RasSetEntryDialParamsA(nullptr, &p, 1), 0u);
    RASDIALPARAMSA again = Params("接続 先");
    ASSERT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &again, &saved), 0u);
    EXPECT_STREQ(again.szUserName, "花子");
    EXPECT_STREQ(again.szPassword, "");
    EXPECT_EQ(saved, 0);

    std::vector<std::string> expected = {
        u8"RasGetEntryPropertiesA entry=\"接続 先\" -> 0 area=03 number=12345678",
        u8"RasGetEntryDialParamsA entry=\"接続 先\" -> 0 user=太郎 domain=社内 saved-password=1",
        u8"RasGetEntryDialParamsA entry=B -> 0 user=\"\" domain=\"\" saved-password=0",
        u8"RasSetEntryDialParamsA entry=\"接続 先\" user=花子 password=\"秘 密\" domain=社内 remove-password=1 -> 0",
        u8"RasGetEntryDialParamsA entry=\"接続 先\" -> 0 user=花子 domain=社内 saved-password=0",
    };
    EXPECT_EQ(Journal(), expected);
}

TEST_F(RasApiWin, JournalLinesAreThereAsSoonAsTheCallReturns) {
    Script("connect A\nfail get-status 5 times=1\n");
    RASCONNA conns[4];
    uint32_t count = 0;
    Enumerate(conns, &count);
    std::string raw = wintest::ReadWhole(files->journal).substr(journalStart_);
    ASSERT_FALSE(raw.empty());
    EXPECT_EQ(raw.back(), '\n');
    std::vector<std::string> lines = wintest::Lines(raw);
    ASSERT_EQ(lines.size(), 1u);
    // "T FUNCTION ...", T in seconds with three decimals.
    size_t dot = lines[0].find('.');
    ASSERT_NE(dot, std::string::npos);
    EXPECT_EQ(lines[0].find(' '), dot + 4) << lines[0];
    EXPECT_EQ(Status(conns[0].hrasconn), 5u);
    EXPECT_EQ(Status(conns[0].hrasconn), 0u);
    EXPECT_EQ(Journal().size(), 3u);
}

TEST_F(RasApiWin, BytesThatAreNotCodePage932StillReachTheJournal) {
    RASENTRYA entry;
    std::memset(&entry, 0, sizeof entry);
    entry.dwSize = kRasEntrySize;
    uint32_t size = kRasEntrySize;
    // A lead byte without its second byte: the journal keeps the line, with the byte as it is.
    EXPECT_EQ(ras_.RasGetEntryPropertiesA(nullptr, "x\x81", &entry, &size, nullptr, nullptr), 623u);
    EXPECT_EQ(Journal(), std::vector<std::string>{"RasGetEntryPropertiesA entry=x\x81 -> 623"});
}

TEST_F(RasApiWin, ScriptErrorsAndMarksAreJournalledInUtf8) {
    Script(u8"state 表 3\nmark \"段階 2\"\n");
    RASCONNA conns[4];
    uint32_t count = 0;
    Enumerate(conns, &count);
    std::vector<std::string> lines = Journal();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 12), "script line=");
    EXPECT_EQ(lines[0].substr(lines[0].find(" error=")), u8" error=\"no connection 表\"");
    EXPECT_EQ(lines[1], u8"mark \"段階 2\"");
}

}  // namespace
