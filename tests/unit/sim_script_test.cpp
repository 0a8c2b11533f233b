// The simulator's script: words and quoting, each command, timed and appended lines, and
// the report of a bad line.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>

#include "sim/sim_script.h"
#include "test_support.h"

namespace {

using sim::RasSim;

void RAS_API IgnoreEvent(unsigned, RASCONNSTATE, uint32_t) {}

TEST(SimScriptWords, QuotingAndKeys) {
    struct Case {
        const char* line;
        std::vector<std::string> words;
        std::vector<size_t> keyed;
    } cases[] = {
        {"entry MyISP area=03", {"entry", "MyISP", "area=03"}, {0, 0, 4}},
        {"entry \"My ISP\" user=\"a b\"", {"entry", "My ISP", "user=a b"}, {0, 0, 4}},
        {"entry x password=\"\"", {"entry", "x", "password="}, {0, 0, 8}},
        {"entry \"a=b\"", {"entry", "a=b"}, {0, 0}},
        {"error-text 1 \"say \\\"no\\\" \\\\\"", {"error-text", "1", "say \"no\" \\"}, {0, 0, 0}},
        {"  drop\tX  \r", {"drop", "X"}, {0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words;
        std::vector<size_t> keyed;
        std::string error;
        ASSERT_TRUE(sim::SplitWords(c.line, &words, &keyed, &error)) << c.line;
        EXPECT_EQ(words, c.words) << c.line;
        EXPECT_EQ(keyed, c.keyed) << c.line;
    }
    std::vector<std::string> words;
    std::vector<size_t> keyed;
    std::string error;
    EXPECT_FALSE(sim::SplitWords("entry \"open", &words, &keyed, &error));
}

class ScriptTest : public ::testing::Test {
protected:
    // Script files are UTF-8, so their text is written with u8 literals here.
    void SetUp() override {
        path_ = dir_.path() + "/script.txt";
        ras_.SetCodec(test::Cp932Codec());
        ras_.SetBeforeCall([this] {
            if (runner_) runner_->Poll();
        });
    }
    void Run(const std::string& path) { runner_ = std::make_unique<sim::ScriptRunner>(ras_, path); }
    void Append(const std::string& text) { std::ofstream(path_, std::ios::app | std::ios::binary) << text; }
    uint32_t Count() {
        RASCONNA conns[4];
        std::memset(conns, 0, sizeof conns);
        for (RASCONNA& c : conns) c.dwSize = kRasConnSize;
        uint32_t bytes = 4 * kRasConnSize, count = 0;
        ras_.RasEnumConnectionsA(conns, &bytes, &count);
        std::memcpy(last_, conns, sizeof conns);
        return count;
    }
    std::vector<std::string> Notes() {
        std::vector<std::string> notes;
        for (const std::string& line : ras_.Journal())
            if (line.find(" script ") != std::string::npos) notes.push_back(line.substr(line.find("script")));
        return notes;
    }

    test::TempDir dir_;
    std::string path_;
    double now_ = 0;
    RasSim ras_{[this] { return now_; }};
    std::unique_ptr<sim::ScriptRunner> runner_;
    RASCONNA last_[4];
};

TEST_F(ScriptTest, TimedAndAppendedLines) {
    Run(path_);
    Append(u8"version 1\n# a comment\n\nentry \"接続 先\" area=03 number=1234 user=taro password=\"\"\n");
    Append(u8"at 2 connect \"接続 先\" state=3\nat 1.5 connect Other\nat 4 drop Other\n");
    EXPECT_EQ(Count(), 0u);
    now_ = 1.5;
    EXPECT_EQ(Count(), 1u);
    now_ = 2;
    EXPECT_EQ(Count(), 2u);
    EXPECT_EQ(std::string(last_[1].szEntryName), test::Cp932(u8"接続 先"));
    Append(u8"state \"接続 先\" 0x2000\nconn");  // the second line is not complete yet
    EXPECT_EQ(Count(), 2u);
    RASCONNSTATUSA status{};
    status.dwSize = kRasConnStatusSize;
    ras_.RasGetConnectStatusA(last_[1].hrasconn, &status);
    EXPECT_EQ(status.rasconnstate, 0x2000u);
    Append("ect Third\n");
    EXPECT_EQ(Count(), 3u);
    now_ = 10;
    EXPECT_EQ(Count(), 2u);
    sim::Entry e;
    ASSERT_TRUE(ras_.FindEntry(test::Cp932(u8"接続 先"), &e));
    EXPECT_EQ(e.area, "03");
    EXPECT_TRUE(e.hasPassword);
    EXPECT_EQ(e.password, "");
    EXPECT_TRUE(Notes().empty());
}

TEST_F(ScriptTest, EveryCommand) {
    struct Case {
        const char* line;
        bool ok;
    } cases[] = {
        {"version 1", true},
        {"version 2", false},
        {"entry A area=1 number=2 user=u password=p domain=d", true},
        {"entry A colour=red", false},
        {"connect A state=0x2001", true},
        {"connect A state=x", false},
        {"state A 3", true},
        {"state Nobody 3", false},
        {"hangup-polls 3", true},
        {"hangup-polls never", true},
        {"hangup-polls -1", false},
        {"dial-hangup-polls 3", true},
        {"dial-hangup-polls never", true},
        {"dial-hangup-polls x", false},
        {"dial-steps 0,1,0x2000", true},
        {"dial-steps 0,,1", false},
        {"dial-interval 50", true},
        {"dial-error 691 after=3", true},
        {"dial-error 691 after=0", false},
        {"dial-fail 633", true},
        {"fail get-status 6 times=2", true},
        {"fail get-status off", true},
        {"fail hangup 6", false},
        {"error-text 691 \"認証されませんでした\"", true},
        {"drop A", true},
        {"drop A", false},
        {"mark \"phase 2\"", true},
        {"dial-listed on", true},
        {"dial-listed off", true},
        {"dial-listed yes", false},
        {"saved-password-stand-in on", true},
        {"saved-password-stand-in off", true},
        {"saved-password-stand-in", false},
        {"saved-password-stand-in 1", false},
        {"mark", false},
        {"reset", true},
        {"frobnicate", false},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words;
        std::vector<size_t> keyed;
        std::string error;
        ASSERT_TRUE(sim::SplitWords(c.line, &words, &keyed, &error));
        EXPECT_EQ(sim::RunCommand(ras_, words, keyed, &error), c.ok) << c.line << ": " << error;
        EXPECT_EQ(error.empty(), c.ok) << c.line;
    }
}

// Numbers are decimal or 0x hexadecimal, exactly; everything else is a script error, never a
// number read some other way (a sign or a blank would let strtoull wrap a negative round).
TEST_F(ScriptTest, NumbersAreDecimalOrHexadecimalOnly) {
    ras_.Connect("A");
    struct Case {
        const char* number;
        bool ok;
        uint32_t state;
    } cases[] = {
        {"3", true, 3},
        {"0", true, 0},
        {"007", true, 7},
        {"0x2001", true, 0x2001},
        {"0X2000", true, 0x2000},
        {"4294967295", true, 4294967295u},
        {"0xFFFFFFFF", true, 4294967295u},
        {"4294967296", false, 0},
        {"0x100000000", false, 0},
        {"-1", false, 0},
        {"+3", false, 0},
        {" 3", false, 0},
        {" -18446744073709551615", false, 0},
        {"-18446744073709551615", false, 0},
        {"3 ", false, 0},
        {"0x", false, 0},
        {"0x-1", false, 0},
        {"3.0", false, 0},
        {"1e3", false, 0},
        {"", false, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words = {"state", "A", c.number};
        std::vector<size_t> keyed = {0, 0, 0};
        std::string error;
        EXPECT_EQ(sim::RunCommand(ras_, words, keyed, &error), c.ok) << '"' << c.number << '"';
        EXPECT_EQ(error.empty(), c.ok) << '"' << c.number << '"';
        if (c.ok) {
            RASCONNA conns[4];
            std::memset(conns, 0, sizeof conns);
            for (RASCONNA& conn : conns) conn.dwSize = kRasConnSize;
            uint32_t bytes = sizeof conns, count = 0;
            ASSERT_EQ(ras_.RasEnumConnectionsA(conns, &bytes, &count), 0u);
            RASCONNSTATUSA status{};
            status.dwSize = kRasConnStatusSize;
            ras_.RasGetConnectStatusA(conns[0].hrasconn, &status);
            EXPECT_EQ(status.rasconnstate, c.state) << c.number;
        }
    }

    // Times are plain decimals too.
    Run(path_);
    Append("version 1\nat +1 mark a\nat -1 mark b\nat inf mark c\nat 0x10 mark d\nat 1e1 mark e\n"
           "at \" 1\" mark f\nat 0.5 mark g\nat 2 mark h\nconnect B state=\" -18446744073709551615\"\n");
    Count();
    std::vector<std::string> expected = {
        "script line=2 error=\"bad at\"", "script line=3 error=\"bad at\"", "script line=4 error=\"bad at\"",
        "script line=5 error=\"bad at\"", "script line=6 error=\"bad at\"", "script line=7 error=\"bad at\"",
        "script line=10 error=\"bad state  -18446744073709551615\"",
    };
    EXPECT_EQ(Notes(), expected);
}

// A CR inside quotes is part of the word: the journal quotes it, so it reads back as one word.
TEST_F(ScriptTest, ACarriageReturnInAWordComesBackAsOneWord) {
    Run(path_);
    Append("version 1\nmark \"a\rb\"\n");
    Count();
    std::vector<std::string> journal = ras_.Journal();
    ASSERT_GE(journal.size(), 1u);
    EXPECT_EQ(journal[0], "0.000 mark \"a\rb\"");
    std::vector<std::string> words;
    std::vector<size_t> keyed;
    std::string error;
    ASSERT_TRUE(sim::SplitWords(journal[0], &words, &keyed, &error));
    EXPECT_EQ(words, (std::vector<std::string>{"0.000", "mark", "a\rb"}));
}

TEST_F(ScriptTest, ScriptDrivesFaultsDialsAndTexts) {
    Run(path_);
    Append(u8"version 1\nconnect A\nfail enum-connections 610 times=1\nhangup-polls 0\n"
           u8"error-text 691 \"認証に失敗しました\"\n");
    EXPECT_EQ(Count(), 0u);  // the fault
    EXPECT_EQ(Count(), 1u);
    char text[256];
    ASSERT_EQ(ras_.RasGetErrorStringA(691, text, sizeof text), 0u);
    EXPECT_EQ(std::string(text), test::Cp932(u8"認証に失敗しました"));
    ras_.RasHangUpA(last_[0].hrasconn);
    EXPECT_EQ(Count(), 0u);

    // A dial's hang-up takes its own number of status queries; the connections' stays 0.
    Append("entry A\ndial-interval 60000\ndial-hangup-polls 2\n");
    Count();
    RASDIALPARAMSA p{};
    p.dwSize = kRasDialParamsSize;
    std::strcpy(p.szEntryName, "A");
    HRASCONN dial = nullptr;
    ASSERT_EQ(ras_.RasDialA(nullptr, nullptr, &p, 0, IgnoreEvent, &dial), 0u);
    ras_.RasHangUpA(dial);
    RASCONNSTATUSA status{};
    status.dwSize = kRasConnStatusSize;
    EXPECT_EQ(ras_.RasGetConnectStatusA(dial, &status), 0u);
    EXPECT_EQ(status.rasconnstate, RASCS_Disconnected);
    EXPECT_EQ(ras_.RasHangUpA(dial), 0u);  // again, while it goes
    EXPECT_EQ(ras_.RasGetConnectStatusA(dial, &status), 0u);
    EXPECT_EQ(ras_.RasGetConnectStatusA(dial, &status), static_cast<uint32_t>(ERROR_INVALID_HANDLE));
    HRASCONN line = ras_.Connect("A");
    ras_.RasHangUpA(line);
    EXPECT_EQ(ras_.RasGetConnectStatusA(line, &status), static_cast<uint32_t>(ERROR_INVALID_HANDLE));
}

TEST_F(ScriptTest, BadLinesAreReportedInTheJournal) {
    Run(path_);
    Append("version 1\nbogus line\nat x connect A\nentry \"open\n");
    Count();
    std::vector<std::string> expected = {
        "script line=2 error=\"unknown command bogus\"",
        "script line=3 error=\"bad at\"",
        "script line=4 error=\"unterminated quotes\"",
    };
    EXPECT_EQ(Notes(), expected);
}

TEST_F(ScriptTest, ErrorsAndMarksReachTheJournalInUtf8) {
    Run(path_);
    // 表 ends in the byte 0x5C in code page 932: quoting those bytes would corrupt the name.
    Append(u8"version 1\nstate \"表 1\" 3\nmark \"step 表\"\n");
    Count();
    std::vector<std::string> expected = {
        u8"script line=2 error=\"no connection \\\"表 1\\\"\"",
    };
    EXPECT_EQ(Notes(), expected);
    std::vector<std::string> journal = ras_.Journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal[1], u8"0.000 mark \"step 表\"");
}

TEST_F(ScriptTest, ResetReturnsToAnEmptyService) {
    Run(path_);
    Append("version 1\nentry A\nconnect A\nconnect B\nfail get-status 5\nhangup-polls never\n"
           "error-text 691 x\nsaved-password-stand-in on\n");
    EXPECT_EQ(Count(), 2u);
    Append("reset\nconnect C\n");
    EXPECT_EQ(Count(), 1u);
    EXPECT_STREQ(last_[0].szEntryName, "C");
    sim::Entry e;
    EXPECT_FALSE(ras_.FindEntry("A", &e));
    RASCONNSTATUSA status{};
    status.dwSize = kRasConnStatusSize;
    EXPECT_EQ(ras_.RasGetConnectStatusA(last_[0].hrasconn, &status), 0u);  // the fault is gone
    EXPECT_EQ(ras_.RasHangUpA(last_[0].hrasconn), 0u);
    EXPECT_EQ(ras_.RasGetConnectStatusA(last_[0].hrasconn, &status), 0u);  // one poll by default
    EXPECT_EQ(Count(), 0u);
    char text[16];
    EXPECT_NE(ras_.RasGetErrorStringA(691, text, sizeof text), 0u);
    // Saved passwords come back as they are again.
    Append("entry D password=pw\n");
    RASDIALPARAMSA p{};
    p.dwSize = kRasDialParamsSize;
    std::strcpy(p.szEntryName, "D");
    int saved = 0;
    ASSERT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &p, &saved), 0u);
    EXPECT_STREQ(p.szPassword, "pw");
    EXPECT_TRUE(Notes().empty());
}

TEST(SimScriptPaths, UnixPathsUnderWine) {
    struct Case {
        const char* path;
        const char* windows;
    } cases[] = {
        {"/tmp/x/script.txt", "Z:\\tmp\\x\\script.txt"},
        {"/", "Z:\\"},
        {u8"/tmp/表/s.txt", u8"Z:\\tmp\\表\\s.txt"},
        {"Z:\\tmp\\s.txt", "Z:\\tmp\\s.txt"},
        {"C:/work/s.txt", "C:/work/s.txt"},
        {"//server/share/s.txt", "//server/share/s.txt"},
        {"script.txt", "script.txt"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(sim::WindowsPath(c.path), c.windows) << c.path;
}

TEST_F(ScriptTest, TheOpenerIsAskedForTheScriptAtEveryLook) {
    std::vector<std::string> asked;
    runner_ = std::make_unique<sim::ScriptRunner>(ras_, "Z:\\s.txt", [&](const std::string& path) {
        asked.push_back(path);
        return std::fopen(path_.c_str(), "rb");
    });
    Append("connect A\n");
    EXPECT_EQ(Count(), 1u);
    EXPECT_EQ(Count(), 1u);
    EXPECT_EQ(asked, std::vector<std::string>(2, "Z:\\s.txt"));
}

TEST_F(ScriptTest, WithALengthTheScriptIsOpenedOnlyWhenItGrew) {
    int opened = 0;
    long long length = -1;
    runner_ = std::make_unique<sim::ScriptRunner>(
        ras_, path_,
        [&](const std::string& path) {
            ++opened;
            return std::fopen(path.c_str(), "rb");
        },
        [&](const std::string&) { return length; });
    Append("connect A\n");
    length = 10;  // "connect A\n"
    EXPECT_EQ(Count(), 1u);
    EXPECT_EQ(Count(), 1u);
    EXPECT_EQ(opened, 1);
    Append("connect B\n");
    length = -1;  // unknown: opened as without a length
    EXPECT_EQ(Count(), 2u);
    EXPECT_EQ(opened, 2);
}

TEST_F(ScriptTest, NoScriptFileMeansAnEmptyService) {
    Run(dir_.path() + "/missing.txt");
    EXPECT_EQ(Count(), 0u);
}

}  // namespace
