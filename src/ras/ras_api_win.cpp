// The remote access port over the system's rasapi32.dll, taken from the system folder. The
// entry points are declared here with our 4.0 layouts; <ras.h> would pick layouts by WINVER.
#include <windows.h>

#include <cstddef>
#include <cstring>

#include "ras/ras_api.h"
#include "ras/ras_api_win.h"
#include "base/system_library.h"

#ifdef _WIN64
static_assert(sizeof(RASCONNA) == 424 && kRasConnSize == 424, "RASCONN 4.0 of a 64-bit program is 424 bytes");
static_assert(offsetof(RASCONNA, hrasconn) == 8 && offsetof(RASCONNA, szEntryName) == 16, "RASCONN fields");
#else
static_assert(sizeof(void*) == 4 && sizeof(RASCONNA) == 412 && kRasConnSize == 412, "RASCONN 4.0 is 412 bytes");
static_assert(4 * kRasConnSize == 1648, "the enumeration's buffer holds four");
#endif
static_assert(sizeof(RASCONNSTATUSA) == 160 && kRasConnStatusSize == 160, "RASCONNSTATUS 4.0 is 160 bytes");
static_assert(sizeof(RASENTRYNAMEA) == 264 && kRasEntryNameSize == 264, "RASENTRYNAME 4.0 is 264 bytes");
static_assert(sizeof(RASDIALPARAMSA) == 1052 && kRasDialParamsSize == 1052, "RASDIALPARAMS 4.0 is 1052 bytes");
static_assert(sizeof(RASENTRYA) == 1768 && kRasEntrySize == 1768, "RASENTRY 4.0 is 1768 bytes");
static_assert(offsetof(RASENTRYA, szAreaCode) == 16 && offsetof(RASENTRYA, szLocalPhoneNumber) == 27,
              "RASENTRY phone number fields");
static_assert(offsetof(RASDIALPARAMSA, szUserName) == 519 && offsetof(RASDIALPARAMSA, szDomain) == 1033,
              "RASDIALPARAMS credential fields");

namespace {

static_assert(sizeof(uint32_t) == sizeof(DWORD) && sizeof(int) == sizeof(BOOL), "DWORD and BOOL widths");

// The service's functions, taken by name from rasapi32.dll in the system folder; in the
// order of kRasFunctions.
struct RasFunctions {
    DWORD(WINAPI* enumEntries)(LPCSTR, LPCSTR, RASENTRYNAMEA*, LPDWORD, LPDWORD);
    DWORD(WINAPI* enumConnections)(RASCONNA*, LPDWORD, LPDWORD);
    DWORD(WINAPI* getConnectStatus)(HRASCONN, RASCONNSTATUSA*);
    DWORD(WINAPI* hangUp)(HRASCONN);
    DWORD(WINAPI* dial)(LPVOID, LPCSTR, RASDIALPARAMSA*, DWORD, LPVOID, HRASCONN*);
    DWORD(WINAPI* getErrorString)(UINT, LPSTR, DWORD);
    DWORD(WINAPI* getEntryDialParams)(LPCSTR, RASDIALPARAMSA*, LPBOOL);
    DWORD(WINAPI* setEntryDialParams)(LPCSTR, RASDIALPARAMSA*, BOOL);
    DWORD(WINAPI* getEntryProperties)(LPCSTR, LPCSTR, RASENTRYA*, LPDWORD, LPBYTE, LPDWORD);
};

const char* const kRasFunctions[] = {
    "RasEnumEntriesA",        "RasEnumConnectionsA",    "RasGetConnectStatusA",
    "RasHangUpA",             "RasDialA",               "RasGetErrorStringA",
    "RasGetEntryDialParamsA", "RasSetEntryDialParamsA", "RasGetEntryPropertiesA",
};
constexpr size_t kRasFunctionCount = sizeof kRasFunctions / sizeof kRasFunctions[0];
static_assert(sizeof(RasFunctions) == kRasFunctionCount * sizeof(void*), "one slot per function");

RasFunctions ras;

class SystemRas final : public RasApi {
public:
    uint32_t RasEnumEntriesA(const char* reserved, const char* phonebook, RASENTRYNAMEA* entries,
                             uint32_t* bytes, uint32_t* count) override {
        return ras.enumEntries(reserved, phonebook, entries, reinterpret_cast<LPDWORD>(bytes),
                               reinterpret_cast<LPDWORD>(count));
    }
    uint32_t RasEnumConnectionsA(RASCONNA* conns, uint32_t* bytes, uint32_t* count) override {
        return ras.enumConnections(conns, reinterpret_cast<LPDWORD>(bytes), reinterpret_cast<LPDWORD>(count));
    }
    uint32_t RasGetConnectStatusA(HRASCONN conn, RASCONNSTATUSA* status) override {
        return ras.getConnectStatus(conn, status);
    }
    uint32_t RasHangUpA(HRASCONN conn) override { return ras.hangUp(conn); }
    uint32_t RasDialA(void* extensions, const char* phonebook, RASDIALPARAMSA* params,
                      uint32_t notifierType, RasDialFunc notifier, HRASCONN* conn) override {
        return ras.dial(extensions, phonebook, params, notifierType, reinterpret_cast<LPVOID>(notifier), conn);
    }
    uint32_t RasGetErrorStringA(unsigned code, char* buffer, uint32_t size) override {
        return ras.getErrorString(code, buffer, size);
    }
    uint32_t RasGetEntryDialParamsA(const char* phonebook, RASDIALPARAMSA* params, int* passwordSaved) override {
        return ras.getEntryDialParams(phonebook, params, reinterpret_cast<LPBOOL>(passwordSaved));
    }
    uint32_t RasSetEntryDialParamsA(const char* phonebook, RASDIALPARAMSA* params, int removePassword) override {
        return ras.setEntryDialParams(phonebook, params, removePassword);
    }
    uint32_t RasGetEntryPropertiesA(const char* phonebook, const char* entry, RASENTRYA* entryInfo,
                                    uint32_t* entryInfoSize, uint8_t* deviceInfo,
                                    uint32_t* deviceInfoSize) override {
        return ras.getEntryProperties(phonebook, entry, entryInfo, reinterpret_cast<LPDWORD>(entryInfoSize),
                                      deviceInfo, reinterpret_cast<LPDWORD>(deviceInfoSize));
    }
};

}  // namespace

RasApi& SystemRasApi() {
    static SystemRas ras;
    return ras;
}

bool LoadSystemRas(std::string* failure) {
    void* slots[kRasFunctionCount];
    if (!BindSystemLibrary(SystemLibraries(), "rasapi32.dll", kRasFunctions, slots, kRasFunctionCount, failure))
        return false;
    std::memcpy(&ras, slots, sizeof ras);  // a function's address, as the system gave it
    return true;
}
