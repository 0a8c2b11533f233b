// The viewer's settings in the registry: Tolvane's key opened for reading only, the viewer's
// own created when something is saved.
#include "viewer/viewer_settings.h"

#include <vector>

#include "base/registry.h"

namespace {

const char kTolvaneKey[] = "Software\\Orlimo\\Tolvane\\Settings";
const char* const kViewerPath[] = {"Software", "Orlimo", "TolvaneLog"};
const char kTariffsKey[] = "Tariffs";
const char kViewerKey[] = "Software\\Orlimo\\TolvaneLog";
const char kTariffsPath[] = "Software\\Orlimo\\TolvaneLog\\Tariffs";

// Longest text taken from a value, terminator included: a folder path, or a tariff.
constexpr uint32_t kMaxTextBytes = 0x10000;
constexpr uint32_t kMaxTariffBytes = 32;

// A key opened for reading only: a missing one is never created.
class ReadKey {
public:
    explicit ReadKey(const char* path) {
        if (Registry().RegOpenKeyExA(RegCurrentUser(), path, 0, kKeyRead, &key_) != kRegSuccess) key_ = nullptr;
    }
    ~ReadKey() {
        if (key_) Registry().RegCloseKey(key_);
    }
    ReadKey(const ReadKey&) = delete;
    ReadKey& operator=(const ReadKey&) = delete;
    RegKey get() const { return key_; }

private:
    RegKey key_ = nullptr;
};

// The viewer's key (or its Tariffs below it), created level by level.
class WriteKey {
public:
    explicit WriteKey(bool tariffs) {
        RegKey parent = RegCurrentUser();
        std::vector<const char*> path(std::begin(kViewerPath), std::end(kViewerPath));
        if (tariffs) path.push_back(kTariffsKey);
        for (const char* name : path) {
            RegKey key = nullptr;
            uint32_t disposition = 0;
            if (Registry().RegCreateKeyExA(parent, name, 0, nullptr, kRegOptionNonVolatile, kKeyRead | kKeyWrite, nullptr,
                                           &key, &disposition) != kRegSuccess)
                return;
            keys_[count_++] = parent = key;
        }
        open_ = count_ == path.size();
    }
    ~WriteKey() {
        while (count_ > 0) Registry().RegCloseKey(keys_[--count_]);
    }
    WriteKey(const WriteKey&) = delete;
    WriteKey& operator=(const WriteKey&) = delete;
    RegKey get() const { return open_ ? keys_[count_ - 1] : nullptr; }

private:
    RegKey keys_[4] = {};
    size_t count_ = 0;
    bool open_ = false;
};

bool ReadDword(RegKey key, const char* name, uint32_t* value) {
    if (!key) return false;
    uint8_t data[4] = {};
    uint32_t type = kRegNone;
    uint32_t size = sizeof data;
    if (Registry().RegQueryValueExA(key, name, nullptr, &type, data, &size) != kRegSuccess) return false;
    if (type != kRegDword || size != sizeof data) return false;
    *value = uint32_t{data[0]} | uint32_t{data[1]} << 8 | uint32_t{data[2]} << 16 | uint32_t{data[3]} << 24;
    return true;
}

// A REG_SZ of at most `maxBytes`, up to its first zero byte.
bool ReadText(RegKey key, const char* name, uint32_t maxBytes, std::string* text) {
    if (!key) return false;
    uint32_t type = kRegNone;
    uint32_t size = 0;
    if (Registry().RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != kRegSuccess) return false;
    if (type != kRegSz || size > maxBytes) return false;
    std::vector<char> data(size + 1, '\0');
    uint32_t got = size;
    if (Registry().RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<uint8_t*>(data.data()), &got) !=
            kRegSuccess ||
        type != kRegSz || got > size)
        return false;
    text->assign(data.data());  // to the first zero byte
    return true;
}

bool WriteText(bool tariffs, const char* name, const std::string& text) {
    WriteKey key(tariffs);
    if (!key.get() || text.size() + 1 > kMaxTextBytes) return false;
    return Registry().RegSetValueExA(key.get(), name, 0, kRegSz, reinterpret_cast<const uint8_t*>(text.c_str()),
                                     static_cast<uint32_t>(text.size() + 1)) == kRegSuccess;
}

}  // namespace

ViewerSettings LoadViewerSettings() {
    ViewerSettings s;
    {
        ReadKey tolvane(kTolvaneKey);
        uint32_t value = 0;
        ReadText(tolvane.get(), "LogPath", kMaxTextBytes, &s.logPath);
        if (ReadDword(tolvane.get(), "DateOffset", &value)) s.dateOffset = value;
        if (ReadDword(tolvane.get(), "TimeUnit", &value)) s.timeUnit = static_cast<int32_t>(value);
    }
    ReadKey viewer(kViewerKey);
    ReadText(viewer.get(), "LogFolder", kMaxTextBytes, &s.chosenFolder);
    return s;
}

std::string LogFolderOf(const ViewerSettings& settings, const std::string& exeFolder) {
    if (!settings.chosenFolder.empty()) return settings.chosenFolder;
    return settings.logPath.empty() ? exeFolder : settings.logPath;
}

ViewerConfig ConfigOf(const ViewerSettings& settings, const std::string& exeFolder,
                      const std::vector<std::string>& entries) {
    ViewerConfig c;
    c.folder = LogFolderOf(settings, exeFolder);
    c.dateOffset = settings.dateOffset;
    c.defaultUnit = settings.timeUnit;
    for (const std::string& entry : entries) {
        Tariff t;
        if (LoadTariff(entry, &t)) c.tariffs.emplace_back(entry, t);
    }
    return c;
}

bool LoadTariff(const std::string& entry, Tariff* tariff) {
    if (entry.empty()) return false;  // the key's default value is no entry's
    ReadKey key(kTariffsPath);
    std::string text;
    return ReadText(key.get(), entry.c_str(), kMaxTariffBytes, &text) && ParseTariffText(text, tariff);
}

std::string TariffText(const Tariff& tariff) {
    std::string text(1, static_cast<char>('0' + ChargeableUnit(tariff.unit)));
    text += ',';
    text += PriceText(tariff.priceHundredths > kMaxPriceHundredths ? kMaxPriceHundredths : tariff.priceHundredths);
    return text;
}

bool ParseTariffText(const std::string& text, Tariff* tariff) {
    if (text.size() < 3 || text[0] < '0' || text[0] > '4' || text[1] != ',') return false;
    Tariff t;
    t.unit = text[0] - '0';
    if (!ParsePrice(text.substr(2), &t.priceHundredths)) return false;
    *tariff = t;
    return true;
}

bool SaveTariff(const std::string& entry, const Tariff& tariff) {
    return !entry.empty() && WriteText(true, entry.c_str(), TariffText(tariff));
}

bool SaveChosenFolder(const std::string& folder) { return WriteText(false, "LogFolder", folder); }
