// The viewer's model: files of the folder by name, what their reads gave, and the views made
// from them on demand (a month of some hundreds of sessions takes microseconds).
#include "viewer/usage_model.h"

#include <algorithm>
#include <cstdlib>
#include <type_traits>
#include <utility>

#include "monitor/local_time.h"
#include "viewer/folder_list.h"

int32_t YearOfTwoDigits(int32_t twoDigitYear, int32_t currentYear) {
    const int32_t latest = currentYear + 9;
    return latest - (((latest - twoDigitYear) % 100) + 100) % 100;
}

namespace {

enum class FileStatus {
    kUnread,      // waits for a read (new, or changed since)
    kRead,
    kUnreadable,  // could not be opened or read: named in the account
    kStopped,     // the user stopped its read: what was read is shown
};

struct LogFile {
    std::string name;
    std::string entry;
    BillingMonth month;
    uint64_t size = 0;
    uint64_t writeTime = 0;
    FileStatus status = FileStatus::kUnread;
    bool reading = false;  // handed to a reader, not yet taken back
    bool changedMeanwhile = false;
    FileReading read;
};

// The lists are sorted by msvcrt's qsort: the system's own code. Each kind of std::sort is
// about a kilobyte of code, six of them a sixteenth of TolvaneLog.exe's 96 KiB. qsort moves
// bytes, so only plain values are sorted: lists of strings and files go by their pointers.
template <typename T, int (*Compare)(const T&, const T&)>
int CompareItems(const void* a, const void* b) {
    return Compare(*static_cast<const T*>(a), *static_cast<const T*>(b));
}

template <typename T, int (*Compare)(const T&, const T&)>
void Sort(std::vector<T>& items) {
    static_assert(std::is_trivially_copyable<T>::value, "qsort moves the items' bytes");
    if (items.size() > 1) std::qsort(items.data(), items.size(), sizeof(T), CompareItems<T, Compare>);
}

template <typename T>
int Order(const T& a, const T& b) {
    return a < b ? -1 : b < a ? 1 : 0;
}

// Two sessions of one entry begun at the same second (an edited log) go the shorter first,
// so that the order is the same every time.
int OldestFirst(const SessionRow& a, const SessionRow& b) {
    if (a.day != b.day) return Order(a.day, b.day);
    if (a.timeOfDay != b.timeOfDay) return Order(a.timeOfDay, b.timeOfDay);
    if (a.entry != b.entry) return Order(a.entry, b.entry);
    return Order(a.seconds, b.seconds);
}

int ByEntry(const ColumnTotal& a, const ColumnTotal& b) { return Order(a.entry, b.entry); }

int ByNameOf(LogFile* const& a, LogFile* const& b) { return a->name.compare(b->name); }
int ByText(const std::string* const& a, const std::string* const& b) { return a->compare(*b); }

bool HasData(const LogFile& f) { return f.status == FileStatus::kRead || f.status == FileStatus::kStopped; }

bool ByName(const LogFile& f, const std::string& name) { return f.name < name; }

// In the order of months, then entries: the order the account names files in.
int MonthThenEntry(const LogFile* const& a, const LogFile* const& b) {
    if (a->month != b->month) return a->month < b->month ? -1 : 1;
    const int entry = a->entry.compare(b->entry);
    return entry ? entry : a->name.compare(b->name);
}

// v * num / den, rounded down, without passing 64 bits on the way (held at the largest value
// when the result itself would).
uint64_t Scale(uint64_t v, uint64_t num, uint64_t den) {
    uint64_t whole = v / den;
    if (whole != 0 && whole > UINT64_MAX / num) return UINT64_MAX;
    return AddMoney(whole * num, v % den * num / den);
}

class Collect final : public FolderFileSink {
public:
    explicit Collect(int32_t currentYear) : currentYear_(currentYear) {}
    void Take(const FolderFile& file) override {
        LogFileNameParts parts;
        if (!ParseLogFileName(file.name, &parts)) return;  // not a log: left alone
        LogFile f;
        f.name = file.name;
        f.entry = parts.entry;
        f.month = BillingMonth{YearOfTwoDigits(parts.twoDigitYear, currentYear_), parts.month};
        f.size = file.size;
        f.writeTime = file.writeTime;
        files.push_back(std::move(f));
    }
    std::vector<LogFile> files;

private:
    int32_t currentYear_;
};

}  // namespace

struct UsageModel::State {
    bool configured = false;
    std::string folder;
    uint32_t dateOffset = 1;
    int32_t defaultUnit = kUnitPerMinute;
    // Entries with a tariff of their own; a few, looked for by name (a map's tree code would be
    // a tenth of the viewer's size limit).
    std::vector<std::pair<std::string, Tariff>> tariffs;
    int64_t now = 0;
    int32_t today = 0;  // DayNumber
    int32_t currentYear = 0;
    BillingMonth current;
    BillingMonth shown;
    std::string shownEntry;  // empty: all
    bool allEntries = true;
    std::vector<LogFile> files;  // by name
    std::vector<std::string> entries;
    bool folderUnlisted = false;

    Tariff* TariffOf(const std::string& entry) {
        for (auto& t : tariffs)
            if (t.first == entry) return &t.second;
        return nullptr;
    }
    void SetTariff(const std::string& entry, const Tariff& tariff) {
        if (Tariff* t = TariffOf(entry)) *t = tariff;
        else tariffs.emplace_back(entry, tariff);
    }
    LogFile* Find(const std::string& name) {
        auto it = std::lower_bound(files.begin(), files.end(), name, ByName);
        return it != files.end() && it->name == name ? &*it : nullptr;
    }
    int32_t EntryIndex(const std::string& entry) const {
        auto it = std::lower_bound(entries.begin(), entries.end(), entry);
        return it != entries.end() && *it == entry ? static_cast<int32_t>(it - entries.begin()) : kAllEntries;
    }
    void MakeEntries() {
        std::vector<const std::string*> names;
        for (const LogFile& f : files) names.push_back(&f.entry);
        Sort<const std::string*, ByText>(names);
        entries.clear();
        for (const std::string* name : names)
            if (entries.empty() || entries.back() != *name) entries.push_back(*name);
    }
    Projection Project(uint64_t seconds, Money cost, BillingMonth m) const {
        Projection p;
        if (m != current) return p;
        p.valid = true;
        p.monthDays = DaysInMonth(m, dateOffset);
        p.elapsedDays = std::min(std::max(today - FirstDayOfMonth(m, dateOffset) + 1, 1), p.monthDays);
        p.seconds = Scale(seconds, static_cast<uint64_t>(p.monthDays), static_cast<uint64_t>(p.elapsedDays));
        p.cost = Scale(cost, static_cast<uint64_t>(p.monthDays), static_cast<uint64_t>(p.elapsedDays));
        return p;
    }
};

UsageModel::UsageModel() : s_(new State) {}
UsageModel::~UsageModel() = default;

void UsageModel::Configure(const ViewerConfig& config, int64_t now) {
    State& s = *s_;
    bool reread = !s.configured || config.folder != s.folder || config.dateOffset != s.dateOffset;
    bool newMonths = !s.configured || config.dateOffset != s.dateOffset;
    s.configured = true;
    s.folder = config.folder;
    s.dateOffset = config.dateOffset;
    s.defaultUnit = config.defaultUnit;
    s.tariffs.clear();
    for (const auto& t : config.tariffs) s.SetTariff(t.first, t.second);
    if (reread) {
        s.files.clear();
        s.entries.clear();
        s.folderUnlisted = false;
    }
    SetNow(now);
    if (newMonths) s.shown = s.current;
}

void UsageModel::SetNow(int64_t now) {
    State& s = *s_;
    s.now = now;
    std::tm t;
    LocalTime(now, &t);
    s.currentYear = t.tm_year + 1900;
    s.today = DayNumber(s.currentYear, t.tm_mon + 1, t.tm_mday);
    s.current = BillingMonthOfDate(s.currentYear, t.tm_mon + 1, t.tm_mday, s.dateOffset);
}

const std::string& UsageModel::Folder() const { return s_->folder; }

bool UsageModel::ListFolder() {
    State& s = *s_;
    Collect listed(s.currentYear);
    bool ok = Folders().List(s.folder, listed);
    bool changed = ok == s.folderUnlisted;
    s.folderUnlisted = !ok;
    if (!ok) return changed;  // what was read stays: a network folder may come back
    std::vector<LogFile*> byName;
    for (LogFile& f : listed.files) byName.push_back(&f);
    Sort<LogFile*, ByNameOf>(byName);
    // Both by name: a walk through the two together.
    std::vector<LogFile> files;
    files.reserve(listed.files.size());
    auto known = s.files.begin();
    for (LogFile* listedFile : byName) {
        LogFile& now = *listedFile;
        while (known != s.files.end() && known->name < now.name) ++known;
        bool same = known != s.files.end() && known->name == now.name;
        if (same && known->size == now.size && known->writeTime == now.writeTime) {
            files.push_back(std::move(*known));
            continue;
        }
        changed = true;
        if (same && known->reading) {
            // Read again once the reader hands it back.
            known->changedMeanwhile = true;
            known->size = now.size;
            known->writeTime = now.writeTime;
            files.push_back(std::move(*known));
        } else {
            files.push_back(std::move(now));
        }
    }
    changed = changed || files.size() != s.files.size();
    s.files = std::move(files);
    s.MakeEntries();
    return changed;
}

bool UsageModel::NeedsRead() const {
    for (const LogFile& f : s_->files)
        if (f.status == FileStatus::kUnread && !f.reading) return true;
    return false;
}

std::unique_ptr<FolderReader> UsageModel::StartReading() {
    State& s = *s_;
    std::vector<LogFile*> waiting;
    for (LogFile& f : s.files)
        if (f.status == FileStatus::kUnread && !f.reading) waiting.push_back(&f);
    // The month shown first, then the newest months.
    const BillingMonth shown = s.shown;
    // Within a month in the files' order: each file's key holds its rank, then its place.
    std::vector<uint64_t> keys;
    for (size_t i = 0; i < waiting.size(); ++i) {
        const BillingMonth m = waiting[i]->month;
        const uint64_t newest = m == shown ? 0 : uint64_t{1} + uint64_t(0x7FFFFFFF - (m.year * 12 + m.month - 1));
        keys.push_back(newest << 24 | i);
    }
    Sort<uint64_t, Order<uint64_t>>(keys);
    std::vector<LogFile*> ordered;
    for (uint64_t key : keys) ordered.push_back(waiting[key & 0xFFFFFF]);
    waiting.swap(ordered);
    std::vector<ReadJob> jobs;
    const std::string prefix = LogFolderPrefix(s.folder);
    for (LogFile* f : waiting) {
        f->reading = true;
        f->changedMeanwhile = false;
        ReadJob job;
        job.path = prefix + f->name;
        job.size = f->size;
        job.firstDay = FirstDayOfMonth(f->month, s.dateOffset);
        jobs.push_back(std::move(job));
    }
    return std::unique_ptr<FolderReader>(new FolderReader(std::move(jobs)));
}

bool UsageModel::TakeReadings(FolderReader& reader) {
    State& s = *s_;
    const std::string prefix = LogFolderPrefix(s.folder);
    ReadJob job;
    FileReading reading;
    bool took = false;
    while (reader.TakeNext(&job, &reading)) {
        took = true;
        if (job.path.compare(0, prefix.size(), prefix) != 0) continue;
        LogFile* f = s.Find(job.path.substr(prefix.size()));
        if (!f || !f->reading) continue;  // gone from the folder meanwhile
        f->reading = false;
        if (f->changedMeanwhile) {
            f->status = FileStatus::kUnread;
            continue;
        }
        switch (reading.result) {
        case FileResult::kOk:
            // A file the stop came before was not stopped by the user: the next read takes it.
            if (reading.stopped && reading.bytes == 0) {
                f->status = FileStatus::kUnread;
                break;
            }
            f->status = reading.stopped ? FileStatus::kStopped : FileStatus::kRead;
            f->read = std::move(reading);
            break;
        case FileResult::kMissing:
            // Deleted after the listing: the next listing drops it.
            f->status = FileStatus::kRead;
            f->read = FileReading();
            break;
        default:
            f->status = FileStatus::kUnreadable;
            f->read = FileReading();
            break;
        }
    }
    return took;
}

void UsageModel::ReadStoppedAgain() {
    for (LogFile& f : s_->files)
        if (f.status == FileStatus::kStopped) f.status = FileStatus::kUnread;
}

const std::vector<std::string>& UsageModel::Entries() const { return s_->entries; }

Tariff UsageModel::TariffOf(const std::string& entry) const {
    const Tariff* own = s_->TariffOf(entry);
    Tariff t;
    if (own) {
        t = *own;
    } else {
        t.unit = s_->defaultUnit;
    }
    t.unit = ChargeableUnit(t.unit);
    if (t.priceHundredths > kMaxPriceHundredths) t.priceHundredths = kMaxPriceHundredths;
    return t;
}

void UsageModel::SetTariff(const std::string& entry, const Tariff& tariff) { s_->SetTariff(entry, tariff); }

BillingMonth UsageModel::CurrentMonth() const { return s_->current; }
BillingMonth UsageModel::Shown() const { return s_->shown; }

int32_t UsageModel::ShownEntry() const { return s_->allEntries ? kAllEntries : s_->EntryIndex(s_->shownEntry); }

void UsageModel::ShowMonth(BillingMonth m) {
    if (m.month >= 1 && m.month <= 12) s_->shown = m;
}

void UsageModel::ShowEntry(int32_t entry) {
    State& s = *s_;
    s.allEntries = entry < 0 || entry >= static_cast<int32_t>(s.entries.size());
    s.shownEntry = s.allEntries ? std::string() : s.entries[static_cast<size_t>(entry)];
}

bool UsageModel::CanShowPrevious() const {
    BillingMonth earliest = s_->current;
    for (const LogFile& f : s_->files) earliest = std::min(earliest, f.month);
    return earliest < s_->shown;
}

bool UsageModel::CanShowNext() const {
    BillingMonth latest = s_->current;
    for (const LogFile& f : s_->files) latest = std::max(latest, f.month);
    return s_->shown < latest;
}

void UsageModel::ShowPrevious() {
    if (CanShowPrevious()) s_->shown = PreviousMonth(s_->shown);
}

void UsageModel::ShowNext() {
    if (CanShowNext()) s_->shown = NextMonth(s_->shown);
}

void UsageModel::ShowCurrent() { s_->shown = s_->current; }

MonthView UsageModel::View() const {
    const State& s = *s_;
    MonthView v;
    v.month = s.shown;
    v.entry = ShownEntry();
    v.firstDay = FirstDayOfMonth(v.month, s.dateOffset);
    v.days = DaysInMonth(v.month, s.dateOffset);
    v.current = v.month == s.current;
    v.daySeconds.assign(static_cast<size_t>(v.days), 0);
    if (v.entry != kAllEntries) v.columnTotals.push_back(ColumnTotal{v.entry, 0});
    for (const LogFile& f : s.files) {
        if (f.month != v.month || !HasData(f)) continue;
        const int32_t entry = s.EntryIndex(f.entry);
        if (v.entry != kAllEntries && entry != v.entry) continue;
        const Tariff tariff = TariffOf(f.entry);
        const FileReading& r = f.read;
        for (const LogSession& session : r.sessions) {
            SessionRow row;
            row.entry = entry;
            row.day = session.day;
            row.timeOfDay = session.timeOfDay;
            row.seconds = session.seconds;
            row.units = SessionUnits(tariff.unit, session.seconds, session.timeOfDay / 3600, session.timeOfDay / 60 % 60);
            row.cost = UnitsCost(tariff, row.units);
            v.rows.push_back(row);
        }
        v.unlisted += r.sessionCount - r.sessions.size();
        v.totals.sessions += r.sessionCount;
        v.totals.seconds += r.seconds;
        v.totals.units += r.units[tariff.unit];
        v.totals.cost = AddMoney(v.totals.cost, UnitsCost(tariff, r.units[tariff.unit]));
        for (int32_t d = 0; d < kMaxMonthDays; ++d) {
            if (d < v.days) {
                v.daySeconds[static_cast<size_t>(d)] += r.daySeconds[d];
            } else {
                v.otherDaySeconds += r.daySeconds[d];
            }
        }
        v.otherDaySeconds += r.otherDaySeconds;
        auto column = std::find_if(v.columnTotals.begin(), v.columnTotals.end(),
                                   [entry](const ColumnTotal& c) { return c.entry == entry; });
        if (column == v.columnTotals.end()) column = v.columnTotals.insert(v.columnTotals.end(), ColumnTotal{entry, 0});
        column->seconds = std::max(column->seconds, r.columnTotal);
    }
    Sort<SessionRow, OldestFirst>(v.rows);
    Sort<ColumnTotal, ByEntry>(v.columnTotals);
    v.projection = s.Project(v.totals.seconds, v.totals.cost, v.month);
    return v;
}

std::vector<ChartMonth> UsageModel::Chart(BillingMonth last) const {
    const State& s = *s_;
    std::vector<ChartMonth> chart(kChartMonths);
    BillingMonth m = last;
    for (int32_t i = kChartMonths - 1; i >= 0; --i, m = PreviousMonth(m)) {
        chart[static_cast<size_t>(i)].month = m;
        chart[static_cast<size_t>(i)].current = m == s.current;
        chart[static_cast<size_t>(i)].seconds.assign(s.entries.size(), 0);
        chart[static_cast<size_t>(i)].cost.assign(s.entries.size(), 0);
    }
    const BillingMonth first = chart.front().month;
    for (const LogFile& f : s.files) {
        if (!HasData(f) || f.month < first || last < f.month) continue;
        ChartMonth& c = chart[static_cast<size_t>(MonthsBetween(first, f.month))];
        const size_t entry = static_cast<size_t>(s.EntryIndex(f.entry));
        const Tariff tariff = TariffOf(f.entry);
        c.seconds[entry] += f.read.seconds;
        c.cost[entry] = AddMoney(c.cost[entry], UnitsCost(tariff, f.read.units[tariff.unit]));
    }
    const int32_t shown = ShownEntry();
    for (ChartMonth& c : chart) {
        if (!c.current) continue;
        uint64_t seconds = 0;
        Money cost = 0;
        for (size_t e = 0; e < s.entries.size(); ++e) {
            if (shown != kAllEntries && static_cast<int32_t>(e) != shown) continue;
            seconds += c.seconds[e];
            cost = AddMoney(cost, c.cost[e]);
        }
        c.projection = s.Project(seconds, cost, c.month);
    }
    return chart;
}

InputAccount UsageModel::Account() const {
    const State& s = *s_;
    InputAccount a;
    a.folderUnlisted = s.folderUnlisted;
    std::vector<const LogFile*> ordered;
    for (const LogFile& f : s.files) ordered.push_back(&f);
    Sort<const LogFile*, MonthThenEntry>(ordered);
    for (const LogFile* f : ordered) {
        if (f->status == FileStatus::kUnreadable) a.unreadFiles.push_back(f->name);
        if (f->status == FileStatus::kStopped) a.stoppedFiles.push_back(f->name);
        if (!HasData(*f) || f->read.badLines == 0) continue;
        if (a.badLines == 0) {
            a.firstBadFile = f->name;
            a.firstBadLine = f->read.firstBadLine;
        }
        a.badLines += f->read.badLines;
    }
    return a;
}
