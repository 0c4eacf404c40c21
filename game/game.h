#ifndef QENT_GAME_GAME_H
#define QENT_GAME_GAME_H

// The game: its state as plain globals, start-up and teardown, one frame of the five-state
// machine, and the scripted intro.

#include <cstddef>
#include <cstdint>

#include "lib/bitmap.h"
#include "lib/bob.h"

// ---- Game states
constexpr int GAME_STATE_PLAYING = 1;         // ducks fly, the player shoots
constexpr int GAME_STATE_LEVEL_COMPLETE = 2;  // the bonus screen after five hits
constexpr int GAME_STATE_GAME_OVER = 3;       // the final score
constexpr int GAME_STATE_TITLE = 4;           // the title; Enter starts a new game
constexpr int GAME_STATE_INTRO = 5;           // the 100-frame intro, once per run

constexpr const char* GAME_TITLE = "Qent Game Console";  // the window's title

// ---- Rules
constexpr uint32_t FRAME_TIME_MS = 33;     // one frame, about 30 a second
constexpr double CROSSHAIR_GAIN = 0.75;    // mouse motion to cross-hair velocity
constexpr int HIT_POINTS = 50;             // per duck shot
constexpr int MISS_POINTS = 20;            // taken per missed shot; the score stays >= 0
constexpr int DUCKS_PER_LEVEL = 5;         // hits that end a level
constexpr int NO_ESCAPE_BONUS = 100;       // a level with no duck escaped
constexpr int SHARP_SHOOTING_BONUS = 200;  // a level with no missed shot
constexpr int LEVEL_BONUS = 100;           // every completed level, with one life
constexpr int START_LIVES = 5;             // lives at a new game
constexpr int START_DUCK_SPEED = 10;       // leftward pixels per frame at a new game
constexpr int AIM_TRIM_RIGHT = 10;         // columns off the duck's right side for a hit
constexpr int AIM_TRIM_TOP = 20;           // rows off the duck's top for a hit
constexpr int INTRO_FRAMES = 100;          // intro frames 0..99
constexpr int GAME_TEXT_SIZE = 80;         // room for the longest of the formatted texts

// ---- Text colours (0x00BBGGRR)
constexpr uint32_t TEXT_BLACK = 0x000000;
constexpr uint32_t TEXT_YELLOW = 0x00FFFF;
constexpr uint32_t TEXT_RED = 0x0000FF;
constexpr uint32_t TEXT_CYAN = 0xFFFF32;  // red 50, green 255, blue 255

// ---- The nine asset files, read from the working folder, described once: what start-up
// loads each into, and so what the asset check asks of it.
constexpr int GAME_ASSET_COUNT = 9;
constexpr int GAME_ASSET_BACKGROUND = 0;  // a whole 640x480 screen
constexpr int GAME_ASSET_SPRITE = 1;      // one row of bordered cells, a frame in each
constexpr int GAME_ASSET_SOUND = 2;       // an 8-bit mono WAVE

struct BOB;
struct BitmapImage;

struct GameAsset {
    const char* file;
    int kind;   // GAME_ASSET_*
    int width;  // a background's size, or a sprite's frame (its cell is one more)
    int height;
    int frames;           // a sprite's frames
    int ticks_per_frame;  // a sprite's animation speed
    int dx;               // a sprite's start velocity
    int dy;
    int x;  // a sprite's start position; the duck's is drawn at start-up
    int y;
    BitmapImage* image;  // where a background goes
    BOB* bob;            // where a sprite goes
    int* sound;          // where a sound's id goes
};

// In load order: each background sets the palette, so the last one's stays.
extern const GameAsset game_assets[GAME_ASSET_COUNT];

// ---- Game variables (their initial values are static: the first frame is the intro's)
extern int game_state;                 // the current GAME_STATE_*
extern int score;                      // points; never shown below 0
extern int lives;                      // the game ends when it reaches 0
extern int level;                      // the current level, from 1
extern int misses;                     // missed shots over the whole game
extern int level_hits;                 // ducks shot in this level; the level ends at 5
extern int level_escapes;              // minus one per escaped duck this level; the bonus needs 0
extern int level_misses;               // missed shots this level; the bonus needs 0
extern int intro_frame;                // the intro frame shown next, 0..99
extern bool fire_latch;                // a shot was taken; cleared by a frame with the button up
extern bool enter_latch;               // an Enter press was taken; cleared by a frame with Enter up
extern bool lock_tone_on;              // the lock-on tone is looping
extern bool dead_duck_active;          // the shot duck's animation is showing
extern int bonus_text_x;               // anchor of the level-complete texts: 180
extern int bonus_text_y;               // 190
extern const char* version_text;       // "Ver. 1.0", on the title screen
extern int rifle_sound;                // sound id of "Rifle.WAV", -1 when it failed to load
extern int beep_sound;                 // sound id of "Beep.wav", -1 when it failed to load
extern char hud_text[GAME_TEXT_SIZE];  // the play screen's status line
extern char score_text[GAME_TEXT_SIZE];  // "Score: %d" of the bonus and game-over screens
extern char level_text[GAME_TEXT_SIZE];  // the congratulation line

// ---- Pictures and sprites
extern BitmapImage play_background;       // "TOXICBG.BMP": play, level complete, intro
extern BitmapImage game_over_background;  // "death.BMP"
extern BitmapImage title_background;      // "start.BMP"; its palette stays for the run
extern BOB crosshair_bob;                 // the cross-hair while not over the duck
extern BOB lock_bob;                      // the cross-hair locked on the duck
extern BOB duck_bob;                      // the flying duck
extern BOB dead_duck_bob;                 // the shot duck
extern BitmapFile load_bitmap;            // each picture file in turn while it is copied out

// Every game variable back to its value at program start, for a second game in one process
// (a test's); the sound ids become -1 and the texts empty.
void GameResetVariables();

// ---- Entry points, called by the shell
int GameStartup();   // once, after the window is made; always 1
int GameFrame();     // one frame per loop pass, paced to 33 ms; always 1
int GameTeardown();  // once, after the quit message; always 1

// ---- Pieces of the frame
// True when aim's centre lies strictly inside target's box less its right 10 columns and
// top 20 rows.
bool CrosshairOverDuck(const BOB* aim, const BOB* target);
int AdvanceDeadDuck();           // three animation steps of the dead duck, each drawn
void PlayIntroFrame(int frame);  // one row of the intro script; frame 0 sleeps 500 ms

// ---- Before start-up
// 1 when the nine files in dir (null: the working folder) are regular files, readable and
// well-formed. Otherwise 0 with one line in message (no line break) naming the first bad file,
// what is wrong with it, the folder and how to make the assets; an empty dir is refused too.
int GameCheckAssets(const char* dir, char* message, size_t size);

#endif
