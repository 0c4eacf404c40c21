// The game's state, its start-up and its teardown.
#include <cstdlib>

#include "game/game.h"
#include "lib/bitmap.h"
#include "lib/bob.h"
#include "lib/clock.h"
#include "lib/display.h"
#include "lib/input.h"
#include "lib/palette.h"
#include "lib/sound.h"

int game_state = GAME_STATE_INTRO;
int score = 0;
int lives = START_LIVES;
int level = 1;
int misses = 0;
int level_hits = 0;
int level_escapes = 0;
int level_misses = 0;
int intro_frame = 0;
bool fire_latch = false;
bool enter_latch = false;
bool lock_tone_on = false;
bool dead_duck_active = false;
int bonus_text_x = 180;
int bonus_text_y = 190;
const char* version_text = "Ver. 1.0";
int rifle_sound = -1;
int beep_sound = -1;
char hud_text[GAME_TEXT_SIZE] = "";
char score_text[GAME_TEXT_SIZE] = "";
char level_text[GAME_TEXT_SIZE] = "";

BitmapImage play_background;
BitmapImage game_over_background;
BitmapImage title_background;
BOB crosshair_bob;
BOB lock_bob;
BOB duck_bob;
BOB dead_duck_bob;
BitmapFile load_bitmap;

void GameResetVariables() {
    game_state = GAME_STATE_INTRO;
    score = 0;
    lives = START_LIVES;
    level = 1;
    misses = 0;
    level_hits = 0;
    level_escapes = 0;
    level_misses = 0;
    intro_frame = 0;
    fire_latch = false;
    enter_latch = false;
    lock_tone_on = false;
    dead_duck_active = false;
    bonus_text_x = 180;
    bonus_text_y = 190;
    rifle_sound = -1;
    beep_sound = -1;
    hud_text[0] = '\0';
    score_text[0] = '\0';
    level_text[0] = '\0';
}

const GameAsset game_assets[GAME_ASSET_COUNT] = {
    // file, kind, width, height, frames, ticks, dx, dy, x, y, image, bob, sound
    {"TOXICBG.BMP", GAME_ASSET_BACKGROUND, 640, 480, 0, 0, 0, 0, 0, 0, &play_background, nullptr,
     nullptr},
    {"death.BMP", GAME_ASSET_BACKGROUND, 640, 480, 0, 0, 0, 0, 0, 0, &game_over_background, nullptr,
     nullptr},
    {"start.BMP", GAME_ASSET_BACKGROUND, 640, 480, 0, 0, 0, 0, 0, 0, &title_background, nullptr,
     nullptr},
    {"Scanning.BMP", GAME_ASSET_SPRITE, 64, 64, 4, 3, 0, 0, 200, 200, nullptr, &crosshair_bob,
     nullptr},
    {"Lockedon.bmp", GAME_ASSET_SPRITE, 64, 64, 7, 2, 0, 0, 100, 100, nullptr, &lock_bob, nullptr},
    {"Duck.bmp", GAME_ASSET_SPRITE, 128, 64, 6, 3, -START_DUCK_SPEED, 0, 0, 0, nullptr, &duck_bob,
     nullptr},
    {"deadduck.bmp", GAME_ASSET_SPRITE, 128, 64, 3, 3, 0, 0, 0, 0, nullptr, &dead_duck_bob,
     nullptr},
    {"Rifle.WAV", GAME_ASSET_SOUND, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, &rifle_sound},
    {"Beep.wav", GAME_ASSET_SOUND, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, &beep_sound},
};

namespace {

constexpr int32_t SCREEN_WIDTH = 640;
constexpr int32_t SCREEN_HEIGHT = 480;
constexpr int32_t SCREEN_BPP = 8;
constexpr int SPRITE_FLAGS = BOB_FLAG_VISIBLE | BOB_FLAG_FRAME_CYCLE;
constexpr int SOUND_CONTROLS = 0xE0;  // volume, pan and frequency control

// The duck enters at the right edge at a random height; the others start where listed.
void SpriteStartPosition(const GameAsset& asset, int* x, int* y) {
    *x = asset.x;
    *y = asset.y;
    if (asset.bob == &duck_bob) {
        *x = display_width;
        *y = std::rand() % (SCREEN_HEIGHT - asset.bob->height);
    }
}

void LoadBackground(const GameAsset& load) {
    // A picture that failed to load is never copied from (the assets are checked before
    // start-up, so this only guards against a file changed in between).
    if (!BitmapFileLoad(&load_bitmap, load.file)) {
        return;
    }
    ImageCreate(load.image, 0, 0, load.width, load.height);
    ImageLoad(load.image, &load_bitmap, 0, 0, LOAD_BY_POSITION);
    PaletteSetAll(load_bitmap.palette);
    BitmapFileUnload(&load_bitmap);
}

void LoadSprite(const GameAsset& load) {
    int loaded = BitmapFileLoad(&load_bitmap, load.file);
    BobCreate(load.bob, 0, 0, load.width, load.height, load.frames, SPRITE_FLAGS,
              DDSCAPS_SYSTEMMEMORY);
    BobSetSpeed(load.bob, load.ticks_per_frame);
    BobSetVelocity(load.bob, load.dx, load.dy);
    int x = 0;
    int y = 0;
    SpriteStartPosition(load, &x, &y);
    BobSetPosition(load.bob, x, y);
    if (loaded) {
        for (int i = 0; i < load.frames; i++) {
            BobLoadFrame(load.bob, &load_bitmap, i, i, 0, LOAD_BY_CELL);
        }
    }
    BitmapFileUnload(&load_bitmap);
}

}  // namespace

int GameStartup() {
    std::srand(ClockMark());
    DisplayInit(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BPP);

    for (const GameAsset& asset : game_assets) {
        if (asset.kind == GAME_ASSET_BACKGROUND) {
            LoadBackground(asset);
        } else if (asset.kind == GAME_ASSET_SPRITE) {
            LoadSprite(asset);
        }
    }

    InputInit();
    KeyboardInit();
    MouseInit();

    SoundInit();
    for (const GameAsset& asset : game_assets) {
        if (asset.kind == GAME_ASSET_SOUND) {
            *asset.sound = SoundLoadWave(asset.file, SOUND_CONTROLS);
        }
    }

    HostRect screen_rect{0, 0, display_width, display_height};
    display_clipper = ClipperAttach(back_surface, 1, &screen_rect);

    HostShowCursor(0);
    return 1;
}

int GameTeardown() {
    BobDestroy(&crosshair_bob);
    BobDestroy(&lock_bob);
    BobDestroy(&duck_bob);
    BobDestroy(&dead_duck_bob);
    ImageDestroy(&play_background);
    ImageDestroy(&game_over_background);
    ImageDestroy(&title_background);
    DisplayShutdown();
    SoundStopAll();
    SoundShutdown();
    KeyboardRelease();
    MouseRelease();
    InputShutdown();
    return 1;
}
