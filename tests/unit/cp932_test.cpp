// Code page 932 text: the build's character set, and searches that walk by characters.
#include <gtest/gtest.h>

#include "base/app_names.h"
#include "base/cp932.h"
#include "base/exe_folder.h"
#include "test_support.h"

namespace {

// A build without -fexec-charset=CP932 would store these literals as UTF-8.
TEST(Cp932Build, LiteralsAreStoredAsCodePage932) {
    EXPECT_EQ(std::string("切断"), "\x90\xD8\x92\x66");
    EXPECT_EQ(std::string("表"), "\x95\x5C");
    EXPECT_EQ(std::string("ﾀﾞｲｱﾙ"), "\xC0\xDE\xB2\xB1\xD9");  // half-width katakana stay single bytes
    EXPECT_EQ(std::string("接続時間"), test::Cp932(u8"接続時間"));
}

TEST(Cp932Search, LastBackslashSkipsTrailBytes) {
    struct Case {
        std::string text;
        size_t lastBackslash;
        bool endsWithBackslash;
    } cases[] = {
        {"", std::string::npos, false},
        {"D:\\log", 2, false},
        {"D:\\log\\", 6, true},
        {"D:\\表", 2, false},              // 95 5C: the 5C is a trail byte
        {"D:\\表\\", 5, true},
        {"D:\\ｱ\\x", 4, false},             // a half-width katakana is one byte
        {"\x81", std::string::npos, false}, // a lone lead byte at the end
        {"\x81\\", std::string::npos, false},
        {"a\\\x81", 1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindLastBackslash(c.text), c.lastBackslash) << c.text;
        EXPECT_EQ(EndsWithBackslash(c.text), c.endsWithBackslash) << c.text;
    }
}

TEST(ExeFolder, CutAfterLastBackslashCharacter) {
    EXPECT_EQ(FolderOfModulePath("C:\\Program Files\\Tolvane\\Tolvane.exe"), "C:\\Program Files\\Tolvane\\");
    EXPECT_EQ(FolderOfModulePath("C:\\Tolvane.exe"), "C:\\");
    EXPECT_EQ(FolderOfModulePath("C:\\表\\Tolvane.exe"), "C:\\表\\");
    EXPECT_EQ(FolderOfModulePath("C:\\ソフト表Tolvane.exe"), "C:\\");
    EXPECT_EQ(FolderOfModulePath("Tolvane.exe"), "Tolvane.exe");
}

TEST(AppNames, FromTheModulePath) {
    struct Case {
        const char* path;
        const char* appName;
        const char* helpFile;
    } cases[] = {
        {"C:\\Program Files\\Tolvane\\Tolvane.exe", "Tolvane", "C:\\Program Files\\Tolvane\\Tolvane.HLP"},
        {"C:\\v1.2\\My.Tool.EXE", "My.Tool", "C:\\v1.2\\My.Tool.HLP"},
        {"C:\\表\\ツール.exe", "ツール", "C:\\表\\ツール.HLP"},  // ツ is 83 63, 表 95 5C
        {"D:Tolvane.exe", "Tolvane", "D:Tolvane.HLP"},
        {"/tmp/x/Tolvane", "Tolvane", "/tmp/x/Tolvane.HLP"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AppNameOfModulePath(c.path), c.appName) << c.path;
        EXPECT_EQ(HelpFileOfModulePath(c.path), c.helpFile) << c.path;
    }
}

}  // namespace
