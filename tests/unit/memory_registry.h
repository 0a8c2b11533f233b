// An in-memory registry for tests: keys by path, typed values, fault injection per key, and
// a record of every call so tests can check the order and that every key is closed.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/registry.h"

namespace test {

class MemoryRegistry final : public RegistryApi {
public:
    struct Value {
        uint32_t type;
        std::string data;  // the stored bytes, exactly
    };

    // Starts with HKCU and HKCU\Software. Paths are written "HKCU\Software\...".
    MemoryRegistry();

    void AddKey(const std::string& path);
    void RemoveKey(const std::string& path);  // and everything below it
    bool HasKey(const std::string& path) const;
    void Put(const std::string& path, const std::string& name, uint32_t type, const std::string& data);
    void PutDword(const std::string& path, const std::string& name, uint32_t value);
    const Value* Find(const std::string& path, const std::string& name) const;
    size_t ValueCount(const std::string& path) const;

    // Opening or creating the key at `path` fails with `code` (0: no longer).
    void FailKey(const std::string& path, int32_t code);
    // Every RegSetValueExA fails with `code` (0: no longer).
    void FailWrites(int32_t code) { writeFault_ = code; }

    int OpenHandles() const { return static_cast<int>(handles_.size()); }

    // One line per call: "open HKCU\Software access=0x2001f -> 0",
    // "create HKCU\Software\Orlimo options=0 access=0x2001f -> 0",
    // "query <key> <name> size -> 0" (size: the value's size only), "query <key> <name> data -> 0",
    // "set <key> <name> type=4 size=4 -> 0", "close <key> -> 0".
    std::vector<std::string> calls;

    int32_t RegOpenKeyExA(RegKey key, const char* subKey, uint32_t options, uint32_t access, RegKey* result) override;
    int32_t RegCreateKeyExA(RegKey key, const char* subKey, uint32_t reserved, char* className, uint32_t options,
                            uint32_t access, void* security, RegKey* result, uint32_t* disposition) override;
    int32_t RegQueryValueExA(RegKey key, const char* valueName, uint32_t* reserved, uint32_t* type, uint8_t* data,
                             uint32_t* dataSize) override;
    int32_t RegSetValueExA(RegKey key, const char* valueName, uint32_t reserved, uint32_t type, const uint8_t* data,
                           uint32_t dataSize) override;
    int32_t RegCloseKey(RegKey key) override;

private:
    // Names compare without regard to ASCII case, as in the registry.
    static std::string Fold(const std::string& s);
    bool PathOf(RegKey key, std::string* path) const;
    RegKey NewHandle(const std::string& path);
    int32_t OpenOrCreate(const char* verb, RegKey key, const char* subKey, uint32_t options, uint32_t access,
                         bool create, RegKey* result);

    std::map<std::string, std::map<std::string, Value>> keys_;  // folded path -> folded name -> value
    std::map<std::string, int32_t> keyFaults_;
    std::map<uintptr_t, std::string> handles_;
    uintptr_t nextHandle_ = 0x1000;
    int32_t writeFault_ = 0;
};

}  // namespace test
