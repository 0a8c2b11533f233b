// The tariff dialog (template IDD_TARIFF): for each entry, the unit it is charged by and the
// price of one unit in yen.
#pragma once

#include <string>
#include <vector>

#include "framework/dialog.h"
#include "viewer/tariff.h"
#include "viewer/usage_model.h"

class CTariffDlg : public CDialog {
public:
    explicit CTariffDlg(CDialog* parent);

    struct EntryTariff {
        std::string entry;
        Tariff tariff;
    };
    std::vector<EntryTariff> tariffs;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    const MessageMapEntry* GetMessageMap() const override;

private:
    void OnEntryChange();
    // The controls into the tariff shown; false (the user told, the focus on the price) when
    // the price is refused.
    bool TakeShown();
    void Show(int index);

    int shown = -1;
};

// Runs the dialog over the model's entries; the tariffs confirmed go into the model and the
// viewer's key. True when the user confirmed.
bool EditTariffs(CDialog* parent, UsageModel& model);
