// Text on surfaces: glyphs only, in the palette index nearest the colour, inside the string's
// box, cut to the surface and its clipper; refused on a locked surface.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "lib/display.h"
#include "lib/draw.h"
#include "lib/palette.h"
#include "platform/headless.h"
#include "tests/support/common_support.h"

namespace {

constexpr uint8_t BACKGROUND = 5;

constexpr uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue) {
    return red | green << 8 | blue << 16;
}

struct Shot {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;  // width x height, no padding
    uint8_t At(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * width + x];
    }
};

Shot Take(HostSurface* surface) {
    Shot shot;
    HostSurfaceDescribe(surface, &shot.width, &shot.height, nullptr);
    shot.pixels = SurfaceBytes(surface);
    EXPECT_EQ(shot.pixels.size(), static_cast<size_t>(shot.width) * shot.height);
    return shot;
}

struct Ink {
    int count = 0;
    int32_t left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive bounds
    std::vector<uint8_t> indexes;                                    // distinct, in order seen
};

// What differs from the background.
Ink InkOf(const Shot& shot) {
    Ink ink;
    for (int32_t y = 0; y < shot.height; y++) {
        for (int32_t x = 0; x < shot.width; x++) {
            uint8_t value = shot.At(x, y);
            if (value == BACKGROUND) {
                continue;
            }
            ink.count++;
            ink.left = std::min(ink.left, x);
            ink.top = std::min(ink.top, y);
            ink.right = std::max(ink.right, x);
            ink.bottom = std::max(ink.bottom, y);
            if (std::find(ink.indexes.begin(), ink.indexes.end(), value) == ink.indexes.end()) {
                ink.indexes.push_back(value);
            }
        }
    }
    return ink;
}

class TextTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        ASSERT_EQ(DisplayInit(640, 480, 8), 1);
        SurfaceFill(back_surface, BACKGROUND);
    }
    void TearDown() override {
        DisplayShutdown();
    }
    // Grey everywhere but a few named colours, two of them equal.
    static void UseTestPalette() {
        PaletteEntry palette[256];
        for (PaletteEntry& entry : palette) {
            entry = PaletteEntry{128, 128, 128, PC_NOCOLLAPSE};
        }
        palette[BACKGROUND] = PaletteEntry{0, 0, 200, PC_NOCOLLAPSE};
        palette[10] = PaletteEntry{0, 0, 0, PC_NOCOLLAPSE};
        palette[20] = PaletteEntry{255, 255, 0, PC_NOCOLLAPSE};
        palette[30] = PaletteEntry{255, 0, 0, PC_NOCOLLAPSE};
        palette[40] = PaletteEntry{50, 255, 255, PC_NOCOLLAPSE};
        palette[41] = PaletteEntry{50, 255, 255, PC_NOCOLLAPSE};
        PaletteSetAll(palette);
    }
};

// The set-up palette's entries and the test palette's: yellow is equally far from the set-up
// greys 168 and 172 (entries 234 and 235); black is set-up entries 0, 64, 128 and 192.
TEST_F(TextTest, GlyphsOnlyInsideTheBoxInTheNearestIndex) {
    const struct {
        const char* what;
        bool test_palette;
        uint32_t color;
        uint8_t index;
    } cases[] = {
        {"yellow, a tie: the lower", false, Rgb(255, 255, 0), 234},
        {"black", false, Rgb(0, 0, 0), 0},
        {"red", false, Rgb(255, 0, 0), 63},
        {"white", false, Rgb(255, 255, 255), 255},
        {"black", true, Rgb(0, 0, 0), 10},
        {"yellow", true, Rgb(255, 255, 0), 20},
        {"red", true, Rgb(255, 0, 0), 30},
        {"cyan, equal to two entries: the lower", true, Rgb(50, 255, 255), 40},
        {"near red", true, Rgb(200, 40, 30), 30},
    };
    const char* text = "Score: 1250";
    for (const auto& c : cases) {
        if (c.test_palette) {
            UseTestPalette();
        }
        SurfaceFill(back_surface, BACKGROUND);
        ASSERT_EQ(TextDraw(text, 100, 200, c.color, back_surface), 1) << c.what;
        Ink ink = InkOf(Take(back_surface));
        ASSERT_EQ(ink.indexes.size(), 1u) << c.what << ": more than one index painted";
        EXPECT_EQ(ink.indexes[0], c.index) << c.what;
        EXPECT_GE(ink.left, 100) << c.what;
        EXPECT_LE(ink.left, 103) << c.what << ": text starts at x";
        EXPECT_GE(ink.top, 200) << c.what;
        EXPECT_LE(ink.top, 205) << c.what << ": capitals start near y";
        EXPECT_LT(ink.bottom, 216) << c.what << ": a 16-pixel line";
        EXPECT_LT(ink.right, 100 + 12 * 11) << c.what;
        int box = (ink.right - ink.left + 1) * (ink.bottom - ink.top + 1);
        EXPECT_GT(ink.count, 60) << c.what;
        EXPECT_LT(ink.count, box / 2) << c.what << ": the background shows between glyphs";
    }
}

TEST_F(TextTest, IndexedColourComesFromThePaletteCopy) {
    UseTestPalette();
    EXPECT_EQ(TextDrawIndexed("Level 2", 50, 50, 41, back_surface), 1);
    Ink ink = InkOf(Take(back_surface));
    ASSERT_EQ(ink.indexes.size(), 1u);
    EXPECT_EQ(ink.indexes[0], 40) << "entry 41's colour is first found at 40";
    EXPECT_EQ(TextDrawIndexed("Level 2", 50, 50, 256, back_surface), 0);
    EXPECT_EQ(TextDrawIndexed("Level 2", 50, 50, -1, back_surface), 0);
}

TEST_F(TextTest, RefusedWithoutADeviceContext) {
    const Shot before = Take(back_surface);
    ASSERT_NE(BackLock(), nullptr);
    EXPECT_EQ(TextDraw("Hit", 10, 10, Rgb(255, 0, 0), back_surface), 0) << "locked surface";
    BackUnlock();
    HostRefuse(HOST_REFUSE_GET_DC);
    EXPECT_EQ(TextDraw("Hit", 10, 10, Rgb(255, 0, 0), back_surface), 0) << "context refused";
    HostRefuse(0);
    EXPECT_EQ(TextDraw(nullptr, 10, 10, Rgb(255, 0, 0), back_surface), 0) << "null text";
    EXPECT_EQ(TextDraw("Hit", 10, 10, Rgb(255, 0, 0), nullptr), 0) << "null surface";
    EXPECT_EQ(Take(back_surface).pixels, before.pixels) << "something was drawn";
    EXPECT_EQ(TextDraw("", 10, 10, Rgb(255, 0, 0), back_surface), 1) << "empty text";
}

TEST_F(TextTest, OneContextAtATimeAndTheSurfaceCannotBeLockedMeanwhile) {
    int live = HostLiveObjects();
    HostDC* dc = HostSurfaceGetDC(back_surface);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(HostSurfaceGetDC(back_surface), nullptr) << "a second context";
    EXPECT_EQ(BackLock(), nullptr) << "lock while the context is out";
    HostSurfaceReleaseDC(back_surface, dc);
    EXPECT_NE(BackLock(), nullptr);
    BackUnlock();
    EXPECT_EQ(HostLiveObjects(), live);
}

// The font is built in: every byte but NUL has a glyph, blanks only widen the box, and the
// string ends at the first NUL or after length bytes, whichever comes first.
TEST_F(TextTest, BytesBlanksAndTheEndOfTheString) {
    UseTestPalette();
    auto ink_of = [](const char* text, int32_t length) {
        SurfaceFill(back_surface, BACKGROUND);
        HostDC* dc = HostSurfaceGetDC(back_surface);
        EXPECT_NE(dc, nullptr);
        HostSetBkMode(dc, TRANSPARENT);
        HostSetTextColor(dc, Rgb(255, 0, 0));
        EXPECT_EQ(HostTextOut(dc, 20, 20, text, length), 1) << "'" << text << "'";
        HostSurfaceReleaseDC(back_surface, dc);
        return InkOf(Take(back_surface));
    };
    EXPECT_EQ(ink_of("   ", 3).count, 0) << "blanks have no ink";
    EXPECT_EQ(ink_of("\xAD", 1).count, 0) << "a soft hyphen alone is an empty string";
    const Ink whole = ink_of("Score", 5);
    EXPECT_EQ(ink_of("Score\0Level", 11).count, whole.count) << "the string ends at its NUL";
    EXPECT_LT(ink_of("Score", 3).count, whole.count) << "length cuts the string";
    const Ink spaced = ink_of("  Score", 7);
    EXPECT_EQ(spaced.count, whole.count);
    EXPECT_GT(spaced.left, whole.left) << "leading blanks move the glyphs right";
    EXPECT_GT(ink_of("\x01", 1).count, 0) << "a byte without a glyph shows the missing-glyph box";
    EXPECT_GT(ink_of("\xE9", 1).count, 0) << "Latin-1 letters draw";
}

TEST_F(TextTest, ClipperRectanglesCutTheText) {
    UseTestPalette();
    const char* text = "GAME OVER 1250";
    TextDraw(text, 100, 200, Rgb(255, 255, 0), back_surface);
    const Shot whole = Take(back_surface);
    SurfaceFill(back_surface, BACKGROUND);

    const HostRect rects[2] = {{100, 200, 130, 209}, {140, 205, 400, 230}};
    display_clipper = ClipperAttach(back_surface, 2, rects);
    ASSERT_NE(display_clipper, nullptr);
    TextDraw(text, 100, 200, Rgb(255, 255, 0), back_surface);
    const Shot cut = Take(back_surface);

    int inside = 0, outside = 0;
    for (int32_t y = 0; y < whole.height; y++) {
        for (int32_t x = 0; x < whole.width; x++) {
            bool in = false;
            for (const HostRect& r : rects) {
                in = in || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
            }
            uint8_t want = in ? whole.At(x, y) : BACKGROUND;
            ASSERT_EQ(cut.At(x, y), want) << "at (" << x << "," << y << ")";
            if (whole.At(x, y) != BACKGROUND) {
                (in ? inside : outside)++;
            }
        }
    }
    EXPECT_GT(inside, 20);
    EXPECT_GT(outside, 20) << "the clip list must cut something for this test to mean much";
}

// Text running off any side shows the same pixels as the same text drawn well inside.
TEST_F(TextTest, TextOffTheSurfaceIsCutToIt) {
    UseTestPalette();
    const char* text = "Wg|Q";
    TextDraw(text, 300, 300, Rgb(255, 0, 0), back_surface);
    const Shot inside = Take(back_surface);
    const int32_t places[][2] = {{-7, -9}, {620, 470}, {-2000000000, 5}, {2147483600, 5}};
    for (const auto& place : places) {
        SurfaceFill(back_surface, BACKGROUND);
        ASSERT_EQ(TextDraw(text, place[0], place[1], Rgb(255, 0, 0), back_surface), 1);
        const Shot off = Take(back_surface);
        for (int32_t y = 0; y < off.height; y++) {
            for (int32_t x = 0; x < off.width; x++) {
                int64_t sx = int64_t{x} - place[0] + 300;
                int64_t sy = int64_t{y} - place[1] + 300;
                bool mapped = sx >= 0 && sx < 640 && sy >= 0 && sy < 480;
                uint8_t want = mapped
                                   ? inside.At(static_cast<int32_t>(sx), static_cast<int32_t>(sy))
                                   : BACKGROUND;
                ASSERT_EQ(off.At(x, y), want) << "text at (" << place[0] << "," << place[1]
                                              << "), pixel (" << x << "," << y << ")";
            }
        }
    }
    HostSurface* small = SurfaceCreate(9, 5, 0);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(TextDraw("a wide string on a small surface", -3, -4, Rgb(255, 0, 0), small), 1);
    HostSurfaceRelease(small);
}

TEST_F(TextTest, TextOnThePrimaryShowsAtOnce) {
    uint32_t before = HeadlessPresentCount();
    EXPECT_EQ(TextDraw("Paused", 10, 10, Rgb(255, 255, 255), primary_surface), 1);
    EXPECT_GT(HeadlessPresentCount(), before);
}

// Text in the four colours the game uses, for people to look at.
TEST_F(TextTest, SavesAPictureOfTheFourColours) {
    // A 6 x 6 x 6 colour cube, then greys.
    PaletteEntry palette[256];
    for (int i = 0; i < 256; i++) {
        if (i < 216) {
            palette[i] = PaletteEntry{static_cast<uint8_t>(i / 36 * 51),
                                      static_cast<uint8_t>(i / 6 % 6 * 51),
                                      static_cast<uint8_t>(i % 6 * 51), PC_NOCOLLAPSE};
        } else {
            uint8_t grey = static_cast<uint8_t>((i - 216) * 6 + 8);
            palette[i] = PaletteEntry{grey, grey, grey, PC_NOCOLLAPSE};
        }
    }
    PaletteSetAll(palette);
    const int32_t width = 360, height = 100;
    HostSurface* picture = SurfaceCreate(width, height, 0);
    ASSERT_NE(picture, nullptr);
    SurfaceFill(picture, 1 * 36 + 2 * 6 + 3);  // (51, 102, 153)
    const HostRect light{180, 0, width, height};
    HostSurfaceBlt(picture, &light, nullptr, nullptr, DDBLT_COLORFILL, 246);  // a light grey
    const uint32_t colours[4] = {Rgb(0, 0, 0), Rgb(255, 255, 0), Rgb(255, 0, 0), Rgb(50, 255, 255)};
    const char* lines[4] = {"SCORE: 1250   black", "Lives: 3   yellow", "GAME OVER   red",
                            "Press Enter   (50,255,255)"};
    for (int i = 0; i < 4; i++) {
        ASSERT_EQ(TextDraw(lines[i], 8, 6 + 22 * i, colours[i], picture), 1);
    }
    int32_t pitch = 0;
    uint8_t* pixels = SurfaceLock(picture, &pitch);
    ASSERT_NE(pixels, nullptr);
    const std::string folder = std::string(QENT_BINARY_DIR) + "/docs";
    std::filesystem::create_directories(folder);
    EXPECT_EQ(
        HostWritePng((folder + "/text.png").c_str(), pixels, width, height, pitch, palette_shadow),
        1);
    SurfaceUnlock(picture, pixels);
    HostSurfaceRelease(picture);
}

}  // namespace
