// The conversions of data exchange, with the messages that refuse a typed value.
#include "framework/data_exchange.h"

#include <string>

#include "base/prompt.h"
#include "base/secure_zero.h"
#include "framework/choice_field.h"
#include "framework/dialog.h"
#include "framework/number_field.h"

void CDataExchange::Fail(int controlId) {
    failed = true;
    HWND control = dialog->GetDlgItem(controlId);
    if (!control) return;
    // Through the dialog manager, so that the default button follows the focus.
    SendMessageA(dialog->hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    SendMessageA(control, EM_SETSEL, 0, -1);
}

namespace {

// The control for an exchange that is still going on, or null.
HWND Control(CDataExchange& dx, int id) { return dx.Failed() ? nullptr : dx.dialog->GetDlgItem(id); }

std::string WindowText(HWND control) {
    int length = GetWindowTextLengthA(control);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(control, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

}  // namespace

void ExchangeText(CDataExchange& dx, int id, std::string& value) {
    HWND control = Control(dx, id);
    if (!control) return;
    dx.lastEditId = id;
    if (dx.toMembers) {
        // The text replaced may be a password; the buffer it leaves would keep it.
        SecureWipe(value);
        value = WindowText(control);
    } else {
        SetWindowTextA(control, value.c_str());
    }
}

void ExchangeCheck(CDataExchange& dx, int id, int& value) {
    HWND control = Control(dx, id);
    if (!control) return;
    if (dx.toMembers) {
        value = static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0));
    } else {
        value = CheckValueForControl(value);
        SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

void ExchangeListPosition(CDataExchange& dx, int id, int& value) {
    HWND control = Control(dx, id);
    if (!control) return;
    if (dx.toMembers) {
        value = ListPositionForMember(static_cast<long>(SendMessageA(control, CB_GETCURSEL, 0, 0)));
    } else {
        int count = static_cast<int>(SendMessageA(control, CB_GETCOUNT, 0, 0));
        // -1 clears the selection.
        SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(ListSelectionForControl(value, count)), 0);
    }
}

void ExchangeUnsigned(CDataExchange& dx, int id, uint32_t& value) {
    HWND control = Control(dx, id);
    if (!control) return;
    dx.lastEditId = id;
    if (!dx.toMembers) {
        SetWindowTextA(control, FormatUnsignedField(value).c_str());
        return;
    }
    char text[kNumberFieldChars + 1] = "";
    GetWindowTextA(control, text, sizeof text);
    if (!ParseUnsignedField(text, &value)) {
        Prompts().Show(kEnterPositiveInteger, kMbOk | kMbIconExclamation);
        dx.Fail(id);
    }
}

void ValidateUnsignedRange(CDataExchange& dx, uint32_t value, uint32_t low, uint32_t high) {
    if (!dx.toMembers || dx.Failed() || (value >= low && value <= high)) return;
    Prompts().Show(RangeMessage(low, high), kMbOk | kMbIconExclamation);
    dx.Fail(dx.lastEditId);
}
