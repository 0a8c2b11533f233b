// Bar charts drawn with GDI: the day strip of a month and the twelve months. Each bar is a
// stack of parts (one per entry) with an optional projected part above them, drawn hatched,
// its value written above it and its label below.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ChartBar {
    std::string label;        // below the bar
    std::string valueText;    // above the bar, where it fits
    std::vector<double> parts;  // stacked from the base, one per series
    double projected = 0;     // the rest of the month at the pace so far, above the parts
    bool highlighted = false; // the month shown: its label in bold, a frame around its slot
};

struct ChartPicture {
    std::vector<ChartBar> bars;
    std::vector<std::string> series;  // legend, when more than one series is stacked
    std::string note;                 // a line above the bars (what the hatching means)
    std::string empty;                // said in the middle when no bar has a value
};

// Paints the chart into `area` of `dc` (through a bitmap of its own, so it never flickers),
// in the font `font`.
void PaintChart(HDC dc, const RECT& area, const ChartPicture& picture, HFONT font);

// The bar whose slot holds `point` (in the coordinates of `area`), or -1.
int ChartBarAt(const RECT& area, const ChartPicture& picture, POINT point);
