// One busy play frame of the whole game on the headless host: background, dead duck, duck,
// lock-on marker, status line and the looping tone, without the 33 ms wait (the manual clock
// jumps past it) and with the headless present (one copy of the frame).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>

#include "app/shell.h"
#include "game/game.h"
#include "lib/bob.h"
#include "lib/sound.h"
#include "platform/headless.h"

namespace {

char bench_instance;

// Starts the game in the generated asset folder and puts it in play, locked on the duck.
bool StartBusyGame() {
    if (chdir(QENT_ASSET_DIR) != 0) {
        std::fprintf(stderr, "no asset folder %s: build the assets target\n", QENT_ASSET_DIR);
        return false;
    }
    HeadlessReset();
    HeadlessSetAutoAdvance(FRAME_TIME_MS);
    if (ShellCreateWindow(&bench_instance, GAME_TITLE) == nullptr) {
        return false;
    }
    GameStartup();
    game_state = GAME_STATE_PLAYING;
    return true;
}

void KeepBusy() {
    BobSetVelocity(&duck_bob, 0, 0);
    BobSetPosition(&duck_bob, 300, 200);
    BobSetPosition(&crosshair_bob, 364 - 32, 240 - 32);  // centre inside the aim box
    dead_duck_active = true;
    dead_duck_bob.frame_index = 0;
    BobSetPosition(&dead_duck_bob, 120, 260);
}

void BM_GameFrameBusyPlay(benchmark::State& state) {
    if (!StartBusyGame()) {
        state.SkipWithError("the game could not start");
        return;
    }
    for (auto _ : state) {
        KeepBusy();
        GameFrame();
    }
    if (!lock_tone_on) {
        state.SkipWithError("the frame was not locked on the duck");
    }
    GameTeardown();
    sound_init_pending = 1;
    HeadlessReset();
}
BENCHMARK(BM_GameFrameBusyPlay)->Name("BM_GameFrameBusyPlay/qent")->Unit(benchmark::kMicrosecond);

}  // namespace
