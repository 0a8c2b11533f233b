// Drawing the program's pictures from a few shapes, and the bitmap and icon file formats.
//
// Shapes are tests of a point; a pixel takes a shape's colour when the shape covers at
// least half of it (4 x 4 samples), so edges stay crisp in the fixed 16 colours.
#include "res/pictures.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace pictures {

Canvas::Canvas(int width, int height, Colour fill)
    : width(width), height(height), pixels(static_cast<size_t>(width * height), fill) {}

void Canvas::Set(int x, int y, Colour c) {
    if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<size_t>(y * width + x)] = c;
}

namespace {

// RGB of the palette entries.
const uint8_t kPalette[16][3] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

// --- File formats -------------------------------------------------------------------------

}  // namespace

uint32_t Rgb(Colour c) {
    const uint8_t* rgb = kPalette[c == kClear ? kBlack : c & 15];
    return static_cast<uint32_t>(rgb[0]) << 16 | static_cast<uint32_t>(rgb[1]) << 8 | rgb[2];
}

namespace {

void Put16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

int RowBytes(int width, int bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

constexpr uint32_t kBiRgb = 0, kBiRle4 = 2;

void PutInfoHeader(std::string& out, int width, int height, uint32_t compression, uint32_t imageSize) {
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);  // planes
    Put16(out, 4);  // bits per pixel
    Put32(out, compression);
    Put32(out, imageSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 16);  // colours used
    Put32(out, 0);
}

void PutPalette(std::string& out) {
    for (const auto& c : kPalette) {
        out += static_cast<char>(c[2]);
        out += static_cast<char>(c[1]);
        out += static_cast<char>(c[0]);
        out += '\0';
    }
}

// Rows from the bottom, two pixels a byte; transparent pixels are black.
std::string ColourBits(const Canvas& canvas) {
    std::string bits;
    const int rowBytes = RowBytes(canvas.width, 4);
    for (int y = canvas.height - 1; y >= 0; --y) {
        std::string row(static_cast<size_t>(rowBytes), '\0');
        for (int x = 0; x < canvas.width; ++x) {
            Colour c = canvas.At(x, y);
            unsigned index = c == kClear ? kBlack : c;
            row[static_cast<size_t>(x / 2)] |= static_cast<char>(x % 2 ? index : index << 4);
        }
        bits += row;
    }
    return bits;
}

// One row in BI_RLE4, as short as the format allows: a run is a count and two colours that
// alternate (one colour repeated, or any two pixels), a literal is 0, its count (3 to 255)
// and its pixels two a byte, padded to a whole 16-bit word. Rows are short, so every choice is
// weighed at every pixel: best[x] is the shortest coding of the pixels from x to the row's end.
std::string Rle4Row(const Canvas& canvas, int y) {
    const int n = canvas.width;
    std::vector<unsigned> pixels(static_cast<size_t>(n));
    unsigned* pixel = pixels.data();
    for (int x = 0; x < n; ++x) pixel[x] = canvas.At(x, y) == kClear ? kBlack : canvas.At(x, y);
    auto literalBytes = [](int k) { return 2 + ((k + 1) / 2 + 1) / 2 * 2; };
    struct Choice {
        int bytes = 0;  // from here to the row's end
        int pixels = 0;
        bool literal = false;
    };
    std::vector<Choice> choices(static_cast<size_t>(n) + 1);
    Choice* best = choices.data();
    for (int x = n - 1; x >= 0; --x) {
        auto weigh = [&](int k, bool literal) {
            int bytes = (literal ? literalBytes(k) : 2) + best[x + k].bytes;
            if (best[x].pixels == 0 || bytes < best[x].bytes) best[x] = {bytes, k, literal};
        };
        int run = 1;  // pixels from x that alternate between the colours of x and x + 1
        while (run < 255 && x + run < n && pixel[x + run] == pixel[x + run % 2]) ++run;
        for (int k = 1; k <= run; ++k) weigh(k, false);
        for (int k = 3; k <= 255 && x + k <= n; ++k) weigh(k, true);
    }
    std::string out;
    for (int x = 0; x < n; x += best[x].pixels) {
        const Choice& c = best[x];
        const unsigned* p = pixel + x;
        if (c.literal) {
            std::string packed(static_cast<size_t>(literalBytes(c.pixels) - 2), '\0');
            for (int i = 0; i < c.pixels; ++i)
                packed[static_cast<size_t>(i / 2)] |= static_cast<char>(i % 2 ? p[i] : p[i] << 4);
            out += '\0';
            out += static_cast<char>(c.pixels);
            out += packed;
        } else {
            out += static_cast<char>(c.pixels);
            out += static_cast<char>(p[0] << 4 | p[c.pixels > 1 ? 1 : 0]);
        }
    }
    return out;
}

// The icon's transparency mask: a set bit lets the background through.
std::string MaskBits(const Canvas& canvas) {
    std::string bits;
    const int rowBytes = RowBytes(canvas.width, 1);
    for (int y = canvas.height - 1; y >= 0; --y) {
        std::string row(static_cast<size_t>(rowBytes), '\0');
        for (int x = 0; x < canvas.width; ++x) {
            if (canvas.At(x, y) == kClear) row[static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
        }
        bits += row;
    }
    return bits;
}

}  // namespace

std::string EncodeBitmap(const Canvas& canvas) {
    std::string bits;
    for (int y = canvas.height - 1; y >= 0; --y) {
        bits += Rle4Row(canvas, y);
        bits += std::string("\0\0", 2);  // end of the row
    }
    bits += std::string("\0\1", 2);  // end of the bitmap
    const uint32_t offset = 14 + 40 + 64;
    std::string out = "BM";
    Put32(out, offset + static_cast<uint32_t>(bits.size()));
    Put32(out, 0);
    Put32(out, offset);
    PutInfoHeader(out, canvas.width, canvas.height, kBiRle4, static_cast<uint32_t>(bits.size()));
    PutPalette(out);
    return out + bits;
}

std::string EncodeIcon(const std::vector<Canvas>& images) {
    std::vector<std::string> bodies;
    for (const Canvas& c : images) {
        std::string colour = ColourBits(c);
        std::string mask = MaskBits(c);
        std::string body;
        // An icon image's height counts the colour bits and the mask.
        PutInfoHeader(body, c.width, c.height * 2, kBiRgb, static_cast<uint32_t>(colour.size() + mask.size()));
        PutPalette(body);
        bodies.push_back(body + colour + mask);
    }
    std::string out;
    Put16(out, 0);
    Put16(out, 1);  // icon
    Put16(out, static_cast<unsigned>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out += static_cast<char>(images[i].width);
        out += static_cast<char>(images[i].height);
        out += static_cast<char>(16);  // colours
        out += '\0';
        Put16(out, 1);
        Put16(out, 4);
        Put32(out, static_cast<uint32_t>(bodies[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(bodies[i].size());
    }
    for (const std::string& b : bodies) out += b;
    return out;
}

namespace {

// --- Shapes ----------------------------------------------------------------------------------

using Shape = std::function<bool(double x, double y)>;

const double kGripOuter = 0.62;
const double kGripInner = 0.46;
const double kPieceAngle = -0.45;

Shape Ellipse(double cx, double cy, double rx, double ry) {
    return [=](double x, double y) {
        double u = (x - cx) / rx, v = (y - cy) / ry;
        return u * u + v * v <= 1.0;
    };
}

Shape Circle(double cx, double cy, double r) { return Ellipse(cx, cy, r, r); }

Shape RoundRect(double x0, double y0, double x1, double y1, double r) {
    return [=](double x, double y) {
        if (x < x0 || x > x1 || y < y0 || y > y1) return false;
        double dx = std::max({x0 + r - x, 0.0, x - (x1 - r)});
        double dy = std::max({y0 + r - y, 0.0, y - (y1 - r)});
        return dx * dx + dy * dy <= r * r;
    };
}

// A stroke from (x0, y0) to (x1, y1) with round ends.
Shape Line(double x0, double y0, double x1, double y1, double width) {
    return [=](double x, double y) {
        double dx = x1 - x0, dy = y1 - y0;
        double t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
        t = std::min(1.0, std::max(0.0, t));
        double ex = x0 + t * dx - x, ey = y0 + t * dy - y;
        return ex * ex + ey * ey <= width * width / 4;
    };
}

Shape Union(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) || b(x, y); };
}

Shape Minus(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) && !b(x, y); };
}

// `shape`, drawn in a unit square, placed at (left, top) with the square `size` pixels wide.
Shape Place(Shape shape, double left, double top, double size) {
    return [=](double x, double y) { return shape((x - left) / size, (y - top) / size); };
}

void Fill(Canvas& canvas, const Shape& shape, Colour colour) {
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            int covered = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) covered += shape(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
            }
            if (covered >= 8) canvas.Set(x, y, colour);
        }
    }
}

// Every clear pixel next to (or diagonal to) a pixel of `colour` takes `halo`, so that the
// picture stands out on a dark and on a light background.
void Halo(Canvas& canvas, Colour colour, Colour halo) {
    Canvas before = canvas;
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            if (before.At(x, y) != kClear) continue;
            bool near = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    int nx = x + dx, ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < canvas.width && ny < canvas.height && before.At(nx, ny) == colour)
                        near = true;
                }
            }
            if (near) canvas.Set(x, y, halo);
        }
    }
}

// `shape`, drawn around the origin, turned by `angle` (radians, clockwise on the screen) and
// moved to (cx, cy).
Shape Turned(Shape shape, double cx, double cy, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return [=](double x, double y) {
        double dx = x - cx, dy = y - cy;
        return shape(c * dx + s * dy, -s * dx + c * dy);
    };
}

Shape Mirrored(Shape shape) {
    return [=](double x, double y) { return shape(1.0 - x, y); };
}

// The handset, lying as it does when it is put down: a curved grip with the ear and mouth
// pieces at its ends, in a unit square (it fills x 0..1 and y about 0.3..0.8).
Shape Handset() {
    Shape grip = Minus(Circle(0.5, 1.0, kGripOuter), Circle(0.5, 1.0, kGripInner));
    grip = Minus(grip, [](double, double y) { return y > 0.62; });
    Shape piece = Turned(RoundRect(-0.18, -0.10, 0.18, 0.10, 0.07), 0.18, 0.66, kPieceAngle);
    return Union(grip, Union(piece, Mirrored(piece)));
}

// --- Icons -----------------------------------------------------------------------------------

// A dark handset with a light edge along the bottom of a square icon.
void DrawIconHandset(Canvas& icon) {
    const double s = icon.width;
    const double size = s * 0.94;
    Fill(icon, Place(Handset(), (s - size) / 2, s - 0.80 * size - s / 32, size), kBlack);
    Halo(icon, kBlack, kWhite);
}

// A red lamp with a rim and a highlight.
// A red lamp; a large one gets a rim and a highlight.
void DrawLamp(Canvas& icon, double cx, double cy, double r) {
    if (r < 4) {
        Fill(icon, Circle(cx, cy, r), kRed);
        return;
    }
    Fill(icon, Circle(cx, cy, r), kMaroon);
    Fill(icon, Circle(cx, cy, r - r / 5), kRed);
    Fill(icon, Circle(cx - r / 3, cy - r / 3, r / 4), kWhite);
}

enum class TrayKind { kNone, kOne, kMany };

Canvas TrayIcon(int size, TrayKind kind) {
    Canvas icon(size, size, kClear);
    DrawIconHandset(icon);
    const double s = size;
    switch (kind) {
    case TrayKind::kNone: {
        // The cross runs between pixel centres, so that its strokes stay even when small.
        Canvas cross(size, size, kClear);
        const double w = size >= 32 ? s / 7.0 : 1.5;
        const double a = std::floor(s * 0.28) + 0.5, b = s - a, top = std::floor(s * 0.06) + 0.5, bottom = top + (b - a);
        Fill(cross, Union(Line(a, top, b, bottom, w), Line(b, top, a, bottom, w)), kRed);
        Halo(cross, kRed, kWhite);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                if (cross.At(x, y) != kClear) icon.Set(x, y, cross.At(x, y));
            }
        }
        break;
    }
    case TrayKind::kOne:
        DrawLamp(icon, s / 2, s / 4, s * 0.19);
        break;
    case TrayKind::kMany:
        DrawLamp(icon, s / 4, s / 4, s * 0.19);
        DrawLamp(icon, s * 3 / 4, s / 4, s * 0.19);
        break;
    }
    return icon;
}

// The application: a clock over the handset, for the time that costs money.
Canvas AppIcon(int size) {
    Canvas icon(size, size, kClear);
    const double s = size;
    const double cx = s * 0.62, cy = s * 0.36, r = s * 0.35;
    Fill(icon, Circle(cx, cy, r), kNavy);
    Fill(icon, Circle(cx, cy, r - std::max(1.0, s / 16)), kWhite);
    const double hand = std::max(1.0, s / 14);
    Fill(icon, Union(Line(cx, cy, cx, cy - r * 0.65, hand), Line(cx, cy, cx + r * 0.5, cy, hand)), kBlack);

    Canvas handset(size, size, kClear);
    DrawIconHandset(handset);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (handset.At(x, y) != kClear) icon.Set(x, y, handset.At(x, y));
        }
    }
    return icon;
}

// The usage viewer: a sheet of paper with the bars of a chart and the clock's face in its
// corner, Tolvane's clock beside the months it adds up.
Canvas ViewerIcon(int size) {
    Canvas icon(size, size, kClear);
    const double s = size;
    const double edge = std::max(1.0, s / 16);
    Fill(icon, RoundRect(s * 0.06, s * 0.1, s * 0.94, s * 0.97, s / 10), kNavy);
    Fill(icon, RoundRect(s * 0.06 + edge, s * 0.1 + edge, s * 0.94 - edge, s * 0.97 - edge, s / 12), kWhite);
    const double base = s * 0.97 - edge - s / 10;
    const struct {
        double left, height;
        Colour colour;
    } bars[] = {{0.16, 0.30, kTeal}, {0.39, 0.48, kGreen}, {0.62, 0.22, kRed}};
    for (const auto& bar : bars) {
        Fill(icon, [=](double x, double y) { return x >= s * bar.left && x < s * (bar.left + 0.18) && y >= base - s * bar.height && y < base; },
             bar.colour);
    }
    const double cx = s * 0.74, cy = s * 0.28, r = s * 0.24;
    Fill(icon, Circle(cx, cy, r), kNavy);
    Fill(icon, Circle(cx, cy, r - edge), kYellow);
    const double hand = std::max(1.0, s / 16);
    Fill(icon, Union(Line(cx, cy, cx, cy - r * 0.7, hand), Line(cx, cy, cx + r * 0.55, cy, hand)), kBlack);
    return icon;
}

// --- The disconnect button -------------------------------------------------------------------

constexpr int kButtonSize = 36;

enum class Look { kNormal, kAlert };

// A raised or sunken push-button frame around a face of one colour.
Canvas ButtonFrame(Colour face, Colour shadow, bool pressed) {
    const int n = kButtonSize;
    Canvas b(n, n, face);
    const Colour outerLight = pressed ? kBlack : kWhite, outerDark = pressed ? kWhite : kBlack;
    const Colour innerLight = pressed ? shadow : face, innerDark = pressed ? face : shadow;
    for (int i = 0; i < n; ++i) {
        b.Set(i, 0, outerLight);
        b.Set(0, i, outerLight);
        b.Set(i, n - 1, outerDark);
        b.Set(n - 1, i, outerDark);
    }
    for (int i = 1; i < n - 1; ++i) {
        b.Set(i, 1, innerLight);
        b.Set(1, i, innerLight);
        b.Set(i, n - 2, innerDark);
        b.Set(n - 2, i, innerDark);
    }
    return b;
}

// The handset centred on the button's face, moved by `shift` pixels when pressed.
Shape ButtonHandset(int shift) {
    const double size = 28;
    const double middle = 0.59;  // of the handset's height in its square
    return Place(Handset(), (kButtonSize - size) / 2 + shift, kButtonSize / 2.0 - middle * size + shift, size);
}

// Calm: a navy handset on the usual grey face. Alert: a white handset on red.
Canvas DisconnectButton(Look look, bool pressed) {
    const bool alert = look == Look::kAlert;
    Canvas b = ButtonFrame(alert ? kRed : kSilver, alert ? kMaroon : kGray, pressed);
    Fill(b, ButtonHandset(pressed ? 1 : 0), alert ? kWhite : kNavy);
    return b;
}

// Greyed out: the handset etched into the face, grey with a white edge.
Canvas DisabledDisconnectButton() {
    Canvas b = ButtonFrame(kSilver, kGray, false);
    Fill(b, ButtonHandset(1), kWhite);
    Fill(b, ButtonHandset(0), kGray);
    return b;
}

}  // namespace

std::vector<ButtonBitmap> DrawButtonBitmaps() {
    return {
        {"disconnect_normal.bmp", DisconnectButton(Look::kNormal, false)},
        {"disconnect_normal_pressed.bmp", DisconnectButton(Look::kNormal, true)},
        {"disconnect_disabled.bmp", DisabledDisconnectButton()},
        {"disconnect_alert.bmp", DisconnectButton(Look::kAlert, false)},
        {"disconnect_alert_pressed.bmp", DisconnectButton(Look::kAlert, true)},
    };
}

std::vector<PictureFile> DrawAll() {
    std::vector<PictureFile> files = {
        {"tolvane.ico", EncodeIcon({AppIcon(32), AppIcon(16)})},
        {"tolvane_log.ico", EncodeIcon({ViewerIcon(32), ViewerIcon(16)})},
        {"tray_none.ico", EncodeIcon({TrayIcon(32, TrayKind::kNone), TrayIcon(16, TrayKind::kNone)})},
        {"tray_one.ico", EncodeIcon({TrayIcon(32, TrayKind::kOne), TrayIcon(16, TrayKind::kOne)})},
        {"tray_many.ico", EncodeIcon({TrayIcon(32, TrayKind::kMany), TrayIcon(16, TrayKind::kMany)})},
    };
    for (const ButtonBitmap& b : DrawButtonBitmaps()) files.push_back({b.name, EncodeBitmap(b.picture)});
    return files;
}

}  // namespace pictures
