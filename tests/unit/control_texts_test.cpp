// The monitor window's texts reach their controls only when they change: a tick that changes
// no text sets no text, whatever the tick hands over.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/settings.h"
#include "doubles.h"
#include "monitor/log_files.h"
#include "monitor/monitor_tick.h"
#include "monitor/tick_time.h"
#include "res/resource.h"
#include "test_support.h"
#include "ui/control_texts.h"

namespace {

using Sets = std::vector<std::pair<int, std::string>>;

// The window's PushTexts, recording what it sets on which control.
class TextSettingView final : public MonitorView {
public:
    void ShowHideOnChange(bool) override {}
    void UpdateTrayIcon(int) override {}
    void ApplyDisplayMode(int32_t) override {}
    void EnableDisconnect(bool) override {}
    void PushTexts(const MonitorTexts& texts) override {
        PushChangedTexts(cache, texts, [this](int id, const std::string& text) { sets.emplace_back(id, text); });
    }
    void SetCaption(const std::string&) override {}
    void CloseAfterTick() override {}
    Sets Take() {
        Sets taken;
        taken.swap(sets);
        return taken;
    }
    ControlTextCache cache;
    Sets sets;
};

class ControlTextsTest : public test::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        SetClock(&clock_);
        SetFiles(&files_);
        clock_.now = test::Local(2001, 1, 3, 9, 0, 0);
        tick_.State().monitorTimerId = 12;
    }
    void Tick(int64_t advance = 0) {
        clock_.now += advance;
        tick_.OnTimer(12);
    }

    test::SettableClock clock_;
    test::NoFiles files_;
    test::QuietSound sound_;
    TextSettingView view_;
    MonitorTick tick_{view_, sound_};
};

TEST_F(ControlTextsTest, ATickThatChangesNoTextSetsNoText) {
    ras_.Connect("A");
    Tick();
    const MonitorTexts& texts = tick_.State().texts;
    Sets first = view_.Take();  // nothing was set yet: all three
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0], Sets::value_type(IDC_SESSION_TIME, texts.sessionTime));
    EXPECT_EQ(first[1], Sets::value_type(IDC_MONTH_TOTAL, texts.monthTotal));
    EXPECT_EQ(first[2], Sets::value_type(IDC_COUNTDOWN, texts.countdown));
    Tick();
    EXPECT_TRUE(view_.Take().empty());

    EXPECT_EQ(texts.sessionTime, "00:00:15");  // the start offset
    EXPECT_EQ(texts.monthTotal, "00:01");

    // Two ticks a second: the first of each second sets the session time alone (the month
    // total stays at its minute), the second one sets nothing.
    for (int second = 1; second <= 3; ++second) {
        Tick(1);
        Sets sets = view_.Take();
        ASSERT_EQ(sets.size(), 1u) << second;
        EXPECT_EQ(sets[0], Sets::value_type(IDC_SESSION_TIME, "00:00:1" + std::to_string(5 + second)));
        Tick();
        EXPECT_TRUE(view_.Take().empty()) << second;
    }
    // The month total moves to the next minute at 61 s (rounded up).
    Tick(61 - 18);
    Sets minute = view_.Take();
    ASSERT_EQ(minute.size(), 2u);
    EXPECT_EQ(minute[0], Sets::value_type(IDC_SESSION_TIME, "00:01:01"));
    EXPECT_EQ(minute[1], Sets::value_type(IDC_MONTH_TOTAL, "00:02"));
}

TEST_F(ControlTextsTest, TextsTheDataExchangeSetCountAsSet) {
    ControlTextCache cache;
    MonitorTexts texts;
    RecordTexts(cache, texts);
    Sets sets;
    auto record = [&](int id, const std::string& text) { sets.emplace_back(id, text); };
    PushChangedTexts(cache, texts, record);
    EXPECT_TRUE(sets.empty());

    texts.countdown = "強制切断まで 09 秒";
    PushChangedTexts(cache, texts, record);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0], Sets::value_type(IDC_COUNTDOWN, "強制切断まで 09 秒"));

    // Controls are told apart: the same text on another control is a change there.
    EXPECT_TRUE(cache.Changed(IDC_SESSION_CAPTION, "00:00"));
    EXPECT_FALSE(cache.Changed(IDC_SESSION_CAPTION, "00:00"));
    EXPECT_FALSE(cache.Changed(IDC_MONTH_TOTAL, "00:00"));
    EXPECT_TRUE(cache.Changed(IDC_MONTH_TOTAL, ""));
}

}  // namespace
