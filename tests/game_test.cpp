// The game played headless with a manual clock and scripted input, grouped by state:
// start-up and teardown, the intro, title and game over, play, the bonus screen, Escape.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>  // mkfifo, where QENT_HAVE_POSIX_FILES
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/shell.h"
#include "game/game.h"
#include "lib/bitmap.h"
#include "lib/display.h"
#include "lib/sound.h"
#include "platform/headless.h"
#include "platform/host_audio.h"
#include "platform/host_input.h"
#include "tests/support/common_support.h"
#include "tests/support/game_support.h"

namespace {

constexpr int LOOPING = DSBSTATUS_PLAYING | DSBSTATUS_LOOPING;

int32_t Ticks() {
    HeadlessSetAutoAdvance(0);
    uint32_t now = HostTicks();
    HeadlessSetAutoAdvance(1);
    return static_cast<int32_t>(now);
}

// The game's tallies as text.
std::string Tallies() {
    return "score " + std::to_string(score) + " lives " + std::to_string(lives) + " level " +
           std::to_string(level) + " misses " + std::to_string(misses) + " level misses " +
           std::to_string(level_misses) + " escapes " + std::to_string(level_escapes) + " hits " +
           std::to_string(level_hits);
}

// Overwrites bytes of the file at offset.
void Patch(const std::string& path, size_t offset, const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> file = ReadFile(path);
    ASSERT_GE(file.size(), offset + bytes.size()) << path;
    std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<long>(offset));
    ASSERT_TRUE(WriteFile(path, file)) << path;
}

// The presented frame is exactly the play background: no sprite, no text.
bool ShowsOnlyPlayBackground() {
    return GameFrameDiffers(play_background.pixels, 0, 0, 640, 480) == 0;
}

// ---------------------------------------------------------------------------
// Start-up and teardown

using StartupTest = GameTest;

TEST_F(StartupTest, SpritesAndSoundsAreSetUpAsListed) {
    struct Expect {
        const char* name;
        const BOB* bob;
        int width, height, frames, ticks, dx, x, y;
    };
    const Expect expected[] = {
        {"crosshair", &crosshair_bob, 64, 64, 4, 3, 0, 200, 200},
        {"lock", &lock_bob, 64, 64, 7, 2, 0, 100, 100},
        {"duck", &duck_bob, 128, 64, 6, 3, -10, 640, -1},
        {"dead duck", &dead_duck_bob, 128, 64, 3, 3, 0, 0, 0},
    };
    auto show = [](int flags, int width, int height, int frames, int ticks, int dx, int x) {
        return "flags " + std::to_string(flags) + " " + std::to_string(width) + "x" +
               std::to_string(height) + " frames " + std::to_string(frames) + " ticks " +
               std::to_string(ticks) + " dx " + std::to_string(dx) + " x " + std::to_string(x);
    };
    for (const Expect& e : expected) {
        const BOB& b = *e.bob;
        EXPECT_EQ(
            show(b.flags & 0x1F, b.width, b.height, b.frame_count, b.ticks_per_frame, b.dx, b.x),
            show(BOB_FLAG_VISIBLE | BOB_FLAG_FRAME_CYCLE, e.width, e.height, e.frames, e.ticks,
                 e.dx, e.x))
            << e.name;
        EXPECT_NE(b.flags & BOB_FLAG_LOADED, 0) << e.name;
        if (e.y >= 0) {
            EXPECT_EQ(b.y, e.y) << e.name;
        } else {
            EXPECT_TRUE(b.y >= 0 && b.y <= 415) << e.name << " at y " << b.y;
        }
    }
    EXPECT_EQ(rifle_sound, 0);
    EXPECT_EQ(beep_sound, 1);
    EXPECT_NE(display_clipper, nullptr);
    EXPECT_EQ(HostShowCursor(0), -2) << "start-up hides the cursor once";
}

TEST_F(StartupTest, FirstFrameIsIntroFrameZeroAfterItsPause) {
    EXPECT_EQ(game_state, GAME_STATE_INTRO);
    int32_t before = Ticks();
    RunFrames(1);
    EXPECT_GE(Ticks() - before, 500) << "intro frame 0 sleeps 500 ms";
    EXPECT_EQ(intro_frame, 1);
    EXPECT_TRUE(ShowsOnlyPlayBackground());
}

TEST_F(StartupTest, FramesAreThirtyThreeMilliseconds) {
    RunFrames(1);
    int32_t before = Ticks();
    RunFrames(10);
    int32_t took = Ticks() - before;
    EXPECT_GE(took, 330);
    EXPECT_LT(took, 400);
}

// The generated pictures share one palette; give the first two their own so the test can
// tell which palette stayed.
TEST_F(StartupTest, PaletteAfterStartupIsStartBmps) {
    GameTeardown();
    torn_down = true;
    std::string folder = GameAssetCopy();
    ASSERT_FALSE(folder.empty());
    for (const char* name : {"TOXICBG.BMP", "death.BMP"}) {
        Patch(folder + "/" + name, 54, std::vector<uint8_t>(1024, 0x5A));
    }
    HeadlessReset();
    torn_down = false;
    StartIn(folder);
    BitmapFile start{};
    ASSERT_EQ(BitmapFileLoad(&start, "start.BMP"), 1);
    HostTicks();  // the loop's next clock read shows the palette set last
    const PaletteEntry* shown = HeadlessFramePalette();
    ASSERT_NE(shown, nullptr);
    for (int i = 0; i < 256; i++) {
        ASSERT_EQ(ShowEntry(palette_shadow[i], false), ShowEntry(start.palette[i], false))
            << "palette_shadow entry " << i;
        ASSERT_EQ(ShowEntry(shown[i], false), ShowEntry(start.palette[i], false))
            << "shown entry " << i;
    }
    BitmapFileUnload(&start);
}

TEST_F(StartupTest, TeardownReleasesEverything) {
    GameTeardown();
    torn_down = true;
    EXPECT_EQ(HostLiveObjects(), 0);
    EXPECT_EQ(HostInputLiveObjects(), 0);
    EXPECT_EQ(HostAudioLiveBuffers(), 0);
    EXPECT_EQ(play_background.pixels, nullptr);
    EXPECT_EQ(title_background.pixels, nullptr);
    EXPECT_EQ(duck_bob.frames[0], nullptr);
}

// Pictures that fail to load are never copied from, and a failed sound plays harmlessly.
TEST_F(StartupTest, MissingFilesStillPlay) {
    GameTeardown();
    torn_down = true;
    std::string folder = GameAssetCopy();
    ASSERT_FALSE(folder.empty());
    for (const char* name : {"TOXICBG.BMP", "Duck.bmp", "Rifle.WAV"}) {
        std::filesystem::remove(folder + "/" + name);
    }
    torn_down = false;
    StartIn(folder);
    EXPECT_EQ(play_background.flags & IMAGE_FLAG_LOADED, 0);
    EXPECT_EQ(duck_bob.flags & BOB_FLAG_LOADED, 0);
    EXPECT_EQ(rifle_sound, -1);
    EXPECT_EQ(beep_sound, 0);
    StartPlaying();
    PlaceForShot(300, 200, 350, 240);
    Button(true);
    RunFrames(2);
    EXPECT_EQ(score, 50);
}

TEST_F(StartupTest, NoAudioDeviceIsASilentGame) {
    GameTeardown();
    torn_down = true;
    refuse_at_start = HOST_REFUSE_AUDIO_DEVICE;
    torn_down = false;
    StartIn("");
    EXPECT_EQ(rifle_sound, -1);
    EXPECT_EQ(beep_sound, -1);
    RunFrames(60);  // the intro's tone and shot
    StartPlaying();
    PlaceForShot(300, 200, 350, 240);
    RunFrames(1);
    EXPECT_TRUE(lock_tone_on);
    Button(true);
    RunFrames(1);
    EXPECT_EQ(score, 50);
}

// Missing files, files of the wrong kind, and WAVE files without PCM or data are refused.
TEST(GameAssetsTest, CheckNamesTheFirstBadFileAndTheWayToMakeThem) {
    const std::string& assets = GameAssetFolder();
    ASSERT_FALSE(assets.empty());
    char message[512];
    EXPECT_EQ(GameCheckAssets(assets.c_str(), message, sizeof message), 1) << message;
    EXPECT_STREQ(message, "");

    struct Case {
        const char* file;
        const char* replace_with;  // null: the file is removed, unless patched
        size_t offset;             // where patch is written into the file
        std::vector<uint8_t> patch;
    };
    const Case cases[] = {
        {"start.BMP", nullptr, 0, {}},
        {"Beep.wav", nullptr, 0, {}},
        {"death.BMP", "Rifle.WAV", 0, {}},
        {"Duck.bmp", "Scanning.BMP", 0, {}},
        {"Lockedon.bmp", "Scanning.BMP", 0, {}},
        {"Rifle.WAV", "Duck.bmp", 0, {}},
        {"Beep.wav", nullptr, 20, {3, 0}},                // format tag 3
        {"Beep.wav", nullptr, 36, {'d', 'a', 't', 'x'}},  // no data chunk
        {"Beep.wav", nullptr, 0, {'R', 'I', 'F', 'X'}},   // not RIFF
        {"Rifle.WAV", nullptr, 40, {0, 0, 0, 0x7F}},      // data past the end of the file
        {"Rifle.WAV", nullptr, 40, {0, 0, 0, 0}},         // no sound at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.patch.empty() ? "" : " patched"));
        std::string folder = GameAssetCopy();
        ASSERT_FALSE(folder.empty());
        std::string path = folder + "/" + c.file;
        if (!c.patch.empty()) {
            Patch(path, c.offset, c.patch);
        } else {
            std::filesystem::remove(path);
        }
        if (c.replace_with != nullptr) {
            std::filesystem::copy_file(folder + "/" + c.replace_with, path);
        }
        EXPECT_EQ(GameCheckAssets(folder.c_str(), message, sizeof message), 0);
        std::string text = message;
        EXPECT_NE(text.find(std::string("\"") + c.file + "\""), std::string::npos) << text;
        EXPECT_NE(text.find(std::filesystem::canonical(folder).string()), std::string::npos)
            << text;
        EXPECT_NE(text.find("make assets"), std::string::npos) << text;
        EXPECT_EQ(text.find('\n'), std::string::npos) << text;
    }
}

#if QENT_HAVE_POSIX_FILES
// What the check says about folder, run where a blocking open fails the test instead of
// stopping it: "<result> <message>".
std::string CheckInChild(const std::string& folder) {
    const ChildResult got = RunInChild(10, [&] {
        char message[512] = "unset";
        const int result = GameCheckAssets(folder.c_str(), message, sizeof message);
        return std::to_string(result) + " " + message;
    });
    return got.finished ? got.output : "no answer within 10 s";
}

// The words for file in folder: the problem, the file and the folder, the detail, then the
// way to make the assets.
std::string Refusal(const std::string& problem, const std::string& file, const std::string& folder,
                    const std::string& detail) {
    return "0 qent: " + problem + " \"" + file + "\" in " +
           std::filesystem::canonical(folder).string() + detail + "; make the nine asset files";
}
#endif

// A special file, a link that leads nowhere or a wave too large: each named for what it is.
TEST(GameAssetsTest, EachRefusalSaysWhatIsWrong) {
#if !QENT_HAVE_POSIX_FILES
    GTEST_SKIP() << "this system has no FIFOs, devices, links or fork to try";
#else
    ASSERT_FALSE(GameAssetFolder().empty());
    const auto fifo = [](const std::string& path) { return mkfifo(path.c_str(), 0600) == 0; };
    const auto folder = [](const std::string& path) { return mkdir(path.c_str(), 0700) == 0; };
    const auto link_to = [](const std::string& target) {
        return [target](const std::string& path) {
            return symlink((target.empty() ? path : target).c_str(), path.c_str()) == 0;
        };
    };
    // A PCM WAVE whose sound is one byte more than a buffer can hold (sparse: nothing is
    // written).
    constexpr uint32_t data_size = DSBSIZE_MAX + 1;
    const auto large_wave = [](const std::string& path) {
        std::vector<uint8_t> head = {'R', 'I', 'F',  'F',  0,   0,   0,    0,    'W', 'A', 'V',
                                     'E', 'f', 'm',  't',  ' ', 16,  0,    0,    0,   1,   0,
                                     1,   0,   0x11, 0x2B, 0,   0,   0x11, 0x2B, 0,   0,   1,
                                     0,   8,   0,    'd',  'a', 't', 'a',  0,    0,   0,   0};
        const uint32_t riff_size = data_size + 36;
        for (int i = 0; i < 4; i++) {
            head[4 + i] = static_cast<uint8_t>(riff_size >> (8 * i));
            head[40 + i] = static_cast<uint8_t>(data_size >> (8 * i));
        }
        return WriteFile(path, head) && truncate(path.c_str(), off_t{44} + data_size) == 0;
    };
    const std::string regular_needed = " (a regular file is needed, not ";
    const struct {
        const char* file;
        std::function<bool(const std::string&)> make;  // puts the bad thing at the path
        std::string problem, detail;
    } cases[] = {
        {"start.BMP", fifo, "cannot use", regular_needed + "a FIFO)"},
        {"Rifle.WAV", fifo, "cannot use", regular_needed + "a FIFO)"},
        {"Duck.bmp", folder, "cannot use", regular_needed + "a folder)"},
        {"Beep.wav", link_to("/dev/zero"), "cannot use", regular_needed + "a device)"},
        {"Scanning.BMP", link_to("/dev/null"), "cannot use", regular_needed + "a device)"},
        {"death.BMP", link_to(""), "cannot read", " (" + std::string(std::strerror(ELOOP)) + ")"},
        {"deadduck.bmp", link_to("/nowhere/at/all"), "cannot find", ""},
        {"Rifle.WAV", large_wave, "cannot use",
         " (a WAVE file with at most " + std::to_string(DSBSIZE_MAX) +
             " bytes of sound is needed; this one has " + std::to_string(data_size) + ")"},
    };
    for (const auto& c : cases) {
        const std::string copy = GameAssetCopy();
        ASSERT_FALSE(copy.empty());
        const std::string path = copy + "/" + c.file;
        ASSERT_TRUE(std::filesystem::remove(path)) << path;
        ASSERT_TRUE(c.make(path)) << path;
        const std::string said = CheckInChild(copy);
        const std::string want = Refusal(c.problem, c.file, copy, c.detail);
        EXPECT_EQ(said.substr(0, want.size()), want)
            << c.file << ": expected \"" << want << "...\", got \"" << said << "\"";
        EXPECT_EQ(said.find('\n'), std::string::npos) << said;
    }
#endif
}

// A file that cannot be read for want of permission says so, not that it is missing. Root
// reads any 0000 file, so then a file even root may not read stands in for it.
TEST(GameAssetsTest, AnUnreadableFileIsReportedAsUnreadable) {
#if !QENT_HAVE_POSIX_FILES
    GTEST_SKIP() << "this system has no FIFOs, devices, links or fork to try";
#else
    const std::string copy = GameAssetCopy();
    ASSERT_FALSE(copy.empty());
    const std::string path = copy + "/TOXICBG.BMP";
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(path.c_str(), 0), 0);
    } else {
        const char* write_only = "/proc/sys/vm/compact_memory";  // mode 0200, for root too
        const int fd = open(write_only, O_RDONLY);
        const int error = fd < 0 ? errno : 0;
        if (fd >= 0) {
            close(fd);
        }
        if (error != EACCES) {
            GTEST_SKIP() << "running as root and " << write_only << " does not refuse reading";
        }
        ASSERT_TRUE(std::filesystem::remove(path));
        ASSERT_EQ(symlink(write_only, path.c_str()), 0);
    }
    const std::string want = Refusal("cannot read", "TOXICBG.BMP", copy,
                                     " (" + std::string(std::strerror(EACCES)) + ")");
    const std::string said = CheckInChild(copy);
    EXPECT_EQ(said.substr(0, want.size()), want)
        << "expected \"" << want << "...\", got \"" << said << "\"";
#endif
}

TEST(GameAssetsTest, AnEmptyFolderNameIsRefusedByName) {
    char message[512] = "unset";
    EXPECT_EQ(GameCheckAssets("", message, sizeof message), 0);
    const std::string said = message;
    EXPECT_EQ(said.rfind("qent: the asset folder's name is empty; make the nine asset files", 0),
              0u)
        << said;
}

// ---------------------------------------------------------------------------
// The intro

using IntroTest = GameTest;

TEST_F(IntroTest, ScriptPositionsSoundsAndEmptyFrames) {
    for (int frame = 0; frame < INTRO_FRAMES; frame++) {
        RunFrames(1);
        SCOPED_TRACE("after intro frame " + std::to_string(frame));
        bool empty = frame <= 1 || frame == 75 || frame >= 80;
        EXPECT_EQ(ShowsOnlyPlayBackground(), empty);
        int beep = SoundGetStatus(beep_sound);
        EXPECT_EQ(beep, frame >= 48 && frame <= 74 ? LOOPING : 0);
        if (frame == 47) {
            EXPECT_EQ(crosshair_bob.x, 310);
            EXPECT_EQ(crosshair_bob.y, 216);
            EXPECT_EQ(duck_bob.x, 298);
            EXPECT_EQ(duck_bob.y, 200);
            EXPECT_EQ(SoundGetStatus(rifle_sound), 0);
        }
        if (frame == 48) {
            // Placed at (315, 211), then moved with the duck in the same frame.
            EXPECT_EQ(lock_bob.x, 315 - 7);
            EXPECT_EQ(lock_bob.y, 211);
        }
        if (frame == 74) {
            EXPECT_EQ(duck_bob.x, 109);
            EXPECT_EQ(lock_bob.x, 126);
        }
        if (frame == 75) {
            EXPECT_EQ(SoundGetStatus(rifle_sound), DSBSTATUS_PLAYING);
        }
        if (frame >= 76 && frame <= 79) {
            EXPECT_EQ(dead_duck_bob.x, 109);
            EXPECT_EQ(dead_duck_bob.y, 200);
            EXPECT_GT(GameFrameDiffers(play_background.pixels, 109, 200, 237, 264), 0);
        }
        EXPECT_EQ(game_state, frame < 99 ? GAME_STATE_INTRO : GAME_STATE_TITLE);
    }
    EXPECT_EQ(intro_frame, 0);
}

TEST_F(IntroTest, EnterAndSpaceDoNotSkipIt) {
    Key(DIK_RETURN, true);
    Key(DIK_SPACE, true);
    RunFrames(99);
    EXPECT_EQ(game_state, GAME_STATE_INTRO);
    RunFrames(1);
    EXPECT_EQ(game_state, GAME_STATE_TITLE);
}

// ---------------------------------------------------------------------------
// Title and game over

using MenuTest = GameTest;

TEST_F(MenuTest, TwoEnterPressesLeadFromGameOverToANewGame) {
    game_state = GAME_STATE_GAME_OVER;
    score = 730;
    lives = 0;
    level = 4;
    misses = 9;
    level_misses = 2;
    level_escapes = -3;
    level_hits = 2;
    BobSetVelocity(&duck_bob, -18, 0);
    Key(DIK_RETURN, true);
    RunFrames(1);
    EXPECT_EQ(game_state, GAME_STATE_TITLE);
    RunFrames(5);
    EXPECT_EQ(game_state, GAME_STATE_TITLE) << "a held Enter acts once";
    Key(DIK_RETURN, false);
    RunFrames(1);
    Key(DIK_RETURN, true);
    RunFrames(1);
    EXPECT_EQ(game_state, GAME_STATE_PLAYING);
    EXPECT_EQ(Tallies(), "score 0 lives 5 level 1 misses 0 level misses 0 escapes 0 hits 0");
    EXPECT_EQ(duck_bob.dx, -10);
    EXPECT_EQ(duck_bob.x, 640);
    EXPECT_GE(duck_bob.y, -64);
    EXPECT_LE(duck_bob.y, 415);
}

// ---------------------------------------------------------------------------
// Play

class PlayTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        if (!HasFatalFailure()) {
            StartPlaying();
        }
    }
};

// Three quarters of the motion, cut toward zero; the centre (32 in) stays on the screen.
TEST_F(PlayTest, MouseMotionMovesTheCrossHairByThreeQuartersOnTheScreen) {
    // Motion, then the cross-hair's top-left after it from (300, 200).
    const int cases[][4] = {{1, 0, 300, 200},    {-1, 0, 300, 200},    {3, 0, 302, 200},
                            {-3, 0, 298, 200},   {100, -7, 375, 195},  {-41, 9, 270, 206},
                            {5000, 0, 608, 200}, {-5000, 0, -32, 200}, {0, 5000, 300, 448},
                            {0, -5000, 300, -32}};
    for (const auto& [dx, dy, x, y] : cases) {
        BobSetPosition(&crosshair_bob, 300, 200);
        Motion(dx, dy);
        RunFrames(1);
        EXPECT_EQ(std::to_string(crosshair_bob.x) + "," + std::to_string(crosshair_bob.y),
                  std::to_string(x) + "," + std::to_string(y))
            << "motion " << dx << ", " << dy;
    }
}

TEST_F(PlayTest, ShotsOnTheAimBoxEdgesMissAndInsideHit) {
    // Duck at (300, 200): box 300..428 across, 200..264 down; aim box 301..417 x 221..263.
    struct Shot {
        const char* where;
        int cx, cy;
        bool hit;
    };
    const Shot shots[] = {
        {"left edge", 300, 240, false},           {"10 in from the right", 418, 240, false},
        {"20 below the top", 350, 220, false},    {"bottom edge", 350, 264, false},
        {"just inside top-left", 301, 221, true}, {"just inside bottom-right", 417, 263, true},
    };
    for (const Shot& s : shots) {
        SCOPED_TRACE(s.where);
        score = 100;
        int misses_before = misses;
        PlaceForShot(300, 200, s.cx, s.cy);
        Button(true);
        RunFrames(1);
        Button(false);
        EXPECT_EQ(score, s.hit ? 150 : 80);
        EXPECT_EQ(misses, misses_before + (s.hit ? 0 : 1));
        EXPECT_EQ(level_hits, s.hit ? 1 : 0);
        EXPECT_EQ(duck_bob.x, s.hit ? 640 : 300);
        EXPECT_EQ(SoundGetStatus(rifle_sound), DSBSTATUS_PLAYING);
        if (s.hit) {
            EXPECT_TRUE(dead_duck_active);
            EXPECT_EQ(dead_duck_bob.x, 300);
            EXPECT_EQ(dead_duck_bob.frame_index, 0);
            EXPECT_EQ(lock_bob.x, crosshair_bob.x);
            level_hits = 0;
        }
        RunFrames(1);  // button up: the latch clears
    }
}

TEST_F(PlayTest, HeldButtonFiresOnce) {
    PlaceForShot(300, 200, 350, 240);
    Button(true);
    RunFrames(1);
    EXPECT_EQ(score, 50);
    RunFrames(3);  // held, off the duck
    PlaceForShot(300, 200, 350, 240);
    RunFrames(3);  // held, over the duck again
    EXPECT_EQ(score, 50);
    EXPECT_EQ(misses, 0);
    EXPECT_EQ(level_hits, 1);
    Button(false);
    RunFrames(1);
    PlaceForShot(300, 200, 350, 240);
    Button(true);
    RunFrames(1);
    EXPECT_EQ(level_hits, 2) << "a release and a new press fire again";
}

TEST_F(PlayTest, MissesNeverTakeTheScoreBelowZero) {
    const int starts[][2] = {{0, 0}, {10, 0}, {20, 0}, {30, 10}};
    for (const auto& s : starts) {
        score = s[0];
        PlaceForShot(300, 200, 100, 100);
        Button(true);
        RunFrames(1);
        Button(false);
        RunFrames(1);
        EXPECT_EQ(score, s[1]) << "a miss at score " << s[0];
        EXPECT_EQ(std::string(hud_text).rfind("Score: " + std::to_string(s[1]) + " ", 0), 0u)
            << hud_text;
    }
}

TEST_F(PlayTest, LockToneStartsOnceAndStopsOnTheFirstFrameOff) {
    PlaceForShot(300, 200, 350, 240);
    RunFrames(1);
    EXPECT_EQ(SoundGetStatus(beep_sound), LOOPING);
    EXPECT_TRUE(lock_tone_on);
    EXPECT_EQ(lock_bob.x, crosshair_bob.x);
    int16_t mixed[2 * 100];
    HostAudioMix(sound_device, mixed, 100, 11025);
    uint32_t before = 0;
    HostAudioBufferGetCurrentPosition(sound_table[beep_sound].buffer, &before, nullptr);
    ASSERT_GT(before, 0u);
    RunFrames(1);  // still on the duck: not started again, so not rewound
    uint32_t after = 0;
    HostAudioBufferGetCurrentPosition(sound_table[beep_sound].buffer, &after, nullptr);
    EXPECT_EQ(after, before);

    // A miss in the very frame the sight leaves the duck leaves the tone on.
    PlaceForShot(300, 200, 100, 100);
    Button(true);
    RunFrames(1);
    EXPECT_EQ(misses, 1);
    EXPECT_EQ(SoundGetStatus(beep_sound), LOOPING);
    RunFrames(1);
    EXPECT_EQ(SoundGetStatus(beep_sound), 0);
    EXPECT_FALSE(lock_tone_on);
}

TEST_F(PlayTest, AnEscapedDuckCostsALife) {
    BobSetPosition(&duck_bob, -118, 100);  // the next move ends it at box_right 0
    RunFrames(1);
    EXPECT_EQ(Tallies(), "score 0 lives 4 level 1 misses 0 level misses 0 escapes -1 hits 0");
    EXPECT_EQ(duck_bob.x, 640);
    EXPECT_EQ(duck_bob.dx, -10);
    BobSetPosition(&duck_bob, -117, 100);
    RunFrames(1);
    EXPECT_EQ(lives, 4) << "box_right 1 is still on screen";
}

TEST_F(PlayTest, FifthHitShowsTheBonusScreenNextFrame) {
    // Low on the screen, clear of the bonus texts.
    level_hits = 4;
    PlaceForShot(300, 350, 350, 390);
    RunFrames(1);  // locked on: the tone loops
    Button(true);
    RunFrames(1);
    EXPECT_EQ(game_state, GAME_STATE_LEVEL_COMPLETE);
    EXPECT_EQ(level, 2);
    EXPECT_EQ(level_hits, 0);
    EXPECT_FALSE(dead_duck_active);
    EXPECT_EQ(SoundGetStatus(beep_sound), 0);
    EXPECT_FALSE(lock_tone_on) << "the tone is off, so the next lock-on starts it again";
    // Three animation steps at three ticks a frame: one frame step, drawn at the duck's place
    // (its right part lies clear of the lock marker).
    EXPECT_EQ(dead_duck_bob.frame_index, 1);
    EXPECT_EQ(dead_duck_bob.y, 350);
    EXPECT_GT(GameFrameDiffers(play_background.pixels, 382, 350, 427, 413), 0);
    Button(false);
    RunFrames(1);
    EXPECT_EQ(game_state, GAME_STATE_LEVEL_COMPLETE);
    EXPECT_EQ(GameFrameDiffers(play_background.pixels, 0, 340, 640, 480), 0)
        << "the bonus screen draws no sprite";
}

TEST_F(PlayTest, FramesGoOnWhenTheBackBufferWillNotLock) {
    HostRefuse(HOST_REFUSE_LOCK);
    PlaceForShot(300, 200, 350, 240);
    Button(true);
    RunFrames(3);
    EXPECT_EQ(score, 50);
    HostRefuse(0);
}

TEST_F(PlayTest, RunningOutOfLivesWinsOverACompletedLevel) {
    level_hits = 4;
    lives = 0;
    PlaceForShot(300, 200, 350, 240);
    Button(true);
    RunFrames(1);
    EXPECT_EQ(level, 2);
    EXPECT_EQ(game_state, GAME_STATE_GAME_OVER);
}

TEST_F(PlayTest, LastLifeLostEndsTheGameAndStopsTheTone) {
    lives = 1;
    PlaceForShot(0, 200, 60, 240);
    RunFrames(1);
    ASSERT_EQ(SoundGetStatus(beep_sound), LOOPING);
    BobSetPosition(&duck_bob, -128, 200);
    Button(true);  // a miss in the same frame keeps the tone in play, but not past the game
    RunFrames(1);
    EXPECT_EQ(lives, 0);
    EXPECT_EQ(game_state, GAME_STATE_GAME_OVER);
    EXPECT_EQ(SoundGetStatus(beep_sound), 0);
    EXPECT_FALSE(lock_tone_on);
}

// ---------------------------------------------------------------------------
// The bonus screen

class LevelCompleteTest : public PlayTest {
protected:
    // Plays the fifth hit of level 1 with the given tallies; the bonus screen comes next.
    void FinishLevel(int escapes, int missed) {
        score = 1000;
        level_hits = 4;
        level_escapes = escapes;
        level_misses = missed;
        PlaceForShot(300, 200, 350, 240);
        Button(true);
        RunFrames(1);
        Button(false);
        ASSERT_EQ(game_state, GAME_STATE_LEVEL_COMPLETE);
    }
};

// Only the earned bonus texts show: the no-escape text's rows (190 + 30), the sharp-shooting
// text's (190 + 60); the closing text always.
TEST_F(LevelCompleteTest, BonusesTheirTextsAndTheNextDuckSpeed) {
    struct Case {
        int escapes, missed, points;
    };
    const Case cases[] = {{0, 0, 400}, {-1, 0, 300}, {0, 1, 200}, {-2, 3, 100}};
    const uint8_t* field = play_background.pixels;
    for (const Case& c : cases) {
        SCOPED_TRACE("escapes " + std::to_string(c.escapes) + ", misses " +
                     std::to_string(c.missed));
        level = 1;
        lives = 5;
        FinishLevel(c.escapes, c.missed);
        RunFrames(1);
        EXPECT_EQ(GameFrameDiffers(field, 0, 222, 640, 246) > 0, c.escapes == 0);
        EXPECT_EQ(GameFrameDiffers(field, 0, 252, 640, 276) > 0, c.missed == 0);
        EXPECT_GT(GameFrameDiffers(field, 0, 282, 640, 336), 0);
        RunFrames(2);
        EXPECT_EQ(game_state, GAME_STATE_LEVEL_COMPLETE) << "it waits for Space";
        Key(DIK_SPACE, true);
        RunFrames(1);
        Key(DIK_SPACE, false);
        EXPECT_EQ(game_state, GAME_STATE_PLAYING);
        EXPECT_EQ(Tallies(), "score " + std::to_string(1050 + c.points) + " lives 6 level 2 " +
                                 "misses " + std::to_string(misses) +
                                 " level misses 0 escapes 0 hits 0");
        EXPECT_EQ(duck_bob.dx, -14);
        RunFrames(1);
        EXPECT_EQ(duck_bob.x, 640 - 14);
    }
}

TEST_F(LevelCompleteTest, SpaceHeldContinuesAtOnce) {
    Key(DIK_SPACE, true);
    FinishLevel(0, 0);
    RunFrames(1);
    EXPECT_EQ(game_state, GAME_STATE_PLAYING);
    EXPECT_EQ(score, 1450);
}

// ---------------------------------------------------------------------------
// Escape, through the shell's loop

int frames_run = 0;
int escape_frame = 0;
uint32_t palette_after_escape_frame[3] = {0, 0, 0};
uint32_t escape_frame_ms = 0;

int FrameWithEscape() {
    frames_run++;
    // A loop that never sees its quit message fails the test instead of hanging it.
    if (frames_run > 1000) {
        HostPostQuitMessage(99);
    }
    if (frames_run == escape_frame) {
        HostInputKey(DIK_ESCAPE, 1);
        HostInputKey(DIK_ESCAPE, 0);  // a tap: read as down once
    }
    uint32_t before = HostTicks();
    GameFrame();
    if (frames_run == escape_frame) {
        escape_frame_ms = HostTicks() - before;
        uint32_t brightest[3] = {0, 0, 0};
        for (int i = 1; i < 256; i++) {
            brightest[0] = std::max<uint32_t>(brightest[0], palette_shadow[i].red);
            brightest[1] = std::max<uint32_t>(brightest[1], palette_shadow[i].green);
            brightest[2] = std::max<uint32_t>(brightest[2], palette_shadow[i].blue);
        }
        std::copy(brightest, brightest + 3, palette_after_escape_frame);
        EXPECT_EQ(SoundGetStatus(beep_sound), 0);
    }
    return 1;
}

TEST(EscapeTest, EscapeInTheIntroEndsTheProgramAfterTheFade) {
    ASSERT_FALSE(GameAssetFolder().empty());
    HeadlessReset();
    HostInputReset();
    HeadlessSetAutoAdvance(1);
    GameResetVariables();
    sound_init_pending = 1;
    std::string here = std::filesystem::current_path().string();
    std::filesystem::current_path(GameAssetFolder());
    ShellGame saved = shell_game;
    shell_game = ShellGame{GameStartup, FrameWithEscape, GameTeardown};
    frames_run = 0;
    escape_frame = 50;  // the lock tone is looping
    char instance = 0;
    int code = WinMain(&instance, nullptr, "", 1);
    shell_game = saved;
    std::filesystem::current_path(here);

    EXPECT_EQ(code, 0);
    EXPECT_EQ(frames_run, escape_frame + 1) << "one more pass handles the close request";
    EXPECT_GE(escape_frame_ms, 33u + 80 * 12) << "the fade's 80 steps of 12 ms";
    for (uint32_t channel : palette_after_escape_frame) {
        EXPECT_LE(channel, 15u) << "after the fade no channel is above 255 - 240";
    }
    EXPECT_EQ(HostLiveObjects(), 0);
    EXPECT_EQ(HostAudioLiveBuffers(), 0);
    HeadlessReset();
}

}  // namespace
