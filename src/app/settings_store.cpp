// The settings store: the key path is opened afresh for every single value and closed again,
// so a read leaves the path behind even when it finds no value.
//
// What is read back, whatever another copy of the tool or a hand edit left there:
// - an integer only from a REG_DWORD of exactly 4 bytes; any other type or size (a 2-byte
//   REG_DWORD, a REG_QWORD, a REG_BINARY, a REG_SZ) reads as missing and gives the default,
//   since reinterpreting foreign bytes as a setting could switch on what the user switched off;
// - a text only from a REG_SZ, up to its first zero byte or the end of its data when it has
//   no terminating zero; any other type, or one whose text with its terminator would not fit
//   in kMaxSettingTextBytes, reads as missing. A REG_EXPAND_SZ is not taken as it stands: its
//   unexpanded text is no path.
#include "app/settings_store.h"

#include <cstring>
#include <string>
#include <vector>

#include "base/app_names.h"
#include "base/cp932.h"
#include "base/registry.h"
#include "base/screen.h"
#include "base/settings.h"

namespace {

// HKEY_CURRENT_USER\Software is opened, the keys below it created when missing.
class SettingsKey {
public:
    SettingsKey() {
        if (Registry().RegOpenKeyExA(RegCurrentUser(), "Software", 0, kSettingsKeyAccess, &keys_[0]) != kRegSuccess)
            return;
        count_ = 1;
        const char* const below[] = {"Orlimo", appName.c_str(), "Settings"};
        for (const char* name : below) {
            RegKey key = nullptr;
            uint32_t disposition = 0;
            if (Registry().RegCreateKeyExA(keys_[count_ - 1], name, 0, nullptr, kRegOptionNonVolatile,
                                           kSettingsKeyAccess, nullptr, &key, &disposition) != kRegSuccess)
                return;
            keys_[count_++] = key;
        }
    }
    ~SettingsKey() {
        while (count_ > 0) Registry().RegCloseKey(keys_[--count_]);
    }
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    bool open() const { return count_ == kDepth; }
    RegKey get() const { return keys_[kDepth - 1]; }

private:
    static constexpr int kDepth = 4;
    RegKey keys_[kDepth] = {};
    int count_ = 0;
};

bool ReadInteger(const char* name, uint32_t* value) {
    SettingsKey key;
    if (!key.open()) return false;
    uint8_t data[4] = {};
    uint32_t type = kRegNone;
    uint32_t size = sizeof data;
    if (Registry().RegQueryValueExA(key.get(), name, nullptr, &type, data, &size) != kRegSuccess) return false;
    if (type != kRegDword || size != sizeof data) return false;
    *value = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
             static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    return true;
}

bool ReadText(const char* name, std::string* text) {
    SettingsKey key;
    if (!key.open()) return false;
    uint32_t type = kRegNone;
    uint32_t size = 0;
    if (Registry().RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != kRegSuccess) return false;
    if (type != kRegSz || size > kMaxSettingTextBytes) return false;
    // One spare zero byte, so the text ends even when the data has no terminator.
    std::vector<char> data(size + 1, '\0');
    uint32_t got = size;
    if (Registry().RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<uint8_t*>(data.data()),
                                    &got) != kRegSuccess)
        return false;
    if (type != kRegSz || got > size) return false;
    size_t length = strnlen(data.data(), got);
    // Saved again it takes a terminator: it must fit with one, or the next load would lose it.
    if (length > kMaxSettingTextLength) return false;
    text->assign(data.data(), length);
    return true;
}

void WriteInteger(const char* name, uint32_t value) {
    SettingsKey key;
    if (!key.open()) return;
    const uint8_t data[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                             static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    Registry().RegSetValueExA(key.get(), name, 0, kRegDword, data, sizeof data);
}

// With its terminating zero; an empty text is a one-byte empty string, never a missing value.
// A text too long to load back is cut to fit, between two characters.
void WriteText(const char* name, const std::string& text) {
    SettingsKey key;
    if (!key.open()) return;
    std::string stored = text;
    if (stored.size() > kMaxSettingTextLength) {
        size_t end = 0;
        while (end < stored.size()) {
            size_t next = end + Cp932CharLength(stored, end);
            if (next > kMaxSettingTextLength) break;
            end = next;
        }
        stored.resize(end);
    }
    Registry().RegSetValueExA(key.get(), name, 0, kRegSz, reinterpret_cast<const uint8_t*>(stored.c_str()),
                              static_cast<uint32_t>(stored.size() + 1));
}

void LoadField(const SettingField& f) {
    if (f.isText) {
        std::string text;
        *f.text(Settings) = ReadText(f.name, &text) ? text : std::string();
    } else {
        uint32_t value = 0;
        *f.integer(Settings) = ReadInteger(f.name, &value) ? value : f.defaultValue;
    }
}

// Compared unsigned, so a negative coordinate (a window left beyond the left or top edge, or
// on a monitor left of or above the primary one) is reset as well.
void CheckPosition() {
    uint32_t width = static_cast<uint32_t>(Screen().GetSystemMetrics(kSmCxScreen));
    if (static_cast<uint32_t>(Settings.WinPosX) >= width) Settings.WinPosX = 0;
    uint32_t height = static_cast<uint32_t>(Screen().GetSystemMetrics(kSmCyScreen));
    if (static_cast<uint32_t>(Settings.WinPosY) >= height) Settings.WinPosY = 0;
}

}  // namespace

void LoadSettings() {
    // The load order starts with WinPosX and WinPosY; the position is checked before the rest.
    LoadField(kSettingsLoadOrder[0]);
    LoadField(kSettingsLoadOrder[1]);
    CheckPosition();
    for (int i = 2; i < kSettingCount; ++i) LoadField(kSettingsLoadOrder[i]);
}

void SaveSettings() {
    for (const char* name : kSettingsSaveOrder) {
        const SettingField* f = FindSetting(name);
        if (!f) continue;
        if (f->isText)
            WriteText(f->name, *f->text(Settings));
        else
            WriteInteger(f->name, *f->integer(Settings));
    }
}
