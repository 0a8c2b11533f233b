// The simulated remote access service.
#include "sim/ras_sim.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace sim {

namespace {

constexpr uint32_t kErrorCannotFindEntry = 623;

const char* const kOpNames[kOpCount] = {
    "enum-entries", "enum-connections", "get-status",      "hang-up",
    "dial",         "get-error-string", "get-dial-params", "set-dial-params",
    "get-entry-properties",
};

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

uint32_t HandleValue(HRASCONN h) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)); }
HRASCONN MakeHandle(uint32_t value) { return reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(value)); }

// A field of a structure the program handed in, read without running past its end.
template <size_t N>
std::string Field(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

// Copies `text` into a field, cut to fit with its terminator.
template <size_t N>
void Put(char (&field)[N], const std::string& text) {
    size_t n = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

}  // namespace

const char kSavedPasswordStandIn[] = "****************";

const char* OpName(Op op) { return kOpNames[static_cast<int>(op)]; }

bool ParseOp(const std::string& name, Op* op) {
    for (int i = 0; i < kOpCount; ++i) {
        if (name == kOpNames[i]) {
            *op = static_cast<Op>(i);
            return true;
        }
    }
    return false;
}

std::string QuoteValue(const std::string& value) {
    // A CR or LF left bare would end the word (and the journal line) when it is read back.
    bool plain = !value.empty() && value.find_first_of(" \t\r\n=\"") == std::string::npos;
    if (plain) return value;
    std::string out = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

RasSim::RasSim(std::function<double()> clock) : clock_(std::move(clock)) {
    if (!clock_) {
        clock_ = [] {
            using namespace std::chrono;
            return duration<double>(steady_clock::now().time_since_epoch()).count();
        };
    }
}

RasSim::~RasSim() {
    {
        Lock lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& dial : dials_)
        if (dial->thread.joinable()) dial->thread.join();
}

// --- Script commands.

void RasSim::AddEntry(const Entry& entry) {
    Lock lock(mutex_);
    phonebook_.push_back(entry);
}

HRASCONN RasSim::Connect(const std::string& name, RASCONNSTATE state) {
    Lock lock(mutex_);
    uint32_t handle = nextHandle_++;
    connections_.push_back({handle, name, state});
    return MakeHandle(handle);
}

bool RasSim::SetState(const std::string& name, RASCONNSTATE state) {
    Lock lock(mutex_);
    Connection* c = FirstOf(name);
    if (c) c->state = state;
    return c != nullptr;
}

bool RasSim::Drop(const std::string& name) {
    Lock lock(mutex_);
    Connection* c = FirstOf(name);
    if (!c) return false;
    connections_.erase(connections_.begin() + (c - connections_.data()));
    return true;
}

void RasSim::SetHangupPolls(int polls) {
    Lock lock(mutex_);
    hangupPolls_ = polls < 0 ? kHangupNever : polls;
}

void RasSim::SetDialHangupPolls(int polls) {
    Lock lock(mutex_);
    dialHangupPolls_ = polls < 0 ? kHangupNever : polls;
}

void RasSim::SetDialSteps(const std::vector<RASCONNSTATE>& steps) {
    Lock lock(mutex_);
    dialSteps_ = steps;
}

void RasSim::SetDialInterval(int milliseconds) {
    Lock lock(mutex_);
    dialInterval_ = std::max(0, milliseconds);
}

void RasSim::SetDialError(uint32_t code, int afterEvent) {
    Lock lock(mutex_);
    dialErrorCode_ = code;
    dialErrorAfter_ = std::max(1, afterEvent);
}

void RasSim::SetDialListed(bool listed) {
    Lock lock(mutex_);
    dialListed_ = listed;
}

void RasSim::SetSavedPasswordStandIn(bool on) {
    Lock lock(mutex_);
    standIn_ = on;
}

void RasSim::SetDialFail(uint32_t code) {
    Lock lock(mutex_);
    dialFailCode_ = code;
}

void RasSim::Fail(Op op, uint32_t code, int times) {
    Lock lock(mutex_);
    faults_[static_cast<int>(op)] = {code, times < 0 ? -1 : times};
    faultSet_[static_cast<int>(op)] = times != 0;
}

void RasSim::FailOff(Op op) {
    Lock lock(mutex_);
    faultSet_[static_cast<int>(op)] = false;
}

void RasSim::SetErrorText(uint32_t code, const std::string& text) {
    Lock lock(mutex_);
    errorTexts_[code] = text;
}

void RasSim::SetCodec(const TextCodec& codec) {
    Lock lock(mutex_);
    codec_ = codec;
}

std::string RasSim::ToAnsi(const std::string& utf8) const {
    Lock lock(mutex_);
    return codec_.toAnsi(utf8);
}

void RasSim::Note(const std::string& line) {
    Lock lock(mutex_);
    Log(line);
}

void RasSim::Reset() {
    {
        Lock lock(mutex_);
        phonebook_.clear();
        connections_.clear();
        errorTexts_.clear();
        for (int i = 0; i < kOpCount; ++i) faultSet_[i] = false;
        for (auto& dial : dials_) {
            dial->over = true;
            dial->pollsLeft = 0;
        }
        hangupPolls_ = 1;
        dialHangupPolls_ = 0;
        dialSteps_ = {0, 1, 2, 3, 4, 5, 6, 0x2000};
        dialInterval_ = 200;
        dialErrorCode_ = 0;
        dialErrorAfter_ = 1;
        dialFailCode_ = 0;
        dialListed_ = false;
        standIn_ = false;
    }
    wake_.notify_all();
}

void RasSim::SetBeforeCall(std::function<void()> hook) { beforeCall_ = std::move(hook); }

void RasSim::SetJournalSink(std::function<void(const std::string&)> sink) {
    Lock lock(mutex_);
    journalSink_ = std::move(sink);
}

// --- Inspection.

std::vector<std::string> RasSim::Journal() const {
    Lock lock(mutex_);
    return journal_;
}

void RasSim::ClearJournal() {
    Lock lock(mutex_);
    journal_.clear();
}

double RasSim::Now() {
    Lock lock(mutex_);
    return NowLocked();
}

int RasSim::ConnectionCount() const {
    Lock lock(mutex_);
    return static_cast<int>(connections_.size());
}

bool RasSim::FindEntry(const std::string& name, Entry* out) const {
    Lock lock(mutex_);
    for (const Entry& e : phonebook_) {
        if (e.name == name) {
            *out = e;
            return true;
        }
    }
    return false;
}

void RasSim::WaitForDials() {
    for (size_t i = 0;; ++i) {
        std::thread* thread = nullptr;
        {
            Lock lock(mutex_);
            if (i >= dials_.size()) return;
            thread = &dials_[i]->thread;
        }
        if (thread->joinable()) thread->join();
    }
}

// --- Helpers, with the lock held unless said otherwise.

void RasSim::Enter() {
    {
        Lock lock(mutex_);
        if (origin_ < 0) origin_ = clock_();
    }
    if (beforeCall_) beforeCall_();
}

double RasSim::NowLocked() {
    if (origin_ < 0) origin_ = clock_();
    return clock_() - origin_;
}

bool RasSim::TakeFault(Op op, uint32_t* code) {
    int i = static_cast<int>(op);
    if (!faultSet_[i]) return false;
    *code = faults_[i].code;
    if (faults_[i].timesLeft > 0 && --faults_[i].timesLeft == 0) faultSet_[i] = false;
    return true;
}

void RasSim::Log(const std::string& line) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.3f ", NowLocked());
    journal_.push_back(stamp + line);
    if (journalSink_) journalSink_(journal_.back());
}

std::string RasSim::Text(const std::string& ansi) const { return QuoteValue(codec_.toUtf8(ansi)); }

// The journal's view of a RASDIALPARAMS; its fields only when it has the size we know, since
// a smaller structure would end before them.
std::string RasSim::DialParamsText(const RASDIALPARAMSA* params) const {
    if (!params || params->dwSize != kRasDialParamsSize) return std::string();
    return " entry=" + Text(Field(params->szEntryName)) + " user=" + Text(Field(params->szUserName)) +
           " password=" + Text(Field(params->szPassword)) + " domain=" + Text(Field(params->szDomain));
}

bool RasSim::IsStandIn(const char* password) const {
    return standIn_ && std::strncmp(password, kSavedPasswordStandIn, kRasPasswordLen) == 0;
}

RasSim::Connection* RasSim::FindConnection(uint32_t handle) {
    for (Connection& c : connections_)
        if (c.handle == handle) return &c;
    return nullptr;
}

// A dial under way or failed, not yet hung up.
RasSim::Dial* RasSim::FindDial(uint32_t handle) {
    for (auto& d : dials_)
        if (d->handle == handle && !d->over) return d.get();
    return nullptr;
}

RasSim::Dial* RasSim::FindGoingDial(uint32_t handle) {
    for (auto& d : dials_)
        if (d->handle == handle && d->over && d->pollsLeft != 0) return d.get();
    return nullptr;
}

RasSim::Connection* RasSim::FirstOf(const std::string& name) {
    for (Connection& c : connections_)
        if (c.name == name) return &c;
    return nullptr;
}

Entry* RasSim::FindEntryLocked(const std::string& name) {
    for (Entry& e : phonebook_)
        if (e.name == name) return &e;
    return nullptr;
}

// --- The service's operations.

uint32_t RasSim::RasEnumEntriesA(const char*, const char*, RASENTRYNAMEA* entries, uint32_t* bytes,
                                 uint32_t* count) {
    Enter();
    Lock lock(mutex_);
    uint32_t n = static_cast<uint32_t>(phonebook_.size());
    uint32_t result = 0;
    if (TakeFault(Op::kEnumEntries, &result)) {
        if (result == ERROR_BUFFER_TOO_SMALL && count) *count = n;
    } else if (!bytes || !count || (entries && *bytes >= kRasEntryNameSize && entries[0].dwSize != kRasEntryNameSize)) {
        result = kErrorInvalidSize;
    } else if (!entries || *bytes < n * kRasEntryNameSize) {
        *bytes = n * kRasEntryNameSize;
        *count = n;
        result = ERROR_BUFFER_TOO_SMALL;
    } else {
        for (uint32_t i = 0; i < n; ++i) {
            entries[i].dwSize = kRasEntryNameSize;
            Put(entries[i].szEntryName, phonebook_[i].name);
        }
        *count = n;
    }
    Log("RasEnumEntriesA -> " + std::to_string(result) + (count ? " count=" + std::to_string(*count) : ""));
    return result;
}

uint32_t RasSim::RasEnumConnectionsA(RASCONNA* conns, uint32_t* bytes, uint32_t* count) {
    Enter();
    Lock lock(mutex_);
    // The connections, then the dials under way that are listed as the system's service lists them.
    std::vector<std::pair<uint32_t, const std::string*>> listed;
    for (const Connection& c : connections_) listed.emplace_back(c.handle, &c.name);
    for (const auto& d : dials_)
        if (d->listed && !d->over) listed.emplace_back(d->handle, &d->name);
    uint32_t n = static_cast<uint32_t>(listed.size());
    uint32_t result = 0;
    if (TakeFault(Op::kEnumConnections, &result)) {
        if (result == ERROR_BUFFER_TOO_SMALL && count) *count = n;
    } else if (!bytes || !count || (conns && *bytes >= kRasConnSize && conns[0].dwSize != kRasConnSize)) {
        result = kErrorInvalidSize;
    } else if ((!conns && n > 0) || *bytes < n * kRasConnSize) {
        // Also the answer to a size query: no buffer, or one too small to hold a record.
        *bytes = n * kRasConnSize;
        *count = n;
        result = ERROR_BUFFER_TOO_SMALL;
    } else {
        for (uint32_t i = 0; i < n; ++i) {
            RASCONNA& out = conns[i];
            out.dwSize = kRasConnSize;
            out.hrasconn = MakeHandle(listed[i].first);
            Put(out.szEntryName, *listed[i].second);
            Put(out.szDeviceType, "modem");
            Put(out.szDeviceName, "Simulated Modem");
        }
        *count = n;
    }
    Log("RasEnumConnectionsA -> " + std::to_string(result) + (count ? " count=" + std::to_string(*count) : ""));
    return result;
}

uint32_t RasSim::RasGetConnectStatusA(HRASCONN conn, RASCONNSTATUSA* status) {
    Enter();
    Lock lock(mutex_);
    uint32_t handle = HandleValue(conn);
    std::string line = "RasGetConnectStatusA handle=" + Hex(handle) + " -> ";
    uint32_t result = 0;
    RASCONNSTATE state = 0;
    uint32_t error = 0;
    Connection* c = FindConnection(handle);
    Dial* dial = c ? nullptr : FindDial(handle);
    Dial* going = c || dial ? nullptr : FindGoingDial(handle);

    if (TakeFault(Op::kGetStatus, &result)) {
    } else if (!status || status->dwSize != kRasConnStatusSize) {
        result = kErrorInvalidSize;
    } else if (c) {
        state = c->state;
        if (c->hungUp) {
            state = RASCS_Disconnected;
            if (c->pollsLeft != kHangupNever && --c->pollsLeft <= 0)
                connections_.erase(connections_.begin() + (c - connections_.data()));
        }
    } else if (dial) {
        state = dial->state;
        error = dial->error;
    } else if (going) {
        state = RASCS_Disconnected;
        if (going->pollsLeft != kHangupNever) --going->pollsLeft;
    } else {
        result = ERROR_INVALID_HANDLE;
    }
    if (result == 0) {
        status->rasconnstate = state;
        status->dwError = error;
        Put(status->szDeviceType, "modem");
        Put(status->szDeviceName, "Simulated Modem");
        line += "0 state=" + Hex(state);
    } else {
        line += std::to_string(result);
    }
    Log(line);
    return result;
}

uint32_t RasSim::RasHangUpA(HRASCONN conn) {
    Enter();
    uint32_t handle = HandleValue(conn);
    Lock lock(mutex_);
    uint32_t result = 0;
    std::string name;
    Connection* c = FindConnection(handle);
    Dial* dial = c ? nullptr : FindDial(handle);
    Dial* going = c || dial ? nullptr : FindGoingDial(handle);

    if (TakeFault(Op::kHangUp, &result)) {
        if (c) name = c->name;
    } else if (c) {
        name = c->name;
        if (!c->hungUp) {
            c->hungUp = true;
            c->pollsLeft = hangupPolls_;
        }
        if (c->pollsLeft == 0) connections_.erase(connections_.begin() + (c - connections_.data()));
    } else if (dial) {
        name = dial->name;
        dial->over = true;  // a dial under way stops; no event follows
        dial->pollsLeft = dialHangupPolls_;
        wake_.notify_all();
    } else if (going) {
        name = going->name;
    } else {
        result = ERROR_INVALID_HANDLE;
    }
    Log("RasHangUpA handle=" + Hex(handle) + (name.empty() ? "" : " entry=" + Text(name)) + " -> " +
        std::to_string(result));
    return result;
}

uint32_t RasSim::RasDialA(void*, const char*, RASDIALPARAMSA* params, uint32_t notifierType,
                          RasDialFunc notifier, HRASCONN* conn) {
    Enter();
    Lock lock(mutex_);
    std::string line = "RasDialA";
    // A stand-in for the saved password is swapped for it while the entry still has one; the
    // journal shows the password the dial used.
    Entry* entry = nullptr;
    bool standIn = false, resolved = false;
    if (params && params->dwSize == kRasDialParamsSize) {
        entry = FindEntryLocked(Field(params->szEntryName));
        standIn = IsStandIn(params->szPassword);
        resolved = standIn && entry && entry->hasPassword;
        RASDIALPARAMSA used = *params;
        if (resolved) Put(used.szPassword, entry->password);
        line += DialParamsText(&used);
        if (standIn) line += resolved ? " stand-in=resolved" : " stand-in=unresolved";
    }
    uint32_t result = 0;
    if (TakeFault(Op::kDial, &result)) {
    } else if (dialFailCode_) {
        result = dialFailCode_;
        dialFailCode_ = 0;
    } else if (!params || params->dwSize != kRasDialParamsSize || !conn) {
        result = kErrorInvalidSize;
    } else if (notifier && notifierType != 0) {
        // Only the RasDialFunc form is known here; calling another form through this type
        // would break the caller's stack.
        result = kErrorInvalidParameter;
    } else if (!entry) {
        result = kErrorCannotFindEntry;
    }
    if (result) {
        Log(line + " -> " + std::to_string(result));
        return result;
    }

    auto dial = std::make_unique<Dial>();
    dial->handle = nextHandle_++;
    dial->name = Field(params->szEntryName);
    dial->listed = dialListed_;
    *conn = MakeHandle(dial->handle);
    Log(line + " -> 0 handle=" + Hex(dial->handle));
    Dial* d = dial.get();
    uint32_t errorCode = dialErrorCode_;
    int errorAfter = dialErrorAfter_;
    dialErrorCode_ = 0;
    // A stand-in that points at nothing is a wrong password: the provider refuses it at the
    // end, unless the script has the dial fail otherwise.
    if (standIn && !resolved && !errorCode) {
        errorCode = kErrorAuthenticationFailure;
        errorAfter = std::max<int>(1, static_cast<int>(dialSteps_.size()));
    }
    dials_.push_back(std::move(dial));
    d->thread = std::thread(&RasSim::RunDial, this, d, dialSteps_, dialInterval_, errorCode, errorAfter, notifier);
    return 0;
}

// One dial, on its own thread: an event per step, each after the interval, until the dial
// connects, fails, is hung up, or runs out of steps.
void RasSim::RunDial(Dial* dial, std::vector<RASCONNSTATE> steps, int interval, uint32_t errorCode,
                     int errorAfter, RasDialFunc notifier) {
    for (size_t k = 0; k < steps.size(); ++k) {
        RASCONNSTATE state = steps[k];
        uint32_t error = 0;
        {
            Lock lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(interval), [&] { return dial->over || stopping_; });
            if (dial->over || stopping_) break;  // hung up while waiting
            if (errorCode && static_cast<int>(k) + 1 == errorAfter) error = errorCode;
            dial->state = state;
            dial->error = error;
            Log("event handle=" + Hex(dial->handle) + " state=" + Hex(state) + " error=" + std::to_string(error));
            if (!error && (state & RASCS_DONE)) {
                connections_.push_back({dial->handle, dial->name, state});
                dial->over = true;
            }
        }
        if (notifier) notifier(WM_RASDIALEVENT, state, error);
        if (error || (state & RASCS_DONE)) break;
    }
    Lock lock(mutex_);
    dial->finished = true;
}

uint32_t RasSim::RasGetErrorStringA(unsigned code, char* buffer, uint32_t size) {
    Enter();
    Lock lock(mutex_);
    uint32_t result = 0;
    auto text = errorTexts_.find(code);
    if (TakeFault(Op::kGetErrorString, &result)) {
    } else if (text == errorTexts_.end()) {
        result = kErrorInvalidParameter;
    } else if (!buffer || size < text->second.size() + 1) {
        result = ERROR_BUFFER_TOO_SMALL;
    } else {
        std::memcpy(buffer, text->second.c_str(), text->second.size() + 1);
    }
    Log("RasGetErrorStringA code=" + std::to_string(code) + " -> " + std::to_string(result));
    return result;
}

uint32_t RasSim::RasGetEntryDialParamsA(const char*, RASDIALPARAMSA* params, int* passwordSaved) {
    Enter();
    Lock lock(mutex_);
    std::string name = params ? Field(params->szEntryName) : std::string();
    std::string line = "RasGetEntryDialParamsA entry=" + Text(name) + " -> ";
    uint32_t result = 0;
    Entry* e = nullptr;
    if (TakeFault(Op::kGetDialParams, &result)) {
    } else if (!params || params->dwSize != kRasDialParamsSize || !passwordSaved) {
        result = kErrorInvalidSize;
    } else if (!(e = FindEntryLocked(name))) {
        result = kErrorCannotFindEntry;
    }
    if (result) {
        Log(line + std::to_string(result));
        return result;
    }
    Put(params->szUserName, e->user);
    Put(params->szPassword, !e->hasPassword ? std::string() : standIn_ ? kSavedPasswordStandIn : e->password);
    Put(params->szDomain, e->domain);
    *passwordSaved = e->hasPassword ? 1 : 0;
    Log(line + "0 user=" + Text(e->user) + " domain=" + Text(e->domain) +
        " saved-password=" + std::to_string(*passwordSaved));
    return 0;
}

uint32_t RasSim::RasSetEntryDialParamsA(const char*, RASDIALPARAMSA* params, int removePassword) {
    Enter();
    Lock lock(mutex_);
    std::string line = "RasSetEntryDialParamsA";
    line += DialParamsText(params);
    line += " remove-password=" + std::to_string(removePassword ? 1 : 0) + " -> ";
    uint32_t result = 0;
    Entry* e = nullptr;
    if (TakeFault(Op::kSetDialParams, &result)) {
    } else if (!params || params->dwSize != kRasDialParamsSize) {
        result = kErrorInvalidSize;
    } else if (!(e = FindEntryLocked(Field(params->szEntryName)))) {
        result = kErrorCannotFindEntry;
    } else {
        e->user = Field(params->szUserName);
        e->domain = Field(params->szDomain);
        // The stand-in handed back keeps the saved password (or the lack of one) as it is.
        if (removePassword || !IsStandIn(params->szPassword)) {
            e->hasPassword = !removePassword;
            e->password = removePassword ? std::string() : Field(params->szPassword);
        }
    }
    Log(line + std::to_string(result));
    return result;
}

uint32_t RasSim::RasGetEntryPropertiesA(const char*, const char* entry, RASENTRYA* entryInfo,
                                        uint32_t* entryInfoSize, uint8_t*, uint32_t*) {
    Enter();
    Lock lock(mutex_);
    std::string name = entry ? std::string(entry, strnlen(entry, kRasEntryNameLen)) : std::string();
    std::string line = "RasGetEntryPropertiesA entry=" + Text(name) + " -> ";
    uint32_t result = 0;
    Entry* e = nullptr;
    if (TakeFault(Op::kGetEntryProperties, &result)) {
    } else if (!entryInfoSize || !entryInfo || *entryInfoSize < kRasEntrySize) {
        if (entryInfoSize) *entryInfoSize = kRasEntrySize;
        result = ERROR_BUFFER_TOO_SMALL;
    } else if (entryInfo->dwSize != kRasEntrySize) {
        result = kErrorInvalidSize;
    } else if (!(e = FindEntryLocked(name))) {
        result = kErrorCannotFindEntry;
    }
    if (result) {
        Log(line + std::to_string(result));
        return result;
    }
    Put(entryInfo->szAreaCode, e->area);
    Put(entryInfo->szLocalPhoneNumber, e->number);
    Log(line + "0 area=" + Text(e->area) + " number=" + Text(e->number));
    return 0;
}

}  // namespace sim
