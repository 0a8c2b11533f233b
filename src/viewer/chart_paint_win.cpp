// The bar charts' painting: legend and note at the top, labels at the bottom, bars between,
// scaled to the tallest stack; values above the bars when they fit their slot.
#include "viewer/chart_paint_win.h"

#include <algorithm>

namespace {

// Entries' colours, in the order of the legend; then they repeat.
const COLORREF kSeriesColours[] = {RGB(0, 102, 153), RGB(0, 140, 70),  RGB(204, 102, 0), RGB(153, 51, 153),
                                   RGB(120, 120, 0), RGB(0, 153, 153), RGB(180, 40, 40), RGB(90, 90, 90)};
const COLORREF kProjected = RGB(120, 160, 220);
const COLORREF kFrame = RGB(160, 160, 160);
const COLORREF kHighlight = RGB(255, 246, 200);

COLORREF SeriesColour(size_t i) { return kSeriesColours[i % (sizeof kSeriesColours / sizeof kSeriesColours[0])]; }

struct Geometry {
    int lineHeight;
    RECT bars;      // where the bars stand: the base is its bottom
    int slotWidth;  // of each bar's slot, from bars.left
};

Geometry Measure(HDC dc, const RECT& area, const ChartPicture& picture) {
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    Geometry g{};
    g.lineHeight = metrics.tmHeight + 2;
    g.bars = area;
    InflateRect(&g.bars, -4, -2);
    int topLines = (picture.note.empty() ? 0 : 1) + (picture.series.size() > 1 ? 1 : 0);
    g.bars.top += topLines * g.lineHeight + g.lineHeight;  // and a line for the values
    g.bars.bottom -= g.lineHeight;
    if (g.bars.bottom < g.bars.top) g.bars.bottom = g.bars.top;
    int n = static_cast<int>(picture.bars.size());
    g.slotWidth = n > 0 ? std::max(1, static_cast<int>(g.bars.right - g.bars.left) / n) : 1;
    return g;
}

int TextWidth(HDC dc, const std::string& text) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

void Frame(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FrameRect(dc, &r, brush);
    DeleteObject(brush);
}

void Hatch(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH brush = CreateHatchBrush(HS_BDIAGONAL, colour);
    int oldMode = SetBkMode(dc, OPAQUE);
    COLORREF oldBack = SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    FillRect(dc, &r, brush);
    SetBkColor(dc, oldBack);
    SetBkMode(dc, oldMode);
    DeleteObject(brush);
    Frame(dc, r, colour);
}

void TextAt(HDC dc, RECT r, const std::string& text, UINT format) {
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_NOPREFIX | DT_SINGLELINE);
}

void PaintLegend(HDC dc, const ChartPicture& picture, int left, int top, int right, int lineHeight) {
    int x = left;
    for (size_t i = 0; i < picture.series.size(); ++i) {
        int width = TextWidth(dc, picture.series[i]);
        if (x + lineHeight + width > right) break;
        RECT swatch = {x, top + 2, x + lineHeight - 4, top + lineHeight - 2};
        Fill(dc, swatch, SeriesColour(i));
        RECT text = {x + lineHeight, top, x + lineHeight + width + 2, top + lineHeight};
        TextAt(dc, text, picture.series[i], DT_LEFT | DT_VCENTER);
        x += lineHeight + width + lineHeight;
    }
}

void PaintBars(HDC dc, const Geometry& g, const ChartPicture& picture, HFONT bold, HFONT font) {
    double top = 0;
    for (const ChartBar& bar : picture.bars) {
        double sum = bar.projected;
        for (double part : bar.parts) sum += std::max(0.0, part);
        top = std::max(top, sum);
    }
    const int height = g.bars.bottom - g.bars.top;
    const int barWidth = std::max(1, g.slotWidth * 3 / 5);
    // Labels that do not fit their slot are written on every fifth bar only.
    int widest = 0;
    for (const ChartBar& bar : picture.bars) widest = std::max(widest, TextWidth(dc, bar.label));
    const bool everyLabel = widest <= g.slotWidth;

    for (size_t i = 0; i < picture.bars.size(); ++i) {
        const ChartBar& bar = picture.bars[i];
        const int slotLeft = g.bars.left + static_cast<int>(i) * g.slotWidth;
        if (bar.highlighted) {
            RECT slot = {slotLeft, g.bars.top - g.lineHeight, slotLeft + g.slotWidth, g.bars.bottom + g.lineHeight};
            Fill(dc, slot, kHighlight);
        }
        const int left = slotLeft + (g.slotWidth - barWidth) / 2;
        int base = g.bars.bottom;
        double below = 0;
        auto pixels = [&](double value) { return top > 0 ? static_cast<int>(value / top * height + 0.5) : 0; };
        for (size_t p = 0; p < bar.parts.size(); ++p) {
            if (bar.parts[p] <= 0) continue;
            int from = g.bars.bottom - pixels(below);
            below += bar.parts[p];
            int to = g.bars.bottom - pixels(below);
            if (to == from && bar.parts[p] > 0) to = from - 1;  // a value never vanishes
            RECT r = {left, to, left + barWidth, from};
            Fill(dc, r, SeriesColour(p));
            base = to;
        }
        if (bar.projected > 0) {
            int from = base;
            int to = g.bars.bottom - pixels(below + bar.projected);
            RECT r = {left, std::min(to, from - 1), left + barWidth, from};
            Hatch(dc, r, kProjected);
            base = r.top;
        }
        if (!bar.valueText.empty() && TextWidth(dc, bar.valueText) <= g.slotWidth) {
            RECT r = {slotLeft, base - g.lineHeight, slotLeft + g.slotWidth, base};
            TextAt(dc, r, bar.valueText, DT_CENTER | DT_BOTTOM);
        }
        if (everyLabel || i % 5 == 0 || bar.highlighted) {
            HGDIOBJ old = SelectObject(dc, bar.highlighted && bold ? bold : font);
            RECT r = {slotLeft - g.slotWidth, g.bars.bottom, slotLeft + 2 * g.slotWidth, g.bars.bottom + g.lineHeight};
            TextAt(dc, r, bar.label, DT_CENTER | DT_TOP);
            SelectObject(dc, old);
        }
    }
    // The base line.
    RECT base = {g.bars.left, g.bars.bottom, g.bars.right, g.bars.bottom + 1};
    Fill(dc, base, kFrame);
}

HFONT BoldOf(HFONT font) {
    LOGFONTA logFont{};
    if (!font || !GetObjectA(font, sizeof logFont, &logFont)) return nullptr;
    logFont.lfWeight = FW_BOLD;
    return CreateFontIndirectA(&logFont);
}

}  // namespace

void PaintChart(HDC target, const RECT& area, const ChartPicture& picture, HFONT font) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
    if (!dc || !bitmap) {
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
        return;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    HFONT bold = BoldOf(font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));

    RECT local = {0, 0, width, height};
    Fill(dc, local, GetSysColor(COLOR_WINDOW));
    Frame(dc, local, kFrame);
    Geometry g = Measure(dc, local, picture);
    int line = local.top + 2;
    if (!picture.note.empty()) {
        RECT r = {g.bars.left, line, g.bars.right, line + g.lineHeight};
        TextAt(dc, r, picture.note, DT_LEFT | DT_VCENTER | DT_END_ELLIPSIS);
        line += g.lineHeight;
    }
    if (picture.series.size() > 1) PaintLegend(dc, picture, g.bars.left, line, g.bars.right, g.lineHeight);
    PaintBars(dc, g, picture, bold, font);
    bool anyValue = false;
    for (const ChartBar& bar : picture.bars)
        for (double part : bar.parts) anyValue = anyValue || part > 0;
    if (!anyValue && !picture.empty.empty()) TextAt(dc, g.bars, picture.empty, DT_CENTER | DT_VCENTER);

    BitBlt(target, area.left, area.top, width, height, dc, 0, 0, SRCCOPY);
    if (oldFont) SelectObject(dc, oldFont);
    if (bold) DeleteObject(bold);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

int ChartBarAt(const RECT& area, const ChartPicture& picture, POINT point) {
    if (picture.bars.empty() || !PtInRect(&area, point)) return -1;
    HDC dc = GetDC(nullptr);
    Geometry g = Measure(dc, area, picture);
    ReleaseDC(nullptr, dc);
    if (point.x < g.bars.left) return -1;
    int i = (point.x - g.bars.left) / g.slotWidth;
    return i < static_cast<int>(picture.bars.size()) ? i : -1;
}
