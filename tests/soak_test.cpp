// A long session of the whole game on the headless host: random but plausible input every
// frame (mouse motion, clicks, Enter, Space; Escape only at the end), the game's invariants
// checked after every frame, and nothing left behind at the end.
//
// QENT_SOAK_FRAMES sets the length (20,000 frames by default; `make soak` runs 200,000
// under AddressSanitizer).

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "game/game.h"
#include "platform/headless.h"
#include "platform/host_input.h"
#include "tests/support/game_support.h"

namespace {

int SoakFrames() {
    const char* text = std::getenv("QENT_SOAK_FRAMES");
    const int frames = text != nullptr ? std::atoi(text) : 0;
    return frames > 0 ? frames : 20000;
}

// Empty when the invariants hold; otherwise what broke.
std::string BrokenInvariant() {
    if (score < 0) {
        return "score " + std::to_string(score) + " below 0";
    }
    if (lives < 0) {
        return "lives " + std::to_string(lives) + " below 0";
    }
    if (level < 1) {
        return "level " + std::to_string(level) + " below 1";
    }
    // level_hits reaches 5 only inside the frame that ends a level.
    if (level_hits < 0 || level_hits > 4) {
        return "level_hits " + std::to_string(level_hits) + " outside 0..4";
    }
    if (game_state < GAME_STATE_PLAYING || game_state > GAME_STATE_INTRO) {
        return "game_state " + std::to_string(game_state) + " is none of the five";
    }
    const BOB* sprites[] = {&crosshair_bob, &lock_bob, &duck_bob, &dead_duck_bob};
    const char* names[] = {"crosshair_bob", "lock_bob", "duck_bob", "dead_duck_bob"};
    for (int i = 0; i < 4; ++i) {
        if (sprites[i]->frame_index < 0 || sprites[i]->frame_index >= sprites[i]->frame_count) {
            return std::string(names[i]) + " frame_index " +
                   std::to_string(sprites[i]->frame_index) + " outside 0.." +
                   std::to_string(sprites[i]->frame_count - 1);
        }
    }
    return "";
}

using SoakTest = GameTest;

TEST_F(SoakTest, ALongSessionOfRandomPlayKeepsEveryInvariantAndLeaksNothing) {
    const int frames = SoakFrames();
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> motion(-24, 24);
    std::uniform_int_distribution<int> percent(0, 99);
    bool button = false;
    bool enter = false;
    bool space = false;
    int states_seen = 0;
    int shots = 0;

    for (int frame = 0; frame < frames; ++frame) {
        // Steer the cross-hair towards the duck half the time, so hits happen too.
        int dx = motion(random);
        int dy = motion(random);
        if (percent(random) < 50) {
            dx += (duck_bob.center_x - crosshair_bob.center_x) / 4;
            dy += (duck_bob.center_y - crosshair_bob.center_y) / 4;
        }
        Motion(dx, dy);
        if (percent(random) < 15) {
            button = !button;
            shots += button ? 1 : 0;
            Button(button);
        }
        if (percent(random) < 4) {
            enter = !enter;
            Key(DIK_RETURN, enter);
        }
        if (percent(random) < 3) {
            space = !space;
            Key(DIK_SPACE, space);
        }
        GameFrame();
        states_seen |= 1 << game_state;
        const std::string broken = BrokenInvariant();
        ASSERT_TRUE(broken.empty()) << "after frame " << frame << ": " << broken;
    }
    // The session went through the whole machine, not one screen.
    if (frames >= 20000) {
        EXPECT_EQ(states_seen & 0x3E, 0x3E) << "states seen: " << states_seen;
        EXPECT_GT(shots, 0);
    }

    const int live_before_teardown = HostLiveObjects();
    Key(DIK_ESCAPE, true);
    GameFrame();
    GameTeardown();
    torn_down = true;
    EXPECT_GT(live_before_teardown, 0);
    EXPECT_EQ(HostLiveObjects(), 0) << "display objects left after teardown";
    EXPECT_EQ(HostInputLiveObjects(), 0) << "input devices left after teardown";
}

}  // namespace
