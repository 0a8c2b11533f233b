// The settings dialog: its own copy of the seventeen settings the user may change, the
// pickers for the log folder and the warning sound, and EditSettings, which runs it.
#pragma once

#include <cstdint>
#include <string>

#include "framework/dialog.h"

class CSettingsDlg : public CDialog {
public:
    explicit CSettingsDlg(CDialog* parent = nullptr);
    ~CSettingsDlg() override;

    // Copies of the settings of the same names, in the order the dialog declares them.
    int32_t HideCnct = 0;
    int32_t RunHide = 0;
    int32_t ShowCnct = 0;
    int32_t LogonTime = 0;
    int32_t TimeUnit = 0;
    int32_t FixedTime = 0;
    uint32_t FixedTimeH = 0;
    uint32_t FixedTimeM = 0;
    uint32_t DateOffset = 0;
    std::string LogPath;
    uint32_t StratAdjust = 0;
    int32_t WarningEnable = 0;
    uint32_t WarningTime = 0;
    int32_t DisconnectEnable = 0;
    uint32_t DisconnectTime = 0;
    std::string WavPath;
    int32_t TBarDisp = -1;  // no selection

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    const MessageMapEntry* GetMessageMap() const override;

private:
    void OnBrowseLogFolder();
    void OnBrowseWav();
};

// The settings dialog over the main window with the current Settings. On OK all seventeen
// values are copied back into Settings and the result is true; otherwise nothing changes and
// the result is false. The caller applies what follows a change (the tick time, the window's
// texts, the tray icon) and saves.
bool EditSettings();
