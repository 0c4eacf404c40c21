// The present conversion: every pixel through the palette to opaque XRGB, for row widths that
// do and do not fill whole groups of eight, with padded pitches on both sides.

#include <gtest/gtest.h>

#include <vector>

#include "platform/present.h"

namespace {

TEST(PresentTest, EveryPixelGoesThroughThePalette) {
    PaletteEntry palette[256];
    for (int i = 0; i < 256; i++) {
        palette[i] = PaletteEntry{static_cast<uint8_t>(i), static_cast<uint8_t>(i ^ 0x5A),
                                  static_cast<uint8_t>(255 - i), 4};
    }
    for (int32_t width : {1, 7, 8, 9, 16, 23, 640}) {
        const int32_t height = 3;
        const int32_t src_pitch = width + 5;
        const int32_t dst_pixels = width + 3;  // destination row, in pixels
        std::vector<uint8_t> src(static_cast<size_t>(src_pitch * height));
        for (size_t i = 0; i < src.size(); i++) {
            src[i] = static_cast<uint8_t>(i * 37 + 11);
        }
        std::vector<uint32_t> dst(static_cast<size_t>(dst_pixels * height), 0x12345678u);
        HostConvertFrame(src.data(), src_pitch, width, height, palette, dst.data(), dst_pixels * 4);
        for (int32_t y = 0; y < height; y++) {
            for (int32_t x = 0; x < dst_pixels; x++) {
                const uint32_t got = dst[static_cast<size_t>(y * dst_pixels + x)];
                if (x >= width) {
                    ASSERT_EQ(got, 0x12345678u) << "padding written at " << x << "," << y;
                    continue;
                }
                const PaletteEntry& e = palette[src[static_cast<size_t>(y * src_pitch + x)]];
                const uint32_t expected =
                    0xFF000000u | (uint32_t{e.red} << 16) | (uint32_t{e.green} << 8) | e.blue;
                ASSERT_EQ(got, expected) << "width " << width << " at " << x << "," << y;
            }
        }
    }
}

TEST(PresentTest, NoPaletteShowsBlack) {
    const uint8_t src[4] = {0, 1, 200, 255};
    uint32_t dst[4] = {};
    HostConvertFrame(src, 4, 4, 1, nullptr, dst, 16);
    for (uint32_t pixel : dst) {
        EXPECT_EQ(pixel, 0xFF000000u);
    }
}

}  // namespace
