// Helpers for the native unit tests.
#include "test_support.h"

#include <iconv.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/exe_folder.h"
#include "base/settings.h"
#include "monitor/connection_table.h"
#include "monitor/log_files.h"
#include "monitor/tick_time.h"
#include "monitor/usage_log.h"
#include "ras/dialing.h"
#include "ras/ras_api.h"

namespace test {

int RecordingPrompt::Show(const std::string& text, unsigned style) {
    shown.push_back({text, style});
    if (answers.empty()) return kIdYes;
    int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tolvane-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    path_ = mkdtemp(buffer.data()) ? buffer.data() : "";
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::Read(const std::string& name) const {
    std::ifstream in(path_ + "/" + name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void TempDir::Write(const std::string& name, const std::string& contents) const {
    std::ofstream(path_ + "/" + name, std::ios::binary) << contents;
}

bool TempDir::Exists(const std::string& name) const { return std::filesystem::exists(path_ + "/" + name); }

ScopedTimeZone::ScopedTimeZone(const char* tz) {
    const char* old = getenv("TZ");
    hadOld_ = old != nullptr;
    if (old) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (hadOld_)
        setenv("TZ", old_.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

int64_t Local(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&t));
}

namespace {

std::string Convert(const char* to, const char* from, const std::string& text) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out(text.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* o = &out[0];
    size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

std::string Cp932(const std::string& utf8) { return Convert("CP932", "UTF-8", utf8); }

sim::TextCodec Cp932Codec() {
    sim::TextCodec codec;
    codec.toAnsi = [](const std::string& s) { return Convert("CP932", "UTF-8", s); };
    codec.toUtf8 = [](const std::string& s) { return Convert("UTF-8", "CP932", s); };
    return codec;
}

void CoreTest::SetUp() {
    ApplySettingDefaults(Settings);
    for (uint32_t i = 0; i < kSlotCount; ++i) ResetSlot(i);
    for (auto*& p : ConnectionTable.active) p = nullptr;
    ConnectionTable.activeCount = 0;
    EntryList = EntryListData{};
    TickTime = 0;
    exeFolder = "C:\\Tolvane\\";
    SetRas(&ras_);
    SetPrompts(&prompt_);
    SetFiles(nullptr);
    for (std::string ignored; TakeLogError(&ignored);) {
    }
    ResetDialing();
}

void CoreTest::TearDown() {
    SetRas(nullptr);
    SetPrompts(nullptr);
    SetFiles(nullptr);
    SetClock(nullptr);
}

}  // namespace test
