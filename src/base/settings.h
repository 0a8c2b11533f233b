// The configuration record: twenty values, one process-wide instance, each field named as
// its registry value. Readers use the fields directly at the moment they need them.
#pragma once

#include <cstdint>
#include <string>

struct SettingsRecord {
    int32_t WinPosX = 0;
    int32_t WinPosY = 0;
    int32_t DisconnectEnable = 0;
    int32_t WarningEnable = 0;
    uint32_t DisconnectTime = 0;
    uint32_t WarningTime = 0;
    int32_t DlgType = 0;
    int32_t RunHide = 0;
    int32_t ShowCnct = 0;
    int32_t HideCnct = 0;
    int32_t LogonTime = 0;
    int32_t TimeUnit = 0;
    int32_t FixedTime = 0;
    uint32_t FixedTimeH = 0;
    uint32_t FixedTimeM = 0;
    uint32_t DateOffset = 0;
    uint32_t StratAdjust = 0;
    std::string LogPath;
    std::string WavPath;
    int32_t TBarDisp = 0;
};

// Zero and empty until the store loads it.
extern SettingsRecord Settings;

// One field of the record as the store sees it: its registry value name, its kind and the
// default a missing value gives.
struct SettingField {
    const char* name;
    bool isText;
    uint32_t defaultValue;  // integers only; both texts default to empty
    // Exactly one of these is set, by kind.
    uint32_t* (*integer)(SettingsRecord&);
    std::string* (*text)(SettingsRecord&);
};

constexpr int kSettingCount = 20;

// The fields in the order the store loads them. WinPosX and WinPosY come first because the
// position check follows them before the rest is read.
extern const SettingField kSettingsLoadOrder[kSettingCount];

// The field names in the order the store saves them, which is not the load order.
extern const char* const kSettingsSaveOrder[kSettingCount];

// The field named `name`, or null.
const SettingField* FindSetting(const char* name);

// Every field at its default, as a load with no registry values gives.
void ApplySettingDefaults(SettingsRecord& s);
