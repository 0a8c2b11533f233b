// The usage viewer's model: the log files of a folder, their billing months and entries, the
// sessions of one month with their units and costs, the days of the month, the last twelve
// months, the current month's projection, and the account of what could not be read. Portable:
// the window (src/viewer/*_win.cpp) shows what it gives and passes on what the user does.
//
// How the window uses it:
//   1. Configure(settings, now) with LoadViewerSettings() (viewer_settings.h) and the time:
//      the folder, the first day of the billing month, the unit kind by default, the tariffs.
//      The month shown is the current one, for all entries.
//   2. ListFolder(): the log files of the folder now. True when something changed (a file
//      appeared, went, or changed size or time), and then NeedsRead() says whether a file
//      waits to be read.
//   3. StartReading() gives a FolderReader over the files that wait, the shown month's first.
//      Run it on a worker thread (reader->Run()), showing reader->BytesRead() /
//      reader->BytesToRead() as progress and calling reader->Stop() when the user stops it.
//      Meanwhile, on the window's thread, TakeReadings(*reader) takes the files done so far
//      (say on each progress message): show View() again when it returns true. When
//      reader->Finished() and the worker has returned, TakeReadings once more and drop the
//      reader. Until then, call neither StartReading nor Configure again.
//   4. View(), Chart() and Account() give what to show; ShowPrevious/ShowNext/ShowCurrent,
//      ShowMonth and ShowEntry change the month and the entry shown.
//   5. Every few seconds, or on a change notification of the folder: ListFolder(), and when it
//      says so, read again (step 3). A file changed since it was read is read again whole.
//   6. A tariff edited in the dialog: SetTariff (and SaveTariff of viewer_settings.h); costs
//      follow at once, without a read.
//   7. Tolvane's settings may change while the viewer is open: Configure again reads every
//      file again when the folder or the first day changed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "monitor/log_format.h"
#include "viewer/log_reader.h"
#include "viewer/money.h"
#include "viewer/tariff.h"

// What the viewer is configured with.
struct ViewerConfig {
    std::string folder;         // of the logs (program path)
    uint32_t dateOffset = 1;    // Tolvane's DateOffset
    int32_t defaultUnit = 1;    // Tolvane's TimeUnit: the unit kind of an entry without a tariff
    std::vector<std::pair<std::string, Tariff>> tariffs;  // entries with a tariff of their own
};

// A two-digit year of a file name is the year ending in those digits from 90 years before
// `currentYear` to 9 after it: logs are of the past, and a first day above 1 names the current
// billing month after the next calendar month, which may be in the next year.
int32_t YearOfTwoDigits(int32_t twoDigitYear, int32_t currentYear);

constexpr int32_t kAllEntries = -1;

// One row of the month's list.
struct SessionRow {
    int32_t entry = 0;      // index into Entries()
    int32_t day = 0;        // DayNumber of the start
    int32_t timeOfDay = 0;  // seconds since midnight
    uint32_t seconds = 0;
    uint64_t units = 0;     // under the entry's tariff
    Money cost = 0;         // exact; shown rounded to the yen
};

struct MonthTotals {
    uint64_t sessions = 0;
    uint64_t seconds = 0;
    uint64_t units = 0;  // summed as they stand, whatever each entry's unit kind
    Money cost = 0;      // the exact sum, shown rounded to the yen
};

// 月度累計 of one entry: its log's largest fourth column, as Tolvane reads it back.
struct ColumnTotal {
    int32_t entry = 0;
    uint32_t seconds = 0;  // shown as hours:minutes (MonthColumnText of viewer_texts.h)
};

// The current month carried on to its end at the pace so far: its time and cost so far, per
// day begun, times its days. Today counts as a whole day, so on the first day the projection
// is the first day's use times the month's days.
struct Projection {
    bool valid = false;        // only for the current month
    int32_t elapsedDays = 0;   // days begun: 1 on the first day
    int32_t monthDays = 0;
    uint64_t seconds = 0;
    Money cost = 0;
};

struct MonthView {
    BillingMonth month;
    int32_t entry = kAllEntries;
    int32_t firstDay = 0;  // DayNumber
    int32_t days = 0;      // 28 to 31
    bool current = false;  // the billing month of today
    std::vector<SessionRow> rows;  // oldest first; entries in Entries() order at the same second
    uint64_t unlisted = 0;         // sessions in the totals but not in rows (kMaxListedSessions)
    MonthTotals totals;
    std::vector<uint64_t> daySeconds;  // `days` of them
    uint64_t otherDaySeconds = 0;      // sessions of the month's files begun outside its days
    std::vector<ColumnTotal> columnTotals;  // the entry shown, or each entry with a log that month
    Projection projection;
};

// The last twelve months, oldest first, for the stacked bars: per entry, in Entries() order.
struct ChartMonth {
    BillingMonth month;
    bool current = false;
    std::vector<uint64_t> seconds;  // one per entry (all of them, whatever the entry shown)
    std::vector<Money> cost;
    Projection projection;  // of all entries, or of the one shown
};
constexpr int32_t kChartMonths = 12;

// What could not be read, over every file of the folder.
struct InputAccount {
    uint64_t badLines = 0;
    std::string firstBadFile;  // file name, in the order of months then entries
    uint64_t firstBadLine = 0; // from 1
    std::vector<std::string> unreadFiles;   // could not be read, each named once
    std::vector<std::string> stoppedFiles;  // the user stopped their read: not all is shown
    bool folderUnlisted = false;            // the folder itself could not be listed
};

class UsageModel {
public:
    UsageModel();
    ~UsageModel();
    UsageModel(const UsageModel&) = delete;
    UsageModel& operator=(const UsageModel&) = delete;

    // The folder and how months are named and charged; `now` decides the current month (and
    // the century of two-digit years). The month shown becomes the current one when it is the
    // first call or the first day changed.
    void Configure(const ViewerConfig& config, int64_t now);
    // A new day or month while the viewer stays open.
    void SetNow(int64_t now);
    const std::string& Folder() const;

    bool ListFolder();
    bool NeedsRead() const;
    std::unique_ptr<FolderReader> StartReading();
    // True when a reading was taken (what is shown may have changed).
    bool TakeReadings(FolderReader& reader);
    // The files the user stopped are read again at the next StartReading.
    void ReadStoppedAgain();

    // The entries with a log in the folder, in byte order of their names.
    const std::vector<std::string>& Entries() const;
    // An entry's tariff: its own, or the unit kind by default at 10 yen.
    Tariff TariffOf(const std::string& entry) const;
    void SetTariff(const std::string& entry, const Tariff& tariff);

    BillingMonth CurrentMonth() const;
    BillingMonth Shown() const;
    // kAllEntries or an index into Entries(); an entry chosen whose logs are gone shows all
    // until they come back.
    int32_t ShownEntry() const;
    void ShowMonth(BillingMonth m);
    void ShowEntry(int32_t entry);
    // From the earliest month with a log (or the current one) to the latest with a log (or
    // the current one).
    bool CanShowPrevious() const;
    bool CanShowNext() const;
    void ShowPrevious();
    void ShowNext();
    void ShowCurrent();

    MonthView View() const;
    // The kChartMonths months up to and with `last`; the projection for the current month.
    std::vector<ChartMonth> Chart(BillingMonth last) const;
    InputAccount Account() const;

private:
    struct State;
    std::unique_ptr<State> s_;
};
