// Dialing a phone-book entry: the saved dial parameters moved between the service and the
// dial dialog, the dial itself, and the service's progress reports forwarded as posted
// window messages.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "base/window_ref.h"
#include "ras/ras_types.h"

// Posts a message to a window's queue without waiting for it to be handled. Called from
// the service's own thread during a dial.
class MessagePoster {
public:
    MessagePoster() = default;
    MessagePoster(const MessagePoster&) = delete;
    MessagePoster& operator=(const MessagePoster&) = delete;
    virtual ~MessagePoster() = default;

    virtual void Post(WindowRef target, unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
};

// The poster in use; until one is chosen, messages are dropped. Safe to call from any
// thread; change it only while no dial is under way.
MessagePoster& Posters();
void SetPoster(MessagePoster* poster);

// The one dial-parameter record: what the last ExchangeDialParams left for the next Dial.
extern RASDIALPARAMSA DialParams;

// The window that receives the dial events. Written by Dial on the user-interface thread,
// read by ForwardDialEvent on the service's thread.
extern std::atomic<WindowRef> DialTarget;

// The dial that the progress dialog started, for its Cancel to hang up; null while it has
// none. It keeps its last value after the dialog closes. User-interface thread only.
extern HRASCONN DialingHandle;

// The progress dialog's dial: DialingHandle := null, then the handle Dial(target) gives. From
// then until it connects or is hung up the dial is under way.
HRASCONN StartDialing(WindowRef target);
// DialingHandle is a dial not yet connected nor hung up. Once connected it is a line like any
// other, which nothing here hangs up.
bool DialingUnderWay();
// The dial connected.
void DialingConnected();
// The progress dialog's Cancel: hangs DialingHandle up when there is one, without waiting for
// the line to drop, and leaves it set.
void CancelDialing();
// The program goes away (exit, the end of the log-on session) while the progress dialog may be
// dialling: a dial under way is hung up as its Cancel would and waited for as HangUp waits,
// and a saved password kept for the dial is removed (RemoveDeferredPassword). True when a
// dial was hung up.
bool AbandonDial();

// Dials with DialParams. A non-null handle means dialing is under way and each step will
// arrive at `target` as WM_RASDIALEVENT (wParam: state, lParam: error). On failure the
// user has been shown the service's text and the result is null.
HRASCONN Dial(WindowRef target);

// The dial-event function handed to the service (notifier type 0).
void RAS_API ForwardDialEvent(unsigned message, RASCONNSTATE state, uint32_t error);

// Load (store false): reads what the service saved for the entry at `index` of EntryList
// into userName, password, domain, savePassword (1: a password is saved), entryName and
// phoneNumber. Store (store true): saves userName, password and domain for the entry,
// removing its saved password when savePassword is 0, and leaves DialParams ready for Dial
// with the typed values. false: the service refused and the user has been told.
//
// The service of Windows 2000 and later loads a stand-in instead of the saved password, which
// its dial swaps for the saved one. So when the store is told to forget the password while
// the user left the loaded one untouched, the saved password is kept until the dial has taken
// it, and RemoveDeferredPassword then removes it. A password the user typed is dialled as
// typed and removed at once.
bool ExchangeDialParams(int index, std::string& userName, std::string& password, std::string& domain,
                        int& savePassword, std::string& entryName, std::string& phoneNumber, bool store);

// Removes the saved password that the last store kept for its dial, once that dial is over
// (the progress dialog has closed) or abandoned. Does nothing when none was kept.
void RemoveDeferredPassword();
// A saved password is being kept for the dial that follows the last store.
bool PasswordRemovalDeferred();

// As at start: no dial under way, no load remembered, no removal deferred (for tests).
void ResetDialing();

// The service's text for an error code, or a text of our own naming the code when the
// service has none.
std::string RasErrorText(uint32_t code);

// Shows RasErrorText(code) in a message box with an OK button and the exclamation icon.
void ShowRasError(uint32_t code);
