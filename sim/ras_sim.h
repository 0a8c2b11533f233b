// The simulated remote access service: a phone book, connections that appear, change state
// and vanish, hang-ups that take a set number of status queries, dials that report their
// steps from a thread of their own, fault injection for every operation, and a journal of
// every call. Unit tests drive it through its methods; the drop-in rasapi32.dll drives it
// from a script. Texts inside are in the program's code page; the journal converts them.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ras/ras_api.h"

namespace sim {

enum class Op {
    kEnumEntries,
    kEnumConnections,
    kGetStatus,
    kHangUp,
    kDial,
    kGetErrorString,
    kGetDialParams,
    kSetDialParams,
    kGetEntryProperties,
};
constexpr int kOpCount = 9;

// The script's name of an operation ("enum-connections"), and back.
const char* OpName(Op op);
bool ParseOp(const std::string& name, Op* op);

struct Entry {
    std::string name;
    std::string area;
    std::string number;
    std::string user;
    std::string domain;
    bool hasPassword = false;  // a saved password exists, possibly empty
    std::string password;
};

// Converts between the program's code page and the journal's UTF-8. Identity by default.
struct TextCodec {
    std::function<std::string(const std::string&)> toAnsi = [](const std::string& s) { return s; };
    std::function<std::string(const std::string&)> toUtf8 = [](const std::string& s) { return s; };
};

constexpr int kHangupNever = -1;
constexpr uint32_t kFirstHandle = 0x1001;
constexpr uint32_t kErrorInvalidSize = 632;  // a structure's dwSize is not the expected one
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorAuthenticationFailure = 691;
// What a load gives for a saved password in the stand-in mode.
extern const char kSavedPasswordStandIn[];

class RasSim final : public RasApi {
public:
    // `clock` gives seconds; the script clock is its value minus its value at the first call.
    explicit RasSim(std::function<double()> clock = nullptr);
    ~RasSim() override;

    // --- What the script commands do.
    void AddEntry(const Entry& entry);
    HRASCONN Connect(const std::string& name, RASCONNSTATE state = RASCS_Connected);
    bool SetState(const std::string& name, RASCONNSTATE state);  // the first connection of name
    bool Drop(const std::string& name);                          // the first connection vanishes
    void SetHangupPolls(int polls);                              // kHangupNever: never goes
    // A dial hung up before it connected answers `polls` more status queries (state
    // RASCS_Disconnected) before its handle is gone; kHangupNever: never goes. Default 0.
    void SetDialHangupPolls(int polls);
    void SetDialSteps(const std::vector<RASCONNSTATE>& steps);
    void SetDialInterval(int milliseconds);
    void SetDialError(uint32_t code, int afterEvent = 1);  // the next dial only
    void SetDialFail(uint32_t code);                       // the next RasDialA only
    // Whether a dial is enumerated among the connections from its start (as the system's
    // service does, in the dial's state) or only once it has connected (the default).
    void SetDialListed(bool listed);
    // As the service of Windows 2000 and later: a load hands out kSavedPasswordStandIn instead
    // of a saved password, a dial given the stand-in uses the saved password while there is
    // one (and fails authentication with 691 when there is none), and a save given the
    // stand-in leaves the saved password as it is. Off by default.
    void SetSavedPasswordStandIn(bool on);
    void Fail(Op op, uint32_t code, int times = -1);       // times -1: every call from now
    void FailOff(Op op);
    void SetErrorText(uint32_t code, const std::string& text);
    void SetCodec(const TextCodec& codec);
    std::string ToAnsi(const std::string& utf8) const;
    // Writes a line of the simulator's own, in UTF-8, to the journal (a script error, for instance).
    void Note(const std::string& line);
    // Back to a service without entries, connections, faults or error texts, with the default
    // hang-up, dial and interval settings; dials under way stop without a further event. The
    // clock, the journal and the handle counter go on.
    void Reset();

    // Called at the start of every call the program makes, before anything else; the script
    // runner takes in new lines and runs due commands from here.
    void SetBeforeCall(std::function<void()> hook);
    // Receives every journal line as it is written (a file, in the DLL).
    void SetJournalSink(std::function<void(const std::string&)> sink);

    // --- Inspection, for tests.
    std::vector<std::string> Journal() const;
    void ClearJournal();
    double Now();  // the script clock
    int ConnectionCount() const;
    bool FindEntry(const std::string& name, Entry* out) const;
    // Waits until every dial thread has sent its last event.
    void WaitForDials();

    // --- The service's operations.
    uint32_t RasEnumEntriesA(const char* reserved, const char* phonebook, RASENTRYNAMEA* entries,
                             uint32_t* bytes, uint32_t* count) override;
    uint32_t RasEnumConnectionsA(RASCONNA* conns, uint32_t* bytes, uint32_t* count) override;
    uint32_t RasGetConnectStatusA(HRASCONN conn, RASCONNSTATUSA* status) override;
    uint32_t RasHangUpA(HRASCONN conn) override;
    uint32_t RasDialA(void* extensions, const char* phonebook, RASDIALPARAMSA* params,
                      uint32_t notifierType, RasDialFunc notifier, HRASCONN* conn) override;
    uint32_t RasGetErrorStringA(unsigned code, char* buffer, uint32_t size) override;
    uint32_t RasGetEntryDialParamsA(const char* phonebook, RASDIALPARAMSA* params,
                                    int* passwordSaved) override;
    uint32_t RasSetEntryDialParamsA(const char* phonebook, RASDIALPARAMSA* params,
                                    int removePassword) override;
    uint32_t RasGetEntryPropertiesA(const char* phonebook, const char* entry, RASENTRYA* entryInfo,
                                    uint32_t* entryInfoSize, uint8_t* deviceInfo,
                                    uint32_t* deviceInfoSize) override;

private:
    struct Connection {
        uint32_t handle;
        std::string name;
        RASCONNSTATE state;
        bool hungUp = false;
        int pollsLeft = 0;  // answers left after a hang-up; kHangupNever: forever
    };
    struct Dial {
        uint32_t handle;
        std::string name;
        RASCONNSTATE state = 0;
        uint32_t error = 0;
        bool over = false;  // connected or hung up: the handle no longer answers as a dial
        int pollsLeft = 0;  // hung up: status answers left before the handle goes (kHangupNever: forever)
        bool listed = false;  // enumerated while under way
        bool finished = false;
        std::thread thread;
    };
    struct Fault {
        uint32_t code;
        int timesLeft;  // -1: always
    };

    using Lock = std::unique_lock<std::mutex>;

    void Enter();                    // before-call hook, outside the lock
    double NowLocked();
    bool TakeFault(Op op, uint32_t* code);
    void Log(const std::string& line);  // with the lock held
    std::string Text(const std::string& ansi) const;  // a journal value
    std::string DialParamsText(const RASDIALPARAMSA* params) const;
    bool IsStandIn(const char* password) const;
    Connection* FindConnection(uint32_t handle);
    Dial* FindDial(uint32_t handle);
    Dial* FindGoingDial(uint32_t handle);  // hung up, still answering
    Connection* FirstOf(const std::string& name);
    Entry* FindEntryLocked(const std::string& name);
    void RunDial(Dial* dial, std::vector<RASCONNSTATE> steps, int interval, uint32_t errorCode,
                 int errorAfter, RasDialFunc notifier);

    std::function<double()> clock_;
    double origin_ = -1;
    std::function<void()> beforeCall_;
    std::function<void(const std::string&)> journalSink_;
    TextCodec codec_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Entry> phonebook_;
    std::vector<Connection> connections_;
    std::vector<std::unique_ptr<Dial>> dials_;
    std::map<uint32_t, std::string> errorTexts_;
    Fault faults_[kOpCount] = {};
    bool faultSet_[kOpCount] = {};
    std::vector<std::string> journal_;
    uint32_t nextHandle_ = kFirstHandle;
    int hangupPolls_ = 1;
    int dialHangupPolls_ = 0;
    std::vector<RASCONNSTATE> dialSteps_ = {0, 1, 2, 3, 4, 5, 6, 0x2000};
    int dialInterval_ = 200;
    uint32_t dialErrorCode_ = 0;
    int dialErrorAfter_ = 1;
    uint32_t dialFailCode_ = 0;
    bool dialListed_ = false;
    bool standIn_ = false;
    bool stopping_ = false;
};

// Quotes a journal or script value when it holds blanks, CR, LF, '=', quotes or nothing.
std::string QuoteValue(const std::string& value);

}  // namespace sim
