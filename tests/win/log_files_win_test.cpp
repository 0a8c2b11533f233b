// The log files over the Win32 file calls: a read lets others read and write, so a file that a
// spreadsheet holds (letting others read) is read but not appended to, and one held sharing
// nothing is not opened; appending never truncates; only a missing file is missing; paths are
// code page 932 and may hold 表, whose second byte is '\'.
#include <gtest/gtest.h>
#include <windows.h>

#include "monitor/log_files.h"
#include "win_support.h"

namespace {

class StringSink final : public ByteSink {
public:
    void Take(const char* data, size_t size) override { text.append(data, size); }
    std::string text;
};

class LogFilesWin : public ::testing::Test {
protected:
    // The folder in the program's code page, as the log folder setting holds it.
    std::string Path(const std::string& name) const { return wintest::Ansi(folder_.path()) + "\\" + name; }
    std::string Contents(const std::string& name) const {
        StringSink contents;
        EXPECT_EQ(files_.Read(Path(name), contents), FileResult::kOk) << name;
        return contents.text;
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

TEST_F(LogFilesWin, AFileHeldByAnotherOpener) {
    ASSERT_EQ(files_.Append(Path("C2401.csv"), "kept\r\n"), FileResult::kOk);
    for (DWORD share : {DWORD{FILE_SHARE_READ}, DWORD{0}}) {
        HANDLE holder = Hold("C2401.csv", share);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        StringSink contents;
        EXPECT_EQ(files_.Read(Path("C2401.csv"), contents), share ? FileResult::kOk : FileResult::kNotOpened);
        EXPECT_EQ(contents.text, share ? "kept\r\n" : "");
        EXPECT_EQ(files_.Append(Path("C2401.csv"), "waits\r\n"), FileResult::kNotOpened) << share;
        CloseHandle(holder);
    }
    EXPECT_EQ(Contents("C2401.csv"), "kept\r\n");
}

TEST_F(LogFilesWin, OnlyAMissingFileIsMissing) {
    StringSink contents;
    EXPECT_EQ(files_.Read(Path("none.csv"), contents), FileResult::kMissing);
    EXPECT_EQ(files_.Read(Path("no folder\\D2401.csv"), contents), FileResult::kNotOpened);
    EXPECT_EQ(files_.Append(Path("no folder\\D2401.csv"), "x\r\n"), FileResult::kNotOpened);
    EXPECT_EQ(GetFileAttributesA(Path("none.csv").c_str()), INVALID_FILE_ATTRIBUTES);  // reading created nothing
}

// The keeping file is made with its folder, replaced whole, and deleted when empty.
TEST_F(LogFilesWin, ReplaceMakesReplacesAndDeletes) {
    std::string kept = Path("Tolvane\\unwritten-lines.txt");
    ASSERT_EQ(files_.Replace(kept, "one\r\ntwo\r\n"), FileResult::kOk);
    ASSERT_EQ(files_.Replace(kept, "two\r\n"), FileResult::kOk);
    EXPECT_EQ(Contents("Tolvane\\unwritten-lines.txt"), "two\r\n");
    ASSERT_EQ(files_.Replace(kept, ""), FileResult::kOk);
    EXPECT_EQ(GetFileAttributesA(kept.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(files_.Replace(kept, ""), FileResult::kOk);
    EXPECT_NE(PlatformKeepingFile().find("\\unwritten-lines.txt"), std::string::npos);
}

// Past 4 GiB (a sparse file, so it takes no room): read to its end and appended at its end.
TEST_F(LogFilesWin, LogsPastFourGiB) {
    std::string path = Path("E2401.csv");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD ignored = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = (int64_t{1} << 32) + 100;
    ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);

    ASSERT_EQ(files_.Append(path, "a,b,c,7\r\n"), FileResult::kOk);
    class Tail final : public ByteSink {
    public:
        void Take(const char* data, size_t n) override {
            total += n;
            last.append(data, n);
            if (last.size() > 64) last.erase(0, last.size() - 64);
        }
        uint64_t total = 0;
        std::string last;
    } tail;
    ASSERT_EQ(files_.Read(path, tail), FileResult::kOk);
    EXPECT_EQ(tail.total, (uint64_t{1} << 32) + 100 + 9);
    EXPECT_EQ(tail.last.substr(tail.last.size() - 9), "a,b,c,7\r\n");
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
