// The tariff dialog (template IDD_TARIFF): for each entry, the unit it is charged by and the
// price of one unit in yen.
#pragma once

#include <vector>

#include "framework/dialog.h"
#include "viewer/viewer_view_win.h"

class CTariffDlg : public CDialog {
public:
    CTariffDlg(CDialog* parent, const ViewerModelHost& host);

    std::vector<ViewerModelHost::Tariff> tariffs;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    const MessageMapEntry* GetMessageMap() const override;

private:
    void OnEntryChange();
    // The controls into the tariff shown; false (and the focus on the price) when refused.
    bool TakeShown();
    void Show(int index);

    const ViewerModelHost& host;
    int shown = -1;
};

// Runs the dialog; true when tariffs were stored.
bool EditTariffs(CDialog* parent, ViewerModelHost& host);
