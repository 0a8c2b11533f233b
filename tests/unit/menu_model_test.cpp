// The context menus' contents for 0, 1 and 2 connections, and the per-connection handlers.
#include <gtest/gtest.h>

#include <map>

#include "doubles.h"
#include "monitor/connection_table.h"
#include "monitor/log_files.h"
#include "res/resource.h"
#include "test_support.h"
#include "ui/menu_model.h"

namespace {

// The program's string table, as the Windows build loads it.
std::string StringTable(uint32_t id) {
    static const std::map<uint32_t, std::string> table = {
        {ID_SHOW_WINDOW, "ｳｨﾝﾄﾞｳ表示\nｳｨﾝﾄﾞｳ表示"}, {ID_ABOUT, "ﾊﾞｰｼﾞｮﾝ情報...\nﾊﾞｰｼﾞｮﾝ情報..."},
        {ID_HELP_INDEX, "ﾍﾙﾌﾟ\nﾍﾙﾌﾟ"},           {ID_SETTINGS, "設定...\n設定..."},
        {ID_CONNECT, "接続...\n接続..."},         {ID_DISCONNECT, "切断\n切断"},
        {ID_EXIT, "終了\n終了"},
    };
    auto it = table.find(id);
    return it == table.end() ? std::string() : it->second;
}

// Items as "id text" lines, a check mark as a trailing " *".
std::vector<std::string> Lines(const std::vector<MenuItem>& items) {
    std::vector<std::string> lines;
    for (const MenuItem& item : items)
        lines.push_back(std::to_string(item.id) + " " + item.text + (item.checked ? " *" : ""));
    return lines;
}

class MenuTest : public test::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        SetFiles(&nowhere_);
    }
    void Connect(std::initializer_list<const char*> names) {
        for (const char* n : names) ras_.Connect(n);
        RefreshConnections();
    }
    std::vector<std::string> Menu(bool tray, const std::string& displayed = "") {
        return Lines(BuildContextMenu(tray, displayed, StringTable));
    }

    test::NoFiles nowhere_;
};

TEST(MenuCommands, InOrder) {
    const uint32_t expected[] = {32776, 32772, 57666, 32777, 32782, 32786, 32771, 32775};
    for (int i = 0; i < kMenuCommandCount; ++i) EXPECT_EQ(kMenuCommands[i], expected[i]) << i;
}

TEST(MenuText, AfterTheFirstNewline) {
    EXPECT_EQ(MenuText("a\nb"), "b");
    EXPECT_EQ(MenuText("a\nb\nc"), "b\nc");
    EXPECT_EQ(MenuText("whole"), "whole");
    EXPECT_EQ(MenuText(""), "");
    EXPECT_EQ(MenuText("a\n"), "");
}

TEST_F(MenuTest, NoConnection) {
    EXPECT_EQ(Menu(true), (std::vector<std::string>{"32776 ｳｨﾝﾄﾞｳ表示", "32772 ﾊﾞｰｼﾞｮﾝ情報...", "57666 ﾍﾙﾌﾟ",
                                                     "32777 設定...", "32786 接続...", "32775 終了"}));
    EXPECT_EQ(Menu(false), (std::vector<std::string>{"32772 ﾊﾞｰｼﾞｮﾝ情報...", "57666 ﾍﾙﾌﾟ", "32777 設定...",
                                                      "32786 接続...", "32775 終了"}));
}

TEST_F(MenuTest, OneConnection) {
    Connect({"ﾌﾟﾛﾊﾞｲﾀﾞ"});
    std::vector<std::string> window = {"32772 ﾊﾞｰｼﾞｮﾝ情報...", "57666 ﾍﾙﾌﾟ", "32777 設定...", "32786 接続...",
                                       "32778 切断-ﾌﾟﾛﾊﾞｲﾀﾞ", "32775 終了"};
    EXPECT_EQ(Menu(false, "ﾌﾟﾛﾊﾞｲﾀﾞ"), window);  // one connection: no display items
    std::vector<std::string> tray = window;
    tray.insert(tray.begin(), "32776 ｳｨﾝﾄﾞｳ表示");
    EXPECT_EQ(Menu(true, "ﾌﾟﾛﾊﾞｲﾀﾞ"), tray);
    EXPECT_EQ(std::string("切断"), "\x90\xD8\x92\x66");
}

TEST_F(MenuTest, TwoConnections) {
    Connect({"A", "B"});
    EXPECT_EQ(Menu(false, "B"), (std::vector<std::string>{"32772 ﾊﾞｰｼﾞｮﾝ情報...", "57666 ﾍﾙﾌﾟ", "32777 設定...",
                                                           "32782 A", "32783 B *", "32786 接続...", "32778 切断-A",
                                                           "32779 切断-B", "32775 終了"}));
    // Names compare byte for byte: no check mark for another case, or for nothing displayed.
    for (const char* displayed : {"b", "", "B "})
        for (const MenuItem& item : BuildContextMenu(false, displayed, StringTable))
            EXPECT_FALSE(item.checked) << displayed << " " << item.text;
    // The tray menu never lists the display items.
    EXPECT_EQ(Menu(true, "B"), (std::vector<std::string>{"32776 ｳｨﾝﾄﾞｳ表示", "32772 ﾊﾞｰｼﾞｮﾝ情報...", "57666 ﾍﾙﾌﾟ",
                                                          "32777 設定...", "32786 接続...", "32778 切断-A",
                                                          "32779 切断-B", "32775 終了"}));
}

TEST_F(MenuTest, MissingStringEntriesGiveEmptyTexts) {
    Connect({"A"});
    auto none = [](uint32_t) { return std::string(); };
    EXPECT_EQ(Lines(BuildContextMenu(true, "A", none)),
              (std::vector<std::string>{"32776 ", "32772 ", "57666 ", "32777 ", "32786 ", "32778 -A", "32775 "}));
}

std::vector<std::string> HungUp(const std::vector<std::string>& journal) {
    std::vector<std::string> entries;
    for (const std::string& line : journal)
        if (line.find("RasHangUpA") != std::string::npos) entries.push_back(line.substr(line.find("entry=")));
    return entries;
}

TEST_F(MenuTest, DisconnectItemsHangUpByIndex) {
    Connect({"A", "B"});
    MenuEntries shown = EntriesOf(BuildContextMenu(true, "A", StringTable));
    DisconnectActive(2, shown);  // only two connections: nothing
    DisconnectActive(7, shown);
    EXPECT_EQ(ras_.ConnectionCount(), 2);
    DisconnectActive(1, shown);
    EXPECT_TRUE(prompt_.shown.empty());  // the menu choice is the confirmation
    EXPECT_EQ(ras_.ConnectionCount(), 1);
    EXPECT_EQ(HungUp(ras_.Journal()), (std::vector<std::string>{"entry=B -> 0"}));
}

// The menu showed "切断-A" as the first item; A ended before it was chosen, and B moved up to
// index 0. The item belongs to A: it must not hang B up.
TEST_F(MenuTest, ItemsOfAConnectionThatEndedWhileTheMenuWasOpen) {
    Connect({"A", "B"});
    MenuEntries shown = EntriesOf(BuildContextMenu(false, "A", StringTable));
    EXPECT_EQ(shown.names[0], "A");
    EXPECT_EQ(shown.names[1], "B");
    ras_.Drop("A");
    RefreshConnections();
    ASSERT_STREQ(ConnectionTable.active[0]->rasConn.szEntryName, "B");
    ras_.ClearJournal();
    DisconnectActive(0, shown);  // 切断-A
    DisconnectActive(1, shown);  // 切断-B: gone from index 1
    EXPECT_TRUE(HungUp(ras_.Journal()).empty());
    EXPECT_EQ(ras_.ConnectionCount(), 1);
    std::string name = "A", phone;
    EXPECT_FALSE(DisplayActive(0, shown, name, phone));  // the display item of A
    EXPECT_EQ(name, "A");
    // A menu built now has B at index 0, and its item acts.
    shown = EntriesOf(BuildContextMenu(false, "B", StringTable));
    DisconnectActive(0, shown);
    EXPECT_EQ(HungUp(ras_.Journal()), (std::vector<std::string>{"entry=B -> 0"}));
}

TEST_F(MenuTest, DisplayItemsSetTheDisplayedConnection) {
    ras_.AddEntry({"A", "03", "1111", "", "", false, ""});
    ras_.AddEntry({"B", "06", "2222", "", "", false, ""});
    Connect({"A", "B"});
    MenuEntries shown = EntriesOf(BuildContextMenu(false, "A", StringTable));
    std::string name = "A", phone = "031111";
    EXPECT_FALSE(DisplayActive(2, shown, name, phone));
    EXPECT_EQ(name, "A");
    EXPECT_EQ(phone, "031111");
    EXPECT_TRUE(DisplayActive(1, shown, name, phone));
    EXPECT_EQ(name, "B");
    EXPECT_EQ(phone, "062222");
}

TEST(TrayIcon, PictureByKind) {
    const int expected[][2] = {{0, 145}, {1, 146}, {2, 147}, {3, 147}, {4, 147}};
    for (const auto& e : expected) EXPECT_EQ(TrayIconId(e[0]), e[1]) << e[0];
}

}  // namespace
