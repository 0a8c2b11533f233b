// The configuration record's field table: names, kinds, defaults and the two store orders.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/settings.h"

namespace {

TEST(SettingsTable, LoadOrderNamesAndDefaults) {
    struct Expect {
        const char* name;
        bool isText;
        uint32_t defaultValue;
    } expected[kSettingCount] = {
        {"WinPosX", false, 0},       {"WinPosY", false, 0},     {"DisconnectEnable", false, 1},
        {"WarningEnable", false, 1}, {"DisconnectTime", false, 0}, {"WarningTime", false, 3},
        {"DlgType", false, 0},       {"RunHide", false, 0},     {"ShowCnct", false, 1},
        {"HideCnct", false, 0},      {"LogonTime", false, 0},   {"TimeUnit", false, 1},
        {"FixedTime", false, 0},     {"FixedTimeH", false, 8},  {"FixedTimeM", false, 0},
        {"DateOffset", false, 1},    {"StratAdjust", false, 15}, {"LogPath", true, 0},
        {"WavPath", true, 0},        {"TBarDisp", false, 0},
    };
    for (int i = 0; i < kSettingCount; ++i) {
        EXPECT_STREQ(kSettingsLoadOrder[i].name, expected[i].name) << i;
        EXPECT_EQ(kSettingsLoadOrder[i].isText, expected[i].isText) << expected[i].name;
        if (!expected[i].isText) {
            EXPECT_EQ(kSettingsLoadOrder[i].defaultValue, expected[i].defaultValue) << expected[i].name;
        }
    }
}

TEST(SettingsTable, SaveOrderIsEveryFieldOnceInItsOwnOrder) {
    const char* expected[kSettingCount] = {
        "DisconnectEnable", "WarningEnable", "WinPosX",   "WinPosY",    "DisconnectTime",
        "WarningTime",      "DlgType",       "RunHide",   "ShowCnct",   "HideCnct",
        "LogonTime",        "TimeUnit",      "FixedTime", "FixedTimeH", "FixedTimeM",
        "DateOffset",       "StratAdjust",   "LogPath",   "WavPath",    "TBarDisp",
    };
    std::set<std::string> seen;
    for (int i = 0; i < kSettingCount; ++i) {
        EXPECT_STREQ(kSettingsSaveOrder[i], expected[i]);
        EXPECT_NE(FindSetting(kSettingsSaveOrder[i]), nullptr) << kSettingsSaveOrder[i];
        seen.insert(kSettingsSaveOrder[i]);
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kSettingCount));
}

// Each accessor must reach its own field, or a load would fill the wrong setting.
TEST(SettingsTable, AccessorsReachTheirOwnFields) {
    SettingsRecord s;
    for (int i = 0; i < kSettingCount; ++i) {
        const SettingField& f = kSettingsLoadOrder[i];
        if (f.isText)
            *f.text(s) = f.name;
        else
            *f.integer(s) = 100u + static_cast<uint32_t>(i);
    }
    EXPECT_EQ(s.WinPosX, 100);
    EXPECT_EQ(s.WinPosY, 101);
    EXPECT_EQ(s.DisconnectEnable, 102);
    EXPECT_EQ(s.WarningEnable, 103);
    EXPECT_EQ(s.DisconnectTime, 104u);
    EXPECT_EQ(s.WarningTime, 105u);
    EXPECT_EQ(s.DlgType, 106);
    EXPECT_EQ(s.RunHide, 107);
    EXPECT_EQ(s.ShowCnct, 108);
    EXPECT_EQ(s.HideCnct, 109);
    EXPECT_EQ(s.LogonTime, 110);
    EXPECT_EQ(s.TimeUnit, 111);
    EXPECT_EQ(s.FixedTime, 112);
    EXPECT_EQ(s.FixedTimeH, 113u);
    EXPECT_EQ(s.FixedTimeM, 114u);
    EXPECT_EQ(s.DateOffset, 115u);
    EXPECT_EQ(s.StratAdjust, 116u);
    EXPECT_EQ(s.LogPath, "LogPath");
    EXPECT_EQ(s.WavPath, "WavPath");
    EXPECT_EQ(s.TBarDisp, 119);
}

TEST(SettingsTable, DefaultsReplaceEveryValue) {
    SettingsRecord s;
    s.TimeUnit = 7;
    s.LogPath = "D:\\log";
    s.DlgType = 3;
    ApplySettingDefaults(s);
    EXPECT_EQ(s.TimeUnit, 1);
    EXPECT_EQ(s.LogPath, "");
    EXPECT_EQ(s.DlgType, 0);
    EXPECT_EQ(s.StratAdjust, 15u);
    EXPECT_EQ(s.FixedTimeH, 8u);
}

TEST(SettingsRecord, StartsZeroAndEmpty) {
    SettingsRecord s;
    EXPECT_EQ(s.DisconnectEnable, 0);
    EXPECT_EQ(s.StratAdjust, 0u);
    EXPECT_TRUE(s.WavPath.empty());
}

}  // namespace
