// Data exchange between a dialog's members and its controls. DoDataExchange calls these in
// exchange order; once one has refused a value the rest do nothing, so the first faulty
// field is the one reported.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class CDialog;

class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool toMembers) : dialog(dialog), toMembers(toMembers) {}

    CDialog* const dialog;
    // True: validate and move the controls' values to the members; false: members to controls.
    const bool toMembers;

    bool Failed() const { return failed; }
    // Ends the exchange as refused, after the user has been told why: the focus goes to
    // `controlId` with its whole text selected.
    void Fail(int controlId);

    // The edit last exchanged, which a range check that follows reports on.
    int lastEditId = 0;

private:
    bool failed = false;
};

// Text of any control: all of it, both ways.
void ExchangeText(CDataExchange& dx, int id, std::string& value);

// Check box. Towards the control a value outside 0..2 is first set to 0; towards the
// member the check state.
void ExchangeCheck(CDataExchange& dx, int id, int& value);

// Selected position of a combo box: towards the control the item at `value` is selected,
// or none when there is no such item; towards the member the selection, -1 for none.
void ExchangeListPosition(CDataExchange& dx, int id, int& value);

// Unsigned number in an edit, read by ParseUnsignedField. A text that is not a number shows
// "正の整数を入力してください。" and refuses.
void ExchangeUnsigned(CDataExchange& dx, int id, uint32_t& value);

// Towards the members: refuses `value` of the edit last exchanged unless low <= value <=
// high, with "%1 から %2 までの整数を入力してください。" for the limits.
void ValidateUnsignedRange(CDataExchange& dx, uint32_t value, uint32_t low, uint32_t high);
