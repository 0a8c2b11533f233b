// The decisions of the dial dialogs, apart from their windows: which phone-book entries are
// offered, which entry a change of selection picks, the status line while dialing, and what
// each dial event from the service means for the progress dialog.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "monitor/connection_table.h"
#include "ras/ras_types.h"

// The names the dial dialog's list offers, in list order: the positions of `list` from 0
// upward while below both its entryCount and 4, without the empty names.
std::vector<std::string> OfferedEntryNames(const EntryListData& list);

// The entry after the list's selection changed: the selected position (0 or more), or
// `entry` as it was when nothing is selected.
int EntryAfterSelection(int entry, long selection);

// The progress dialog's status line while dialing: the entry name, " - " and the phone number.
std::string DialingText(const std::string& entryName, const std::string& phoneNumber);

// What the progress dialog does with a dial event.
enum class DialEventAction {
    kIgnore,           // the dialog is already on its way out; nothing more is shown or done
    kShowDialing,      // a step of the dial: the status line shows the dialing text
    kReportError,      // the service's text for the error, then cancel (hang up and close)
    kConnected,        // "接続完了", and the dialog ends with 1
    kEndedUnconnected, // the dial ended disconnected without an error code: cancel (hang up and close)
};

// Follows one dial: the first event that ends it (an error, the connection, or the end of the
// dial without a connection) decides, and so does a cancel; every event after that is
// ignored, since the dialog may still see events queued before it closes.
class DialProgress {
public:
    DialEventAction OnEvent(RASCONNSTATE state, uint32_t error);
    // The dialog is being cancelled (button, Esc, close box, or after an error).
    void Cancel() { over = true; }
    bool Over() const { return over; }

private:
    bool over = false;
};
