// Dialing: the saved dial parameters of an entry in both directions, the dial, and the
// forwarding of its progress reports.
#include "ras/dialing.h"

#include <cstring>

#include "base/cp932.h"
#include "base/prompt.h"
#include "base/secure_zero.h"
#include "monitor/connection_table.h"
#include "ras/hang_up.h"
#include "ras/ras_api.h"

RASDIALPARAMSA DialParams;
std::atomic<WindowRef> DialTarget{nullptr};
HRASCONN DialingHandle = nullptr;

namespace {

class DroppingPoster final : public MessagePoster {
public:
    void Post(WindowRef, unsigned, uintptr_t, intptr_t) override {}
};

DroppingPoster dropping;
// Read from the service's thread: atomic, so a poster set before the dial is seen there.
std::atomic<MessagePoster*> currentPoster{&dropping};

// A field the service filled, read without running past it even when it is unterminated.
template <size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N - 1));
}

// A typed value longer than its field is cut rather than refused: the service keeps no more
// than the field holds, and the dial dialog dials whatever the store answers, so a refusal
// would only dial with nothing typed at all. The cut falls between two characters of code
// page 932; cut inside a double-byte character, a lone lead byte would stand before the
// terminator and the service would be handed a character the user never typed.
template <size_t N>
void PutField(char (&field)[N], const std::string& text) {
    size_t n = 0;
    while (n < text.size()) {
        size_t width = Cp932CharLength(text, n);
        if (n + width > N - 1) break;
        n += width;
    }
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

// The name at an EntryList position; a position outside the enumerated entries has none.
std::string EntryNameAt(int index) {
    if (index < 0 || static_cast<uint32_t>(index) >= EntryList.entryCount || static_cast<uint32_t>(index) >= kSlotCount)
        return std::string();
    return FieldText(EntryList.entries[index].szEntryName);
}

// Shown when the service has no text of its own for a code.
const char kNoTextBefore[] = "ﾘﾓｰﾄ ｱｸｾｽ ｴﾗｰ ";
const char kNoTextAfter[] = " が発生しました";

bool dialingUnderWay = false;

// What the last load handed out for its entry, so that the store can tell whether the user
// left the password as it came. Wiped once the store has looked at it.
struct LoadedPassword {
    bool valid;
    bool saved;  // the service returned a saved password (or its stand-in)
    char entryName[kRasEntryNameLen];
    char password[kRasPasswordLen];
};
LoadedPassword lastLoad;

void ForgetLoad() { SecureZero(&lastLoad, sizeof lastLoad); }

// The entry whose saved password goes once the dial has taken it: the stored record without
// its password.
struct DeferredRemoval {
    bool pending;
    RASDIALPARAMSA params;
};
DeferredRemoval deferred;

// The store was told to forget the password, but the user left the loaded one untouched: on
// systems that load a stand-in, that text dials only while the password is still saved.
bool KeepPasswordForDial(int savePassword) {
    return savePassword == 0 && lastLoad.valid && lastLoad.saved &&
           std::strncmp(lastLoad.entryName, DialParams.szEntryName, sizeof lastLoad.entryName) == 0 &&
           std::strncmp(lastLoad.password, DialParams.szPassword, sizeof lastLoad.password) == 0;
}

}  // namespace

MessagePoster& Posters() { return *currentPoster.load(); }

void SetPoster(MessagePoster* poster) { currentPoster.store(poster ? poster : &dropping); }

std::string RasErrorText(uint32_t code) {
    char buffer[256] = {};
    if (Ras().RasGetErrorStringA(code, buffer, sizeof buffer) == kRasSuccess) {
        std::string text(buffer, strnlen(buffer, sizeof buffer - 1));
        if (!text.empty()) return text;
    }
    return kNoTextBefore + std::to_string(code) + kNoTextAfter;
}

void ShowRasError(uint32_t code) { Prompts().Show(RasErrorText(code), kMbOk | kMbIconExclamation); }

HRASCONN Dial(WindowRef target) {
    DialTarget.store(target);
    HRASCONN handle = nullptr;
    uint32_t result = Ras().RasDialA(nullptr, nullptr, &DialParams, 0, ForwardDialEvent, &handle);
    if (result == kRasSuccess) return handle;
    // A dial that fails may still have been given a handle, which holds the port until it is
    // hung up.
    if (handle) Ras().RasHangUpA(handle);
    ShowRasError(result);
    return nullptr;
}

HRASCONN StartDialing(WindowRef target) {
    DialingHandle = nullptr;
    DialingHandle = Dial(target);
    dialingUnderWay = DialingHandle != nullptr;
    return DialingHandle;
}

bool DialingUnderWay() { return dialingUnderWay; }

void DialingConnected() { dialingUnderWay = false; }

void CancelDialing() {
    if (DialingHandle) Ras().RasHangUpA(DialingHandle);
    dialingUnderWay = false;
}

// The program ends next: the dial is waited for as a line's hang-up is.
bool AbandonDial() {
    bool underWay = dialingUnderWay;
    if (underWay) {
        CancelDialing();
        if (DialingHandle) {
            RASCONNSTATUSA status;
            WaitUntilGone(DialingHandle, status);
        }
    }
    RemoveDeferredPassword();
    return underWay;
}

void RemoveDeferredPassword() {
    if (!deferred.pending) return;
    deferred.pending = false;
    Ras().RasSetEntryDialParamsA(nullptr, &deferred.params, 1);
    SecureZero(&deferred.params, sizeof deferred.params);
}

bool PasswordRemovalDeferred() { return deferred.pending; }

void ResetDialing() {
    dialingUnderWay = false;
    ForgetLoad();
    SecureZero(&deferred, sizeof deferred);
}

void RAS_API ForwardDialEvent(unsigned, RASCONNSTATE state, uint32_t error) {
    WindowRef target = DialTarget.load();
    if (target) Posters().Post(target, WM_RASDIALEVENT, state, static_cast<intptr_t>(error));
}

bool ExchangeDialParams(int index, std::string& userName, std::string& password, std::string& domain,
                        int& savePassword, std::string& entryName, std::string& phoneNumber, bool store) {
    std::memset(&DialParams, 0, sizeof DialParams);
    DialParams.dwSize = kRasDialParamsSize;
    PutField(DialParams.szEntryName, EntryNameAt(index));

    int passwordSaved = 0;
    uint32_t result = Ras().RasGetEntryDialParamsA(nullptr, &DialParams, &passwordSaved);
    if (result != kRasSuccess) {
        ForgetLoad();
        ShowRasError(result);
        return false;
    }

    if (!store) {
        userName = FieldText(DialParams.szUserName);
        // The text it replaces goes first: a heap buffer given back would keep it.
        SecureWipe(password);
        password = FieldText(DialParams.szPassword);
        domain = FieldText(DialParams.szDomain);
        entryName = FieldText(DialParams.szEntryName);
        LookupPhoneNumber(entryName.c_str(), phoneNumber);
        savePassword = passwordSaved ? 1 : 0;
        ForgetLoad();
        lastLoad.valid = true;
        lastLoad.saved = passwordSaved != 0;
        std::memcpy(lastLoad.entryName, DialParams.szEntryName, sizeof lastLoad.entryName);
        std::memcpy(lastLoad.password, DialParams.szPassword, sizeof lastLoad.password);
        return true;
    }

    PutField(DialParams.szUserName, userName);
    PutField(DialParams.szPassword, password);
    PutField(DialParams.szDomain, domain);
    bool keep = KeepPasswordForDial(savePassword);
    ForgetLoad();
    // The service is handed a copy: whatever it does to the record it gets (it may blank the
    // password it is told to forget), the dial that follows uses what was typed.
    RASDIALPARAMSA forService = DialParams;
    Ras().RasSetEntryDialParamsA(nullptr, &forService, savePassword == 0 && !keep ? 1 : 0);
    SecureZero(&forService, sizeof forService);
    if (keep) {
        // One kept for another entry is not lost: that dial is over by now.
        if (deferred.pending &&
            std::strncmp(deferred.params.szEntryName, DialParams.szEntryName, sizeof DialParams.szEntryName) != 0)
            RemoveDeferredPassword();
        deferred.pending = true;
        deferred.params = DialParams;
        SecureWipe(deferred.params.szPassword);
    }
    return true;
}
