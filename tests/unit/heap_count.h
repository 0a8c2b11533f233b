// Counting heap allocations, for the test program and the benchmark that check that a steady
// monitor tick allocates nothing. A program that links heap_count.cpp has its operator new
// (and, with the GNU C library, malloc, calloc and realloc) replaced by counting ones.
#pragma once

#include <cstdint>

#include "ras/ras_api.h"

namespace test {

// Allocations made while counting was on, since the program began.
uint64_t HeapAllocations();
void SetHeapCounting(bool on);

// Counting paused for as long as it lives.
class UncountedScope {
public:
    UncountedScope();
    ~UncountedScope();
    UncountedScope(const UncountedScope&) = delete;
    UncountedScope& operator=(const UncountedScope&) = delete;

private:
    bool was_;
};

// Forwards every call to another service with counting paused: the simulator's own
// bookkeeping (its journal) is not the monitor's.
class UncountedRas final : public RasApi {
public:
    explicit UncountedRas(RasApi& inner) : inner_(inner) {}
    uint32_t RasEnumEntriesA(const char* reserved, const char* phonebook, RASENTRYNAMEA* entries,
                             uint32_t* bytes, uint32_t* count) override;
    uint32_t RasEnumConnectionsA(RASCONNA* conns, uint32_t* bytes, uint32_t* count) override;
    uint32_t RasGetConnectStatusA(HRASCONN conn, RASCONNSTATUSA* status) override;
    uint32_t RasHangUpA(HRASCONN conn) override;
    uint32_t RasDialA(void* extensions, const char* phonebook, RASDIALPARAMSA* params,
                      uint32_t notifierType, RasDialFunc notifier, HRASCONN* conn) override;
    uint32_t RasGetErrorStringA(unsigned code, char* buffer, uint32_t size) override;
    uint32_t RasGetEntryDialParamsA(const char* phonebook, RASDIALPARAMSA* params, int* passwordSaved) override;
    uint32_t RasSetEntryDialParamsA(const char* phonebook, RASDIALPARAMSA* params, int removePassword) override;
    uint32_t RasGetEntryPropertiesA(const char* phonebook, const char* entry, RASENTRYA* entryInfo,
                                    uint32_t* entryInfoSize, uint8_t* deviceInfo,
                                    uint32_t* deviceInfoSize) override;

private:
    RasApi& inner_;
};

}  // namespace test
