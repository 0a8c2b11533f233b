// Dialing: the saved dial parameters of an entry in both directions, the dial, and the
// forwarding of its progress reports.
#include "ras/dialing.h"

#include <cstring>

#include "base/cp932.h"
#include "base/prompt.h"
#include "monitor/connection_table.h"
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
        ShowRasError(result);
        return false;
    }

    if (!store) {
        userName = FieldText(DialParams.szUserName);
        password = FieldText(DialParams.szPassword);
        domain = FieldText(DialParams.szDomain);
        entryName = FieldText(DialParams.szEntryName);
        LookupPhoneNumber(entryName.c_str(), phoneNumber);
        savePassword = passwordSaved ? 1 : 0;
        return true;
    }

    PutField(DialParams.szUserName, userName);
    PutField(DialParams.szPassword, password);
    PutField(DialParams.szDomain, domain);
    // The service is handed a copy: whatever it does to the record it gets (it may blank the
    // password it is told to forget), the dial that follows uses what was typed.
    RASDIALPARAMSA forService = DialParams;
    Ras().RasSetEntryDialParamsA(nullptr, &forService, savePassword == 0 ? 1 : 0);
    return true;
}
