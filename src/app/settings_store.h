// Keeping Settings in the current user's registry, one value per field, under
// HKEY_CURRENT_USER\Software\Orlimo\<appName>\Settings. Registry failures are silent: a value
// that cannot be read takes its default, a write that fails is not reported.
#pragma once

#include <cstdint>

// Every key on the path is opened for reading and writing.
constexpr uint32_t kSettingsKeyAccess = 0x2001F;

// The longest text value taken from the registry; a longer one reads as missing.
constexpr uint32_t kMaxSettingTextBytes = 0x10000;

// Reads all twenty values into Settings, each missing one at its default, and resets a
// stored window position that lies beyond the primary screen's width or height.
void LoadSettings();

// Writes all twenty values from Settings.
void SaveSettings();
