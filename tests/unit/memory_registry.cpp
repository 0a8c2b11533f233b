// The in-memory registry.
#include "memory_registry.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace test {

namespace {

constexpr int32_t kInvalidHandle = 6;

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", v);
    return text;
}

}  // namespace

MemoryRegistry::MemoryRegistry() {
    AddKey("HKCU");
    AddKey("HKCU\\Software");
}

std::string MemoryRegistry::Fold(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

void MemoryRegistry::AddKey(const std::string& path) { keys_[Fold(path)]; }

void MemoryRegistry::RemoveKey(const std::string& path) {
    std::string folded = Fold(path);
    for (auto it = keys_.begin(); it != keys_.end();) {
        bool below = it->first == folded || it->first.compare(0, folded.size() + 1, folded + "\\") == 0;
        it = below ? keys_.erase(it) : std::next(it);
    }
}

bool MemoryRegistry::HasKey(const std::string& path) const { return keys_.count(Fold(path)) != 0; }

void MemoryRegistry::Put(const std::string& path, const std::string& name, uint32_t type, const std::string& data) {
    keys_[Fold(path)][Fold(name)] = {type, data};
}

void MemoryRegistry::PutDword(const std::string& path, const std::string& name, uint32_t value) {
    const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 24)};
    Put(path, name, kRegDword, std::string(bytes, 4));
}

const MemoryRegistry::Value* MemoryRegistry::Find(const std::string& path, const std::string& name) const {
    auto key = keys_.find(Fold(path));
    if (key == keys_.end()) return nullptr;
    auto value = key->second.find(Fold(name));
    return value == key->second.end() ? nullptr : &value->second;
}

size_t MemoryRegistry::ValueCount(const std::string& path) const {
    auto key = keys_.find(Fold(path));
    return key == keys_.end() ? 0 : key->second.size();
}

void MemoryRegistry::FailKey(const std::string& path, int32_t code) {
    if (code)
        keyFaults_[Fold(path)] = code;
    else
        keyFaults_.erase(Fold(path));
}

bool MemoryRegistry::PathOf(RegKey key, std::string* path) const {
    if (key == RegCurrentUser()) {
        *path = "HKCU";
        return true;
    }
    auto it = handles_.find(reinterpret_cast<uintptr_t>(key));
    if (it == handles_.end()) return false;
    *path = it->second;
    return true;
}

RegKey MemoryRegistry::NewHandle(const std::string& path) {
    uintptr_t h = nextHandle_;
    nextHandle_ += 4;
    handles_[h] = path;
    return reinterpret_cast<RegKey>(h);
}

int32_t MemoryRegistry::OpenOrCreate(const char* verb, RegKey key, const char* subKey, uint32_t options,
                                     uint32_t access, bool create, RegKey* result) {
    *result = nullptr;
    std::string parent;
    std::string line = verb;
    int32_t r = kRegSuccess;
    std::string path;
    if (!PathOf(key, &parent)) {
        r = kInvalidHandle;
        line += " ?";
    } else {
        path = parent + "\\" + (subKey ? subKey : "");
        line += " " + path;
        auto fault = keyFaults_.find(Fold(path));
        if (fault != keyFaults_.end())
            r = fault->second;
        else if (!HasKey(path) && !create)
            r = kRegFileNotFound;
    }
    if (create) line += " options=" + std::to_string(options);
    line += " access=" + Hex(access) + " -> " + std::to_string(r);
    calls.push_back(line);
    if (r != kRegSuccess) return r;
    AddKey(path);
    *result = NewHandle(path);
    return r;
}

int32_t MemoryRegistry::RegOpenKeyExA(RegKey key, const char* subKey, uint32_t options, uint32_t access,
                                      RegKey* result) {
    return OpenOrCreate("open", key, subKey, options, access, false, result);
}

int32_t MemoryRegistry::RegCreateKeyExA(RegKey key, const char* subKey, uint32_t, char*, uint32_t options,
                                        uint32_t access, void*, RegKey* result, uint32_t* disposition) {
    std::string parent;
    bool existed = PathOf(key, &parent) && HasKey(parent + "\\" + (subKey ? subKey : ""));
    int32_t r = OpenOrCreate("create", key, subKey, options, access, true, result);
    if (r == kRegSuccess && disposition) *disposition = existed ? 2 : 1;
    return r;
}

int32_t MemoryRegistry::RegQueryValueExA(RegKey key, const char* valueName, uint32_t*, uint32_t* type,
                                         uint8_t* data, uint32_t* dataSize) {
    std::string path;
    std::string name = valueName ? valueName : "";
    int32_t r = kRegSuccess;
    const Value* v = nullptr;
    if (!PathOf(key, &path))
        r = kInvalidHandle;
    else if (!(v = Find(path, name)))
        r = kRegFileNotFound;
    calls.push_back("query " + path + " " + name + (data ? " data" : " size"));
    if (r == kRegSuccess) {
        uint32_t size = static_cast<uint32_t>(v->data.size());
        if (type) *type = v->type;
        if (data && (!dataSize || *dataSize < size)) {
            r = kRegMoreData;
        } else if (data) {
            std::memcpy(data, v->data.data(), size);
        }
        if (dataSize) *dataSize = size;
    }
    calls.back() += " -> " + std::to_string(r);
    return r;
}

int32_t MemoryRegistry::RegSetValueExA(RegKey key, const char* valueName, uint32_t, uint32_t type,
                                       const uint8_t* data, uint32_t dataSize) {
    std::string path;
    std::string name = valueName ? valueName : "";
    int32_t r = writeFault_;
    if (!PathOf(key, &path)) r = kInvalidHandle;
    calls.push_back("set " + path + " " + name + " type=" + std::to_string(type) + " size=" +
                    std::to_string(dataSize) + " -> " + std::to_string(r));
    if (r == kRegSuccess) Put(path, name, type, std::string(reinterpret_cast<const char*>(data), dataSize));
    return r;
}

int32_t MemoryRegistry::RegCloseKey(RegKey key) {
    std::string path;
    int32_t r = PathOf(key, &path) && key != RegCurrentUser() ? kRegSuccess : kInvalidHandle;
    calls.push_back("close " + path + " -> " + std::to_string(r));
    if (r == kRegSuccess) handles_.erase(reinterpret_cast<uintptr_t>(key));
    return r;
}

}  // namespace test
