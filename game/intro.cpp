// The intro: a scripted scene of 100 frames over the play background. The cross-hair rises,
// a duck flies in, the sight locks on with its tone, a shot sounds and the duck falls.
#include "game/game.h"
#include "lib/bob.h"
#include "lib/display.h"
#include "lib/sound.h"
#include "platform/host.h"

namespace {

constexpr uint32_t INTRO_PAUSE_MS = 500;
constexpr int AIM_START_X = 310;
constexpr int AIM_START_Y = 420;
constexpr int AIM_RISE = -6;  // pixels a frame, from frame 14 to 47
constexpr int DUCK_Y = 200;
constexpr int DUCK_SPEED = -9;    // from frame 10 to 47
constexpr int LOCKED_SPEED = -7;  // the duck and the sight together, from frame 48 to 74
constexpr int LOCK_OFFSET_X = 5;
constexpr int LOCK_OFFSET_Y = -5;

void AnimateAndDraw(BOB* bob) {
    BobAnimate(bob);
    BobDraw(bob, back_surface);
}

// The duck and the lock marker fly on together: both move, then both animate, then both draw.
void MoveLockedOn() {
    BobMove(&duck_bob);
    BobMove(&lock_bob);
    BobAnimate(&duck_bob);
    BobAnimate(&lock_bob);
    BobDraw(&duck_bob, back_surface);
    BobDraw(&lock_bob, back_surface);
}

}  // namespace

void PlayIntroFrame(int frame) {
    if (frame == 0) {
        // The only drawing-free pause of the run: the first frame shows half a second late.
        HostSleep(INTRO_PAUSE_MS);
    } else if (frame >= 2 && frame <= 9) {
        // Set every frame but not moved: the sight waits at the bottom.
        BobSetPosition(&crosshair_bob, AIM_START_X, AIM_START_Y);
        BobSetVelocity(&crosshair_bob, 0, AIM_RISE);
        AnimateAndDraw(&crosshair_bob);
    } else if (frame == 10) {
        BobSetPosition(&duck_bob, display_width, DUCK_Y);
        BobSetVelocity(&duck_bob, DUCK_SPEED, 0);
        BobMove(&duck_bob);
        AnimateAndDraw(&duck_bob);
        AnimateAndDraw(&crosshair_bob);
    } else if (frame >= 11 && frame <= 13) {
        BobMove(&duck_bob);
        AnimateAndDraw(&duck_bob);
        AnimateAndDraw(&crosshair_bob);
    } else if (frame >= 14 && frame <= 47) {
        BobMove(&duck_bob);
        BobMove(&crosshair_bob);
        AnimateAndDraw(&duck_bob);
        AnimateAndDraw(&crosshair_bob);
    } else if (frame == 48) {
        BobSetPosition(&lock_bob, crosshair_bob.x + LOCK_OFFSET_X, crosshair_bob.y + LOCK_OFFSET_Y);
        BobSetVelocity(&lock_bob, LOCKED_SPEED, 0);
        BobSetVelocity(&duck_bob, LOCKED_SPEED, 0);
        MoveLockedOn();
        SoundPlay(beep_sound, SOUND_PLAY_LOOPING);
    } else if (frame >= 49 && frame <= 74) {
        MoveLockedOn();
    } else if (frame == 75) {
        SoundStop(beep_sound);
        SoundPlay(rifle_sound, 0);
    } else if (frame == 76) {
        BobSetPosition(&dead_duck_bob, duck_bob.x, duck_bob.y);
        AnimateAndDraw(&dead_duck_bob);
    } else if (frame >= 77 && frame <= 79) {
        AnimateAndDraw(&dead_duck_bob);
    }
    // Frames 1 and 80 to 99 show the background alone.
}
