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

namespace {

constexpr int32_t SCREEN_WIDTH = 640;
constexpr int32_t SCREEN_HEIGHT = 480;
constexpr int32_t SCREEN_BPP = 8;
constexpr int SPRITE_FLAGS = BOB_FLAG_VISIBLE | BOB_FLAG_FRAME_CYCLE;
constexpr int SOUND_CONTROLS = 0xE0;  // volume, pan and frequency control

struct BackgroundLoad {
    const char* file;
    BitmapImage* image;
};

// Loaded in this order: each sets the palette, so the last one's stays.
const BackgroundLoad BACKGROUNDS[] = {
    {"TOXICBG.BMP", &play_background},
    {"death.BMP", &game_over_background},
    {"start.BMP", &title_background},
};

struct SpriteLoad {
    const char* file;
    BOB* bob;
    int width;
    int height;
    int frames;
    int ticks_per_frame;
    int dx;
    int dy;
};

const SpriteLoad SPRITES[] = {
    {"Scanning.BMP", &crosshair_bob, 64, 64, 4, 3, 0, 0},
    {"Lockedon.bmp", &lock_bob, 64, 64, 7, 2, 0, 0},
    {"Duck.bmp", &duck_bob, 128, 64, 6, 3, -START_DUCK_SPEED, 0},
    {"deadduck.bmp", &dead_duck_bob, 128, 64, 3, 3, 0, 0},
};

// Start positions; the duck's needs the display width and a random height.
void SpriteStartPosition(const BOB* bob, int* x, int* y) {
    *x = 0;
    *y = 0;
    if (bob == &crosshair_bob) {
        *x = 200;
        *y = 200;
    } else if (bob == &lock_bob) {
        *x = 100;
        *y = 100;
    } else if (bob == &duck_bob) {
        *x = display_width;
        *y = std::rand() % (SCREEN_HEIGHT - bob->height);
    }
}

void LoadBackground(const BackgroundLoad& load) {
    // A picture that failed to load is never copied from (the assets are checked before
    // start-up, so this only guards against a file changed in between).
    if (!BitmapFileLoad(&load_bitmap, load.file)) {
        return;
    }
    ImageCreate(load.image, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    ImageLoad(load.image, &load_bitmap, 0, 0, LOAD_BY_POSITION);
    PaletteSetAll(load_bitmap.palette);
    BitmapFileUnload(&load_bitmap);
}

void LoadSprite(const SpriteLoad& load) {
    int loaded = BitmapFileLoad(&load_bitmap, load.file);
    BobCreate(load.bob, 0, 0, load.width, load.height, load.frames, SPRITE_FLAGS,
              DDSCAPS_SYSTEMMEMORY);
    BobSetSpeed(load.bob, load.ticks_per_frame);
    BobSetVelocity(load.bob, load.dx, load.dy);
    int x = 0;
    int y = 0;
    SpriteStartPosition(load.bob, &x, &y);
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

    for (const BackgroundLoad& load : BACKGROUNDS) {
        LoadBackground(load);
    }
    for (const SpriteLoad& load : SPRITES) {
        LoadSprite(load);
    }

    InputInit();
    KeyboardInit();
    MouseInit();

    SoundInit();
    rifle_sound = SoundLoadWave("Rifle.WAV", SOUND_CONTROLS);
    beep_sound = SoundLoadWave("Beep.wav", SOUND_CONTROLS);

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
