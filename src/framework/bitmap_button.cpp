// The bitmap button: picture by state, drawn when its dialog reflects WM_DRAWITEM to it.
#include "framework/bitmap_button.h"

#include <commctrl.h>

#include <string>

#include "framework/dialog.h"

namespace {

const UINT_PTR kSubclassId = 1;

HBITMAP LoadPicture(const char* name) {
    return name ? LoadBitmapA(GetModuleHandleA(nullptr), name) : nullptr;
}

}  // namespace

CBitmapButton::~CBitmapButton() {
    Detach();
    Release();
}

bool CBitmapButton::AutoLoad(int id, CDialog* dialog) {
    HWND button = dialog ? dialog->GetDlgItem(id) : nullptr;
    if (!button) return false;
    Detach();
    if (!SetWindowSubclass(button, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    hwnd = button;

    char text[64] = "";
    GetWindowTextA(button, text, sizeof text);
    const std::string name = text;
    bool loaded = LoadBitmaps((name + "U").c_str(), (name + "D").c_str(), (name + "F").c_str(), (name + "X").c_str());
    SizeToContent();
    return loaded;
}

bool CBitmapButton::LoadBitmaps(const char* normal, const char* pressed, const char* focused,
                                const char* disabled) {
    Release();
    bitmaps[kNormal] = LoadPicture(normal);
    bitmaps[kPressed] = LoadPicture(pressed);
    bitmaps[kFocused] = LoadPicture(focused);
    bitmaps[kDisabled] = LoadPicture(disabled);
    return bitmaps[kNormal] != nullptr;
}

bool CBitmapButton::LoadBitmaps(UINT normal, UINT pressed, UINT focused, UINT disabled) {
    auto name = [](UINT id) { return id ? MAKEINTRESOURCEA(id) : nullptr; };
    return LoadBitmaps(name(normal), name(pressed), name(focused), name(disabled));
}

void CBitmapButton::SizeToContent() {
    BITMAP info{};
    if (!hwnd || !bitmaps[kNormal] || !GetObjectA(bitmaps[kNormal], sizeof info, &info)) return;
    SetWindowPos(hwnd, nullptr, 0, 0, info.bmWidth, info.bmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBitmapButton::Invalidate() {
    if (hwnd) InvalidateRect(hwnd, nullptr, TRUE);
}

void CBitmapButton::Draw(const DRAWITEMSTRUCT& item) const {
    HBITMAP picture = bitmaps[kNormal];
    if ((item.itemState & ODS_SELECTED) && bitmaps[kPressed])
        picture = bitmaps[kPressed];
    else if ((item.itemState & ODS_FOCUS) && bitmaps[kFocused])
        picture = bitmaps[kFocused];
    if ((item.itemState & ODS_DISABLED) && bitmaps[kDisabled]) picture = bitmaps[kDisabled];

    const RECT& r = item.rcItem;
    HDC memory = picture ? CreateCompatibleDC(item.hDC) : nullptr;
    if (!memory) {
        FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(item.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

void CBitmapButton::Release() {
    for (HBITMAP& b : bitmaps) {
        if (b) DeleteObject(b);
        b = nullptr;
    }
}

void CBitmapButton::Detach() {
    if (!hwnd) return;
    RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
    hwnd = nullptr;
}

LRESULT CALLBACK CBitmapButton::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR data) {
    auto* self = reinterpret_cast<CBitmapButton*>(data);
    switch (message) {
    case kReflectedDrawItem:
        self->Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_LBUTTONDBLCLK:
        // An owner-drawn button would report a quick second click as a double click; a push
        // button takes it as one more click.
        return DefSubclassProc(window, WM_LBUTTONDOWN, wParam, lParam);
    case WM_NCDESTROY:
        self->Detach();
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
