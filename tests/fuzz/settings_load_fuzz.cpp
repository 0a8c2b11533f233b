// Loading the settings from an in-memory registry holding any type and size for each value,
// with keys that cannot be opened. The load takes each value by the store's rules or its
// default, leaves no key open, and what it loaded comes back the same after a save and a
// second load.
//
// Input: a byte of key faults, two bytes of screen size, then records of
// [name][type][mode][length: 1 byte, a second with mode bit 1, a 17th bit with bits 1 and 2;
// with mode bit 3, the low three bits of the first give a length of the limit -4 to +3]
// followed, for mode bit 0 clear, by that many bytes of data (what is left, if fewer), or,
// with the bit set, by one byte repeated to that length, so a few bytes reach the limits of
// text values.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "app/settings_store.h"
#include "base/app_names.h"
#include "base/registry.h"
#include "base/screen.h"
#include "base/settings.h"
#include "fuzz_check.h"
#include "memory_registry.h"

namespace {

const char kKey[] = "HKCU\\Software\\Orlimo\\Tolvane\\Settings";
const char* const kKeyPath[] = {"HKCU\\Software", "HKCU\\Software\\Orlimo", "HKCU\\Software\\Orlimo\\Tolvane", kKey};

class FixedScreen final : public ScreenApi {
public:
    int GetSystemMetrics(int index) override { return index == kSmCxScreen ? width : height; }
    int width = 0;
    int height = 0;
};

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool More() const { return pos < size; }
    uint8_t Byte() { return pos < size ? data[pos++] : 0; }
};

// A value as the store should take it: an integer from a 4-byte REG_DWORD, a text from a
// REG_SZ whose text with its terminator fits the limit; otherwise missing.
bool ExpectInteger(const test::MemoryRegistry::Value* v, uint32_t* value) {
    if (!v || v->type != kRegDword || v->data.size() != 4) return false;
    const auto* b = reinterpret_cast<const uint8_t*>(v->data.data());
    *value = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
    return true;
}

bool ExpectText(const test::MemoryRegistry::Value* v, std::string* text) {
    if (!v || v->type != kRegSz || v->data.size() > kMaxSettingTextBytes) return false;
    size_t length = strnlen(v->data.data(), v->data.size());
    if (length > kMaxSettingTextLength) return false;
    *text = v->data.substr(0, length);
    return true;
}

bool SameSettings(SettingsRecord& a, SettingsRecord& b) {
    for (const SettingField& f : kSettingsLoadOrder) {
        if (f.isText ? *f.text(a) != *f.text(b) : *f.integer(a) != *f.integer(b)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    test::MemoryRegistry reg;
    FixedScreen screen;
    appName = "Tolvane";
    SetRegistry(&reg);
    SetScreen(&screen);

    uint8_t faults = in.Byte();
    for (int i = 0; i < 4; ++i)
        if (faults & (1 << i)) reg.FailKey(kKeyPath[i], faults & 0x80 ? 2 : 5);
    bool keyFails = (faults & 0x0F) != 0;
    screen.width = in.Byte() * 16;
    screen.height = in.Byte() * 16;

    reg.AddKey(kKey);
    while (in.More()) {
        uint8_t pick = in.Byte();
        // The twenty names, one in other letter case (names ignore it), and a stranger.
        std::string name = pick % 22 < 20 ? kSettingsLoadOrder[pick % 22].name : pick % 22 == 20 ? "logpath" : "Other";
        uint32_t type = in.Byte() % 12;
        uint8_t mode = in.Byte();
        size_t length = in.Byte();
        if (mode & 8) {
            length = kMaxSettingTextBytes - 4 + (length & 7);  // a few bytes either side of the limit
        } else {
            if (mode & 2) length |= static_cast<size_t>(in.Byte()) << 8;
            if ((mode & 6) == 6) length |= static_cast<size_t>(in.Byte() & 1) << 16;
        }
        std::string bytes;
        if (mode & 1) {
            bytes.assign(length, static_cast<char>(in.Byte()));
        } else {
            size_t n = length < in.size - in.pos ? length : in.size - in.pos;
            bytes.assign(reinterpret_cast<const char*>(in.data + in.pos), n);
            in.pos += n;
        }
        reg.Put(kKey, name, type, bytes);
    }

    Settings = SettingsRecord{};
    LoadSettings();
    FUZZ_CHECK(reg.OpenHandles() == 0);

    for (const SettingField& f : kSettingsLoadOrder) {
        const test::MemoryRegistry::Value* v = keyFails ? nullptr : reg.Find(kKey, f.name);
        if (f.isText) {
            std::string text;
            FUZZ_CHECK(*f.text(Settings) == (ExpectText(v, &text) ? text : std::string()));
            continue;
        }
        uint32_t value = f.defaultValue;
        ExpectInteger(v, &value);
        bool position = std::strcmp(f.name, "WinPosX") == 0 || std::strcmp(f.name, "WinPosY") == 0;
        uint32_t limit = static_cast<uint32_t>(std::strcmp(f.name, "WinPosX") == 0 ? screen.width : screen.height);
        if (position && value >= limit) value = 0;
        FUZZ_CHECK(*f.integer(Settings) == value);
    }

    if (!keyFails) {
        SettingsRecord loaded = Settings;
        SaveSettings();
        Settings = SettingsRecord{};
        LoadSettings();
        FUZZ_CHECK(SameSettings(Settings, loaded));
        FUZZ_CHECK(reg.ValueCount(kKey) >= static_cast<size_t>(kSettingCount));
        FUZZ_CHECK(reg.OpenHandles() == 0);
    }

    SetRegistry(nullptr);
    SetScreen(nullptr);
    return 0;
}
