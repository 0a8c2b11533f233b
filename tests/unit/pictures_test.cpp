// The committed pictures in res/ are what the generator draws, and have the form the
// resource script and the program expect.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "res/pictures.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le(const std::string& s, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(s.at(at + static_cast<size_t>(i)));
    return v;
}

// The pixels of a BI_RLE4 bitmap file, rows from the top, written out by the format's rules
// alone; empty unless the coding holds every row whole, each ended, and then the bitmap's end.
std::vector<pictures::Colour> DecodeRle4(const std::string& file) {
    const int width = static_cast<int>(Le(file, 18, 4)), height = static_cast<int>(Le(file, 22, 4));
    std::vector<pictures::Colour> pixels(static_cast<size_t>(width * height));
    size_t at = Le(file, 10, 4);
    int x = 0, y = 0;  // y counts rows from the bottom
    auto put = [&](unsigned colour) {
        if (x >= width || y >= height) return false;
        pixels[static_cast<size_t>((height - 1 - y) * width + x++)] = static_cast<pictures::Colour>(colour);
        return true;
    };
    while (at + 2 <= file.size()) {
        const uint8_t count = static_cast<uint8_t>(file[at]), value = static_cast<uint8_t>(file[at + 1]);
        at += 2;
        if (count > 0) {  // a run of two alternating colours
            for (int i = 0; i < count; ++i)
                if (!put(i % 2 ? value & 15 : value >> 4)) return {};
        } else if (value == 0) {  // end of the row
            if (x != width) return {};
            x = 0;
            ++y;
        } else if (value == 1) {  // end of the bitmap
            if (y != height || at != file.size()) return {};
            return pixels;
        } else if (value == 2) {  // a move, which leaves pixels unpainted
            return {};
        } else {  // literal pixels, padded to a 16-bit word
            const size_t bytes = (value + 3u) / 4 * 2;
            if (at + bytes > file.size()) return {};
            for (int i = 0; i < value; ++i) {
                const uint8_t pair = static_cast<uint8_t>(file[at + static_cast<size_t>(i / 2)]);
                if (!put(i % 2 ? pair & 15 : pair >> 4)) return {};
            }
            at += bytes;
        }
    }
    return {};
}

std::vector<pictures::Colour> Opaque(const pictures::Canvas& c) {
    std::vector<pictures::Colour> pixels = c.pixels;
    for (pictures::Colour& p : pixels) p = p == pictures::kClear ? pictures::kBlack : p;
    return pixels;
}

TEST(Pictures, CommittedFilesAreWhatTheGeneratorDraws) {
    const auto files = pictures::DrawAll();
    ASSERT_EQ(files.size(), 10u);  // Tolvane's nine and the viewer's icon
    for (const auto& file : files) {
        std::string committed = ReadFile(std::string(TOLVANE_SOURCE_DIR) + "/res/" + file.name);
        EXPECT_FALSE(committed.empty()) << file.name << " is missing; run draw_pictures res";
        EXPECT_TRUE(committed == file.bytes) << file.name << " differs from the drawing; run draw_pictures res";
    }
}

TEST(Pictures, ButtonBitmapsAre36By36In16ColoursCompressed) {
    std::set<std::string> distinct;
    for (const auto& file : pictures::DrawAll()) {
        if (file.name.find(".bmp") == std::string::npos) continue;
        const std::string& b = file.bytes;
        ASSERT_EQ(b.substr(0, 2), "BM") << file.name;
        EXPECT_EQ(Le(b, 2, 4), b.size()) << file.name;
        EXPECT_EQ(Le(b, 18, 4), 36u) << file.name;
        EXPECT_EQ(Le(b, 22, 4), 36u) << file.name;
        EXPECT_EQ(Le(b, 28, 2), 4u) << file.name;                        // bits per pixel
        EXPECT_EQ(Le(b, 30, 4), 2u) << file.name;                        // BI_RLE4
        EXPECT_EQ(Le(b, 34, 4), b.size() - (14 + 40 + 64)) << file.name;  // the coded pixels' size
        EXPECT_LT(Le(b, 34, 4), 36u * 20) << file.name;                   // less than plain rows
        distinct.insert(b);
    }
    EXPECT_EQ(distinct.size(), 5u);  // normal, pressed, disabled, alert, alert pressed all differ
}

// Read back by the format's rules, each committed bitmap holds the pixels drawn for it.
TEST(Pictures, CommittedBitmapsDecodeToTheDrawings) {
    const auto drawn = pictures::DrawButtonBitmaps();
    ASSERT_EQ(drawn.size(), 5u);
    for (const auto& b : drawn) {
        const std::string committed = ReadFile(std::string(TOLVANE_SOURCE_DIR) + "/res/" + b.name);
        ASSERT_GT(committed.size(), 54u) << b.name;
        EXPECT_TRUE(DecodeRle4(committed) == Opaque(b.picture)) << b.name;
    }
}

// The coding of rows of every shape: runs past 255 pixels, two colours alternating, literals
// of odd length, one pixel; transparent pixels are black. Sizes are the shortest coding.
TEST(Pictures, Rle4CodesEveryRowShape) {
    using namespace pictures;
    const Colour kNine[] = {kRed, kLime, kBlue, kYellow, kWhite, kNavy, kTeal, kGray, kMaroon};
    struct Case {
        const char* what;
        Canvas canvas;
        size_t codedBytes;  // runs and literals, 2 bytes to end each row, 2 the bitmap
    } cases[] = {
        {"600 alike: runs of 255, 255 and 90", Canvas(600, 1, kTeal), 6 + 2 + 2},
        {"two rows of 37 alternating", Canvas(37, 2, kWhite), 2 * (2 + 2) + 2},
        {"nine colours: a literal padded to 6 bytes", Canvas(9, 1, kBlack), 2 + 6 + 2 + 2},
        {"one pixel", Canvas(1, 1, kYellow), 2 + 2 + 2},
        {"transparent", Canvas(3, 2, kClear), 2 * (2 + 2) + 2},
    };
    for (int x = 0; x < 37; ++x) {
        cases[1].canvas.Set(x, 0, x % 2 ? kRed : kWhite);
        cases[1].canvas.Set(x, 1, x % 2 ? kWhite : kBlue);
    }
    for (int x = 0; x < 9; ++x) cases[2].canvas.Set(x, 0, kNine[x]);
    for (const Case& c : cases) {
        const std::string file = EncodeBitmap(c.canvas);
        EXPECT_TRUE(DecodeRle4(file) == Opaque(c.canvas)) << c.what;
        EXPECT_EQ(file.size() - (14 + 40 + 64), c.codedBytes) << c.what;
    }
}

TEST(Pictures, IconsHold32And16PixelImagesIn16Colours) {
    for (const auto& file : pictures::DrawAll()) {
        if (file.name.find(".ico") == std::string::npos) continue;
        const std::string& b = file.bytes;
        ASSERT_EQ(Le(b, 0, 2), 0u) << file.name;
        ASSERT_EQ(Le(b, 2, 2), 1u) << file.name;
        ASSERT_EQ(Le(b, 4, 2), 2u) << file.name;
        const uint32_t sizes[] = {32, 16};
        for (uint32_t i = 0; i < 2; ++i) {
            size_t entry = 6 + 16 * i;
            EXPECT_EQ(Le(b, entry, 1), sizes[i]) << file.name;
            EXPECT_EQ(Le(b, entry + 1, 1), sizes[i]) << file.name;
            EXPECT_EQ(Le(b, entry + 2, 1), 16u) << file.name;  // colours
            EXPECT_EQ(Le(b, entry + 6, 2), 4u) << file.name;   // bits per pixel
            uint32_t bytes = Le(b, entry + 8, 4), offset = Le(b, entry + 12, 4);
            ASSERT_LE(offset + bytes, b.size()) << file.name;
            EXPECT_EQ(Le(b, offset + 4, 4), sizes[i]) << file.name;
            EXPECT_EQ(Le(b, offset + 8, 4), 2 * sizes[i]) << file.name;  // colour bits and mask
            const uint32_t maskRow = 4;  // 1 bit a pixel, rows padded to 4 bytes
            EXPECT_EQ(bytes, 40 + 64 + sizes[i] * sizes[i] / 2 + maskRow * sizes[i]) << file.name;
        }
    }
}

// Transparent pixels are masked and black in the colour bits; painted ones are not masked.
TEST(Pictures, IconMaskFollowsTransparency) {
    pictures::Canvas c(16, 16, pictures::kClear);
    c.Set(0, 0, pictures::kRed);     // top left
    c.Set(15, 15, pictures::kWhite);  // bottom right
    const std::string icon = pictures::EncodeIcon({c});
    const size_t image = Le(icon, 6 + 12, 4);
    const size_t colour = image + 40 + 64, mask = colour + 16 * 8;
    // Rows run from the bottom: the first row is y = 15.
    EXPECT_EQ(static_cast<uint8_t>(icon[colour + 7]), 0x0F);        // x 15 white, x 14 clear (black)
    EXPECT_EQ(static_cast<uint8_t>(icon[colour + 15 * 8]), 0x90);   // x 0 red, x 1 clear
    EXPECT_EQ(static_cast<uint8_t>(icon[mask + 1]), 0xFE);           // x 15 painted
    EXPECT_EQ(static_cast<uint8_t>(icon[mask + 0]), 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(icon[mask + 15 * 4]), 0x7F);      // x 0 painted
}

// The looks differ where the user must see it: the alert button is mostly red, the calm one
// has no red at all, and the disabled one only greys.
TEST(Pictures, ButtonLooks) {
    std::map<std::string, std::map<int, int>> counts;
    for (const auto& b : pictures::DrawButtonBitmaps()) {
        for (pictures::Colour c : b.picture.pixels) ++counts[b.name][c];
    }
    EXPECT_GT(counts["disconnect_alert.bmp"][pictures::kRed], 36 * 36 / 2);
    EXPECT_GT(counts["disconnect_alert_pressed.bmp"][pictures::kRed], 36 * 36 / 2);
    EXPECT_EQ(counts["disconnect_normal.bmp"][pictures::kRed], 0);
    for (const auto& [colour, n] : counts["disconnect_disabled.bmp"]) {
        EXPECT_TRUE(colour == pictures::kBlack || colour == pictures::kGray || colour == pictures::kSilver ||
                    colour == pictures::kWhite)
            << colour << " x" << n;
    }
}

}  // namespace
