// The configuration record and the table of its fields, defaults and store orders.
#include "base/settings.h"

#include <cstring>

SettingsRecord Settings;

namespace {

// Signed and unsigned fields are both stored as 32-bit registry words; the unsigned view of a
// signed field is the same object under its corresponding unsigned type.
#define INTEGER_FIELD(field, def)                                                               \
    SettingField {                                                                              \
        #field, false, static_cast<uint32_t>(def),                                              \
            [](SettingsRecord& s) { return reinterpret_cast<uint32_t*>(&s.field); }, nullptr     \
    }
#define TEXT_FIELD(field) \
    SettingField { #field, true, 0, nullptr, [](SettingsRecord& s) { return &s.field; } }

}  // namespace

const SettingField kSettingsLoadOrder[kSettingCount] = {
    INTEGER_FIELD(WinPosX, 0),
    INTEGER_FIELD(WinPosY, 0),
    INTEGER_FIELD(DisconnectEnable, 1),
    INTEGER_FIELD(WarningEnable, 1),
    INTEGER_FIELD(DisconnectTime, 0),
    INTEGER_FIELD(WarningTime, 3),
    INTEGER_FIELD(DlgType, 0),
    INTEGER_FIELD(RunHide, 0),
    INTEGER_FIELD(ShowCnct, 1),
    INTEGER_FIELD(HideCnct, 0),
    INTEGER_FIELD(LogonTime, 0),
    INTEGER_FIELD(TimeUnit, 1),
    INTEGER_FIELD(FixedTime, 0),
    INTEGER_FIELD(FixedTimeH, 8),
    INTEGER_FIELD(FixedTimeM, 0),
    INTEGER_FIELD(DateOffset, 1),
    INTEGER_FIELD(StratAdjust, 15),
    TEXT_FIELD(LogPath),
    TEXT_FIELD(WavPath),
    INTEGER_FIELD(TBarDisp, 0),
};

#undef INTEGER_FIELD
#undef TEXT_FIELD

const char* const kSettingsSaveOrder[kSettingCount] = {
    "DisconnectEnable", "WarningEnable", "WinPosX",    "WinPosY",    "DisconnectTime",
    "WarningTime",      "DlgType",       "RunHide",    "ShowCnct",   "HideCnct",
    "LogonTime",        "TimeUnit",      "FixedTime",  "FixedTimeH", "FixedTimeM",
    "DateOffset",       "StratAdjust",   "LogPath",    "WavPath",    "TBarDisp",
};

const SettingField* FindSetting(const char* name) {
    for (const SettingField& f : kSettingsLoadOrder)
        if (std::strcmp(f.name, name) == 0) return &f;
    return nullptr;
}

void ApplySettingDefaults(SettingsRecord& s) {
    for (const SettingField& f : kSettingsLoadOrder) {
        if (f.isText)
            f.text(s)->clear();
        else
            *f.integer(s) = f.defaultValue;
    }
}
