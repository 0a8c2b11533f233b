// A model-based test of the core: random histories of the simulated service (connections that
// appear in any state, change state, vanish or are re-dialled under the same name, more than
// four at once, enumeration and status failures, slow or endless hang-ups), interleaved with
// ticks, a clock that moves on, jumps back and passes 2038, settings changes and extend
// presses, and log files held open elsewhere for a while (as a spreadsheet holds them, or
// sharing nothing, or failing) and then let go. After every step the invariants of the table,
// the log and the deadlines are checked.
//
// The histories are fixed, so a failure comes back the same. TOLVANE_MODEL_SECONDS=N runs further
// histories for about N seconds (tools/fuzz.sh does); TOLVANE_MODEL_OPTIONS=file-failures,huge-offsets
// switches on failing log files and start offsets near the top of 32 bits.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/settings.h"
#include "doubles.h"
#include "monitor/connection_table.h"
#include "monitor/log_files.h"
#include "monitor/monitor_tick.h"
#include "monitor/tick_time.h"
#include "monitor/usage_log.h"
#include "ras/hang_up.h"
#include "test_support.h"

namespace {

struct ModelOptions {
    // Log reads and appends that fail now and then in every history (the even ones always).
    bool fileFailures = false;
    // StratAdjust near 4294967295, which needs lines whose columns do not wrap.
    bool hugeOffsets = false;
};

ModelOptions OptionsFromEnvironment() {
    ModelOptions o;
    const char* text = std::getenv("TOLVANE_MODEL_OPTIONS");
    std::string s = text ? text : "";
    o.fileFailures = s.find("file-failures") != std::string::npos;
    o.hugeOffsets = s.find("huge-offsets") != std::string::npos;
    return o;
}

// How another program holds the logs of one entry for a while.
enum class Hold {
    kSpreadsheet,  // lets others read, not write
    kExclusive,    // shares nothing
    kBroken,       // opens, then fails (a dropped network, a bad medium)
};

// Log files in memory. Every appended line is kept with the unit in force when it was written.
class ModelFiles final : public LogFiles {
public:
    struct Line {
        std::string text;
        int32_t unit;
    };
    FileResult Read(const std::string& path, ByteSink& sink) override {
        const Hold* hold = HoldOf(path);
        if (hold && *hold == Hold::kExclusive) return FileResult::kNotOpened;
        if ((hold && *hold == Hold::kBroken) || FailNow()) return rng_() % 2 ? FileResult::kIoError : FileResult::kNotOpened;
        auto it = contents_.find(path);
        if (it == contents_.end()) return FileResult::kMissing;
        sink.Take(it->second.data(), it->second.size());
        return FileResult::kOk;
    }
    FileResult Append(const std::string& path, const std::string& bytes) override {
        const Hold* hold = HoldOf(path);
        if (hold) return *hold == Hold::kBroken ? FileResult::kIoError : FileResult::kNotOpened;
        if (FailNow()) return rng_() % 2 ? FileResult::kIoError : FileResult::kNotOpened;
        contents_[path] += bytes;
        lines[path].push_back({bytes, Settings.TimeUnit});
        return FileResult::kOk;
    }
    void Start(uint32_t number, bool failures) {
        rng_ = std::mt19937(number);
        failures_ = failures;
    }
    void StopFailing() { failures_ = false; }

    std::map<std::string, std::vector<Line>> lines;
    std::map<std::string, Hold> holds;  // by entry name

private:
    // The logs of an entry: its name, then four digits and ".csv", after a separator.
    const Hold* HoldOf(const std::string& path) const {
        for (const auto& h : holds) {
            size_t at = path.size() - h.first.size() - 8;
            if (path.size() > h.first.size() + 8 && path[at - 1] == '\\' && path.compare(at, h.first.size(), h.first) == 0)
                return &h.second;
        }
        return nullptr;
    }
    bool FailNow() { return failures_ && rng_() % 20 == 0; }
    std::map<std::string, std::string> contents_;
    std::mt19937 rng_;
    bool failures_ = false;
};

// A hang-up's wait that never waits: each look at the clock is a second later.
class FastWait final : public LineWait {
public:
    void Yield() override {}
    uint32_t Milliseconds() override { return now += 1000; }
    uint32_t now = 0;
};

constexpr uint32_t kTimerId = 12;
const char* const kNames[] = {"A", "B", "C", "D", "E", "\x95\x5C ISP"};  // the last: 表 ISP in code page 932
constexpr int kNameCount = 6;

// The fourth column of a line the program wrote, in hundredths of a minute.
uint64_t FourthColumn(const std::string& line) {
    size_t pos = 0;
    for (int i = 0; i < 3; ++i) pos = line.find(',', pos) + 1;
    std::string column = line.substr(pos, line.find('\r', pos) - pos);
    size_t dot = column.find('.');
    uint64_t whole = std::strtoull(column.c_str(), nullptr, 10);
    uint64_t hundredths = dot == std::string::npos ? 0 : std::strtoull(column.c_str() + dot + 1, nullptr, 10);
    return whole * 100 + hundredths;
}

// One history: its own service, ports and window state, set up for the core on construction.
class History {
public:
    History(uint32_t number, const ModelOptions& options);
    ~History();
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // Runs the steps, then lets every log go for a few ticks: nothing may wait then. False
    // (with a failure recorded) at the first broken invariant.
    bool Run(int steps);

    // What the history went through, so a generator that stopped reaching them shows.
    struct Reached {
        int sessions = 0;      // lines appended
        int deadlines = 0;     // ticks at which a deadline was due
        int crowded = 0;       // ticks with more than four connections listed
        int enumFailures = 0;  // ticks whose enumeration failed
        int after2038 = 0;     // ticks past 03:14:07 UTC, 19 January 2038
        int waiting = 0;       // ticks after which lines waited for their file
        int unread = 0;        // ticks after which a counting session's month was unread
    };
    const Reached& reached() const { return reached_; }

private:
    struct Obligation {
        uint32_t handle;
        int tick;  // the tick at which the deadline was due
    };

    void Step();
    void Tick();
    void ChangeService();
    void ChangeSettings();
    void ChangeHolds();
    bool Failed(int step, const std::string& broken);
    std::string Check();
    std::string CheckTable() const;
    std::string CheckSessions() const;
    std::string CheckTotals();
    std::string CheckDeadlines(const std::set<uint32_t>& hungUp);
    std::vector<uint32_t> DueHandles() const;
    bool Listed(uint32_t handle) const;

    uint32_t Pick(uint32_t n) { return static_cast<uint32_t>(rng_() % n); }
    template <size_t N>
    uint32_t PickOf(const uint32_t (&values)[N]) {
        return values[Pick(N)];
    }
    void Note(const std::string& what) {
        recent_.push_back(what);
        if (recent_.size() > 24) recent_.pop_front();
    }

    uint32_t number_;
    sim::RasSim ras_{[] { return 0.0; }};
    test::RecordingPrompt prompt_;
    ModelFiles files_;
    test::SettableClock clock_;
    FastWait wait_;
    test::QuietView view_;
    test::QuietSound sound_;
    MonitorTick tick_{view_, sound_};
    std::mt19937 rng_;
    ModelOptions options_;
    std::set<std::string> connected_;  // names the service lists, kept unique as the real one does
    std::vector<Obligation> pending_;
    std::map<std::pair<std::string, int32_t>, uint64_t> lastTotal_;  // (file, unit) -> fourth column
    std::map<std::string, size_t> linesChecked_;
    std::map<std::string, int> begun_;  // sessions that began counting, by log file
    bool holds_ = false;
    std::deque<std::string> recent_;
    int ticks_ = 0;
    int checkedTick_ = -1;
    Reached reached_;
};

// History `number` is the same history at every run: its random numbers start from it. The
// even ones have log files that fail now and then.
History::History(uint32_t number, const ModelOptions& options) : number_(number), options_(options) {
    rng_ = std::mt19937(number);
    options_.fileFailures = options.fileFailures || number % 2 == 0;
    holds_ = number % 4 != 3;
    files_.Start(number, options_.fileFailures);
    SetRas(&ras_);
    SetPrompts(&prompt_);
    SetFiles(&files_);
    SetClock(&clock_);
    SetLineWait(&wait_);
    ras_.AddEntry({"A", "03", "1111", "", "", false, ""});
    ras_.AddEntry({"B", "", "2222", "", "", false, ""});
    ResetSlot(kSlotCount);
    tick_.State().monitorTimerId = kTimerId;
    Settings.LogPath = "C:\\logs";
    Settings.DisconnectTime = 2;
    // Where the clock starts: an ordinary morning, the last minutes of a month and of a year,
    // and the quarter hour before the signed 32-bit seconds run out (03:14:08 UTC, 19 Jan 2038).
    const int64_t starts[] = {test::Local(2001, 1, 3, 9, 0, 0), test::Local(2001, 1, 31, 23, 50, 0),
                              test::Local(2000, 12, 31, 23, 45, 0), int64_t{0x7FFFFFFF} - 900};
    clock_.now = starts[number % 4];
}

History::~History() {
    SetRas(nullptr);
    SetPrompts(nullptr);
    SetFiles(nullptr);
    SetClock(nullptr);
    SetLineWait(nullptr);
}

bool History::Failed(int step, const std::string& broken) {
    std::ostringstream history;
    for (const std::string& s : recent_) history << "\n  " << s;
    ADD_FAILURE() << "history " << number_ << ", step " << step << ": " << broken << "\nlast steps:" << history.str();
    return true;
}

bool History::Run(int steps) {
    for (int step = 0; step < steps; ++step) {
        Step();
        std::string broken = Check();
        if (!broken.empty() && Failed(step, broken)) return false;
        ras_.ClearJournal();
    }
    files_.holds.clear();
    files_.StopFailing();
    Note("every log let go");
    for (int i = 0; i < 3; ++i) {
        clock_.now += 3;
        Tick();
        std::string broken = Check();
        if (broken.empty() && !UnwrittenLines().empty()) broken = "a line still waits for its free file";
        if (!broken.empty() && Failed(steps + i, broken)) return false;
    }
    for (const auto& p : files_.lines) reached_.sessions += static_cast<int>(p.second.size());
    return true;
}

void History::Step() {
    uint32_t roll = Pick(100);
    if (roll < 45)
        Tick();
    else if (roll < 85)
        ChangeService();
    else if (roll < 95)
        ChangeSettings();
    else if (roll < 97)
        ChangeHolds();
    else {
        tick_.OnExtend();
        Note("extend");
    }
}

void History::Tick() {
    uint32_t roll = Pick(100);
    int64_t move = roll < 45 ? 0 : roll < 88 ? 1 : roll < 95 ? 2 + Pick(120) : roll < 98 ? -1 - int64_t{Pick(3600)} : 3600 * (1 + int64_t{Pick(48)});
    clock_.now += move;
    Note("tick " + std::to_string(ticks_ + 1) + " at " + std::to_string(clock_.now) + " (" + std::to_string(move) + ")");
    bool counted[kSlotCount];
    for (uint32_t i = 0; i < kSlotCount; ++i) counted[i] = ConnectionTable.slots[i].elapsed != 0;
    tick_.OnTimer(kTimerId);
    ++ticks_;
    // No slot ends a session and begins another within one tick.
    for (uint32_t i = 0; i < kSlotCount; ++i) {
        const ConnectionRecord& r = ConnectionTable.slots[i];
        if (r.elapsed != 0 && !counted[i]) ++begun_[r.logPath];
        reached_.unread += r.elapsed != 0 && r.monthUnread;
    }
    reached_.waiting += !UnwrittenLines().empty();
    reached_.crowded += ras_.ConnectionCount() > 4;
    reached_.after2038 += clock_.now > 0x7FFFFFFF;
    for (const std::string& line : ras_.Journal())
        reached_.enumFailures += line.find("RasEnumConnectionsA -> 6") != std::string::npos;
}

void History::ChangeService() {
    static const uint32_t kStates[] = {0, 1, 2, 3, 3, 4, 0x1000, 0x2000, 0x2000, 0x2000, 0x2001, 0xFFFFFFFF};
    std::string name = kNames[Pick(kNameCount)];
    bool listed = connected_.count(name) != 0;
    uint32_t roll = Pick(100);
    if (roll < 30) {
        if (listed && ras_.SetState(name, PickOf(kStates))) {
            Note("state " + name);
        } else {
            // A name the service let go after a hang-up is free again. The service never lists
            // a name twice, as the real one does not dial an entry twice.
            uint32_t state = PickOf(kStates);
            ras_.Connect(name, state);
            connected_.insert(name);
            Note("connect " + name + " state " + std::to_string(state));
        }
    } else if (roll < 50) {
        if (!listed) return;
        ras_.Drop(name);
        connected_.erase(name);
        Note("drop " + name);
    } else if (roll < 58) {
        if (!listed) return;
        ras_.Drop(name);  // it may be gone already, after a hang-up
        ras_.Connect(name, Pick(2) ? 0x2000 : 3);
        Note("re-dial " + name);
    } else if (roll < 62) {
        uint32_t times = 1 + Pick(3);
        ras_.Fail(sim::Op::kEnumConnections, Pick(2) ? 603 : 610, static_cast<int>(times));
        Note("fail enum-connections times=" + std::to_string(times));
    } else if (roll < 68) {
        ras_.Fail(sim::Op::kGetStatus, 6, 1 + static_cast<int>(Pick(2)));
        Note("fail get-status");
    } else if (roll < 75) {
        static const int kPolls[] = {0, 1, 1, 3, sim::kHangupNever};
        int polls = kPolls[Pick(5)];
        ras_.SetHangupPolls(polls);
        Note("hangup-polls " + std::to_string(polls));
    } else if (roll < 77) {
        ras_.Fail(sim::Op::kHangUp, 668, 1);
        Note("fail hang-up");
    } else if (roll < 79) {
        // More than four at once: every name up.
        for (const char* n : kNames) {
            if (connected_.insert(n).second) ras_.Connect(n, 0x2000);
        }
        Note("all six connect");
    }
    // Otherwise nothing happens to the service at this step.
}

void History::ChangeSettings() {
    std::tm now = test::LocalFields(clock_.now);
    switch (Pick(11)) {
    case 0: {
        static const uint32_t kUnits[] = {0, 0, 1, 1, 2, 2, 3, 4, 7, 0xFFFFFFFF};
        Settings.TimeUnit = static_cast<int32_t>(PickOf(kUnits));
        break;
    }
    case 1:
        Settings.LogonTime = static_cast<int32_t>(Pick(2));
        break;
    case 2: {
        static const uint32_t kOffsets[] = {0, 1, 15, 60};
        static const uint32_t kHuge[] = {2147483648u, 4294967200u, 4294967295u};
        Settings.StratAdjust = options_.hugeOffsets && Pick(3) == 0 ? PickOf(kHuge) : PickOf(kOffsets);
        break;
    }
    case 3:
        Settings.DisconnectEnable = static_cast<int32_t>(Pick(2));
        break;
    case 4: {
        static const uint32_t kMinutes[] = {0, 1, 2, 3, 10, 600};
        Settings.DisconnectTime = PickOf(kMinutes);
        break;
    }
    case 5:
        Settings.FixedTime = static_cast<int32_t>(Pick(2));
        break;
    case 6: {
        // Mostly a minute or two ahead, so the fixed time is met; now and then a past one.
        int ahead = static_cast<int>(Pick(4)) - 1;
        int minutes = (now.tm_hour * 60 + now.tm_min + ahead + 1440) % 1440;
        Settings.FixedTimeH = static_cast<uint32_t>(minutes / 60);
        Settings.FixedTimeM = static_cast<uint32_t>(minutes % 60);
        break;
    }
    case 7: {
        static const uint32_t kDays[] = {0, 1, 15, 31};
        Settings.DateOffset = PickOf(kDays);
        break;
    }
    case 8: {
        static const char* const kPaths[] = {"C:\\logs", "C:\\logs\\", "D:\\\x95\x5C"};
        Settings.LogPath = kPaths[Pick(3)];
        break;
    }
    case 9:
        Settings.WarningEnable = static_cast<int32_t>(Pick(2));
        Settings.WarningTime = Pick(5);
        break;
    default:
        Settings.TBarDisp = static_cast<int32_t>(Pick(5));
        break;
    }
    Note("settings unit=" + std::to_string(Settings.TimeUnit) + " logon=" + std::to_string(Settings.LogonTime) +
         " offset=" + std::to_string(Settings.StratAdjust) + " forced=" + std::to_string(Settings.DisconnectEnable) +
         "/" + std::to_string(Settings.DisconnectTime) + " fixed=" + std::to_string(Settings.FixedTime) + "/" +
         std::to_string(Settings.FixedTimeH) + ":" + std::to_string(Settings.FixedTimeM));
}

// One entry's logs are taken or let go by another program.
void History::ChangeHolds() {
    if (!holds_) return;
    std::string name = kNames[Pick(kNameCount)];
    if (files_.holds.erase(name)) {
        Note("let go of " + name);
        return;
    }
    static const Hold kHolds[] = {Hold::kSpreadsheet, Hold::kSpreadsheet, Hold::kExclusive, Hold::kBroken};
    files_.holds[name] = kHolds[Pick(4)];
    Note("hold " + name);
}

std::string History::Check() {
    std::set<uint32_t> hungUp;
    for (const std::string& line : ras_.Journal()) {
        size_t at = line.find("RasHangUpA handle=");
        if (at != std::string::npos) hungUp.insert(static_cast<uint32_t>(std::strtoul(line.c_str() + at + 18, nullptr, 16)));
    }
    std::string broken = CheckTable();
    if (broken.empty()) broken = CheckSessions();
    if (broken.empty()) broken = CheckTotals();
    if (broken.empty()) broken = CheckDeadlines(hungUp);
    if (broken.empty() && !options_.fileFailures && !holds_ && !prompt_.shown.empty())
        broken = "a message box with working files: " + prompt_.shown[0].text;
    return broken;
}

// active[0..activeCount-1] are distinct occupied slots, activeCount at most 4, the rest null.
std::string History::CheckTable() const {
    const ConnectionTableData& t = ConnectionTable;
    if (t.activeCount > kSlotCount) return "activeCount " + std::to_string(t.activeCount);
    for (uint32_t i = 0; i < kSlotCount; ++i) {
        const ConnectionRecord* r = t.active[i];
        if (i >= t.activeCount) {
            if (r) return "active[" + std::to_string(i) + "] set beyond activeCount";
            continue;
        }
        if (!r || r < t.slots || r >= t.slots + kSlotCount) return "active[" + std::to_string(i) + "] is no slot";
        if (!SlotOccupied(*r)) return "active[" + std::to_string(i) + "] is a free slot";
        for (uint32_t j = 0; j < i; ++j)
            if (t.active[j] == r) return "a slot twice in the active list";
    }
    return "";
}

// Every session that began counting is in its log exactly once, or waits for its file: per
// file, the sessions begun are the lines appended, the lines waiting and the sessions counting.
std::string History::CheckSessions() const {
    std::map<std::string, int> ended;
    for (const ConnectionRecord& r : ConnectionTable.slots)
        if (r.elapsed != 0) ++ended[r.logPath];
    for (const std::string& entry : UnwrittenLines()) ++ended[entry.substr(0, entry.find('\t'))];
    for (const auto& p : files_.lines) ended[p.first] += static_cast<int>(p.second.size());
    if (ended == begun_) return "";
    for (const auto& p : begun_) {
        if (ended[p.first] != p.second)
            return p.first + ": " + std::to_string(p.second) + " sessions began, " + std::to_string(ended[p.first]) +
                   " are logged, waiting or counting";
    }
    return "a line of a session that never began";
}

// Within one file the month totals never fall, among the lines written under one of the units
// that keep a running total (0 to 2).
std::string History::CheckTotals() {
    for (const auto& entry : files_.lines) {
        const std::string& path = entry.first;
        const std::vector<ModelFiles::Line>& lines = entry.second;
        for (size_t i = linesChecked_[path]; i < lines.size(); ++i) {
            if (lines[i].unit < 0 || lines[i].unit > 2) continue;
            uint64_t total = FourthColumn(lines[i].text);
            uint64_t& last = lastTotal_[{path, lines[i].unit}];
            if (total < last)
                return path + ": the month total fell from " + std::to_string(last) + " to " + std::to_string(total) +
                       " hundredths (unit " + std::to_string(lines[i].unit) + ") at line " + lines[i].text;
            last = total;
        }
        linesChecked_[path] = lines.size();
    }
    return "";
}

bool History::Listed(uint32_t handle) const {
    for (uint32_t i = 0; i < ConnectionTable.activeCount; ++i)
        if (static_cast<uint32_t>(reinterpret_cast<uintptr_t>(ConnectionTable.active[i]->rasConn.hrasconn)) == handle)
            return true;
    return false;
}

// The handles whose deadline is due (5 seconds or less left) by what the last tick saw: the
// driving connection at a forced deadline, every connection at the fixed time.
std::vector<uint32_t> History::DueHandles() const {
    const ConnectionTableData& t = ConnectionTable;
    uint32_t longest = 0, driving = 0;
    for (uint32_t i = 0; i < t.activeCount; ++i) {
        if (t.active[i]->elapsed > longest) {
            longest = t.active[i]->elapsed;
            driving = i;
        }
    }
    if (longest == 0) return {};

    bool hasForced = Settings.DisconnectEnable && Settings.DisconnectTime != 0;
    int64_t forced = (int64_t{tick_.State().extensionCount} + 1) * Settings.DisconnectTime * 60 - longest;
    bool hasFixed = false;
    int64_t fixed = 0;
    if (Settings.FixedTime) {
        std::tm today = test::LocalFields(TickTime);
        std::tm target = today;
        target.tm_hour = static_cast<int>(Settings.FixedTimeH);
        target.tm_min = static_cast<int>(Settings.FixedTimeM);
        target.tm_sec = 0;
        target.tm_isdst = -1;
        uint32_t hour = static_cast<uint32_t>(today.tm_hour), minute = static_cast<uint32_t>(today.tm_min);
        if (Settings.FixedTimeH < hour || (Settings.FixedTimeH == hour && Settings.FixedTimeM < minute)) ++target.tm_mday;
        fixed = test::Local(target) - TickTime;
        hasFixed = true;
    }
    if (hasFixed && (!hasForced || fixed <= forced)) {
        if (fixed > 5) return {};
        std::vector<uint32_t> all;
        for (uint32_t i = 0; i < t.activeCount; ++i)
            all.push_back(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(t.active[i]->rasConn.hrasconn)));
        return all;
    }
    if (!hasForced || forced > 5) return {};
    return {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(t.active[driving]->rasConn.hrasconn))};
}

// No forced or fixed-time deadline passes more than one tick without its hang-up: a deadline
// due at one tick is hung up by the end of the next, unless the line is gone by then.
std::string History::CheckDeadlines(const std::set<uint32_t>& hungUp) {
    std::vector<Obligation> still;
    for (const Obligation& o : pending_) {
        if (hungUp.count(o.handle) || !Listed(o.handle)) continue;
        if (ticks_ > o.tick + 1) {
            char handle[16];
            std::snprintf(handle, sizeof handle, "0x%x", o.handle);
            return std::string("the deadline of handle ") + handle + ", due at tick " + std::to_string(o.tick) +
                   ", passed without a hang-up";
        }
        still.push_back(o);
    }
    pending_ = still;
    if (ticks_ != checkedTick_) {
        checkedTick_ = ticks_;
        std::vector<uint32_t> due = DueHandles();
        reached_.deadlines += !due.empty();
        for (uint32_t handle : due)
            if (!hungUp.count(handle)) pending_.push_back({handle, ticks_});
    }
    return "";
}

class ModelTest : public test::CoreTest {
protected:
    // One history from a fresh core; false when it broke an invariant.
    bool RunHistory(uint32_t number, const ModelOptions& options) {
        SetUp();
        History history(number, options);
        bool ok = history.Run(kSteps);
        const History::Reached& r = history.reached();
        reached_.sessions += r.sessions;
        reached_.deadlines += r.deadlines;
        reached_.crowded += r.crowded;
        reached_.enumFailures += r.enumFailures;
        reached_.after2038 += r.after2038;
        reached_.waiting += r.waiting;
        reached_.unread += r.unread;
        TearDown();
        return ok;
    }
    static constexpr int kSteps = 12500;
    History::Reached reached_;
};

TEST_F(ModelTest, RandomHistoriesKeepTheInvariants) {
    const ModelOptions options = OptionsFromEnvironment();
    // Eight fixed histories: 10^5 steps in all.
    for (uint32_t number = 1; number <= 8; ++number)
        if (!RunHistory(number, options)) return;
    // The histories went where they should.
    EXPECT_GT(reached_.sessions, 1000);
    EXPECT_GT(reached_.deadlines, 100);
    EXPECT_GT(reached_.crowded, 100);
    EXPECT_GT(reached_.enumFailures, 100);
    EXPECT_GT(reached_.after2038, 100);
    EXPECT_GT(reached_.waiting, 1000);
    EXPECT_GT(reached_.unread, 100);
    std::printf("model: %d sessions logged, %d ticks with a deadline due, %d with more than four lines, "
                "%d failed enumerations, %d ticks after 2038, %d with lines waiting, %d with a month unread\n",
                reached_.sessions, reached_.deadlines, reached_.crowded, reached_.enumFailures, reached_.after2038,
                reached_.waiting, reached_.unread);

    // More histories for as long as asked.
    const char* budget = std::getenv("TOLVANE_MODEL_SECONDS");
    if (!budget) return;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(budget));
    uint32_t number = 9;
    for (; std::chrono::steady_clock::now() < end; ++number)
        if (!RunHistory(number, options)) return;
    std::printf("model: histories 1 to %u, %u steps, without a broken invariant\n", number - 1, (number - 1) * kSteps);
}

}  // namespace
