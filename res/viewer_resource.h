// Identifiers of the usage viewer's resources, controls and commands (TolvaneLog.exe), shared
// by its .rc script and its code. Its two window templates are numbered in resource.h, where
// the help file finds every template. Plain #defines, because windres reads this file too.
#pragma once

#include "resource.h"

// Icon, keys.
#define IDI_VIEWER 128
#define IDR_VIEWER_KEYS 170

// The viewer's window: the month's navigation and the entry.
#define IDC_VIEW_PREV 2001
#define IDC_VIEW_NEXT 2002
#define IDC_VIEW_THIS 2003
#define IDC_VIEW_MONTH 2004
#define IDC_VIEW_ENTRY 2005
// The two views: the month's sessions, and the last twelve months.
#define IDC_VIEW_SESSIONS 2006
#define IDC_VIEW_YEAR 2007
#define IDC_VIEW_SWITCH 2008  // Ctrl+Tab: the other view
// The month's view.
#define IDC_VIEW_LIST 2010
#define IDC_VIEW_DAYS 2011
#define IDC_VIEW_COUNT 2012
#define IDC_VIEW_TIME 2013
#define IDC_VIEW_UNITS 2014
#define IDC_VIEW_COST 2015
#define IDC_VIEW_MONTH_TOTAL 2016
#define IDC_VIEW_PROJECTION 2017
#define IDC_VIEW_COUNT_CAPTION 2018  // the totals' captions, each before its value
#define IDC_VIEW_TIME_CAPTION 2019
#define IDC_VIEW_UNITS_CAPTION 2023
#define IDC_VIEW_COST_CAPTION 2024
#define IDC_VIEW_TOTAL_CAPTION 2025
// The twelve months' view.
#define IDC_VIEW_CHART 2020
#define IDC_VIEW_CHART_TIME 2021
#define IDC_VIEW_CHART_COST 2022
// What could not be read, and a long read.
#define IDC_VIEW_STATUS 2030
#define IDC_VIEW_PROGRESS 2031
#define IDC_VIEW_STOP 2032
// The buttons.
#define IDC_VIEW_COPY 2040
#define IDC_VIEW_TARIFF 2041
#define IDC_VIEW_FOLDER 2042

// The tariff dialog.
#define IDC_TARIFF_ENTRY 2101
#define IDC_TARIFF_UNIT 2102
#define IDC_TARIFF_PRICE 2103

// The message a reading worker posts to the window, and the timer that looks for new lines.
#define WM_VIEWER_READ 0x8101
// The chart passes a click on to the window, with the point in its own coordinates.
#define WM_VIEWER_CHART_CLICK 0x8102
#define IDT_VIEWER_WATCH 21
