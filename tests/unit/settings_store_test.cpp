// The settings store against an in-memory registry: the key path opened and closed for every
// value, the load and save orders, defaults, the position check and mistyped values.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/settings_store.h"
#include "base/app_names.h"
#include "base/screen.h"
#include "base/settings.h"
#include "memory_registry.h"
#include "test_support.h"

namespace {

const char kKey[] = "HKCU\\Software\\Orlimo\\Tolvane\\Settings";

class FixedScreen final : public ScreenApi {
public:
    int GetSystemMetrics(int index) override { return index == kSmCxScreen ? width : index == kSmCyScreen ? height : 0; }
    int width = 1024;
    int height = 768;
};

class StoreTest : public test::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        oldAppName_ = appName;
        appName = "Tolvane";
        SetRegistry(&reg_);
        SetScreen(&screen_);
        // Every field away from its default, so a load that misses one shows.
        Settings = SettingsRecord{};
        for (const SettingField& f : kSettingsLoadOrder) {
            if (f.isText)
                *f.text(Settings) = "stale";
            else
                *f.integer(Settings) = 999;
        }
    }
    void TearDown() override {
        SetRegistry(nullptr);
        SetScreen(nullptr);
        appName = oldAppName_;
        CoreTest::TearDown();
    }
    // The value names the calls with `prefix` ("query", "set") named, in order.
    std::vector<std::string> Names(const std::string& prefix) const {
        std::vector<std::string> names;
        std::string lead = prefix + " " + kKey + " ";
        for (const std::string& c : reg_.calls)
            if (c.compare(0, lead.size(), lead) == 0) names.push_back(c.substr(lead.size(), c.find(' ', lead.size()) - lead.size()));
        return names;
    }
    // Every text empty, every integer a four-byte REG_DWORD.
    void PutEveryValue() {
        for (const SettingField& f : kSettingsLoadOrder) {
            if (f.isText)
                reg_.Put(kKey, f.name, kRegSz, std::string(1, '\0'));
            else
                reg_.PutDword(kKey, f.name, 0);
        }
    }

    test::MemoryRegistry reg_;
    FixedScreen screen_;
    std::string oldAppName_;
};

TEST_F(StoreTest, FirstStartLoadsDefaultsLeavesThePathAndTheFirstSaveWritesEveryValue) {
    reg_.calls.clear();
    LoadSettings();
    EXPECT_EQ(Settings.WinPosX, 0);
    EXPECT_EQ(Settings.WinPosY, 0);
    EXPECT_EQ(Settings.DisconnectEnable, 1);
    EXPECT_EQ(Settings.WarningEnable, 1);
    EXPECT_EQ(Settings.DisconnectTime, 0u);
    EXPECT_EQ(Settings.WarningTime, 3u);
    EXPECT_EQ(Settings.DlgType, 0);
    EXPECT_EQ(Settings.RunHide, 0);
    EXPECT_EQ(Settings.ShowCnct, 1);
    EXPECT_EQ(Settings.HideCnct, 0);
    EXPECT_EQ(Settings.LogonTime, 0);
    EXPECT_EQ(Settings.TimeUnit, 1);
    EXPECT_EQ(Settings.FixedTime, 0);
    EXPECT_EQ(Settings.FixedTimeH, 8u);
    EXPECT_EQ(Settings.FixedTimeM, 0u);
    EXPECT_EQ(Settings.DateOffset, 1u);
    EXPECT_EQ(Settings.StratAdjust, 15u);
    EXPECT_EQ(Settings.LogPath, "");
    EXPECT_EQ(Settings.WavPath, "");
    EXPECT_EQ(Settings.TBarDisp, 0);

    EXPECT_TRUE(reg_.HasKey(kKey));
    EXPECT_EQ(reg_.ValueCount(kKey), 0u);
    EXPECT_EQ(reg_.OpenHandles(), 0);

    SaveSettings();
    EXPECT_EQ(reg_.ValueCount(kKey), static_cast<size_t>(kSettingCount));
    for (const SettingField& f : kSettingsLoadOrder) {
        const test::MemoryRegistry::Value* v = reg_.Find(kKey, f.name);
        ASSERT_NE(v, nullptr) << f.name;
        EXPECT_EQ(v->type, f.isText ? kRegSz : kRegDword) << f.name;
        EXPECT_EQ(v->data.size(), f.isText ? 1u : 4u) << f.name;
    }
    EXPECT_EQ(reg_.OpenHandles(), 0);
}

TEST_F(StoreTest, TheKeyIsNamedByTheApplication) {
    appName = "Other";
    LoadSettings();
    EXPECT_TRUE(reg_.HasKey("HKCU\\Software\\Orlimo\\Other\\Settings"));
    EXPECT_FALSE(reg_.HasKey("HKCU\\Software\\Orlimo\\Tolvane"));
}

TEST_F(StoreTest, EveryValueOpensTheWholePathAndClosesEveryKey) {
    PutEveryValue();
    reg_.calls.clear();
    LoadSettings();
    std::vector<std::string> first(reg_.calls.begin(), reg_.calls.begin() + 9);
    std::vector<std::string> expected = {
        "open HKCU\\Software access=0x2001f -> 0",
        "create HKCU\\Software\\Orlimo options=0 access=0x2001f -> 0",
        "create HKCU\\Software\\Orlimo\\Tolvane options=0 access=0x2001f -> 0",
        "create HKCU\\Software\\Orlimo\\Tolvane\\Settings options=0 access=0x2001f -> 0",
        "query HKCU\\Software\\Orlimo\\Tolvane\\Settings WinPosX data -> 0",
        "close HKCU\\Software\\Orlimo\\Tolvane\\Settings -> 0",
        "close HKCU\\Software\\Orlimo\\Tolvane -> 0",
        "close HKCU\\Software\\Orlimo -> 0",
        "close HKCU\\Software -> 0",
    };
    EXPECT_EQ(first, expected);
    // A text is asked for its size, then its data, under one opening.
    auto logPath = std::find(reg_.calls.begin(), reg_.calls.end(), std::string("query ") + kKey + " LogPath size -> 0");
    ASSERT_NE(logPath, reg_.calls.end());
    EXPECT_EQ(*(logPath + 1), std::string("query ") + kKey + " LogPath data -> 0");

    size_t opens = 0, closes = 0;
    for (const std::string& c : reg_.calls) {
        opens += c.compare(0, 5, "open ") == 0 || c.compare(0, 7, "create ") == 0;
        closes += c.compare(0, 6, "close ") == 0;
    }
    EXPECT_EQ(opens, 4u * kSettingCount);
    EXPECT_EQ(closes, opens);
    EXPECT_EQ(reg_.OpenHandles(), 0);
}

TEST_F(StoreTest, LoadOrder) {
    PutEveryValue();
    reg_.calls.clear();
    LoadSettings();
    std::vector<std::string> expected = {
        "WinPosX",   "WinPosY",    "DisconnectEnable", "WarningEnable", "DisconnectTime", "WarningTime",
        "DlgType",   "RunHide",    "ShowCnct",         "HideCnct",      "LogonTime",      "TimeUnit",
        "FixedTime", "FixedTimeH", "FixedTimeM",       "DateOffset",    "StratAdjust",    "LogPath",
        "LogPath",   "WavPath",    "WavPath",          "TBarDisp",
    };
    EXPECT_EQ(Names("query"), expected);
}

TEST_F(StoreTest, SaveOrderAndFormat) {
    Settings.WinPosX = -4;
    Settings.LogPath = "D:\\表\\log";
    Settings.WavPath = "";
    reg_.calls.clear();
    SaveSettings();
    std::vector<std::string> expected = {
        "DisconnectEnable", "WarningEnable", "WinPosX",    "WinPosY",    "DisconnectTime",
        "WarningTime",      "DlgType",       "RunHide",    "ShowCnct",   "HideCnct",
        "LogonTime",        "TimeUnit",      "FixedTime",  "FixedTimeH", "FixedTimeM",
        "DateOffset",       "StratAdjust",   "LogPath",    "WavPath",    "TBarDisp",
    };
    EXPECT_EQ(Names("set"), expected);
    EXPECT_EQ(reg_.OpenHandles(), 0);

    EXPECT_EQ(reg_.Find(kKey, "WinPosX")->data, std::string("\xFC\xFF\xFF\xFF", 4));  // little-endian
    EXPECT_EQ(reg_.Find(kKey, "DisconnectTime")->data, std::string("\xE7\x03\x00\x00", 4));  // 999
    const test::MemoryRegistry::Value* log = reg_.Find(kKey, "LogPath");
    EXPECT_EQ(log->type, kRegSz);
    EXPECT_EQ(log->data, std::string("D:\\\x95\x5C\\log", 9) + '\0');  // CP932 bytes, terminated
    const test::MemoryRegistry::Value* wav = reg_.Find(kKey, "WavPath");
    EXPECT_EQ(wav->type, kRegSz);
    EXPECT_EQ(wav->data, std::string(1, '\0'));  // an existing empty string, not a missing value
}

TEST_F(StoreTest, SavedValuesLoadBackUnchanged) {
    Settings.WinPosX = 100;
    Settings.WinPosY = 200;
    Settings.TimeUnit = 7;  // values out of any range the dialog offers stay as they are
    Settings.LogonTime = 5;
    Settings.DateOffset = 40;
    Settings.TBarDisp = 9;
    Settings.DisconnectTime = 0xFFFFFFFF;
    Settings.LogPath = "C:\\ログ";
    Settings.WavPath = "C:\\Windows\\Media\\ding.wav";
    SettingsRecord saved = Settings;
    SaveSettings();
    Settings = SettingsRecord{};
    LoadSettings();
    for (const SettingField& f : kSettingsLoadOrder) {
        if (f.isText)
            EXPECT_EQ(*f.text(Settings), *f.text(saved)) << f.name;
        else
            EXPECT_EQ(*f.integer(Settings), *f.integer(saved)) << f.name;
    }
}

TEST_F(StoreTest, DlgTypeIsKeptThroughLoadsAndSaves) {
    reg_.PutDword(kKey, "DlgType", 3);
    for (int i = 0; i < 3; ++i) {
        LoadSettings();
        EXPECT_EQ(Settings.DlgType, 3);
        SaveSettings();
        SaveSettings();
    }
    EXPECT_EQ(reg_.Find(kKey, "DlgType")->data, std::string("\x03\x00\x00\x00", 4));
}

TEST_F(StoreTest, PositionIsCheckedAgainstThePrimaryScreen) {
    struct Case {
        uint32_t x, y;
        int32_t expectX, expectY;
    } cases[] = {
        {1023, 767, 1023, 767},             // the last pixel: kept
        {1024, 768, 0, 0},                  // the screen's size: beyond it
        {0xFFFFFFFC, 0xFFFFFFFC, 0, 0},     // -4, left of or above the primary screen
        {1500, 300, 0, 300},                // on a monitor to the right: x only
        {300, 900, 300, 0},                 // below: y only
        {0x80000000, 0x7FFFFFFF, 0, 0},
    };
    for (const Case& c : cases) {
        reg_.PutDword(kKey, "WinPosX", c.x);
        reg_.PutDword(kKey, "WinPosY", c.y);
        LoadSettings();
        EXPECT_EQ(Settings.WinPosX, c.expectX) << c.x;
        EXPECT_EQ(Settings.WinPosY, c.expectY) << c.y;
    }
}

TEST_F(StoreTest, PositionIsCheckedBeforeTheRestIsRead) {
    // A screen that cannot be measured is 0 by 0: no stored position is trusted.
    class CountingScreen final : public ScreenApi {
    public:
        explicit CountingScreen(test::MemoryRegistry& reg) : reg_(reg) {}
        int GetSystemMetrics(int) override {
            queriesBefore.push_back(reg_.calls.size());
            return 0;
        }
        test::MemoryRegistry& reg_;
        std::vector<size_t> queriesBefore;
    } screen(reg_);
    SetScreen(&screen);
    reg_.PutDword(kKey, "WinPosX", 10);
    reg_.PutDword(kKey, "WinPosY", 10);
    reg_.calls.clear();
    LoadSettings();
    EXPECT_EQ(Settings.WinPosX, 0);
    EXPECT_EQ(Settings.WinPosY, 0);
    ASSERT_EQ(screen.queriesBefore.size(), 2u);
    EXPECT_EQ(screen.queriesBefore[0], 18u);  // after the two 9-call reads of WinPosX and WinPosY
    EXPECT_EQ(screen.queriesBefore[1], 18u);
}

TEST_F(StoreTest, MistypedIntegerGivesTheDefault) {
    struct Case {
        const char* what;
        uint32_t type;
        std::string data;
        uint32_t expect;
    } cases[] = {
        {"dword", kRegDword, std::string("\x1E\x00\x00\x00", 4), 30},
        {"short dword", kRegDword, std::string("\x1E\x00", 2), 15},
        {"empty dword", kRegDword, std::string(), 15},
        {"long dword", kRegDword, std::string("\x1E\x00\x00\x00\x00\x00\x00\x00", 8), 15},
        {"qword", kRegQword, std::string("\x1E\x00\x00\x00\x00\x00\x00\x00", 8), 15},
        {"binary of four bytes", kRegBinary, std::string("\x1E\x00\x00\x00", 4), 15},
        {"text", kRegSz, std::string("30\0", 3), 15},
        {"big-endian dword", 5, std::string("\x00\x00\x00\x1E", 4), 15},
    };
    for (const Case& c : cases) {
        reg_.Put(kKey, "StratAdjust", c.type, c.data);
        Settings.StratAdjust = 999;
        LoadSettings();
        EXPECT_EQ(Settings.StratAdjust, c.expect) << c.what;
    }
}

TEST_F(StoreTest, MistypedOrOddTextIsReadSafely) {
    struct Case {
        const char* what;
        uint32_t type;
        std::string data;
        std::string expect;
    } cases[] = {
        {"text", kRegSz, std::string("C:\\log\0", 7), "C:\\log"},
        {"without terminator", kRegSz, "C:\\log", "C:\\log"},
        {"zero bytes", kRegSz, "", ""},
        {"zero inside", kRegSz, std::string("C:\\a\0junk\0", 10), "C:\\a"},
        {"long path", kRegSz, std::string(5000, 'p') + '\0', std::string(5000, 'p')},
        {"at the limit", kRegSz, std::string(kMaxSettingTextBytes - 1, 'p') + '\0',
         std::string(kMaxSettingTextBytes - 1, 'p')},
        {"over the limit", kRegSz, std::string(kMaxSettingTextBytes, 'p') + '\0', ""},
        {"expandable", kRegExpandSz, std::string("%TEMP%\0", 7), ""},
        {"dword", kRegDword, std::string("\x41\x42\x43\x44", 4), ""},
        {"binary", kRegBinary, "C:\\log", ""},
        {"multi", kRegMultiSz, std::string("C:\\log\0\0", 8), ""},
    };
    for (const Case& c : cases) {
        reg_.Put(kKey, "LogPath", c.type, c.data);
        LoadSettings();
        EXPECT_EQ(Settings.LogPath, c.expect) << c.what;
    }
}

// Load and save keep to one limit: what loads is saved in a form that loads again, the same.
TEST_F(StoreTest, WhatLoadsSurvivesASaveAndAReload) {
    const uint32_t limit = kMaxSettingTextBytes;
    struct Case {
        const char* what;
        std::string data;
        size_t loads;  // characters the first load takes
    } cases[] = {
        {"one short, terminated", std::string(limit - 2, 'p') + '\0', limit - 2},
        {"at the limit, terminated", std::string(limit - 1, 'p') + '\0', limit - 1},
        {"one short of the limit, unterminated", std::string(limit - 1, 'p'), limit - 1},
        {"the limit's bytes, unterminated", std::string(limit, 'p'), 0},
        {"short text in data beyond the limit", std::string(10, 'p') + '\0' + std::string(limit, 'q'), 0},
    };
    for (const Case& c : cases) {
        reg_.Put(kKey, "LogPath", kRegSz, c.data);
        LoadSettings();
        EXPECT_EQ(Settings.LogPath.size(), c.loads) << c.what;
        std::string loaded = Settings.LogPath;
        SaveSettings();
        Settings.LogPath = "stale";
        LoadSettings();
        EXPECT_EQ(Settings.LogPath, loaded) << c.what;
    }
}

TEST_F(StoreTest, ATextTooLongToLoadIsSavedCutBetweenCharacters) {
    const uint32_t limit = kMaxSettingTextLength;
    struct Case {
        const char* what;
        std::string text;
        std::string saved;
    } cases[] = {
        {"single bytes", std::string(limit + 10, 'p'), std::string(limit, 'p')},
        // 表 (95 5C) would straddle the limit: it goes whole.
        {"a double-byte character across the limit", std::string(limit - 1, 'p') + "\x95\x5C" + "qq",
         std::string(limit - 1, 'p')},
        {"a double-byte character that ends at the limit", std::string(limit - 2, 'p') + "\x95\x5C" + "q",
         std::string(limit - 2, 'p') + "\x95\x5C"},
    };
    for (const Case& c : cases) {
        Settings.LogPath = c.text;
        SaveSettings();
        const test::MemoryRegistry::Value* v = reg_.Find(kKey, "LogPath");
        ASSERT_NE(v, nullptr) << c.what;
        EXPECT_EQ(v->data, c.saved + '\0') << c.what;
        LoadSettings();
        EXPECT_EQ(Settings.LogPath, c.saved) << c.what;
    }
}

TEST_F(StoreTest, RegistryFailuresAreSilent) {
    struct Case {
        const char* what;
        const char* failingKey;
    } cases[] = {
        {"Software cannot be opened", "HKCU\\Software"},
        {"Orlimo cannot be created", "HKCU\\Software\\Orlimo"},
        {"Settings cannot be created", "HKCU\\Software\\Orlimo\\Tolvane\\Settings"},
    };
    for (const Case& c : cases) {
        test::MemoryRegistry reg;
        SetRegistry(&reg);
        reg.FailKey(c.failingKey, kRegAccessDenied);
        Settings.TimeUnit = 4;
        LoadSettings();
        EXPECT_EQ(Settings.TimeUnit, 1) << c.what;  // every read at its default
        EXPECT_FALSE(reg.HasKey(kKey)) << c.what;
        SaveSettings();
        EXPECT_EQ(reg.ValueCount(kKey), 0u) << c.what;
        EXPECT_EQ(reg.OpenHandles(), 0) << c.what;  // the keys opened before the failure are closed
    }
    EXPECT_TRUE(prompt_.shown.empty());
}

TEST_F(StoreTest, FailedWritesLeaveTheRecordAsItIs) {
    reg_.FailWrites(kRegAccessDenied);
    Settings.WavPath = "C:\\a.wav";
    SaveSettings();
    EXPECT_EQ(reg_.ValueCount(kKey), 0u);
    EXPECT_EQ(Settings.WavPath, "C:\\a.wav");
    EXPECT_EQ(reg_.OpenHandles(), 0);
    EXPECT_TRUE(prompt_.shown.empty());
}

TEST(StoreWithoutRegistry, EveryReadGivesItsDefault) {
    SettingsRecord before = Settings;
    Settings.StratAdjust = 0;
    LoadSettings();  // no registry chosen: every call fails
    EXPECT_EQ(Settings.StratAdjust, 15u);
    SaveSettings();
    Settings = before;
}

}  // namespace
