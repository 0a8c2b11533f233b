// Pixels of the screen, read through the screen's device context.
#include "screen_probe.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace e2e {

namespace {

// A top-down 32-bit copy of a screen rectangle.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// Draws with `paint` into a fresh 32-bit bitmap of the given size and reads it back.
template <typename Paint>
Capture Render(int width, int height, Paint paint) {
    Capture c;
    if (width <= 0 || height <= 0) return c;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = TopDown32(width, height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        paint(memory, screen);
        GdiFlush();
        c.width = width;
        c.height = height;
        const auto* p = static_cast<const uint32_t*>(bits);
        c.pixels.assign(p, p + static_cast<size_t>(width) * height);
        for (uint32_t& px : c.pixels) px &= 0xFFFFFF;
        SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return c;
}

Capture Grab(const RECT& r) {
    return Render(r.right - r.left, r.bottom - r.top,
                  [&](HDC memory, HDC screen) { BitBlt(memory, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY); });
}

int Red(uint32_t p) { return (p >> 16) & 0xFF; }
int Green(uint32_t p) { return (p >> 8) & 0xFF; }
int Blue(uint32_t p) { return p & 0xFF; }

// An icon's picture and which of its pixels are opaque (where the mask is black).
struct IconPicture {
    Capture colour;
    Capture mask;
};

IconPicture DrawIconPicture(HICON icon, int size) {
    IconPicture p;
    p.colour = Render(size, size, [&](HDC dc, HDC) {
        PatBlt(dc, 0, 0, size, size, BLACKNESS);
        DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    });
    p.mask = Render(size, size, [&](HDC dc, HDC) {
        PatBlt(dc, 0, 0, size, size, WHITENESS);
        DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_MASK);
    });
    return p;
}

// Mean difference per channel over the icon's opaque pixels, placed at x, y of `screen`.
double Difference(const IconPicture& icon, const Capture& screen, int x, int y) {
    long sum = 0;
    long count = 0;
    for (int j = 0; j < icon.colour.height; ++j) {
        for (int i = 0; i < icon.colour.width; ++i) {
            if (icon.mask.At(i, j) != 0) continue;  // transparent
            uint32_t a = icon.colour.At(i, j);
            uint32_t b = screen.At(x + i, y + j);
            sum += std::abs(Red(a) - Red(b)) + std::abs(Green(a) - Green(b)) + std::abs(Blue(a) - Blue(b));
            ++count;
        }
    }
    return count ? static_cast<double>(sum) / (3.0 * count) : 1e9;
}

}  // namespace

double RedShare(HWND window) {
    RECT r;
    if (!GetWindowRect(window, &r)) return 0;
    Capture c = Grab(r);
    if (c.pixels.empty()) return 0;
    size_t red = 0;
    for (uint32_t p : c.pixels)
        if (Red(p) > 150 && Green(p) < 100 && Blue(p) < 100) ++red;
    return static_cast<double>(red) / c.pixels.size();
}

TrayIconMatch FindTrayIcon(const std::string& program, const int* iconIds, int count) {
    TrayIconMatch match;
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    RECT bar;
    if (!taskbar || !GetWindowRect(taskbar, &bar)) return match;
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return match;

    const int size = GetSystemMetrics(SM_CXSMICON);
    Capture screen = Grab(bar);
    // The notification area is the right end of the taskbar.
    const int left = screen.width > 96 ? screen.width - 96 : 0;
    double best = 1e9;
    for (int k = 0; k < count; ++k) {
        HICON icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(iconIds[k]), IMAGE_ICON, size, size, 0));
        if (!icon) continue;
        IconPicture picture = DrawIconPicture(icon, size);
        DestroyIcon(icon);
        if (picture.colour.pixels.empty()) continue;
        for (int y = 0; y + size <= screen.height; ++y) {
            for (int x = left; x + size <= screen.width; ++x) {
                double d = Difference(picture, screen, x, y);
                if (d < best) {
                    best = d;
                    match.iconId = iconIds[k];
                    match.rect = {bar.left + x, bar.top + y, bar.left + x + size, bar.top + y + size};
                }
            }
        }
    }
    FreeLibrary(module);
    // The same picture, but for a little smoothing by the desktop.
    match.found = best < 6.0;
    return match;
}

bool ClickAt(POINT at) {
    if (!SetCursorPos(at.x, at.y)) return false;
    Sleep(50);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, input, sizeof(INPUT)) == 2;
}

}  // namespace e2e
