// One frame of the game: the background, the input, one step of the current state, the
// flip and the wait; Escape ends the program after the frame.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "game/game.h"
#include "lib/app.h"
#include "lib/bitmap.h"
#include "lib/bob.h"
#include "lib/clock.h"
#include "lib/display.h"
#include "lib/draw.h"
#include "lib/input.h"
#include "lib/sound.h"
#include "lib/transition.h"

namespace {

constexpr int DUCK_PLACEMENT_HEIGHT = 480;  // a placed duck's top row is random mod (this - h)
constexpr int DEAD_DUCK_LAST_FRAME = 2;
constexpr int DEAD_DUCK_STEPS = 3;  // animation steps drawn in the frame that ends a level

bool KeyDown(int key) {
    return key_states[key] != 0;
}

bool LeftButtonDown() {
    return mouse_reading.rgbButtons[0] != 0;
}

void AnimateAndDraw(BOB* bob) {
    BobAnimate(bob);
    BobDraw(bob, back_surface);
}

// Just beyond the right edge, at a random height that keeps the whole duck on screen.
void PlaceDuck() {
    BobSetPosition(&duck_bob, display_width,
                   std::rand() % (DUCK_PLACEMENT_HEIGHT - duck_bob.height));
}

// Mouse motion to cross-hair velocity, truncated toward zero (1 and -1 give 0, 3 gives 2).
int CrosshairVelocity(int32_t motion) {
    return static_cast<int>(motion * CROSSHAIR_GAIN);
}

// The centre may reach the screen size itself, one past the last pixel.
void KeepCrosshairOnScreen() {
    BOB* aim = &crosshair_bob;
    if (aim->center_x >= display_width) {
        BobSetPosition(aim, display_width - aim->width / 2, aim->y);
    }
    if (aim->center_x <= 0) {
        BobSetPosition(aim, -(aim->width / 2), aim->y);
    }
    if (aim->center_y >= display_height) {
        BobSetPosition(aim, aim->x, display_height - aim->height / 2);
    }
    if (aim->center_y <= 0) {
        BobSetPosition(aim, aim->x, -(aim->height / 2));
    }
}

void StopLockTone() {
    SoundStop(beep_sound);
    lock_tone_on = false;
}

void DrawDuckAndAim(BOB* aim) {
    AnimateAndDraw(&duck_bob);
    AnimateAndDraw(aim);
}

void PlayingStep() {
    BobSetVelocity(&crosshair_bob, CrosshairVelocity(mouse_reading.lX),
                   CrosshairVelocity(mouse_reading.lY));
    BobMove(&crosshair_bob);
    BobMove(&duck_bob);
    KeepCrosshairOnScreen();

    // Wholly past the left edge: the duck escaped.
    if (duck_bob.box_right <= 0) {
        lives--;
        level_escapes--;
        PlaceDuck();
    }

    if (dead_duck_active) {
        AnimateAndDraw(&dead_duck_bob);
        if (dead_duck_bob.frame_index == DEAD_DUCK_LAST_FRAME) {
            dead_duck_active = false;
        }
    }

    bool hit = CrosshairOverDuck(&crosshair_bob, &duck_bob);
    bool button = LeftButtonDown();
    if (!hit && button && !fire_latch) {
        // A missed shot leaves a looping lock tone alone; the next frame off the duck stops it.
        SoundPlay(rifle_sound, 0);
        fire_latch = true;
        misses++;
        level_misses++;
        score -= MISS_POINTS;
        DrawDuckAndAim(&crosshair_bob);
    } else if (!hit) {
        StopLockTone();
        DrawDuckAndAim(&crosshair_bob);
    } else if (!button) {
        BobSetPosition(&lock_bob, crosshair_bob.x, crosshair_bob.y);
        if (!lock_tone_on) {
            SoundPlay(beep_sound, SOUND_PLAY_LOOPING);
            lock_tone_on = true;
        }
        DrawDuckAndAim(&lock_bob);
    } else if (!fire_latch) {
        BobSetPosition(&lock_bob, crosshair_bob.x, crosshair_bob.y);
        dead_duck_active = true;
        score += HIT_POINTS;
        level_hits++;
        // The dead duck shows from the next frame; its tick count runs on.
        BobSetPosition(&dead_duck_bob, duck_bob.x, duck_bob.y);
        dead_duck_bob.frame_index = 0;
        PlaceDuck();
        AnimateAndDraw(&lock_bob);
        SoundPlay(rifle_sound, 0);
        fire_latch = true;
    } else {
        // The button is still held from a shot: no new shot, and the tone is left alone.
        DrawDuckAndAim(&crosshair_bob);
    }

    if (score < 0) {
        score = 0;
    }
    std::snprintf(hud_text, sizeof hud_text, "Score: %d Life: %d Level: %d Misses: %d", score,
                  lives, level, misses);
    TextDraw(hud_text, 0, 0, TEXT_BLACK, back_surface);

    if (level_hits == DUCKS_PER_LEVEL) {
        StopLockTone();
        game_state = GAME_STATE_LEVEL_COMPLETE;
        level++;
        level_hits = 0;
        AdvanceDeadDuck();
        dead_duck_active = false;
    }
    // Tested last, so running out of lives wins over a completed level.
    if (lives == 0) {
        StopLockTone();
        game_state = GAME_STATE_GAME_OVER;
    }
}

void LevelCompleteStep() {
    // level is already the next one: level 2 flies at 14 pixels a frame.
    BobSetVelocity(&duck_bob, -(2 * level + 10), 0);

    std::snprintf(score_text, sizeof score_text, "Score: %d", score);
    TextDraw(score_text, 0, 0, TEXT_BLACK, back_surface);
    std::snprintf(level_text, sizeof level_text, "Congratulations! You Completed Level %d!",
                  level - 1);
    TextDraw(level_text, bonus_text_x, bonus_text_y, TEXT_YELLOW, back_surface);

    int no_escape_bonus = 0;
    int sharp_shooting_bonus = 0;
    int level_bonus = LEVEL_BONUS;
    if (level_escapes == 0) {
        no_escape_bonus = NO_ESCAPE_BONUS;
        TextDraw("No Escape Bonus! +100 Points!", bonus_text_x + 30, bonus_text_y + 30, TEXT_RED,
                 back_surface);
    }
    if (level_misses == 0) {
        sharp_shooting_bonus = SHARP_SHOOTING_BONUS;
        TextDraw("Sharp Shooting Bonus! +200 Points!", bonus_text_x + 10, bonus_text_y + 60,
                 TEXT_RED, back_surface);
    }
    TextDraw("Level Complete Bonus! +100 Points! +1 Life!", bonus_text_x - 10, bonus_text_y + 90,
             TEXT_RED, back_surface);
    TextDraw("Hit Space To Continue", bonus_text_x + 60, bonus_text_y + 120, TEXT_CYAN,
             back_surface);

    // No latch for Space: held while the screen comes up, it continues at once. The duck
    // flies on from where the fifth hit placed it.
    if (KeyDown(DIK_SPACE)) {
        game_state = GAME_STATE_PLAYING;
        score += no_escape_bonus + sharp_shooting_bonus + level_bonus;
        lives++;
        level_misses = 0;
        level_escapes = 0;
    }
}

void GameOverStep() {
    std::snprintf(score_text, sizeof score_text, "Score: %d", score);
    TextDraw(score_text, 10, 10, TEXT_YELLOW, back_surface);
    if (KeyDown(DIK_RETURN) && !enter_latch) {
        game_state = GAME_STATE_TITLE;
        enter_latch = true;
    }
}

void TitleStep() {
    TextDraw(version_text, 550, 450, TEXT_BLACK, back_surface);
    if (KeyDown(DIK_RETURN) && !enter_latch) {
        game_state = GAME_STATE_PLAYING;
        score = 0;
        lives = START_LIVES;
        misses = 0;
        level_misses = 0;
        level_escapes = 0;
        level_hits = 0;
        level = 1;
        BobSetVelocity(&duck_bob, -START_DUCK_SPEED, 0);
        // Unlike every other placement: from -64 to 415, so the first duck may start partly
        // above the top edge.
        BobSetPosition(&duck_bob, display_width,
                       std::rand() % DUCK_PLACEMENT_HEIGHT - duck_bob.height);
        enter_latch = true;
    }
}

void IntroStep() {
    PlayIntroFrame(intro_frame);
    intro_frame++;
    if (intro_frame == INTRO_FRAMES) {
        game_state = GAME_STATE_TITLE;
        intro_frame = 0;
    }
}

BitmapImage* StateBackground() {
    if (game_state == GAME_STATE_GAME_OVER) {
        return &game_over_background;
    }
    if (game_state == GAME_STATE_TITLE) {
        return &title_background;
    }
    return &play_background;
}

}  // namespace

bool CrosshairOverDuck(const BOB* aim, const BOB* target) {
    // In 64 bits, so a trim never overflows whatever the bounds hold.
    int64_t x = aim->center_x;
    int64_t y = aim->center_y;
    return x > target->box_left && x < int64_t{target->box_right} - AIM_TRIM_RIGHT &&
           y > int64_t{target->box_top} + AIM_TRIM_TOP && y < target->box_bottom;
}

int AdvanceDeadDuck() {
    int result = 0;
    for (int i = 0; i < DEAD_DUCK_STEPS; i++) {
        BobAnimate(&dead_duck_bob);
        result = BobDraw(&dead_duck_bob, back_surface);
    }
    return result;
}

int GameFrame() {
    ClockMark();
    SurfaceFill(back_surface, 0);
    BackLock();
    if (back_pixels != nullptr) {
        ImageDraw(StateBackground(), back_pixels, back_pitch, 0);
    }
    BackUnlock();

    KeyboardRead();
    MouseRead();
    if (!LeftButtonDown()) {
        fire_latch = false;
    }
    if (!KeyDown(DIK_RETURN)) {
        enter_latch = false;
    }

    // One state's step per frame; a state changed here takes effect on the next frame.
    switch (game_state) {
        case GAME_STATE_PLAYING:
            PlayingStep();
            break;
        case GAME_STATE_LEVEL_COMPLETE:
            LevelCompleteStep();
            break;
        case GAME_STATE_GAME_OVER:
            GameOverStep();
            break;
        case GAME_STATE_TITLE:
            TitleStep();
            break;
        case GAME_STATE_INTRO:
            IntroStep();
            break;
        default:
            break;
    }

    DisplayFlip();
    ClockWait(FRAME_TIME_MS);

    if (KeyDown(DIK_ESCAPE)) {
        HostPostMessage(app_window, WM_DESTROY, 0, 0);
        SoundStopAll();
        TransitionPlay(TRANSITION_FADE_BLACK, nullptr, 0);
    }
    return 1;
}
