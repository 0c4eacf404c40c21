// Golden frames: four screens of a scripted game, rendered headless, compared by a hash of
// their pixels and palette so that any change to what the game draws shows here.
// QENT_UPDATE_GOLDEN=1 also writes them as PNG into docs/screenshots/ for people to look at;
// after an intended change (new art, new drawing) update the hashes from the failure text.

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/game.h"
#include "platform/headless.h"
#include "platform/host_input.h"
#include "tests/support/game_support.h"

namespace {

struct Golden {
    const char* name;  // the PNG's name in docs/screenshots/
    uint64_t hash;     // GameFrameHash of the frame
};

constexpr Golden TITLE = {"title", 0xfb87431b8af296fcULL};
constexpr Golden PLAY = {"play", 0xf73fbff5af6df76dULL};
constexpr Golden LEVEL_COMPLETE = {"level_complete", 0xc6f2d2de5ff0a061ULL};
constexpr Golden GAME_OVER = {"game_over", 0x1da668db845f232cULL};

// The asset pack the hashes were taken with: new art changes every frame on purpose.
constexpr uint64_t ASSET_FINGERPRINT = 0x0a825f687a8126f2ULL;

// FNV-1a 64 over the nine files' bytes, in their listed order.
uint64_t AssetFingerprint() {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (const GameAsset& asset : game_assets) {
        std::ifstream file(GameAssetFolder() + "/" + asset.file, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
        for (char byte : bytes) {
            hash ^= static_cast<uint8_t>(byte);
            hash *= 0x100000001b3ULL;
        }
    }
    return hash;
}

std::string Hex(uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%016" PRIx64 "ULL", value);
    return text;
}

class GoldenTest : public GameTest {
protected:
    void Check(const Golden& golden) {
        uint64_t hash = GameFrameHash();
        const char* update = std::getenv("QENT_UPDATE_GOLDEN");
        if (update != nullptr && std::string(update) == "1") {
            std::string path =
                std::string(QENT_SOURCE_DIR "/docs/screenshots/") + golden.name + ".png";
            EXPECT_EQ(HeadlessSaveFramePng(path.c_str()), 1) << path;
        }
        uint64_t assets = AssetFingerprint();
        EXPECT_EQ(hash, golden.hash)
            << "the " << golden.name << " frame changed: its hash is now " << Hex(hash) << ". "
            << (assets == ASSET_FINGERPRINT
                    ? std::string("The assets are the same, so the game draws differently.")
                    : "The asset pack changed (fingerprint now " + Hex(assets) +
                          "): if the new art is meant, run with QENT_UPDATE_GOLDEN=1 and take "
                          "the new hashes.");
    }
};

TEST_F(GoldenTest, Title) {
    RunFrames(INTRO_FRAMES + 1);
    ASSERT_EQ(game_state, GAME_STATE_TITLE);
    Check(TITLE);
}

TEST_F(GoldenTest, PlayLockedOn) {
    RunFrames(INTRO_FRAMES + 1);
    StartPlaying();
    RunFrames(12);
    score = 350;
    lives = 4;
    level = 2;
    misses = 1;
    PlaceForShot(330, 170, 400, 215);
    RunFrames(2);
    ASSERT_TRUE(lock_tone_on);
    Check(PLAY);
}

TEST_F(GoldenTest, LevelComplete) {
    StartPlaying();
    score = 200;
    level_hits = 4;
    PlaceForShot(330, 330, 400, 375);
    Button(true);
    RunFrames(1);
    Button(false);
    RunFrames(1);
    ASSERT_EQ(game_state, GAME_STATE_LEVEL_COMPLETE);
    Check(LEVEL_COMPLETE);
}

// WCAG's relative luminance of an sRGB colour, 0 (black) to 1 (white).
double Luminance(const PaletteEntry& c) {
    auto linear = [](uint8_t v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue);
}

struct LineContrast {
    int top;          // the line's first row
    int glyphs;       // pixels the text changed
    double contrast;  // glyph colour against the mean luminance around it, 1 to 21
};

// The contrast of the text line drawn from row top (16 rows high) on the level-complete
// screen: its glyph pixels are those that differ from the play background, its surround the
// other pixels of the glyphs' bounding box grown by 2 on every side.
LineContrast MeasureLine(int top) {
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* frame = HeadlessFramePixels(&width, &height);
    const PaletteEntry* palette = HeadlessFramePalette();
    const uint8_t* background = play_background.pixels;
    LineContrast result{top, 0, 0};
    if (frame == nullptr || palette == nullptr || background == nullptr ||
        play_background.width != width || play_background.height != height) {
        return result;
    }
    const int bottom = std::min(top + 16, static_cast<int>(height));
    int left = width;
    int right = -1;
    int ink_top = height;
    int ink_bottom = -1;
    double ink = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < width; ++x) {
            if (frame[y * width + x] != background[y * width + x]) {
                left = std::min(left, x);
                right = std::max(right, x);
                ink_top = std::min(ink_top, y);
                ink_bottom = std::max(ink_bottom, y);
                ink += Luminance(palette[frame[y * width + x]]);
                ++result.glyphs;
            }
        }
    }
    if (result.glyphs == 0) {
        return result;
    }
    double around = 0;
    int around_count = 0;
    for (int y = std::max(ink_top - 2, 0); y <= std::min(ink_bottom + 2, height - 1); ++y) {
        for (int x = std::max(left - 2, 0); x <= std::min(right + 2, width - 1); ++x) {
            if (frame[y * width + x] == background[y * width + x]) {
                around += Luminance(palette[frame[y * width + x]]);
                ++around_count;
            }
        }
    }
    const double a = ink / result.glyphs;
    const double b = around_count > 0 ? around / around_count : a;
    result.contrast = (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
    return result;
}

// Every line of the golden level-complete frame (a level with no escape and no miss shows
// all six) reads at a glance: at least WCAG's 4.5:1 against what lies around its letters.
TEST_F(GoldenTest, LevelCompleteLinesStandOutFromTheirBackground) {
    StartPlaying();
    score = 200;
    level_hits = 4;
    PlaceForShot(330, 330, 400, 375);
    Button(true);
    RunFrames(1);
    Button(false);
    RunFrames(1);
    ASSERT_EQ(game_state, GAME_STATE_LEVEL_COMPLETE);
    ASSERT_EQ(level_escapes, 0);
    ASSERT_EQ(level_misses, 0);
    // Score, congratulations, the three bonuses and the prompt, 30 rows apart from 190.
    for (int top : {0, 190, 220, 250, 280, 310}) {
        const LineContrast line = MeasureLine(top);
        ASSERT_GT(line.glyphs, 20) << "no text drawn from row " << top;
        std::printf("line at row %d: %d glyph pixels, contrast %.2f:1\n", top, line.glyphs,
                    line.contrast);
        EXPECT_GE(line.contrast, 4.5) << "the line at row " << top;
    }
}

TEST_F(GoldenTest, GameOver) {
    StartPlaying();
    score = 1250;
    lives = 1;
    BobSetPosition(&duck_bob, -120, 200);
    RunFrames(2);
    ASSERT_EQ(game_state, GAME_STATE_GAME_OVER);
    RunFrames(1);
    Check(GAME_OVER);
}

}  // namespace
