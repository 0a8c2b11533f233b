// The log files over the Win32 file calls: both operations open with no sharing, so a file
// that another opener holds is not opened (and not touched); appending never truncates; paths
// are code page 932 and may hold 表, whose second byte is '\'.
#include <gtest/gtest.h>
#include <windows.h>

#include "monitor/log_files.h"
#include "win_support.h"

namespace {

class LogFilesWin : public ::testing::Test {
protected:
    // The folder in the program's code page, as the log folder setting holds it.
    std::string Path(const std::string& name) const { return wintest::Ansi(folder_.path()) + "\\" + name; }
    std::string Contents(const std::string& name) const {
        std::string contents;
        EXPECT_EQ(files_.ReadAll(Path(name), &contents), FileResult::kOk) << name;
        return contents;
    }
    HANDLE Hold(const std::string& name, DWORD share) const {
        return CreateFileA(Path(name).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    }

    wintest::TempFolder folder_{"log"};
    LogFiles& files_ = PlatformFiles();
};

TEST_F(LogFilesWin, AppendCreatesThenAddsAtTheEnd) {
    ASSERT_EQ(files_.Append(Path("A2401.csv"), "one\r\n"), FileResult::kOk);
    ASSERT_EQ(files_.Append(Path("A2401.csv"), "two\r\n"), FileResult::kOk);
    ASSERT_EQ(files_.Append(Path("A2401.csv"), ""), FileResult::kOk);
    EXPECT_EQ(Contents("A2401.csv"), "one\r\ntwo\r\n");
}

TEST_F(LogFilesWin, AppendNeverTruncatesWhatIsThere) {
    // A long file written by someone else, without a final line end.
    std::string existing(100000, 'x');
    existing += "\r\nlast";
    ASSERT_TRUE(CreateDirectoryA(Path("sub").c_str(), nullptr));
    HANDLE file = CreateFileA(Path("sub\\B2401.csv").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, existing.data(), static_cast<DWORD>(existing.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(files_.Append(Path("sub\\B2401.csv"), "new\r\n"), FileResult::kOk);
    EXPECT_EQ(Contents("sub\\B2401.csv"), existing + "new\r\n");
}

TEST_F(LogFilesWin, AFileHeldByAnotherOpenerIsNotOpened) {
    ASSERT_EQ(files_.Append(Path("C2401.csv"), "kept\r\n"), FileResult::kOk);
    // Whatever the other opener shares, we ask for sole use.
    for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}}) {
        HANDLE holder = Hold("C2401.csv", share);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        std::string contents = "untouched";
        EXPECT_EQ(files_.ReadAll(Path("C2401.csv"), &contents), FileResult::kNotOpened) << share;
        EXPECT_EQ(files_.Append(Path("C2401.csv"), "lost\r\n"), FileResult::kNotOpened) << share;
        CloseHandle(holder);
    }
    EXPECT_EQ(Contents("C2401.csv"), "kept\r\n");
}

TEST_F(LogFilesWin, MissingFilesAndFoldersAreNotOpened) {
    std::string contents;
    EXPECT_EQ(files_.ReadAll(Path("none.csv"), &contents), FileResult::kNotOpened);
    EXPECT_EQ(files_.Append(Path("no folder\\D2401.csv"), "x\r\n"), FileResult::kNotOpened);
    EXPECT_EQ(GetFileAttributesA(Path("none.csv").c_str()), INVALID_FILE_ATTRIBUTES);  // reading created nothing
}

TEST_F(LogFilesWin, JapaneseNamesInCodePage932) {
    // 表 is 95 5C: a path walked byte by byte would see a separator inside it.
    ASSERT_TRUE(CreateDirectoryA(Path("表計算").c_str(), nullptr));
    std::string name = "表計算\\接続先表2401.csv";
    ASSERT_EQ(files_.Append(Path(name), "１行目\r\n"), FileResult::kOk);
    EXPECT_EQ(Contents(name), "１行目\r\n");
    // The same file, seen through its UTF-8 name.
    EXPECT_EQ(wintest::ReadWhole(folder_.path() + u8"\\表計算\\接続先表2401.csv"), "１行目\r\n");
}

}  // namespace
