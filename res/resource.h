// Identifiers of the program's resources, controls and commands, shared by the .rc script
// and the code. Plain #defines, because windres reads this file too.
#pragma once

// Window templates.
#define IDD_MONITOR 102
#define IDD_ABOUTBOX 103
#define IDD_SETTINGS 137
#define IDD_DIAL 148
#define IDD_DIAL_PROGRESS 149
// The usage viewer, TolvaneLog.exe (its controls in viewer_resource.h); numbered here so that
// the help file gives each its context.
#define IDD_VIEWER 160
#define IDD_TARIFF 161

// Icons.
#define IDI_MAIN 128
#define IDI_TRAY_NONE 145
#define IDI_TRAY_ONE 146
#define IDI_TRAY_MANY 147

// Bitmaps of the disconnect button: the normal look and the alert look.
#define IDB_NORMAL_UP 130
#define IDB_NORMAL_DOWN 131
#define IDB_NORMAL_FOCUS 132
#define IDB_NORMAL_DISABLED 133
#define IDB_ALERT_DOWN 134
#define IDB_ALERT_FOCUS 136
#define IDB_ALERT_UP 138
#define IDB_ALERT_DISABLED 140

// Controls of the monitor window.
#define IDC_DISCONNECT 1001
#define IDC_SESSION_TIME 1003
#define IDC_MONTH_TOTAL 1004
#define IDC_SESSION_CAPTION 1005
#define IDC_MONTH_CAPTION 1006
#define IDC_EXTEND 1007
#define IDC_COUNTDOWN 1013
#define IDC_SETTINGS_BUTTON 1017

// Controls of the settings dialog.
#define IDC_WARNING_TIME 1009
#define IDC_DISCONNECT_TIME 1010
#define IDC_SPIN_FIXED_H 1011
#define IDC_SPIN_FIXED_M 1012
#define IDC_SPIN_DATE_OFFSET 1013
#define IDC_SPIN_STRAT_ADJUST 1014
#define IDC_SPIN_WARNING_TIME 1016
#define IDC_SPIN_DISCONNECT_TIME 1018
#define IDC_RUN_HIDE 1021
#define IDC_SHOW_CNCT 1022
#define IDC_HIDE_CNCT 1023
#define IDC_FIXED_TIME 1024
#define IDC_TIME_UNIT 1026
#define IDC_LOGON_TIME 1027
#define IDC_FIXED_TIME_H 1028
#define IDC_FIXED_TIME_M 1029
#define IDC_DATE_OFFSET 1030
#define IDC_BROWSE_LOG 1031
#define IDC_LOG_PATH 1032
#define IDC_STRAT_ADJUST 1033
#define IDC_WARNING_ENABLE 1034
#define IDC_DISCONNECT_ENABLE 1035
#define IDC_WAV_PATH 1036
#define IDC_BROWSE_WAV 1037
#define IDC_TBAR_DISP 1038

// Controls of the dial dialogs.
#define IDC_DIAL_PASSWORD 1019
#define IDC_DIAL_ENTRY 1036
#define IDC_DIAL_USER 1037
#define IDC_DIAL_SAVE_PASSWORD 1038
#define IDC_DIAL_DOMAIN 1039
#define IDC_DIAL_STATUS 1039

// Menu commands (with their string-table entries).
#define ID_DISCONNECT 32771
#define ID_ABOUT 32772
#define ID_TRAY_ICON 32774
#define ID_EXIT 32775
#define ID_SHOW_WINDOW 32776
#define ID_SETTINGS 32777
#define ID_DISCONNECT_FIRST 32778  // to 32781, one per active connection
#define ID_DISPLAY_FIRST 32782     // to 32785, one per active connection
#define ID_CONNECT 32786
#define ID_HELP_INDEX 57666        // the monitor window's help
#define ID_HELP 57670              // a dialog's Help button

// System-menu commands, compared with their four low bits masked off.
#define IDM_ABOUT 16
#define IDM_DISCONNECT 32
#define IDM_EXIT 48
#define IDM_SETTINGS 64

// List items of the settings dialog (string table), added from its initialisation data.
#define IDS_TIME_UNIT_0 200  // to 204
#define IDS_TIME_UNIT_1 201
#define IDS_TIME_UNIT_2 202
#define IDS_TIME_UNIT_3 203
#define IDS_TIME_UNIT_4 204
#define IDS_LOGON_TIME_0 208  // and 209
#define IDS_LOGON_TIME_1 209
#define IDS_TBAR_DISP_0 212  // to 215
#define IDS_TBAR_DISP_1 213
#define IDS_TBAR_DISP_2 214
#define IDS_TBAR_DISP_3 215

// Timer and notification.
#define IDT_MONITOR 12
#define WM_TRAYNOTIFY 0x8005

// Help contexts: the dialog-template base plus the template number.
#define HID_BASE_RESOURCE 0x20000
