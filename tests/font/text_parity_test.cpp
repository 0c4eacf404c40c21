// The built-in glyph table against the font renderer it was made from: SDL_ttf drawing
// DejaVu Sans Bold at 13 points, solid. Every string must come out pixel for pixel the same,
// box included, or the table is stale. The only test that links SDL: it checks our font data.

#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "lib/display.h"
#include "platform/headless.h"

namespace {

constexpr const char* FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr int FONT_POINTS = 13;
constexpr int PEN_X = 40;  // room for glyphs that reach left of the pen
constexpr int PEN_Y = 8;
constexpr uint8_t FIELD = 7;  // grey, what the surface holds around the string's box
constexpr uint8_t INK = 1;    // black, the text colour
constexpr uint8_t PAPER = 2;  // white, the opaque background inside the box

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> ink;  // 1 where the string has ink
};

// What the reference renderer makes of the bytes; width 0 when it refuses (an empty box).
Picture Reference(TTF_Font* font, const std::string& text) {
    Picture picture;
    SDL_Surface* rendered = TTF_RenderText_Solid(font, text.c_str(), SDL_Color{255, 255, 255, 255});
    if (rendered == nullptr) {
        return picture;
    }
    picture.width = rendered->w;
    picture.height = rendered->h;
    SDL_LockSurface(rendered);
    for (int y = 0; y < rendered->h; y++) {
        const auto* row = static_cast<const uint8_t*>(rendered->pixels) + y * rendered->pitch;
        for (int x = 0; x < rendered->w; x++) {
            picture.ink.push_back(row[x] != 0 ? 1 : 0);
        }
    }
    SDL_UnlockSurface(rendered);
    SDL_FreeSurface(rendered);
    return picture;
}

// What the host draws: opaque text paints its whole box, so the box shows as paper or ink.
Picture Ours(const std::string& text) {
    Picture picture;
    SurfaceFill(back_surface, FIELD);
    HostDC* dc = HostSurfaceGetDC(back_surface);
    EXPECT_NE(dc, nullptr);
    HostSetTextColor(dc, 0x00000000);
    HostSetBkMode(dc, OPAQUE);
    EXPECT_EQ(HostTextOut(dc, PEN_X, PEN_Y, text.data(), static_cast<int32_t>(text.size())), 1);
    HostSurfaceReleaseDC(back_surface, dc);
    int32_t pitch = 0;
    const uint8_t* pixels = SurfaceLock(back_surface, &pitch);
    int left = 640;
    int right = -1;
    for (int x = 0; x < 640; x++) {
        for (int y = 0; y < 480; y++) {
            if (pixels[y * pitch + x] != FIELD) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    if (right >= left) {
        picture.width = right - left + 1;
        picture.height = 16;
        for (int y = PEN_Y; y < PEN_Y + 16; y++) {
            for (int x = left; x <= right; x++) {
                picture.ink.push_back(pixels[y * pitch + x] == INK ? 1 : 0);
            }
        }
    }
    SurfaceUnlock(back_surface, const_cast<uint8_t*>(pixels));
    return picture;
}

class TextParityTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        ASSERT_EQ(DisplayInit(640, 480, 8), 1);
        if (TTF_Init() != 0 || (font = TTF_OpenFont(FONT_FILE, FONT_POINTS)) == nullptr) {
            GTEST_SKIP() << "no reference font (" << FONT_FILE << ")";
        }
        PaletteEntry palette[256];
        for (PaletteEntry& entry : palette) {
            entry = PaletteEntry{128, 128, 128, PC_NOCOLLAPSE};
        }
        palette[INK] = PaletteEntry{0, 0, 0, PC_NOCOLLAPSE};
        palette[PAPER] = PaletteEntry{255, 255, 255, PC_NOCOLLAPSE};
        HostPaletteSetEntries(display_palette, 0, 0, 256, palette);
    }
    void TearDown() override {
        if (font != nullptr) {
            TTF_CloseFont(font);
        }
        TTF_Quit();
        DisplayShutdown();
    }
    TTF_Font* font = nullptr;
};

TEST_F(TextParityTest, EveryByteAndRandomStringsMatchTheFontRenderer) {
    std::vector<std::string> texts = {
        "Score: 1250", "GAME OVER", "Press Enter to start", "Ver. 1.0", "AV Te Yo fi ffl", " ",
        "\xAD",        "j"};
    for (int byte = 1; byte < 256; byte++) {
        texts.push_back(std::string(1, static_cast<char>(byte)));
        texts.push_back("a" + std::string(1, static_cast<char>(byte)) + "a");
    }
    std::mt19937 random(20261207);
    for (int i = 0; i < 3000; i++) {
        std::string text(1 + random() % 24, ' ');
        for (char& c : text) {
            c = static_cast<char>(1 + random() % 255);
        }
        texts.push_back(text);
    }
    int mismatches = 0;
    for (const std::string& text : texts) {
        const Picture expected = Reference(font, text);
        const Picture actual = Ours(text);
        if (expected.width != actual.width || expected.ink != actual.ink) {
            if (++mismatches <= 5) {
                ADD_FAILURE() << "bytes of '" << text << "': expected a " << expected.width
                              << " px box, got " << actual.width << " px"
                              << (expected.width == actual.width ? " with other ink" : "");
            }
        }
    }
    EXPECT_EQ(mismatches, 0) << "of " << texts.size() << " strings";
}

}  // namespace
