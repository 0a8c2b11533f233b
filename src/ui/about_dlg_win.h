// The version information dialog: icon, "Tolvane Version 1.10" and OK. No handlers of its own.
#pragma once

#include "framework/dialog.h"
#include "res/resource.h"
#include "ui/dialog_gate.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

protected:
    // Its window is the one a command brings up while it is open.
    bool OnInitDialog() override {
        bool result = CDialog::OnInitDialog();
        Dialogs().Shown(DialogKind::kAbout, hwnd);
        return result;
    }
};
