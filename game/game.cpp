// A stand-in game until the real one lands: the ramp palette as 256 bars, Escape quits.
#include "game/game.h"

#include "app/shell.h"
#include "lib/clock.h"
#include "lib/display.h"

namespace {

constexpr int32_t PLACEHOLDER_WIDTH = 640;
constexpr int32_t PLACEHOLDER_HEIGHT = 480;
constexpr int32_t PLACEHOLDER_BPP = 8;
constexpr uint32_t PLACEHOLDER_FRAME_MS = 33;

// Bar i, about 2.5 pixels wide, shows palette index i.
void PlaceholderDrawBars(uint8_t* pixels, int32_t pitch) {
    for (int32_t y = 0; y < display_height; y++) {
        uint8_t* row = pixels + y * pitch;
        for (int32_t x = 0; x < display_width; x++) {
            row[x] = static_cast<uint8_t>(x * 256 / display_width);
        }
    }
}

}  // namespace

int GameStartup() {
    ClockMark();
    DisplayInit(PLACEHOLDER_WIDTH, PLACEHOLDER_HEIGHT, PLACEHOLDER_BPP);
    HostShowCursor(0);
    return 1;
}

int GameFrame() {
    ClockMark();
    SurfaceFill(back_surface, 0);
    uint8_t* pixels = BackLock();
    if (pixels != nullptr) {
        PlaceholderDrawBars(pixels, back_pitch);
    }
    BackUnlock();
    DisplayFlip();
    ClockWait(PLACEHOLDER_FRAME_MS);
    return 1;
}

int GameTeardown() {
    DisplayShutdown();
    return 1;
}
