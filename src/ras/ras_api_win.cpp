// The remote access port over the system's rasapi32.dll. The entry points are declared
// here with our 4.0 layouts; <ras.h> would pick layouts by WINVER.
#include <windows.h>

#include <cstddef>

#include "ras/ras_api.h"
#include "ras/ras_api_win.h"

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

extern "C" {
DWORD WINAPI RasEnumEntriesA(LPCSTR, LPCSTR, RASENTRYNAMEA*, LPDWORD, LPDWORD);
DWORD WINAPI RasEnumConnectionsA(RASCONNA*, LPDWORD, LPDWORD);
DWORD WINAPI RasGetConnectStatusA(HRASCONN, RASCONNSTATUSA*);
DWORD WINAPI RasHangUpA(HRASCONN);
DWORD WINAPI RasDialA(LPVOID, LPCSTR, RASDIALPARAMSA*, DWORD, LPVOID, HRASCONN*);
DWORD WINAPI RasGetErrorStringA(UINT, LPSTR, DWORD);
DWORD WINAPI RasGetEntryDialParamsA(LPCSTR, RASDIALPARAMSA*, LPBOOL);
DWORD WINAPI RasSetEntryDialParamsA(LPCSTR, RASDIALPARAMSA*, BOOL);
DWORD WINAPI RasGetEntryPropertiesA(LPCSTR, LPCSTR, RASENTRYA*, LPDWORD, LPBYTE, LPDWORD);
}

namespace {

static_assert(sizeof(uint32_t) == sizeof(DWORD) && sizeof(int) == sizeof(BOOL), "DWORD and BOOL widths");

class SystemRas final : public RasApi {
public:
    uint32_t RasEnumEntriesA(const char* reserved, const char* phonebook, RASENTRYNAMEA* entries,
                             uint32_t* bytes, uint32_t* count) override {
        return ::RasEnumEntriesA(reserved, phonebook, entries, reinterpret_cast<LPDWORD>(bytes),
                                 reinterpret_cast<LPDWORD>(count));
    }
    uint32_t RasEnumConnectionsA(RASCONNA* conns, uint32_t* bytes, uint32_t* count) override {
        return ::RasEnumConnectionsA(conns, reinterpret_cast<LPDWORD>(bytes), reinterpret_cast<LPDWORD>(count));
    }
    uint32_t RasGetConnectStatusA(HRASCONN conn, RASCONNSTATUSA* status) override {
        return ::RasGetConnectStatusA(conn, status);
    }
    uint32_t RasHangUpA(HRASCONN conn) override { return ::RasHangUpA(conn); }
    uint32_t RasDialA(void* extensions, const char* phonebook, RASDIALPARAMSA* params,
                      uint32_t notifierType, RasDialFunc notifier, HRASCONN* conn) override {
        return ::RasDialA(extensions, phonebook, params, notifierType, reinterpret_cast<LPVOID>(notifier), conn);
    }
    uint32_t RasGetErrorStringA(unsigned code, char* buffer, uint32_t size) override {
        return ::RasGetErrorStringA(code, buffer, size);
    }
    uint32_t RasGetEntryDialParamsA(const char* phonebook, RASDIALPARAMSA* params, int* passwordSaved) override {
        return ::RasGetEntryDialParamsA(phonebook, params, reinterpret_cast<LPBOOL>(passwordSaved));
    }
    uint32_t RasSetEntryDialParamsA(const char* phonebook, RASDIALPARAMSA* params, int removePassword) override {
        return ::RasSetEntryDialParamsA(phonebook, params, removePassword);
    }
    uint32_t RasGetEntryPropertiesA(const char* phonebook, const char* entry, RASENTRYA* entryInfo,
                                    uint32_t* entryInfoSize, uint8_t* deviceInfo,
                                    uint32_t* deviceInfoSize) override {
        return ::RasGetEntryPropertiesA(phonebook, entry, entryInfo, reinterpret_cast<LPDWORD>(entryInfoSize),
                                        deviceInfo, reinterpret_cast<LPDWORD>(deviceInfoSize));
    }
};

}  // namespace

RasApi& SystemRasApi() {
    static SystemRas ras;
    return ras;
}
