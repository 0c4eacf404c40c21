// Golden frames: four screens of a scripted game, rendered headless, compared by a hash of
// their pixels and palette so that any change to what the game draws shows here.
// QENT_UPDATE_GOLDEN=1 also writes them as PNG into docs/screenshots/ for people to look at;
// after an intended change (new art, new drawing) update the hashes from the failure text.

#include <gtest/gtest.h>

#include <cinttypes>
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
constexpr Golden PLAY = {"play", 0x4731b460d09206e7ULL};
constexpr Golden LEVEL_COMPLETE = {"level_complete", 0xced87cdbc6438d84ULL};
constexpr Golden GAME_OVER = {"game_over", 0x1c1d7b2d0122537bULL};

// The asset pack the hashes were taken with: new art changes every frame on purpose.
constexpr uint64_t ASSET_FINGERPRINT = 0xd47891457b153240ULL;

// FNV-1a 64 over the nine files' bytes, in their listed order.
uint64_t AssetFingerprint() {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char* name : game_asset_names) {
        std::ifstream file(GameAssetFolder() + "/" + name, std::ios::binary);
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
