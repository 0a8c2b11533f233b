// The process-wide choice of registry.
#include "base/registry.h"

namespace {

class AbsentRegistry final : public RegistryApi {
public:
    int32_t RegOpenKeyExA(RegKey, const char*, uint32_t, uint32_t, RegKey* result) override {
        if (result) *result = nullptr;
        return kRegAccessDenied;
    }
    int32_t RegCreateKeyExA(RegKey, const char*, uint32_t, char*, uint32_t, uint32_t, void*, RegKey* result,
                            uint32_t*) override {
        if (result) *result = nullptr;
        return kRegAccessDenied;
    }
    int32_t RegQueryValueExA(RegKey, const char*, uint32_t*, uint32_t*, uint8_t*, uint32_t*) override {
        return kRegFileNotFound;
    }
    int32_t RegSetValueExA(RegKey, const char*, uint32_t, uint32_t, const uint8_t*, uint32_t) override {
        return kRegAccessDenied;
    }
    int32_t RegCloseKey(RegKey) override { return kRegSuccess; }
};

AbsentRegistry absent;
RegistryApi* current = &absent;

}  // namespace

RegKey RegCurrentUser() { return reinterpret_cast<RegKey>(static_cast<uintptr_t>(0x80000001u)); }

RegistryApi& Registry() { return *current; }

void SetRegistry(RegistryApi* registry) { current = registry ? registry : &absent; }
