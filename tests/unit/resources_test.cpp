// The compiled resource script (windres output, .res format): every window template control
// by control, the string table, the settings dialog's list items, and which pictures are
// the same. Texts are compared as UTF-16, so a wrong code page in the script shows here.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "res/resource.h"

#ifdef TOLVANE_RES_FILE

namespace {

// Window and control styles, with the platform's values.
constexpr uint32_t WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000, WS_CAPTION = 0x00C00000,
                   WS_BORDER = 0x00800000, WS_VSCROLL = 0x00200000, WS_SYSMENU = 0x00080000, WS_GROUP = 0x00020000,
                   WS_TABSTOP = 0x00010000, WS_MINIMIZEBOX = 0x00020000, WS_EX_APPWINDOW = 0x00040000;
constexpr uint32_t DS_MODALFRAME = 0x80, DS_SETFONT = 0x40;
constexpr uint32_t BS_DEFPUSHBUTTON = 0x1, BS_AUTOCHECKBOX = 0x3, BS_OWNERDRAW = 0xB, BS_CENTER = 0x300;
constexpr uint32_t SS_CENTER = 0x1, SS_ICON = 0x3, SS_NOPREFIX = 0x80;
constexpr uint32_t ES_PASSWORD = 0x20, ES_AUTOHSCROLL = 0x80, ES_NUMBER = 0x2000;
constexpr uint32_t CBS_DROPDOWNLIST = 0x3;
constexpr uint32_t UDS_SETBUDDYINT = 0x2, UDS_ALIGNRIGHT = 0x4, UDS_AUTOBUDDY = 0x10, UDS_ARROWKEYS = 0x20,
                   UDS_NOTHOUSANDS = 0x80;

constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;
constexpr uint32_t kStatic = kChild | WS_GROUP;  // left-aligned static text
constexpr uint32_t kPush = kChild | WS_TABSTOP;
constexpr uint32_t kDefPush = kPush | BS_DEFPUSHBUTTON;
constexpr uint32_t kCheck = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr uint32_t kEdit = kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr uint32_t kDropList = kChild | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST;
constexpr uint32_t kSpin = kChild | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
constexpr uint32_t kDialog = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

constexpr uint32_t kStaticId = 65535;

// --- Reading the .res file -------------------------------------------------------------------

struct Reader {
    const std::string& data;
    size_t at;

    uint32_t Get(int bytes) {
        if (at + static_cast<size_t>(bytes) > data.size()) {
            ADD_FAILURE() << "read past the end";
            at = data.size();
            return 0;
        }
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(data[at + static_cast<size_t>(i)]);
        at += static_cast<size_t>(bytes);
        return v;
    }
    int16_t Short() { return static_cast<int16_t>(Get(2)); }
    // A name or an ordinal; ordinals read as "#n".
    std::u16string NameOrOrdinal() {
        if (Get(2) == 0xFFFF) {
            std::string n = "#" + std::to_string(Get(2));
            return std::u16string(n.begin(), n.end());
        }
        at -= 2;
        std::u16string s;
        while (char16_t c = static_cast<char16_t>(Get(2))) s += c;
        return s;
    }
    void Align() { at = (at + 3) & ~size_t{3}; }
};

struct Resource {
    std::u16string type;
    std::u16string name;
    uint32_t language;
    std::string data;
};

std::vector<Resource> ReadResources() {
    std::ifstream in(TOLVANE_RES_FILE, std::ios::binary);
    static const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<Resource> all;
    Reader r{file, 0};
    while (r.at + 8 <= file.size()) {
        size_t start = r.at;
        uint32_t dataSize = r.Get(4), headerSize = r.Get(4);
        Resource res;
        res.type = r.NameOrOrdinal();
        res.name = r.NameOrOrdinal();
        r.at = start + headerSize - 10;
        res.language = r.Get(2);
        res.data = file.substr(start + headerSize, dataSize);
        if (!(res.type == u"#0")) all.push_back(res);
        r.at = start + headerSize + dataSize;
        r.Align();
    }
    return all;
}

std::u16string U(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

const Resource* Find(const std::vector<Resource>& all, int type, const std::u16string& name) {
    for (const Resource& r : all) {
        if (r.type == U("#" + std::to_string(type)) && r.name == name) return &r;
    }
    return nullptr;
}

const Resource* Find(const std::vector<Resource>& all, int type, int id) { return Find(all, type, U("#" + std::to_string(id))); }

struct Control {
    uint32_t id;
    std::u16string cls;
    std::u16string text;
    uint32_t style;
    int x, y, cx, cy;
};

struct Dialog {
    uint32_t style, exStyle;
    int x, y, cx, cy;
    std::u16string caption;
    uint32_t pointSize, weight, italic, charset;
    std::u16string face;
    std::vector<Control> controls;
};

// Class atoms of the predefined controls, by name.
std::u16string ClassName(std::u16string cls) {
    if (cls == u"#128") return u"Button";
    if (cls == u"#129") return u"Edit";
    if (cls == u"#130") return u"Static";
    if (cls == u"#133") return u"ComboBox";
    if (cls == u"BUTTON") return u"Button";
    if (cls == u"MSCTLS_UPDOWN32") return u"msctls_updown32";
    return cls;
}

Dialog ParseDialogEx(const std::string& data) {
    Reader r{data, 0};
    Dialog d{};
    EXPECT_EQ(r.Get(2), 1u);       // version
    EXPECT_EQ(r.Get(2), 0xFFFFu);  // extended template
    r.Get(4);                      // help id
    d.exStyle = r.Get(4);
    d.style = r.Get(4);
    uint32_t count = r.Get(2);
    d.x = r.Short();
    d.y = r.Short();
    d.cx = r.Short();
    d.cy = r.Short();
    EXPECT_EQ(r.NameOrOrdinal(), u"");  // no menu
    EXPECT_EQ(r.NameOrOrdinal(), u"");  // the dialog class
    d.caption = r.NameOrOrdinal();
    d.pointSize = r.Get(2);
    d.weight = r.Get(2);
    d.italic = r.Get(1);
    d.charset = r.Get(1);
    d.face = r.NameOrOrdinal();
    for (uint32_t i = 0; i < count; ++i) {
        r.Align();
        Control c{};
        r.Get(4);  // help id
        EXPECT_EQ(r.Get(4), 0u) << "control " << i << " has an extended style";
        c.style = r.Get(4);
        c.x = r.Short();
        c.y = r.Short();
        c.cx = r.Short();
        c.cy = r.Short();
        c.id = r.Get(4);
        c.cls = ClassName(r.NameOrOrdinal());
        c.text = r.NameOrOrdinal();
        r.at += r.Get(2);  // creation data
        d.controls.push_back(c);
    }
    return d;
}

// --- Expected templates ----------------------------------------------------------------------

struct ExpectedDialog {
    int id;
    uint32_t style, exStyle;
    int cx, cy;
    std::u16string caption;
    std::vector<Control> controls;
};

const std::vector<ExpectedDialog>& ExpectedDialogs() {
    static const std::vector<ExpectedDialog> dialogs = {
        {IDD_MONITOR, kDialog | WS_MINIMIZEBOX, WS_EX_APPWINDOW, 99, 35, u"Tolvane",
         {
             {IDC_DISCONNECT, u"Button", u"SETUDAN", kPush | BS_OWNERDRAW, 74, 5, 20, 22},
             {IDC_SESSION_CAPTION, u"Static", u"接続時間", kStatic, 5, 7, 30, 8},
             {IDC_SESSION_TIME, u"Static", u"00:00:00", kStatic, 39, 7, 28, 8},
             {IDC_MONTH_CAPTION, u"Static", u"月度累計", kStatic, 5, 19, 30, 8},
             {IDC_MONTH_TOTAL, u"Static", u"00:00", kStatic, 39, 19, 18, 8},
             {IDC_COUNTDOWN, u"Static", u"強制切断まで 00 秒", kStatic | SS_CENTER, 5, 5, 58, 8},
             {IDC_EXTEND, u"Button", u"接続延長", kPush, 19, 16, 35, 14},
             {IDC_SETTINGS_BUTTON, u"Button", u"S", kPush | BS_CENTER, 59, 18, 13, 13},
         }},
        {IDD_ABOUTBOX, kDialog, 0, 170, 33, u"ﾊﾞｰｼﾞｮﾝ情報",
         {
             {kStaticId, u"Static", u"#128", kChild | SS_ICON, 3, 6, 0, 0},
             {kStaticId, u"Static", u"Tolvane Version 1.10", kChild | SS_NOPREFIX, 27, 8, 69, 8},
             {1, u"Button", u"OK", kDefPush, 130, 9, 32, 14},
         }},
        {IDD_SETTINGS, kDialog, 0, 171, 195, u"Tolvane - 設定",
         {
             {1, u"Button", u"OK", kDefPush, 125, 6, 37, 14},
             {2, u"Button", u"ｷｬﾝｾﾙ", kPush, 125, 23, 37, 14},
             {57670, u"Button", u"ﾍﾙﾌﾟ", kPush, 125, 40, 37, 14},
             {1021, u"Button", u"ﾀｽｸﾄﾚｲで起動", kCheck, 6, 7, 59, 10},
             {1022, u"Button", u"接続で表示", kCheck, 6, 19, 50, 10},
             {1023, u"Button", u"切断で非表示", kCheck, 6, 31, 57, 10},
             {1034, u"Button", u"警報間隔", kCheck, 6, 43, 43, 10},
             {1009, u"Edit", u"", kEdit | ES_NUMBER, 50, 41, 26, 12},
             {1016, u"msctls_updown32", u"Spin1", kSpin, 72, 41, 9, 12},
             {kStaticId, u"Static", u"分", kStatic, 79, 45, 8, 8},
             {1035, u"Button", u"強制切断", kCheck, 6, 57, 43, 10},
             {1010, u"Edit", u"", kEdit | ES_NUMBER, 50, 55, 26, 12},
             {1018, u"msctls_updown32", u"Spin1", kSpin, 72, 56, 9, 12},
             {kStaticId, u"Static", u"分", kStatic, 79, 57, 8, 8},
             {1024, u"Button", u"定時切断", kCheck, 6, 70, 43, 10},
             {1028, u"Edit", u"", kEdit, 50, 69, 26, 12},
             {1011, u"msctls_updown32", u"Spin1", kSpin, 71, 68, 10, 14},
             {kStaticId, u"Static", u"時", kStatic, 79, 72, 8, 8},
             {1029, u"Edit", u"", kEdit, 89, 69, 26, 12},
             {1012, u"msctls_updown32", u"Spin1", kSpin, 110, 68, 10, 14},
             {kStaticId, u"Static", u"分", kStatic, 118, 72, 8, 8},
             {kStaticId, u"Static", u"接続時間の累計", kStatic, 6, 87, 53, 8},
             {1026, u"ComboBox", u"", kDropList, 61, 85, 61, 74},
             {kStaticId, u"Static", u"接続開始時間", kStatic, 6, 103, 46, 8},
             {1027, u"ComboBox", u"", kDropList, 61, 101, 61, 42},
             {kStaticId, u"Static", u"接続時間ｵﾌｾｯﾄ", kStatic, 6, 119, 48, 8},
             {1033, u"Edit", u"", kEdit, 61, 117, 23, 12},
             {1014, u"msctls_updown32", u"Spin1", kSpin, 77, 114, 9, 14},
             {kStaticId, u"Static", u"秒", kStatic, 86, 119, 8, 8},
             {kStaticId, u"Static", u"月度累計開始日", kStatic, 6, 134, 53, 8},
             {1030, u"Edit", u"", kEdit, 61, 132, 23, 12},
             {1013, u"msctls_updown32", u"Spin1", kSpin, 77, 130, 9, 14},
             {kStaticId, u"Static", u"日", kStatic, 86, 134, 8, 8},
             {kStaticId, u"Static", u"警告音", kStatic, 6, 166, 47, 8},
             {1036, u"Edit", u"", kEdit, 61, 164, 73, 12},
             {1037, u"Button", u"参照", kPush, 139, 164, 24, 12},
             {kStaticId, u"Static", u"ﾛｸﾞ作成ﾌｫﾙﾀﾞ", kStatic, 7, 180, 47, 8},
             {1032, u"Edit", u"", kEdit, 61, 178, 73, 12},
             {1031, u"Button", u"参照", kPush, 139, 179, 24, 12},
             {kStaticId, u"Static", u"ﾀｲﾄﾙ(ﾀｽｸ)ﾊﾞｰ", kStatic, 6, 150, 51, 8},
             {1038, u"ComboBox", u"", kDropList, 61, 147, 61, 72},
         }},
        {IDD_DIAL, kDialog, 0, 171, 127, u"ﾀﾞｲｱﾙｱｯﾌﾟ接続",
         {
             {kStaticId, u"Static", u"接続", kStatic, 6, 9, 15, 8},
             {1036, u"ComboBox", u"", kDropList, 37, 6, 122, 54},
             {kStaticId, u"Static", u"ﾕｰｻﾞ名", kStatic, 6, 29, 30, 8},
             {1037, u"Edit", u"", kEdit, 37, 27, 107, 12},
             {kStaticId, u"Static", u"ﾊﾟｽﾜｰﾄﾞ", kStatic, 6, 45, 26, 8},
             {1019, u"Edit", u"", kEdit | ES_PASSWORD, 37, 44, 107, 12},
             {1038, u"Button", u"ﾊﾟｽﾜｰﾄﾞを保存する", kCheck, 6, 88, 75, 10},
             {1, u"Button", u"接続", kDefPush, 27, 104, 50, 14},
             {2, u"Button", u"ｷｬﾝｾﾙ", kPush, 94, 104, 50, 14},
             {kStaticId, u"Static", u"ﾄﾞﾒｲﾝ", kStatic, 6, 63, 18, 8},
             {1039, u"Edit", u"", kEdit, 37, 61, 107, 12},
             {kStaticId, u"Static", u"(ｵﾌﾟｼｮﾝ)", kStatic, 6, 73, 27, 8},
         }},
        {IDD_DIAL_PROGRESS, kDialog, 0, 147, 45, u"ﾀﾞｲｱﾙ接続中",
         {
             {2, u"Button", u"ｷｬﾝｾﾙ", kPush, 48, 23, 50, 14},
             {1039, u"Static", u"接続中...", kStatic, 11, 9, 124, 8},
         }},
    };
    return dialogs;
}

std::string Utf8(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// --- Tests -----------------------------------------------------------------------------------

TEST(Resources, WindowTemplatesAsDesigned) {
    const auto all = ReadResources();
    for (const ExpectedDialog& want : ExpectedDialogs()) {
        SCOPED_TRACE("template " + std::to_string(want.id));
        const Resource* res = Find(all, 5, want.id);
        ASSERT_NE(res, nullptr);
        EXPECT_EQ(res->language, 0x411u);
        Dialog got = ParseDialogEx(res->data);
        EXPECT_EQ(got.style, want.style) << std::hex << got.style;
        EXPECT_EQ(got.style & WS_VISIBLE, 0u);  // created hidden
        EXPECT_EQ(got.exStyle, want.exStyle);
        EXPECT_EQ(got.x, 0);
        EXPECT_EQ(got.y, 0);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        EXPECT_EQ(Utf8(got.caption), Utf8(want.caption));
        EXPECT_EQ(got.pointSize, 9u);
        EXPECT_EQ(got.charset, 128u);  // Shift JIS
        EXPECT_EQ(Utf8(got.face), u8"ＭＳ Ｐゴシック");
        ASSERT_EQ(got.controls.size(), want.controls.size());
        for (size_t i = 0; i < want.controls.size(); ++i) {
            const Control& g = got.controls[i];
            const Control& w = want.controls[i];
            SCOPED_TRACE("control " + std::to_string(i) + " (" + std::to_string(w.id) + ")");
            EXPECT_EQ(g.id, w.id);
            EXPECT_EQ(Utf8(g.cls), Utf8(w.cls));
            EXPECT_EQ(Utf8(g.text), Utf8(w.text));
            EXPECT_EQ(g.style, w.style) << std::hex << g.style << " instead of " << w.style;
            EXPECT_EQ(g.x, w.x);
            EXPECT_EQ(g.y, w.y);
            EXPECT_EQ(g.cx, w.cx);
            EXPECT_EQ(g.cy, w.cy);
        }
    }
}

// A string-table entry: block id / 16 + 1 holds 16 counted strings.
std::u16string StringOf(const std::vector<Resource>& all, int id) {
    const Resource* block = Find(all, 6, id / 16 + 1);
    if (!block) return u"<no block>";
    Reader r{block->data, 0};
    for (int i = 0; i < id % 16; ++i) r.at += 2 * r.Get(2);
    std::u16string s;
    for (uint32_t n = r.Get(2); n > 0; --n) s += static_cast<char16_t>(r.Get(2));
    return s;
}

TEST(Resources, MenuCommandTextsTwiceAroundANewline) {
    const auto all = ReadResources();
    const struct {
        int id;
        const char16_t* text;
    } commands[] = {
        {ID_SHOW_WINDOW, u"ｳｨﾝﾄﾞｳ表示"}, {ID_ABOUT, u"ﾊﾞｰｼﾞｮﾝ情報..."}, {ID_HELP_INDEX, u"ﾍﾙﾌﾟ"},
        {ID_SETTINGS, u"設定..."},       {ID_CONNECT, u"接続..."},         {ID_DISCONNECT, u"切断"},
        {ID_EXIT, u"終了"},
    };
    for (const auto& c : commands) {
        std::u16string text = c.text;
        EXPECT_EQ(Utf8(StringOf(all, c.id)), Utf8(text + u"\n" + text)) << c.id;
    }
    EXPECT_EQ(StringOf(all, ID_DISPLAY_FIRST), u"");
}

TEST(Resources, SettingsListItemsInPositionOrder) {
    const auto all = ReadResources();
    const Resource* init = Find(all, 240, IDD_SETTINGS);
    ASSERT_NE(init, nullptr);
    const struct {
        uint32_t control;
        std::vector<std::u16string> items;
    } lists[] = {
        {IDC_TIME_UNIT, {u"秒単位", u"分単位", u"3分単位", u"3&4分単位", u"5&7分単位"}},
        {IDC_LOGON_TIME, {u"電話回線接続時", u"ﾌﾟﾛﾊﾞｲﾀﾞ接続時"}},
        {IDC_TBAR_DISP, {u"接続名", u"接続時間", u"月度間累", u"電話番号"}},
    };
    Reader r{init->data, 0};
    for (const auto& list : lists) {
        for (const std::u16string& item : list.items) {
            EXPECT_EQ(r.Get(2), list.control);
            EXPECT_EQ(r.Get(2), 0x0143u);  // CB_ADDSTRING
            EXPECT_EQ(Utf8(StringOf(all, static_cast<int>(r.Get(2)))), Utf8(item));
        }
    }
    EXPECT_EQ(r.Get(2), 0u);
    EXPECT_EQ(r.at, init->data.size());
}

TEST(Resources, DisconnectBitmapsAndTheirEqualities) {
    const auto all = ReadResources();
    auto bitmap = [&](const std::u16string& name) -> std::string {
        const Resource* r = Find(all, 2, name);
        return r ? r->data : std::string();
    };
    auto id = [](int n) { return U("#" + std::to_string(n)); };
    for (const char16_t* name : {u"SETUDANU", u"SETUDAND", u"SETUDANF", u"SETUDANX"}) {
        const std::string b = bitmap(name);
        ASSERT_GE(b.size(), 16u) << Utf8(name);
        Reader r{b, 4};
        EXPECT_EQ(r.Get(4), 36u);
        EXPECT_EQ(r.Get(4), 36u);
        r.Get(2);
        EXPECT_EQ(r.Get(2), 4u);  // 16 colours
    }
    EXPECT_EQ(bitmap(id(IDB_NORMAL_UP)), bitmap(u"SETUDANU"));
    EXPECT_EQ(bitmap(id(IDB_NORMAL_DOWN)), bitmap(u"SETUDAND"));
    EXPECT_EQ(bitmap(id(IDB_NORMAL_FOCUS)), bitmap(u"SETUDANF"));
    EXPECT_EQ(bitmap(id(IDB_NORMAL_DISABLED)), bitmap(u"SETUDANX"));
    EXPECT_EQ(bitmap(u"SETUDANU"), bitmap(u"SETUDANF"));
    EXPECT_EQ(bitmap(id(IDB_ALERT_UP)), bitmap(id(IDB_ALERT_FOCUS)));
    EXPECT_EQ(bitmap(id(IDB_ALERT_DISABLED)), bitmap(id(IDB_NORMAL_DISABLED)));
    // The looks and states that must differ.
    EXPECT_NE(bitmap(id(IDB_NORMAL_UP)), bitmap(id(IDB_NORMAL_DOWN)));
    EXPECT_NE(bitmap(id(IDB_NORMAL_UP)), bitmap(id(IDB_ALERT_UP)));
    EXPECT_NE(bitmap(id(IDB_ALERT_UP)), bitmap(id(IDB_ALERT_DOWN)));
    EXPECT_NE(bitmap(id(IDB_NORMAL_UP)), bitmap(id(IDB_NORMAL_DISABLED)));
}

TEST(Resources, IconsWithBothSizes) {
    const auto all = ReadResources();
    for (int icon : {IDI_MAIN, IDI_TRAY_NONE, IDI_TRAY_ONE, IDI_TRAY_MANY}) {
        const Resource* group = Find(all, 14, icon);
        ASSERT_NE(group, nullptr) << icon;
        Reader r{group->data, 4};
        ASSERT_EQ(r.Get(2), 2u) << icon;
        for (uint32_t size : {32u, 16u}) {
            EXPECT_EQ(r.Get(1), size) << icon;
            EXPECT_EQ(r.Get(1), size) << icon;
            EXPECT_EQ(r.Get(1), 16u) << icon;  // colours
            r.Get(1);
            r.Get(2);
            EXPECT_EQ(r.Get(2), 4u) << icon;  // bits per pixel
            r.Get(4);
            EXPECT_NE(Find(all, 3, static_cast<int>(r.Get(2))), nullptr) << icon;
        }
    }
    // The executable's icon is the first group.
    for (const Resource& r : all) {
        if (r.type == u"#14") {
            EXPECT_EQ(r.name, u"#128");
            break;
        }
    }
}

TEST(Resources, VersionAndManifest) {
    const auto all = ReadResources();
    const Resource* version = Find(all, 16, 1);
    ASSERT_NE(version, nullptr);
    Reader r{version->data, 6};
    EXPECT_EQ(Utf8(r.NameOrOrdinal()), "VS_VERSION_INFO");
    const Resource* manifest = Find(all, 24, 1);
    ASSERT_NE(manifest, nullptr);
    EXPECT_NE(manifest->data.find("level=\"asInvoker\""), std::string::npos);
    // One manifest serves both builds: the program's own identity may name no processor.
    size_t own = manifest->data.find("<assemblyIdentity");
    ASSERT_NE(own, std::string::npos);
    std::string identity = manifest->data.substr(own, manifest->data.find("/>", own) - own);
    EXPECT_EQ(identity.find("processorArchitecture"), std::string::npos) << identity;
}

}  // namespace

#else
TEST(Resources, NeedTheResourceCompiler) { GTEST_SKIP() << "i686-w64-mingw32-windres not found"; }
#endif
