// The version information dialog: icon, "Tolvane Version 1.10" and OK. No handlers of its own.
#pragma once

#include "framework/dialog.h"
#include "res/resource.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};
