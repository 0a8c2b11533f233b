// Identifiers of the stand-in program's dialog, shared by its .rc script, the program and the
// harness tests that drive it. Plain #defines, because windres reads this file too.
#pragma once

#define IDD_STANDIN 200
#define IDC_COUNT 2001      // number of connections at the last tick
#define IDC_NAME 2002       // entry name of the first connection, or empty
#define IDC_HANGUP 2003     // hangs every connection up; enabled only while there is one
#define IDC_ONLINE 2004     // shown only while there is a connection
#define IDC_DIAL 2005       // dials the first phone-book entry
#define IDC_DIAL_STATE 2006 // last dial event: state in hexadecimal, or the error
#define IDC_DIAL_THREAD 2007 // "other" when every dial event came from another thread
#define IDC_MARK 2008       // set by the context menu and the system menu command
#define IDC_TICKS 2009      // ticks so far

#define IDM_MARK_ONE 2101   // context menu items
#define IDM_MARK_TWO 2102
#define IDM_SYS_MARK 0x0110 // system menu item (a multiple of 16, as system commands are)

// Registry key the program writes when it closes.
#define STANDIN_KEY "Software\\Tolvane\\StandIn"
#define STANDIN_EXIT_CODE 7
