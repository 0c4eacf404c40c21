// Golden frames: four screens of a scripted game, rendered headless, compared by a hash of
// their pixels and palette so that any change to what the game draws shows here.
// QENT_UPDATE_GOLDEN=1 also writes them as PNG into docs/screenshots/ for people to look at;
// after an intended change (new art, new drawing) update the hashes from the failure text.

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/game.h"
#include "platform/headless.h"
#include "platform/host_input.h"
#include "tests/support/game_support.h"

namespace {

struct Golden {
    const char* name;  // the PNG's name in docs/screenshots/
    uint64_t hash;     // GameFrameHash of the frame
};

constexpr Golden TITLE = {"title", 0xa19c0b20612ec286ULL};
constexpr Golden PLAY = {"play", 0xddf543bd0dab036eULL};
constexpr Golden LEVEL_COMPLETE = {"level_complete", 0x7d95402c39491a63ULL};
constexpr Golden GAME_OVER = {"game_over", 0xa55a9becacad7d8bULL};

class GoldenTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        if (HostFontProblem() != nullptr) {
            GTEST_SKIP() << "the golden frames hold text: " << HostFontProblem();
        }
    }

    void Check(const Golden& golden) {
        uint64_t hash = GameFrameHash();
        const char* update = std::getenv("QENT_UPDATE_GOLDEN");
        if (update != nullptr && std::string(update) == "1") {
            std::string path =
                std::string(QENT_SOURCE_DIR "/docs/screenshots/") + golden.name + ".png";
            EXPECT_EQ(HeadlessSaveFramePng(path.c_str()), 1) << path;
        }
        char actual[32];
        std::snprintf(actual, sizeof actual, "0x%016" PRIx64, hash);
        EXPECT_EQ(hash, golden.hash)
            << golden.name << " frame changed: its hash is now " << actual << "ULL";
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
