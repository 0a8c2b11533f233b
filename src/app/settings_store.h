// Keeping Settings in the current user's registry, one value per field, under
// HKEY_CURRENT_USER\Software\Orlimo\<appName>\Settings. Registry failures are silent: a value
// that cannot be read takes its default, a write that fails is not reported.
#pragma once

#include <cstdint>

// Every key on the path is opened for reading and writing.
constexpr uint32_t kSettingsKeyAccess = 0x2001F;

// The largest text value, terminating zero included, that load takes and save writes, so that
// whatever loads also survives a save and the next load. A stored text that needs more (data
// beyond it, or exactly this many bytes without a terminator) reads as missing; a longer text
// is saved cut to fit.
constexpr uint32_t kMaxSettingTextBytes = 0x10000;
constexpr uint32_t kMaxSettingTextLength = kMaxSettingTextBytes - 1;

// Reads all twenty values into Settings, each missing one at its default, and resets a
// stored window position that lies beyond the primary screen's width or height.
void LoadSettings();

// Writes all twenty values from Settings.
void SaveSettings();
