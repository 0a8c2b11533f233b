// An owner-drawn push button that draws itself from four bitmaps: normal, pressed, focused
// and disabled. It owns its bitmaps and releases them when it loads others or goes away.
#pragma once

#include <windows.h>

class CDialog;

// What a dialog sends an owner-drawn button to let it draw itself: the WM_DRAWITEM it got,
// reflected (the parameters unchanged). A button that drew returns TRUE.
constexpr UINT kReflectedDrawItem = 0x2000 + WM_DRAWITEM;

class CBitmapButton {
public:
    CBitmapButton() = default;
    CBitmapButton(const CBitmapButton&) = delete;
    CBitmapButton& operator=(const CBitmapButton&) = delete;
    ~CBitmapButton();

    // Takes over button `id` of `dialog` (an owner-drawn button), loads the bitmaps named by
    // its window text and the suffixes U (normal), D (pressed), F (focused) and X
    // (disabled), and sizes it to the normal one. False when there is no such button or no
    // normal bitmap.
    bool AutoLoad(int id, CDialog* dialog);

    // Replace the pictures by name or by resource number; a null name or 0 leaves that
    // picture out (the normal one is drawn instead). False when the normal one is missing.
    // Call SizeToContent and Invalidate afterwards to show them.
    bool LoadBitmaps(const char* normal, const char* pressed, const char* focused, const char* disabled);
    bool LoadBitmaps(UINT normal, UINT pressed, UINT focused, UINT disabled);

    // Resizes the button to its normal bitmap, keeping its position.
    void SizeToContent();
    // Repaints the button, background included.
    void Invalidate();

    HWND hwnd = nullptr;

private:
    enum Picture { kNormal, kPressed, kFocused, kDisabled, kPictureCount };

    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void Draw(const DRAWITEMSTRUCT& item) const;
    void Release();
    void Detach();

    HBITMAP bitmaps[kPictureCount] = {};
};
