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
bool ExchangeDialParams(int index, std::string& userName, std::string& password, std::string& domain,
                        int& savePassword, std::string& entryName, std::string& phoneNumber, bool store);

// The service's text for an error code, or a text of our own naming the code when the
// service has none.
std::string RasErrorText(uint32_t code);

// Shows RasErrorText(code) in a message box with an OK button and the exclamation icon.
void ShowRasError(uint32_t code);
