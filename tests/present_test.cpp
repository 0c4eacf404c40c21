// The present conversion: every pixel through the palette to opaque XRGB, by every path the
// processor runs, bit for bit as a plain lookup gives it, for row widths on and off each
// path's block sizes, with padded pitches on both sides; and the whole-number enlargement.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/present.h"

namespace {

constexpr uint32_t UNTOUCHED = 0x12345678u;

struct Palette {
    PaletteEntry entries[256];
};

// Every channel differs from the index and from the other channels, so a lookup in the wrong
// table, at the wrong index or in the wrong byte shows.
Palette TestPalette() {
    Palette p{};
    for (int i = 0; i < 256; i++) {
        p.entries[i] = PaletteEntry{static_cast<uint8_t>(i * 7 + 3), static_cast<uint8_t>(i ^ 0x5A),
                                    static_cast<uint8_t>(255 - i), 4};
    }
    return p;
}

uint32_t Expected(const Palette& palette, uint8_t index) {
    const PaletteEntry& e = palette.entries[index];
    return 0xFF000000u | (uint32_t{e.red} << 16) | (uint32_t{e.green} << 8) | e.blue;
}

struct Frame {
    int32_t width;
    int32_t height;
    int32_t src_pitch;         // bytes
    int32_t dst_pitch_pixels;  // destination row, in pixels
    std::vector<uint8_t> src;
};

// Indexes that run through all 256 values in every row, shifted from row to row so each
// value meets every position of a block.
Frame MakeFrame(int32_t width, int32_t height, int32_t src_pad, int32_t dst_pad) {
    Frame f{width, height, width + src_pad, width + dst_pad, {}};
    f.src.resize(static_cast<size_t>(f.src_pitch) * height, 0xEE);
    for (int32_t y = 0; y < height; y++) {
        for (int32_t x = 0; x < width; x++) {
            f.src[static_cast<size_t>(y * f.src_pitch + x)] = static_cast<uint8_t>(x * 11 + y * 37);
        }
    }
    return f;
}

// Checks a converted frame pixel by pixel; padding must keep UNTOUCHED. Empty when all match.
std::string Compare(const Frame& f, const Palette& palette, const std::vector<uint32_t>& dst) {
    for (int32_t y = 0; y < f.height; y++) {
        for (int32_t x = 0; x < f.dst_pitch_pixels; x++) {
            const uint32_t got = dst[static_cast<size_t>(y * f.dst_pitch_pixels + x)];
            const uint32_t expected =
                x < f.width ? Expected(palette, f.src[static_cast<size_t>(y * f.src_pitch + x)])
                            : UNTOUCHED;
            if (got != expected) {
                char text[160];
                std::snprintf(text, sizeof text, "at (%d, %d) of %dx%d: expected %08x, got %08x", x,
                              y, f.width, f.height, expected, got);
                return text;
            }
        }
    }
    return {};
}

struct Shape {
    int32_t width;
    int32_t height;
    int32_t src_pad;
    int32_t dst_pad;
};

// Widths around the blocks of 8, 16, 32 and 64 pixels the paths work in, and a frame size.
const Shape SHAPES[] = {
    {1, 3, 5, 3},   {7, 2, 1, 1},   {8, 2, 0, 0},    {9, 2, 3, 2},   {15, 2, 1, 0},  {16, 2, 0, 1},
    {17, 2, 7, 3},  {31, 2, 1, 1},  {32, 2, 0, 0},   {33, 2, 5, 7},  {63, 3, 1, 1},  {64, 3, 0, 0},
    {65, 3, 3, 5},  {127, 2, 1, 1}, {128, 2, 0, 0},  {129, 2, 9, 1}, {255, 2, 1, 2}, {256, 2, 0, 0},
    {257, 2, 3, 3}, {640, 4, 0, 0}, {641, 2, 13, 5},
};

TEST(PresentTest, EveryPathMatchesThePlainLookup) {
    const Palette palette = TestPalette();
    int paths_run = 0;
    for (int path = 0; path < PRESENT_PATH_COUNT; path++) {
        if (!HostConvertPathRuns(path)) {
            continue;
        }
        ++paths_run;
        for (const Shape& s : SHAPES) {
            Frame f = MakeFrame(s.width, s.height, s.src_pad, s.dst_pad);
            std::vector<uint32_t> dst(static_cast<size_t>(f.dst_pitch_pixels) * f.height,
                                      UNTOUCHED);
            ASSERT_EQ(HostConvertFrameWith(path, f.src.data(), f.src_pitch, f.width, f.height,
                                           palette.entries, dst.data(), f.dst_pitch_pixels * 4),
                      1);
            const std::string problem = Compare(f, palette, dst);
            EXPECT_TRUE(problem.empty()) << HostConvertPathName(path) << ": " << problem;
        }
    }
    EXPECT_GE(paths_run, 2) << "the two scalar paths run everywhere";
}

TEST(PresentTest, TheChosenPathRunsHereAndConvertsTheFrame) {
    const int chosen = HostConvertPathChosen();
    ASSERT_EQ(HostConvertPathRuns(chosen), 1) << "chose " << chosen;
    EXPECT_STRNE(HostConvertPathName(chosen), "");
    const Palette palette = TestPalette();
    Frame f = MakeFrame(641, 3, 3, 2);
    std::vector<uint32_t> dst(static_cast<size_t>(f.dst_pitch_pixels) * f.height, UNTOUCHED);
    HostConvertFrame(f.src.data(), f.src_pitch, f.width, f.height, palette.entries, dst.data(),
                     f.dst_pitch_pixels * 4);
    EXPECT_EQ(Compare(f, palette, dst), "") << HostConvertPathName(chosen);
}

TEST(PresentTest, UnknownPathsAndBadFramesWriteNothing) {
    const Palette palette = TestPalette();
    const uint8_t src[4] = {1, 2, 3, 4};
    uint32_t dst[4] = {UNTOUCHED, UNTOUCHED, UNTOUCHED, UNTOUCHED};
    EXPECT_EQ(HostConvertFrameWith(-1, src, 4, 4, 1, palette.entries, dst, 16), 0);
    EXPECT_EQ(HostConvertFrameWith(PRESENT_PATH_COUNT, src, 4, 4, 1, palette.entries, dst, 16), 0);
    EXPECT_STREQ(HostConvertPathName(PRESENT_PATH_COUNT), "");
    HostConvertFrame(src, 4, 0, 1, palette.entries, dst, 16);
    HostConvertFrame(src, 4, 4, -1, palette.entries, dst, 16);
    HostConvertFrame(nullptr, 4, 4, 1, palette.entries, dst, 16);
    HostConvertFrameScaled(src, 4, 4, 1, palette.entries, 0, dst, 16);
    HostConvertFrameScaled(src, 4, 4, 1, palette.entries, 1 << 14, dst, 16);
    for (uint32_t pixel : dst) {
        EXPECT_EQ(pixel, UNTOUCHED);
    }
}

TEST(PresentTest, NoPaletteShowsBlack) {
    const uint8_t src[4] = {0, 1, 200, 255};
    for (int path = 0; path < PRESENT_PATH_COUNT; path++) {
        uint32_t dst[4] = {};
        if (HostConvertFrameWith(path, src, 4, 4, 1, nullptr, dst, 16) == 0) {
            continue;
        }
        for (uint32_t pixel : dst) {
            EXPECT_EQ(pixel, 0xFF000000u) << HostConvertPathName(path);
        }
    }
}

TEST(PresentTest, EnlargingFillsEachBlockWithItsSourcePixel) {
    const Palette palette = TestPalette();
    for (int32_t scale : {1, 2, 3, 5}) {
        for (int32_t width : {1, 9, 65, 320}) {
            const int32_t height = 3;
            Frame f = MakeFrame(width, height, 3, 0);
            const int32_t out_width = width * scale;
            const int32_t out_pitch = out_width + 4;  // pixels
            std::vector<uint32_t> dst(static_cast<size_t>(out_pitch) * height * scale, UNTOUCHED);
            HostConvertFrameScaled(f.src.data(), f.src_pitch, width, height, palette.entries, scale,
                                   dst.data(), out_pitch * 4);
            int wrong = 0;
            for (int32_t y = 0; y < height * scale && wrong == 0; y++) {
                for (int32_t x = 0; x < out_pitch; x++) {
                    const uint32_t got = dst[static_cast<size_t>(y * out_pitch + x)];
                    const uint32_t expected =
                        x < out_width
                            ? Expected(
                                  palette,
                                  f.src[static_cast<size_t>((y / scale) * f.src_pitch + x / scale)])
                            : UNTOUCHED;
                    if (got != expected) {
                        ADD_FAILURE()
                            << "scale " << scale << ", width " << width << " at (" << x << ", " << y
                            << "): expected " << std::hex << expected << ", got " << got;
                        ++wrong;
                        break;
                    }
                }
            }
        }
    }
}

}  // namespace
