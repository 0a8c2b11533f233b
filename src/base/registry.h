// The registry as the settings store sees it: the five ANSI calls it makes, as a port, with
// opaque key handles and the platform's value types and constants. The Windows build calls
// advapi32 (registry_win.cpp); tests use an in-memory registry.
#pragma once

#include <cstdint>

typedef struct RegKey__* RegKey;

// HKEY_CURRENT_USER.
RegKey RegCurrentUser();

// Value types.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;
constexpr uint32_t kRegQword = 11;

// Access rights and options.
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWrite = 0x20006;
constexpr uint32_t kRegOptionNonVolatile = 0;

// Results.
constexpr int32_t kRegSuccess = 0;
constexpr int32_t kRegFileNotFound = 2;
constexpr int32_t kRegAccessDenied = 5;
constexpr int32_t kRegMoreData = 234;

class RegistryApi {
public:
    RegistryApi() = default;
    RegistryApi(const RegistryApi&) = delete;
    RegistryApi& operator=(const RegistryApi&) = delete;
    virtual ~RegistryApi() = default;

    virtual int32_t RegOpenKeyExA(RegKey key, const char* subKey, uint32_t options, uint32_t access,
                                  RegKey* result) = 0;
    virtual int32_t RegCreateKeyExA(RegKey key, const char* subKey, uint32_t reserved, char* className,
                                    uint32_t options, uint32_t access, void* security, RegKey* result,
                                    uint32_t* disposition) = 0;
    // data may be null to ask for the size alone; *dataSize is the buffer's size in, the
    // value's size out.
    virtual int32_t RegQueryValueExA(RegKey key, const char* valueName, uint32_t* reserved, uint32_t* type,
                                     uint8_t* data, uint32_t* dataSize) = 0;
    virtual int32_t RegSetValueExA(RegKey key, const char* valueName, uint32_t reserved, uint32_t type,
                                   const uint8_t* data, uint32_t dataSize) = 0;
    virtual int32_t RegCloseKey(RegKey key) = 0;
};

// The registry in use: advapi32 in the real program. Until one is chosen every call fails,
// so reads give defaults and writes do nothing.
RegistryApi& Registry();
void SetRegistry(RegistryApi* registry);
