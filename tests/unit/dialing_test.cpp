// Dialing against the simulated service: saved dial parameters in both directions, dials
// whose events arrive posted from the service's thread, failures and their messages.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "monitor/connection_table.h"
#include "ras/dialing.h"
#include "ras/hang_up.h"
#include "test_support.h"

namespace {

class RecordingPoster final : public MessagePoster {
public:
    struct Posted {
        WindowRef target;
        unsigned message;
        uintptr_t wParam;
        intptr_t lParam;
        std::thread::id thread;
    };
    void Post(WindowRef target, unsigned message, uintptr_t wParam, intptr_t lParam) override {
        std::lock_guard<std::mutex> lock(mutex_);
        posted_.push_back({target, message, wParam, lParam, std::this_thread::get_id()});
    }
    std::vector<Posted> Posts() {
        std::lock_guard<std::mutex> lock(mutex_);
        return posted_;
    }

private:
    std::mutex mutex_;
    std::vector<Posted> posted_;
};

WindowRef const kTarget = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(0x4242));

class DialTest : public test::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        ras_.SetDialInterval(0);
        ras_.AddEntry({"MyISP", "03", "12345678", "taro", "DOM", true, "secret"});
        ras_.AddEntry({"Other", "06", "1111", "hanako", "", false, ""});
        ras_.SetErrorText(623, "ｴﾝﾄﾘが見つかりません");
        ResetSlot(kSlotCount);
        std::memset(&DialParams, 0, sizeof DialParams);
        DialTarget = nullptr;
        SetPoster(&poster_);
    }
    void TearDown() override {
        ras_.WaitForDials();
        SetPoster(nullptr);
        DialTarget = nullptr;
        CoreTest::TearDown();
    }
    bool Load(int index) {
        return ExchangeDialParams(index, user_, password_, domain_, save_, entry_, phone_, false);
    }
    bool Store(int index) {
        return ExchangeDialParams(index, user_, password_, domain_, save_, entry_, phone_, true);
    }
    bool JournalHas(const std::string& part) const {
        for (const std::string& line : ras_.Journal())
            if (line.find(part) != std::string::npos) return true;
        return false;
    }

    RecordingPoster poster_;
    std::string user_ = "u?", password_ = "p?", domain_ = "d?", entry_ = "e?", phone_ = "n?";
    int save_ = 7;
};

TEST_F(DialTest, LoadGivesWhatTheServiceSaved) {
    struct Case {
        int index;
        const char *user, *password, *domain;
        int save;
        const char *entry, *phone;
    } cases[] = {
        {0, "taro", "secret", "DOM", 1, "MyISP", "0312345678"},
        {1, "hanako", "", "", 0, "Other", "061111"},  // no saved password
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Load(c.index)) << c.index;
        EXPECT_EQ(user_, c.user);
        EXPECT_EQ(password_, c.password);
        EXPECT_EQ(domain_, c.domain);
        EXPECT_EQ(save_, c.save);
        EXPECT_EQ(entry_, c.entry);
        EXPECT_EQ(phone_, c.phone);
        EXPECT_EQ(DialParams.dwSize, kRasDialParamsSize);
    }
    EXPECT_TRUE(prompt_.shown.empty());
}

TEST_F(DialTest, PositionsWithoutAnEntryPassAnEmptyName) {
    // A name left beyond the enumerated entries is not one of them.
    std::strcpy(EntryList.entries[2].szEntryName, "Stale");
    for (int index : {-1, 2, 3, 4, 1000, INT_MIN, INT_MAX}) {
        ras_.ClearJournal();
        prompt_.shown.clear();
        EXPECT_FALSE(Load(index)) << index;
        EXPECT_TRUE(JournalHas("RasGetEntryDialParamsA entry=\"\" -> 623")) << index;
        ASSERT_EQ(prompt_.shown.size(), 1u) << index;
        EXPECT_EQ(prompt_.shown[0].text, "ｴﾝﾄﾘが見つかりません");
        EXPECT_EQ(prompt_.shown[0].style, kMbOk | kMbIconExclamation);
    }
    EXPECT_EQ(user_, "u?");  // nothing written on failure
    EXPECT_EQ(save_, 7);
    EXPECT_EQ(phone_, "n?");
}

TEST_F(DialTest, StoreSavesTheTypedValuesAndKeepsOrRemovesThePassword) {
    struct Case {
        int save;
        bool saved;
    } cases[] = {{1, true}, {0, false}, {2, true}};
    for (const Case& c : cases) {
        user_ = "jiro";
        password_ = "typed";
        domain_ = "NEW";
        save_ = c.save;
        entry_ = "kept";
        phone_ = "kept too";
        ras_.ClearJournal();
        ASSERT_TRUE(Store(0)) << c.save;
        EXPECT_TRUE(JournalHas("RasSetEntryDialParamsA entry=MyISP user=jiro password=typed domain=NEW remove-password=" +
                               std::to_string(c.saved ? 0 : 1)));
        sim::Entry e;
        ASSERT_TRUE(ras_.FindEntry("MyISP", &e));
        EXPECT_EQ(e.user, "jiro");
        EXPECT_EQ(e.domain, "NEW");
        EXPECT_EQ(e.hasPassword, c.saved) << c.save;
        EXPECT_EQ(e.password, c.saved ? "typed" : "");
        EXPECT_EQ(entry_, "kept");  // the store direction leaves these alone
        EXPECT_EQ(phone_, "kept too");

        // The dial that follows uses the typed password, saved or not.
        EXPECT_STREQ(DialParams.szPassword, "typed");
        ASSERT_NE(Dial(kTarget), nullptr);
        EXPECT_TRUE(JournalHas("RasDialA entry=MyISP user=jiro password=typed domain=NEW -> 0"));
        ras_.WaitForDials();
    }
    // A later load sees what was saved last.
    ASSERT_TRUE(Load(0));
    EXPECT_EQ(password_, "typed");
    EXPECT_EQ(save_, 1);
}

TEST_F(DialTest, StoreWithoutSavedPasswordReportsNoSavedPasswordAfterwards) {
    password_ = "typed";
    save_ = 0;
    ASSERT_TRUE(Store(0));
    ASSERT_TRUE(Load(0));
    EXPECT_EQ(password_, "");
    EXPECT_EQ(save_, 0);
}

TEST_F(DialTest, StoreIsRefusedWhenTheEntryCannotBeRead) {
    ras_.Fail(sim::Op::kGetDialParams, 623, 1);
    user_ = "jiro";
    EXPECT_FALSE(Store(0));
    ASSERT_EQ(prompt_.shown.size(), 1u);
    EXPECT_EQ(prompt_.shown[0].text, "ｴﾝﾄﾘが見つかりません");
    EXPECT_FALSE(JournalHas("RasSetEntryDialParamsA"));
    // The dial that still follows has the entry and none of the typed values.
    EXPECT_STREQ(DialParams.szEntryName, "MyISP");
    EXPECT_STREQ(DialParams.szUserName, "");
}

TEST_F(DialTest, AFailedSaveIsNotReported) {
    ras_.Fail(sim::Op::kSetDialParams, 5);
    password_ = "typed";
    EXPECT_TRUE(Store(0));
    EXPECT_TRUE(prompt_.shown.empty());
    EXPECT_STREQ(DialParams.szPassword, "typed");
}

// Typed values are cut to their fields between two characters, never inside one.
TEST_F(DialTest, OverLongValuesAreCutAtACharacterBoundary) {
    const std::string hyo = "表";  // 95 5C: a double-byte character whose trail byte is a backslash
    const std::string a = "あ";    // 82 A0
    ASSERT_EQ(hyo, "\x95\x5C");
    struct Case {
        const char* what;
        std::string* typed;
        const char* field;
        std::string value;
        std::string expect;
    } cases[] = {
        {"user over 256", &user_, DialParams.szUserName, std::string(300, 'u'), std::string(256, 'u')},
        {"user, last character across the end", &user_, DialParams.szUserName, std::string(255, 'u') + hyo,
         std::string(255, 'u')},
        {"user, last character fits", &user_, DialParams.szUserName, std::string(254, 'u') + hyo,
         std::string(254, 'u') + hyo},
        {"password of double-byte characters", &password_, DialParams.szPassword, [&] {
             std::string s;
             for (int i = 0; i < 129; ++i) s += a;
             return s;
         }(),
         [&] {
             std::string s;
             for (int i = 0; i < 128; ++i) s += a;
             return s;
         }()},
        {"domain, last character across the end", &domain_, DialParams.szDomain, "ABCDEFGHIJKLMN" + hyo,
         "ABCDEFGHIJKLMN"},
        {"domain of 15", &domain_, DialParams.szDomain, std::string(15, 'd'), std::string(15, 'd')},
        {"domain of 16", &domain_, DialParams.szDomain, std::string(16, 'd'), std::string(15, 'd')},
        {"half-width katakana are single bytes", &domain_, DialParams.szDomain, std::string(16, '\xB1'),
         std::string(15, '\xB1')},
    };
    for (const Case& c : cases) {
        user_ = password_ = domain_ = "";
        *c.typed = c.value;
        save_ = 1;
        ASSERT_TRUE(Store(0)) << c.what;
        EXPECT_EQ(std::string(c.field), c.expect) << c.what;
        EXPECT_EQ(c.value, *c.typed) << c.what;  // the caller's text is not touched
    }
    // Nothing spilled past the domain, the last field of the record.
    EXPECT_EQ(DialParams.szDomain[kRasDomainLen - 1], '\0');
}

// --- Clearing the save box on a service that loads a stand-in for the saved password.

class SavedPasswordTest : public DialTest {
protected:
    // Lines of the journal that contain `part`.
    int Count(const std::string& part) const {
        int n = 0;
        for (const std::string& line : ras_.Journal()) n += line.find(part) != std::string::npos;
        return n;
    }
    bool Saved(const char* entry) {
        sim::Entry e;
        return ras_.FindEntry(entry, &e) && e.hasPassword;
    }
};

TEST_F(SavedPasswordTest, UntouchedPasswordWithTheBoxClearedDialsWithTheSavedOneThenGoes) {
    for (bool standIn : {true, false}) {  // Windows 2000 and later, and the systems before
        SCOPED_TRACE(standIn ? "stand-in" : "saved password itself");
        ras_.Reset();
        ras_.AddEntry({"MyISP", "03", "12345678", "taro", "DOM", true, "secret"});
        ras_.SetDialInterval(0);
        ras_.SetSavedPasswordStandIn(standIn);
        ResetSlot(kSlotCount);
        ras_.ClearJournal();

        ASSERT_TRUE(Load(0));
        EXPECT_EQ(save_, 1);
        EXPECT_EQ(password_, standIn ? sim::kSavedPasswordStandIn : "secret");
        save_ = 0;  // the box cleared, the password left as it came
        ASSERT_TRUE(Store(0));
        // Still saved for the dial, with the typed user name and domain.
        EXPECT_EQ(Count("remove-password=0 -> 0"), 1);
        EXPECT_EQ(Count("remove-password=1"), 0);
        EXPECT_TRUE(Saved("MyISP"));
        EXPECT_TRUE(PasswordRemovalDeferred());

        ASSERT_NE(Dial(kTarget), nullptr);
        ras_.WaitForDials();
        EXPECT_EQ(Count("RasDialA entry=MyISP user=taro password=secret domain=DOM"), 1);
        EXPECT_EQ(ras_.ConnectionCount(), 1);
        EXPECT_EQ(poster_.Posts().back().lParam, 0);  // no authentication error

        // Over: the password the user asked to forget goes, and only once.
        RemoveDeferredPassword();
        RemoveDeferredPassword();
        EXPECT_EQ(Count("RasSetEntryDialParamsA entry=MyISP user=taro password=\"\" domain=DOM remove-password=1 -> 0"), 1);
        EXPECT_FALSE(Saved("MyISP"));
        EXPECT_FALSE(PasswordRemovalDeferred());
        ASSERT_TRUE(Load(0));
        EXPECT_EQ(save_, 0);
        EXPECT_EQ(password_, "");
    }
}

TEST_F(SavedPasswordTest, ATypedPasswordIsUsedAsTypedAndForgottenAtOnce) {
    ras_.SetSavedPasswordStandIn(true);
    ASSERT_TRUE(Load(0));
    password_ = "typed";
    save_ = 0;
    ASSERT_TRUE(Store(0));
    EXPECT_FALSE(PasswordRemovalDeferred());
    EXPECT_FALSE(Saved("MyISP"));
    EXPECT_EQ(Count("RasSetEntryDialParamsA entry=MyISP user=taro password=typed domain=DOM remove-password=1"), 1);
    ASSERT_NE(Dial(kTarget), nullptr);
    ras_.WaitForDials();
    EXPECT_EQ(Count("RasDialA entry=MyISP user=taro password=typed domain=DOM -> 0"), 1);
    RemoveDeferredPassword();
    EXPECT_EQ(Count("RasSetEntryDialParamsA"), 1);  // nothing left to remove afterwards
}

TEST_F(SavedPasswordTest, NothingIsDeferredUnlessASavedPasswordIsToBeForgotten) {
    ras_.SetSavedPasswordStandIn(true);
    struct Case {
        const char* what;
        int load;   // the entry loaded
        int store;  // the entry stored
        int save;
        bool savedAfter;
    } cases[] = {
        {"box left checked", 0, 0, 1, true},
        {"no saved password to begin with", 1, 1, 0, false},
        {"another entry than the one loaded", 1, 0, 0, false},
    };
    for (const Case& c : cases) {
        ras_.Reset();
        ras_.SetSavedPasswordStandIn(true);
        ras_.SetDialInterval(0);
        ras_.AddEntry({"MyISP", "03", "12345678", "taro", "DOM", true, "secret"});
        ras_.AddEntry({"Other", "06", "1111", "hanako", "", false, ""});
        ResetSlot(kSlotCount);
        ASSERT_TRUE(Load(c.load)) << c.what;
        save_ = c.save;
        ASSERT_TRUE(Store(c.store)) << c.what;
        EXPECT_FALSE(PasswordRemovalDeferred()) << c.what;
        EXPECT_EQ(Saved(c.store == 0 ? "MyISP" : "Other"), c.savedAfter) << c.what;
        ras_.WaitForDials();
    }
    // A load that fails leaves nothing for the store to compare with.
    ras_.Reset();
    ras_.SetSavedPasswordStandIn(true);
    ras_.AddEntry({"MyISP", "03", "12345678", "taro", "DOM", true, "secret"});
    ResetSlot(kSlotCount);
    ASSERT_TRUE(Load(0));
    ras_.Fail(sim::Op::kGetDialParams, 623, 1);
    EXPECT_FALSE(Load(0));
    save_ = 0;
    ASSERT_TRUE(Store(0));  // the stand-in still on screen is dialled as typed
    EXPECT_FALSE(PasswordRemovalDeferred());
}

TEST_F(SavedPasswordTest, AbandonedDialIsHungUpAndThePasswordStillGoes) {
    ras_.SetSavedPasswordStandIn(true);
    ras_.SetDialInterval(60000);
    ASSERT_TRUE(Load(0));
    save_ = 0;
    ASSERT_TRUE(Store(0));
    HRASCONN h = StartDialing(kTarget);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(DialingHandle, h);
    EXPECT_TRUE(DialingUnderWay());

    EXPECT_TRUE(AbandonDial());
    EXPECT_FALSE(DialingUnderWay());
    EXPECT_EQ(DialingHandle, h);  // kept, as after a Cancel
    EXPECT_EQ(Count("RasHangUpA handle=0x1001 entry=MyISP -> 0"), 1);
    EXPECT_FALSE(Saved("MyISP"));
    ras_.WaitForDials();
    EXPECT_TRUE(poster_.Posts().empty());  // the dial said nothing more
    EXPECT_FALSE(AbandonDial());           // nothing left to do
    EXPECT_EQ(Count("RasHangUpA"), 1);
}

// A process must not end right after a hang-up: the abandoned dial is waited for as a line's
// hang-up is, and no longer.
TEST_F(DialTest, AnAbandonedDialIsWaitedForBeforeTheProgramEnds) {
    class CountingWait final : public LineWait {
    public:
        void Yield() override { ++yields; }
        uint32_t Milliseconds() override { return yields; }
        uint32_t yields = 0;
    } wait;
    SetLineWait(&wait);
    ras_.SetDialInterval(60000);
    const struct {
        int polls;
        int answers;  // status queries answered while the dial goes
        uint32_t yields;
    } cases[] = {{0, 0, 0}, {5, 5, 5}, {sim::kHangupNever, static_cast<int>(kHangUpWaitMs) + 1, kHangUpWaitMs}};
    for (const auto& c : cases) {
        ras_.SetDialHangupPolls(c.polls);
        ASSERT_TRUE(Store(0));
        ASSERT_NE(StartDialing(kTarget), nullptr);
        ras_.ClearJournal();
        wait.yields = 0;
        EXPECT_TRUE(AbandonDial());
        std::vector<std::string> journal = ras_.Journal();
        ASSERT_FALSE(journal.empty());
        EXPECT_NE(journal[0].find("RasHangUpA"), std::string::npos);
        int answers = 0;
        for (const std::string& line : journal) answers += line.find("RasGetConnectStatusA") != std::string::npos &&
                                                             line.find("-> 0 state=0x2001") != std::string::npos;
        EXPECT_EQ(answers, c.answers) << c.polls;
        EXPECT_EQ(wait.yields, c.yields) << c.polls;
        bool gone = journal.back().find("RasGetConnectStatusA") != std::string::npos &&
                    journal.back().find("-> 6") != std::string::npos;
        EXPECT_EQ(gone, c.polls != sim::kHangupNever) << c.polls;
    }
    SetLineWait(nullptr);
}

TEST_F(SavedPasswordTest, AConnectedDialIsALineThatOnlyHangUpEnds) {
    ras_.SetDialSteps({0, RASCS_Connected});
    ASSERT_TRUE(Store(0));
    ASSERT_NE(StartDialing(kTarget), nullptr);
    ras_.WaitForDials();
    DialingConnected();
    EXPECT_FALSE(AbandonDial());
    EXPECT_EQ(Count("RasHangUpA"), 0);
    EXPECT_EQ(ras_.ConnectionCount(), 1);

    // A failed start leaves nothing under way; a cancel after an error hangs the handle up.
    ras_.SetDialFail(633);
    EXPECT_EQ(StartDialing(kTarget), nullptr);
    EXPECT_EQ(DialingHandle, nullptr);
    EXPECT_FALSE(DialingUnderWay());
    ras_.SetDialError(691, 1);
    HRASCONN h = StartDialing(kTarget);
    ASSERT_NE(h, nullptr);
    ras_.WaitForDials();
    EXPECT_TRUE(DialingUnderWay());  // until its Cancel has hung it up
    CancelDialing();
    EXPECT_FALSE(DialingUnderWay());
    EXPECT_EQ(DialingHandle, h);
    EXPECT_EQ(Count("RasHangUpA"), 1);
}

TEST_F(DialTest, DialThatConnectsPostsEveryStepToTheTarget) {
    ras_.SetDialSteps({0, 3, RASCS_Connected});
    ASSERT_TRUE(Load(0));
    ASSERT_TRUE(Store(0));
    HRASCONN h = Dial(kTarget);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(DialTarget.load(), kTarget);
    ras_.WaitForDials();

    std::vector<RecordingPoster::Posted> posts = poster_.Posts();
    ASSERT_EQ(posts.size(), 3u);
    const uintptr_t states[] = {0, 3, RASCS_Connected};
    for (size_t i = 0; i < posts.size(); ++i) {
        EXPECT_EQ(posts[i].target, kTarget);
        EXPECT_EQ(posts[i].message, 0xCCCDu);
        EXPECT_EQ(posts[i].wParam, states[i]);
        EXPECT_EQ(posts[i].lParam, 0);
        EXPECT_NE(posts[i].thread, std::this_thread::get_id());  // from the service's thread
    }
    EXPECT_EQ(ras_.ConnectionCount(), 1);
    EXPECT_TRUE(prompt_.shown.empty());
}

TEST_F(DialTest, DialThatFailsAtStartShowsTheServiceText) {
    ras_.SetErrorText(633, "ﾓﾃﾞﾑは使用中です");
    ras_.SetDialFail(633);
    ASSERT_TRUE(Store(0));
    EXPECT_EQ(Dial(kTarget), nullptr);
    ASSERT_EQ(prompt_.shown.size(), 1u);
    EXPECT_EQ(prompt_.shown[0].text, "ﾓﾃﾞﾑは使用中です");
    EXPECT_EQ(prompt_.shown[0].style, kMbOk | kMbIconExclamation);
    EXPECT_TRUE(poster_.Posts().empty());
}

TEST_F(DialTest, DialThatFailsMidwayPostsTheError) {
    ras_.SetDialSteps({0, 1, 2, RASCS_Connected});
    ras_.SetDialError(678, 2);
    ASSERT_TRUE(Store(0));
    ASSERT_NE(Dial(kTarget), nullptr);
    ras_.WaitForDials();
    std::vector<RecordingPoster::Posted> posts = poster_.Posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].wParam, 0u);
    EXPECT_EQ(posts[0].lParam, 0);
    EXPECT_EQ(posts[1].wParam, 1u);
    EXPECT_EQ(posts[1].lParam, 678);
    EXPECT_TRUE(prompt_.shown.empty());  // the receiver shows it when it handles the event
    EXPECT_EQ(ras_.ConnectionCount(), 0);
}

TEST_F(DialTest, ACodeWithoutTextIsNamedByNumber) {
    // "ﾘﾓｰﾄ ｱｸｾｽ ｴﾗｰ 4711 が発生しました" in code page 932: half-width katakana, one byte each.
    const std::string expected = "\xD8\xD3\xB0\xC4 \xB1\xB8\xBE\xBD \xB4\xD7\xB0 4711 \x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
    EXPECT_EQ(RasErrorText(4711), expected);
    EXPECT_EQ(RasErrorText(4711), "ﾘﾓｰﾄ ｱｸｾｽ ｴﾗｰ 4711 が発生しました");
    // A service that answers success with no text is treated the same.
    ras_.Fail(sim::Op::kGetErrorString, 0, 1);
    EXPECT_EQ(RasErrorText(623), "ﾘﾓｰﾄ ｱｸｾｽ ｴﾗｰ 623 が発生しました");
    EXPECT_EQ(RasErrorText(623), "ｴﾝﾄﾘが見つかりません");

    ras_.SetDialFail(4294967295u);
    ASSERT_TRUE(Store(0));
    EXPECT_EQ(Dial(kTarget), nullptr);
    ASSERT_EQ(prompt_.shown.size(), 1u);
    EXPECT_EQ(prompt_.shown[0].text, "ﾘﾓｰﾄ ｱｸｾｽ ｴﾗｰ 4294967295 が発生しました");
}

// A service that hands back a handle along with a failure, as the system's may.
class HandleOnFailure final : public RasApi {
public:
    explicit HandleOnFailure(RasApi& inner) : inner_(inner) {}
    uint32_t RasEnumEntriesA(const char* r, const char* p, RASENTRYNAMEA* e, uint32_t* b, uint32_t* c) override {
        return inner_.RasEnumEntriesA(r, p, e, b, c);
    }
    uint32_t RasEnumConnectionsA(RASCONNA* c, uint32_t* b, uint32_t* n) override {
        return inner_.RasEnumConnectionsA(c, b, n);
    }
    uint32_t RasGetConnectStatusA(HRASCONN c, RASCONNSTATUSA* s) override { return inner_.RasGetConnectStatusA(c, s); }
    uint32_t RasHangUpA(HRASCONN c) override {
        hungUp.push_back(c);
        return 0;
    }
    uint32_t RasDialA(void*, const char*, RASDIALPARAMSA*, uint32_t, RasDialFunc, HRASCONN* conn) override {
        *conn = reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(0x77));
        return 633;
    }
    uint32_t RasGetErrorStringA(unsigned code, char* b, uint32_t s) override { return inner_.RasGetErrorStringA(code, b, s); }
    uint32_t RasGetEntryDialParamsA(const char* p, RASDIALPARAMSA* d, int* f) override {
        return inner_.RasGetEntryDialParamsA(p, d, f);
    }
    uint32_t RasSetEntryDialParamsA(const char* p, RASDIALPARAMSA* d, int r) override {
        return inner_.RasSetEntryDialParamsA(p, d, r);
    }
    uint32_t RasGetEntryPropertiesA(const char* p, const char* e, RASENTRYA* i, uint32_t* s, uint8_t* d,
                                    uint32_t* ds) override {
        return inner_.RasGetEntryPropertiesA(p, e, i, s, d, ds);
    }
    std::vector<HRASCONN> hungUp;

private:
    RasApi& inner_;
};

TEST_F(DialTest, AHandleGivenWithAFailureIsReleased) {
    HandleOnFailure ras(ras_);
    SetRas(&ras);
    EXPECT_EQ(Dial(kTarget), nullptr);
    ASSERT_EQ(ras.hungUp.size(), 1u);
    EXPECT_EQ(ras.hungUp[0], reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(0x77)));
    EXPECT_EQ(prompt_.shown.size(), 1u);
}

TEST_F(DialTest, EventsWithoutATargetAreDropped) {
    ForwardDialEvent(WM_RASDIALEVENT, 3, 0);
    EXPECT_TRUE(poster_.Posts().empty());
    DialTarget = kTarget;
    ForwardDialEvent(0, 3, 0);  // the message argument is not looked at
    ASSERT_EQ(poster_.Posts().size(), 1u);
    EXPECT_EQ(poster_.Posts()[0].message, WM_RASDIALEVENT);
    SetPoster(nullptr);
    ForwardDialEvent(0, 3, 0);  // no poster: dropped
    EXPECT_EQ(poster_.Posts().size(), 1u);
}

}  // namespace
