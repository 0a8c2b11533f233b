// The monitor window's texts, the layouts of the display modes, and the show/hide decision.
#include <gtest/gtest.h>

#include "base/settings.h"
#include "res/resource.h"
#include "test_support.h"
#include "ui/display_model.h"

namespace {

TEST(ShowTimes, FormatsSessionAndMonthTexts) {
    struct Case {
        uint32_t elapsed, monthTotal;
        const char* session;
        const char* month;
    } cases[] = {
        {0, 5, "00:00:00", "00:01"},          // month total rounded up to the minute
        {60, 0, "00:01:00", "00:01"},
        {61, 0, "00:01:01", "00:02"},
        {3599, 0, "00:59:59", "01:00"},
        {3661, 7200, "01:01:01", "03:02"},
        {360000, 0, "100:00:00", "100:00"},   // hours grow past two digits
        {15, 36000000, "00:00:15", "10000:01"},
        // Past the signed 32-bit range the texts stop at its top instead of turning negative.
        {2147483647, 0, "596523:14:07", "596523:14"},
        {4294967295u, 0, "596523:14:07", "596523:14"},
        {100, 2147483600, "00:01:40", "596523:14"},
    };
    for (const Case& c : cases) {
        MonitorTexts texts;
        EXPECT_TRUE(ShowTimes(c.elapsed, c.monthTotal, texts));
        EXPECT_EQ(texts.sessionTime, c.session) << c.elapsed << " " << c.monthTotal;
        EXPECT_EQ(texts.monthTotal, c.month) << c.elapsed << " " << c.monthTotal;
    }
}

TEST(ShowTimes, BothZeroChangesNothing) {
    MonitorTexts texts;
    texts.sessionTime = "01:02:03";
    texts.monthTotal = "04:05";
    EXPECT_FALSE(ShowTimes(0, 0, texts));
    EXPECT_EQ(texts.sessionTime, "01:02:03");
    EXPECT_EQ(texts.monthTotal, "04:05");
}

TEST(MonitorTexts, InitialValuesAndCountdown) {
    MonitorTexts texts;
    EXPECT_EQ(texts.sessionTime, "00:00:00");
    EXPECT_EQ(texts.monthTotal, "00:00");
    EXPECT_EQ(texts.countdown, test::Cp932(u8"強制切断まで 00 秒"));
    EXPECT_EQ(FormatCountdown(10), test::Cp932(u8"強制切断まで 10 秒"));
    EXPECT_EQ(FormatCountdown(3), test::Cp932(u8"強制切断まで 03 秒"));
    EXPECT_STREQ(kSessionCaption, test::Cp932(u8"接続時間").c_str());
    EXPECT_STREQ(kMonthCaption, test::Cp932(u8"月度累計").c_str());
}

// The visibility of 1005, 1003, 1006, 1004, 1007, 1013 in a layout, as a string of 0 and 1.
std::string Visibility(const DisplayLayout& layout) {
    const int order[] = {IDC_SESSION_CAPTION, IDC_SESSION_TIME, IDC_MONTH_CAPTION, IDC_MONTH_TOTAL, IDC_EXTEND, IDC_COUNTDOWN};
    std::string shown;
    for (int id : order) {
        int found = 0;
        for (const ControlVisibility& c : layout.controls)
            if (c.id == id) {
                ++found;
                shown += c.visible ? '1' : '0';
            }
        EXPECT_EQ(found, 1) << id;
    }
    return shown;
}

TEST(DisplayLayouts, BitmapsAndVisibilityPerMode) {
    struct Case {
        int32_t mode;
        int bitmaps[4];
        const char* visibility;
    } cases[] = {
        {kModeNormal, {130, 131, 132, 133}, "111100"},
        {kModeWarning, {138, 134, 136, 140}, "111100"},
        {kModeForcedCountdown, {138, 134, 136, 140}, "000011"},
        {kModeFixedCountdown, {138, 134, 136, 140}, "000001"},  // no extend button
        {7, {138, 134, 136, 140}, "111100"},
        {-1, {138, 134, 136, 140}, "111100"},
    };
    for (const Case& c : cases) {
        const DisplayLayout& layout = LayoutOf(c.mode);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(layout.bitmaps[i], c.bitmaps[i]) << c.mode << " " << i;
        EXPECT_EQ(Visibility(layout), c.visibility) << c.mode;
    }
}

TEST(ShowHideDecision, BySettings) {
    struct Case {
        int32_t showCnct, hideCnct, runHide;
        bool hasConnections;
        WindowChange change;
    } cases[] = {
        {1, 0, 0, true, WindowChange::kShow},     {0, 1, 1, true, WindowChange::kNone},
        {1, 0, 1, false, WindowChange::kNone},    {1, 1, 1, false, WindowChange::kHide},
        {1, 1, 0, false, WindowChange::kMinimize}, {0, 5, 2, false, WindowChange::kHide},
    };
    SettingsRecord saved = Settings;
    for (const Case& c : cases) {
        Settings.ShowCnct = c.showCnct;
        Settings.HideCnct = c.hideCnct;
        Settings.RunHide = c.runHide;
        EXPECT_EQ(ShowHideDecision(c.hasConnections), c.change) << c.showCnct << c.hideCnct << c.runHide << c.hasConnections;
    }
    Settings = saved;
}

}  // namespace
