// Start-up's two guards: one Tolvane per application name and log-on session, and the system's
// libraries taken from the system folder by their full path only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/single_instance.h"
#include "base/system_library.h"

namespace {

// A running copy as a second start meets it: it shows its window from the `windowAt`-th
// question on, and ends (the lock becomes ours) at the `endsAt`-th wait; 0 for never. Each
// question costs `answerMs` of the clock, each wait what it waited.
class ScriptedGate final : public InstanceGate {
public:
    Claim claim = Claim::kTaken;
    int windowAt = 0;
    int endsAt = 0;
    uint32_t answerMs = 0;
    uint32_t clock = 0;
    int questions = 0;
    int waits = 0;

    Claim TryClaim() override { return claim; }
    bool WaitForClaim(uint32_t ms) override {
        clock += ms;
        return ++waits == endsAt;
    }
    uint32_t Milliseconds() override { return clock; }
    bool ShowRunning() override {
        clock += answerMs;
        return ++questions == windowAt || (windowAt && questions > windowAt);
    }
};

TEST(SingleInstance, WhatASecondStartDoes) {
    const struct {
        const char* story;
        InstanceGate::Claim claim;
        int windowAt, endsAt;
        uint32_t answerMs, clockAtStart;
        InstanceStart expected;
        int questions, waits;
    } cases[] = {
        {"alone: runs without asking anyone", InstanceGate::Claim::kOurs, 0, 0, 0, 0, InstanceStart::kRun, 0, 0},
        {"no lock can be made: runs", InstanceGate::Claim::kUnavailable, 0, 0, 0, 0, InstanceStart::kRun, 0, 0},
        {"one runs: its window comes up, this one ends", InstanceGate::Claim::kTaken, 1, 0, 0, 0,
         InstanceStart::kEnd, 1, 0},
        {"the first is still starting: asked again until its window is there", InstanceGate::Claim::kTaken, 6, 0, 0,
         0, InstanceStart::kEnd, 6, 5},
        {"the first ends while this one looks: this one runs", InstanceGate::Claim::kTaken, 0, 4, 0, 0,
         InstanceStart::kRun, 4, 4},
        {"a first that never shows a window nor ends: ends after the patience", InstanceGate::Claim::kTaken, 0, 0, 0,
         0, InstanceStart::kEnd, 300, 300},
        {"a window that never answers is waited for no longer in all", InstanceGate::Claim::kTaken, 0, 0, 2000, 0,
         InstanceStart::kEnd, 15, 15},
        {"the clock wraps round meanwhile", InstanceGate::Claim::kTaken, 0, 0, 0, 0xFFFFFF00u, InstanceStart::kEnd,
         300, 300},
    };
    for (const auto& c : cases) {
        ScriptedGate gate;
        gate.claim = c.claim;
        gate.windowAt = c.windowAt;
        gate.endsAt = c.endsAt;
        gate.answerMs = c.answerMs;
        gate.clock = c.clockAtStart;
        EXPECT_EQ(ClaimInstance(gate), c.expected) << c.story;
        EXPECT_EQ(gate.questions, c.questions) << c.story;
        EXPECT_EQ(gate.waits, c.waits) << c.story;
    }
}

TEST(SingleInstance, TheNameFoldsCaseAndKeepsUsersApart) {
    const std::string sid = "S-1-5-21-7-1000";
    EXPECT_EQ(InstanceName("Tolvane", sid), "Orlimo.Tolvane.S-1-5-21-7-1000.TOLVANE");
    // The 32- and 64-bit programs share the name; case does not make another program.
    EXPECT_EQ(InstanceName("tolvane", sid), InstanceName("Tolvane", sid));
    // A copy under another name is another program with its own settings.
    EXPECT_NE(InstanceName("Tolvane2", sid), InstanceName("Tolvane", sid));
    EXPECT_NE(InstanceName("Tolvane", "S-1-5-21-7-1001"), InstanceName("Tolvane", sid));
    // "ヂ" is 83 61: its trail byte is no letter "a". "表" is 95 5C: its trail byte no backslash.
    EXPECT_EQ(InstanceName("ヂa表", sid), "Orlimo.Tolvane.S-1-5-21-7-1000.ヂA表");
}

TEST(SystemLibrary, PathsAreFullPathsInTheSystemFolder) {
    const struct {
        std::string folder;
        std::string expected;
    } cases[] = {
        {"C:\\WINDOWS\\system32", "C:\\WINDOWS\\system32\\rasapi32.dll"},
        {"d:\\nt\\", "d:\\nt\\rasapi32.dll"},
        {"\\\\server\\share\\system32", "\\\\server\\share\\system32\\rasapi32.dll"},
        {"C:\\表", "C:\\表\\rasapi32.dll"},  // its trail byte 5C is not a closing backslash
        // Anything but a full path would be searched for, beside the program first.
        {"", ""},
        {"system32", ""},
        {"C:system32", ""},
        {"\\WINDOWS\\system32", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(SystemLibraryPath(c.folder, "rasapi32.dll"), c.expected) << c.folder;
}

class FakeLoader final : public LibraryLoader {
public:
    std::string folder = "C:\\WINDOWS\\system32";
    bool loads = true;
    std::string missing;
    std::vector<std::string> loaded;

    std::string SystemFolder() override { return folder; }
    void* Load(const std::string& path) override {
        loaded.push_back(path);
        return loads ? this : nullptr;
    }
    void* Find(void* library, const char* function) override {
        EXPECT_EQ(library, this);
        return function == missing ? nullptr : const_cast<char*>(function);
    }
};

TEST(SystemLibrary, BindsEveryFunctionOrSaysWhatIsMissing) {
    const char* const functions[] = {"PlaySoundA", "waveOutOpen"};
    const struct {
        const char* story;
        std::string folder;
        bool loads;
        std::string missing;
        std::vector<std::string> loaded;
        std::string failure;  // empty: bound
    } cases[] = {
        {"bound from the system folder", "C:\\WINDOWS\\system32", true, "", {"C:\\WINDOWS\\system32\\winmm.dll"}, ""},
        {"the library does not load", "C:\\WINDOWS\\system32", false, "", {"C:\\WINDOWS\\system32\\winmm.dll"},
         "ｼｽﾃﾑのﾗｲﾌﾞﾗﾘ C:\\WINDOWS\\system32\\winmm.dll を読み込めませんでした。\nﾌﾟﾛｸﾞﾗﾑを終了します。"},
        {"a function is missing", "C:\\WINDOWS\\system32", true, "waveOutOpen", {"C:\\WINDOWS\\system32\\winmm.dll"},
         "ｼｽﾃﾑのﾗｲﾌﾞﾗﾘ C:\\WINDOWS\\system32\\winmm.dll に waveOutOpen がありません。\nﾌﾟﾛｸﾞﾗﾑを終了します。"},
        {"no system folder: nothing is loaded by its bare name", "", true, "", {},
         "ｼｽﾃﾑのﾗｲﾌﾞﾗﾘ winmm.dll を読み込めませんでした。\nﾌﾟﾛｸﾞﾗﾑを終了します。"},
    };
    for (const auto& c : cases) {
        FakeLoader loader;
        loader.folder = c.folder;
        loader.loads = c.loads;
        loader.missing = c.missing;
        void* slots[2] = {nullptr, nullptr};
        std::string failure;
        bool bound = BindSystemLibrary(loader, "winmm.dll", functions, slots, 2, &failure);
        EXPECT_EQ(bound, c.failure.empty()) << c.story;
        EXPECT_EQ(failure, c.failure) << c.story;
        EXPECT_EQ(loader.loaded, c.loaded) << c.story;
        // All or nothing: a half-bound library is never called.
        EXPECT_EQ(slots[0], bound ? functions[0] : nullptr) << c.story;
        EXPECT_EQ(slots[1], bound ? functions[1] : nullptr) << c.story;
    }
}

}  // namespace
