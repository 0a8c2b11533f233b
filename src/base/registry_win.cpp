// The registry port over advapi32.
#include <windows.h>

#include "base/registry.h"
#include "base/registry_win.h"

namespace {

static_assert(sizeof(LONG) == sizeof(int32_t) && sizeof(DWORD) == sizeof(uint32_t), "LONG and DWORD widths");
static_assert(REG_SZ == kRegSz && REG_DWORD == kRegDword && REG_BINARY == kRegBinary && REG_QWORD == kRegQword,
              "value types");
static_assert((KEY_READ | KEY_WRITE) == (kKeyRead | kKeyWrite) && REG_OPTION_NON_VOLATILE == kRegOptionNonVolatile,
              "access and options");
static_assert(ERROR_MORE_DATA == kRegMoreData && ERROR_FILE_NOT_FOUND == kRegFileNotFound, "results");

// The one predefined root the program uses; every other key is a handle the system gave.
HKEY ToHkey(RegKey key) { return key == RegCurrentUser() ? HKEY_CURRENT_USER : reinterpret_cast<HKEY>(key); }

class SystemRegistryApi final : public RegistryApi {
public:
    int32_t RegOpenKeyExA(RegKey key, const char* subKey, uint32_t options, uint32_t access, RegKey* result) override {
        HKEY out = nullptr;
        LONG r = ::RegOpenKeyExA(ToHkey(key), subKey, options, access, &out);
        *result = r == ERROR_SUCCESS ? reinterpret_cast<RegKey>(out) : nullptr;
        return r;
    }
    int32_t RegCreateKeyExA(RegKey key, const char* subKey, uint32_t reserved, char* className, uint32_t options,
                            uint32_t access, void* security, RegKey* result, uint32_t* disposition) override {
        HKEY out = nullptr;
        LONG r = ::RegCreateKeyExA(ToHkey(key), subKey, reserved, className, options, access,
                                   static_cast<LPSECURITY_ATTRIBUTES>(security), &out,
                                   reinterpret_cast<LPDWORD>(disposition));
        *result = r == ERROR_SUCCESS ? reinterpret_cast<RegKey>(out) : nullptr;
        return r;
    }
    int32_t RegQueryValueExA(RegKey key, const char* valueName, uint32_t* reserved, uint32_t* type, uint8_t* data,
                             uint32_t* dataSize) override {
        return ::RegQueryValueExA(ToHkey(key), valueName, reinterpret_cast<LPDWORD>(reserved),
                                  reinterpret_cast<LPDWORD>(type), data, reinterpret_cast<LPDWORD>(dataSize));
    }
    int32_t RegSetValueExA(RegKey key, const char* valueName, uint32_t reserved, uint32_t type, const uint8_t* data,
                           uint32_t dataSize) override {
        return ::RegSetValueExA(ToHkey(key), valueName, reserved, type, data, dataSize);
    }
    int32_t RegCloseKey(RegKey key) override { return ::RegCloseKey(ToHkey(key)); }
};

}  // namespace

RegistryApi& SystemRegistry() {
    static SystemRegistryApi registry;
    return registry;
}
