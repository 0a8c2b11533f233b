// The process-wide choice of remote access service.
#include "ras/ras_api.h"

namespace {

// Until a service is chosen every call fails, so nothing ever reads an unfilled buffer.
class AbsentRas final : public RasApi {
    static constexpr uint32_t kUnavailable = 711;  // the service's "cannot start" code
public:
    uint32_t RasEnumEntriesA(const char*, const char*, RASENTRYNAMEA*, uint32_t*, uint32_t* count) override {
        if (count) *count = 0;
        return kUnavailable;
    }
    uint32_t RasEnumConnectionsA(RASCONNA*, uint32_t*, uint32_t* count) override {
        if (count) *count = 0;
        return kUnavailable;
    }
    uint32_t RasGetConnectStatusA(HRASCONN, RASCONNSTATUSA*) override { return ERROR_INVALID_HANDLE; }
    uint32_t RasHangUpA(HRASCONN) override { return kUnavailable; }
    uint32_t RasDialA(void*, const char*, RASDIALPARAMSA*, uint32_t, RasDialFunc, HRASCONN*) override {
        return kUnavailable;
    }
    uint32_t RasGetErrorStringA(unsigned, char*, uint32_t) override { return kUnavailable; }
    uint32_t RasGetEntryDialParamsA(const char*, RASDIALPARAMSA*, int*) override { return kUnavailable; }
    uint32_t RasSetEntryDialParamsA(const char*, RASDIALPARAMSA*, int) override { return kUnavailable; }
    uint32_t RasGetEntryPropertiesA(const char*, const char*, RASENTRYA*, uint32_t*, uint8_t*,
                                    uint32_t*) override {
        return kUnavailable;
    }
};

AbsentRas absent;
RasApi* current = &absent;

}  // namespace

RasApi& Ras() { return *current; }

void SetRas(RasApi* ras) { current = ras ? ras : &absent; }
