// The dial dialogs: CDialDlg offers the phone-book entries with what the service saved for
// them and stores what was typed; CDialProgressDlg dials and follows the service's events.
// RunDialDialog runs the pair as the connect command does.
#pragma once

#include <string>

#include "framework/dialog.h"
#include "ui/dial_model.h"

class CDialDlg : public CDialog {
public:
    explicit CDialDlg(CDialog* parent = nullptr);
    // The password members are wiped.
    ~CDialDlg() override;

    std::string m_strPassword;
    std::string m_strUserName;
    std::string m_strDomain;
    int m_nEntry = -1;          // selected position of the entry list
    int m_bSavePassword = 0;
    std::string m_strEntryName;    // entry name of the last load
    std::string m_strPhoneNumber;  // phone number of the last load

protected:
    void DoDataExchange(CDataExchange& dx) override;
    // Ends with 0 when there is no entry or the first load fails; the dialog is then never shown.
    bool OnInitDialog() override;
    // Stores what was typed, dials in the progress dialog, removes a saved password kept for
    // the dial, and ends with IDOK whatever came of it.
    void OnOK() override;
    const MessageMapEntry* GetMessageMap() const override;

private:
    void OnSelchangeEntry();
    void TakeSelection();
    bool ExchangeEntry(bool store);
};

class CDialProgressDlg : public CDialog {
public:
    explicit CDialProgressDlg(CDialog* parent = nullptr);

    std::string m_strStatus;   // the status line
    std::string m_strDialing;  // what the status line shows while dialing; set before the dialog runs

protected:
    void DoDataExchange(CDataExchange& dx) override;
    // Starts the dial; ends with 0 when it could not start.
    bool OnInitDialog() override;
    // Hangs the dial up, without waiting for the line to drop, and ends with IDCANCEL.
    void OnCancel() override;
    const MessageMapEntry* GetMessageMap() const override;

private:
    // WM_RASDIALEVENT: wParam the dial state, lParam the error code.
    LRESULT OnRasDialEvent(WPARAM state, LPARAM error);
    void PostCancel();

    DialProgress progress;
};

// The connect command: the dial dialog over the main window, run modally; its result is not used.
void RunDialDialog();
