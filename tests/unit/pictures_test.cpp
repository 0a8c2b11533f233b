// The committed pictures in res/ are what the generator draws, and have the form the
// resource script and the program expect.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

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

TEST(Pictures, CommittedFilesAreWhatTheGeneratorDraws) {
    const auto files = pictures::DrawAll();
    ASSERT_EQ(files.size(), 10u);  // Tolvane's nine and the viewer's icon
    for (const auto& file : files) {
        std::string committed = ReadFile(std::string(TOLVANE_SOURCE_DIR) + "/res/" + file.name);
        EXPECT_FALSE(committed.empty()) << file.name << " is missing; run draw_pictures res";
        EXPECT_TRUE(committed == file.bytes) << file.name << " differs from the drawing; run draw_pictures res";
    }
}

TEST(Pictures, ButtonBitmapsAre36By36In16Colours) {
    std::set<std::string> distinct;
    for (const auto& file : pictures::DrawAll()) {
        if (file.name.find(".bmp") == std::string::npos) continue;
        const std::string& b = file.bytes;
        ASSERT_EQ(b.substr(0, 2), "BM") << file.name;
        EXPECT_EQ(Le(b, 2, 4), b.size()) << file.name;
        EXPECT_EQ(Le(b, 18, 4), 36u) << file.name;
        EXPECT_EQ(Le(b, 22, 4), 36u) << file.name;
        EXPECT_EQ(Le(b, 28, 2), 4u) << file.name;                      // bits per pixel
        EXPECT_EQ(b.size(), 14u + 40 + 64 + 36 * 20) << file.name;     // rows of 18 bytes padded to 20
        distinct.insert(b);
    }
    EXPECT_EQ(distinct.size(), 5u);  // normal, pressed, disabled, alert, alert pressed all differ
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
    for (const auto& file : pictures::DrawAll()) {
        if (file.name.find(".bmp") == std::string::npos) continue;
        const std::string& b = file.bytes;
        for (size_t i = 14 + 40 + 64; i < b.size(); ++i) {
            if ((i - (14 + 40 + 64)) % 20 >= 18) continue;  // row padding
            uint8_t pair = static_cast<uint8_t>(b[i]);
            ++counts[file.name][pair >> 4];
            ++counts[file.name][pair & 15];
        }
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
