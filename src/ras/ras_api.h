// The remote access service as the program sees it: the nine ANSI operations it calls,
// as a port. The Windows build calls rasapi32 (ras_api_win.cpp); tests use sim/.
#pragma once

#include "ras/ras_types.h"

class RasApi {
public:
    RasApi() = default;
    RasApi(const RasApi&) = delete;
    RasApi& operator=(const RasApi&) = delete;
    virtual ~RasApi() = default;

    virtual uint32_t RasEnumEntriesA(const char* reserved, const char* phonebook,
                                     RASENTRYNAMEA* entries, uint32_t* bytes,
                                     uint32_t* count) = 0;
    virtual uint32_t RasEnumConnectionsA(RASCONNA* conns, uint32_t* bytes, uint32_t* count) = 0;
    virtual uint32_t RasGetConnectStatusA(HRASCONN conn, RASCONNSTATUSA* status) = 0;
    virtual uint32_t RasHangUpA(HRASCONN conn) = 0;
    virtual uint32_t RasDialA(void* extensions, const char* phonebook, RASDIALPARAMSA* params,
                              uint32_t notifierType, RasDialFunc notifier, HRASCONN* conn) = 0;
    virtual uint32_t RasGetErrorStringA(unsigned code, char* buffer, uint32_t size) = 0;
    virtual uint32_t RasGetEntryDialParamsA(const char* phonebook, RASDIALPARAMSA* params,
                                            int* passwordSaved) = 0;
    virtual uint32_t RasSetEntryDialParamsA(const char* phonebook, RASDIALPARAMSA* params,
                                            int removePassword) = 0;
    virtual uint32_t RasGetEntryPropertiesA(const char* phonebook, const char* entry,
                                            RASENTRYA* entryInfo, uint32_t* entryInfoSize,
                                            uint8_t* deviceInfo, uint32_t* deviceInfoSize) = 0;
};

// The service the program talks to: rasapi32 in the real program, a simulator in tests.
RasApi& Ras();
void SetRas(RasApi* ras);
