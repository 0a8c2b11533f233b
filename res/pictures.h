// The program's pictures, drawn by code: the icons (application and tray, 32x32 and 16x16)
// and the disconnect button's bitmaps (36x36), all in the 16 standard colours. draw_pictures
// writes them into res/; a unit test redraws them and compares with the committed files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictures {

// The standard 16-colour palette, in its usual order.
enum Colour : uint8_t {
    kBlack,
    kMaroon,
    kGreen,
    kOlive,
    kNavy,
    kPurple,
    kTeal,
    kSilver,
    kGray,
    kRed,
    kLime,
    kYellow,
    kBlue,
    kFuchsia,
    kAqua,
    kWhite,
    kClear = 0xFF,  // transparent (icons only)
};

struct Canvas {
    Canvas(int width, int height, Colour fill);
    Colour At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
    void Set(int x, int y, Colour c);

    int width;
    int height;
    std::vector<Colour> pixels;  // rows from the top
};

// The colour's red, green and blue, as 0xRRGGBB.
uint32_t Rgb(Colour c);

// A 16-colour Windows bitmap file: bottom-up rows, compressed as BI_RLE4 (kClear is black).
std::string EncodeBitmap(const Canvas& canvas);
// An icon file with one 16-colour image per canvas; kClear pixels are transparent.
std::string EncodeIcon(const std::vector<Canvas>& images);

struct PictureFile {
    std::string name;  // file name in res/
    std::string bytes;
};

// Every picture file of res/, drawn afresh.
std::vector<PictureFile> DrawAll();

struct ButtonBitmap {
    std::string name;  // file name in res/
    Canvas picture;
};

// The disconnect button's pictures, which DrawAll encodes as bitmap files.
std::vector<ButtonBitmap> DrawButtonBitmaps();

}  // namespace pictures
