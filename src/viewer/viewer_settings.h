// The usage viewer's settings: Tolvane's own read only, from
// HKCU\Software\Orlimo\Tolvane\Settings (LogPath, DateOffset, TimeUnit; the key is opened for
// reading and never created or written), and the viewer's, in HKCU\Software\Orlimo\TolvaneLog:
//   LogFolder        REG_SZ  the folder the user picked; missing or empty: Tolvane's
//   Tariffs\<entry>  REG_SZ  "<unit kind>,<price>", e.g. "1,10" or "3,12.5": the unit kind 0 to
//                            4 and the price of one unit in yen with at most two decimals; the
//                            value is named by the entry's name as it stands
// A value of another type, too long, or not of that form is taken as missing: the default.
#pragma once

#include <cstdint>
#include <string>

#include "viewer/tariff.h"
#include "viewer/usage_model.h"

// What the viewer reads at its start (and again when the user asks).
struct ViewerSettings {
    // Tolvane's, with its defaults for missing values.
    std::string logPath;
    uint32_t dateOffset = 1;
    int32_t timeUnit = 1;
    // The viewer's.
    std::string chosenFolder;
};
ViewerSettings LoadViewerSettings();

// The folder of the logs: the one chosen, else Tolvane's LogPath, else the viewer's own
// folder (`exeFolder`), where Tolvane writes when the two sit side by side.
std::string LogFolderOf(const ViewerSettings& settings, const std::string& exeFolder);

// The configuration of the model: the folder, the first day, the unit kind by default and the
// stored tariff of each entry in `entries` that has one.
ViewerConfig ConfigOf(const ViewerSettings& settings, const std::string& exeFolder,
                      const std::vector<std::string>& entries);

// An entry's stored tariff; false when it has none (or none that reads).
bool LoadTariff(const std::string& entry, Tariff* tariff);
// Stored text of a tariff, and reading it back (false for anything but that form).
std::string TariffText(const Tariff& tariff);
bool ParseTariffText(const std::string& text, Tariff* tariff);

// False when the registry refused.
bool SaveTariff(const std::string& entry, const Tariff& tariff);
bool SaveChosenFolder(const std::string& folder);  // empty: back to Tolvane's
