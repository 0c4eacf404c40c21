// The examples, played headless: each program's own code, its main() renamed, driven frame by
// frame on the manual clock with scripted keys and mouse, and what it draws checked.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/headless.h"

#define main HelloMain
#include "examples/hello.cpp"
#undef main
#define main FadeMain
#include "examples/fade.cpp"
#undef main
#define main BounceMain
#include "examples/bounce.cpp"
#undef main
#define main KeysMain
#include "examples/keys.cpp"
#undef main

namespace {

char example_instance;

// Pixels of the last presented frame with an index in low..high, inside a rectangle.
int Count(int low, int high, int left = 0, int top = 0, int right = 640, int bottom = 480) {
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* pixels = HeadlessFramePixels(&width, &height);
    int count = 0;
    for (int y = std::max(top, 0); pixels != nullptr && y < std::min(bottom, height); y++) {
        for (int x = std::max(left, 0); x < std::min(right, width); x++) {
            count += pixels[y * width + x] >= low && pixels[y * width + x] <= high;
        }
    }
    return count;
}

// The window asked to close: a WM_CLOSE waits for it. Other messages go to the shell's
// window procedure, as the loop would send them (a paint request repeats until answered).
bool CloseRequested() {
    HostMessage msg{};
    for (int i = 0; i < 100 && HostPeekMessage(&msg); i++) {
        if (msg.message == WM_CLOSE) {
            return true;
        }
        HostDispatchMessage(&msg);
    }
    return false;
}

class ExampleTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        HeadlessSetAutoAdvance(1);
        sound_init_pending = 1;  // each test is a new program: its first SoundInit opens a device
        ASSERT_NE(ShellCreateWindow(&example_instance, "example"), nullptr);
    }
    void TearDown() override {
        HeadlessReset();
    }
    static void Key(int key, bool down) {
        HostInputKey(key, down ? 1 : 0);
    }
};

TEST_F(ExampleTest, HelloWritesItsLineAndEscapeClosesTheWindow) {
    HelloStartup();
    HelloFrame();
    EXPECT_GT(Count(255, 255, 214, 232, 440, 248), 150) << "white text in its place";
    EXPECT_EQ(Count(255, 255), Count(255, 255, 214, 232, 440, 248)) << "and nothing else";
    EXPECT_FALSE(CloseRequested());
    Key(DIK_ESCAPE, true);
    HelloFrame();
    EXPECT_TRUE(CloseRequested());
    DisplayShutdown();
    EXPECT_EQ(DisplayShutdown(), 1);
    EXPECT_EQ(HostLiveObjects(), 0);
}

TEST_F(ExampleTest, ProgramsRunHeadlessToTheirEndThroughTheirOwnMain) {
    char name[] = "example";
    char headless[] = "--headless";
    char frames[] = "--frames";
    char count[] = "5";
    char* shell_args[] = {name, headless, frames, count, nullptr};
    char* fade_args[] = {name, headless, nullptr};
    const struct {
        const char* name;
        int (*main)(int, char**);
        int argc;
        char** argv;
        uint32_t frames;  // presented: 5 frames, or 90 and the 80 steps of the fade
    } programs[] = {{"hello", HelloMain, 4, shell_args, 5},
                    {"bounce", BounceMain, 4, shell_args, 5},
                    {"keys", KeysMain, 4, shell_args, 5},
                    {"fade", FadeMain, 2, fade_args, 90 + 80}};
    for (const auto& program : programs) {
        HeadlessReset();  // a new program: no window class registered yet, no sound device
        sound_init_pending = 1;
        EXPECT_EQ(program.main(program.argc, program.argv), 0) << program.name;
        EXPECT_GE(HeadlessPresentCount(), program.frames) << program.name;
        EXPECT_EQ(HostLiveObjects(), 0) << program.name << " tore down what it made";
    }
    char bogus[] = "--bogus";
    char* bad_args[] = {name, bogus, nullptr};
    EXPECT_EQ(HelloMain(2, bad_args), 2) << "an unknown flag is refused";
}

TEST_F(ExampleTest, FadeTwinklesByPaletteAndFadesOnEscape) {
    FadeStartup();
    ASSERT_EQ(FadeFrame(), 1);
    EXPECT_GT(Count(TWINKLE_FIRST, TWINKLE_FIRST + TWINKLE_COUNT - 1), STAR_COUNT * 9 / 10)
        << "every star drawn in a shade of the ring";
    const PaletteEntry before = HeadlessFramePalette()[TWINKLE_FIRST];
    FadeFrame();
    const PaletteEntry after = HeadlessFramePalette()[TWINKLE_FIRST + 1];
    EXPECT_EQ(after.red, before.red) << "the ring moved on one entry";
    EXPECT_EQ(after.blue, before.blue);
    Key(DIK_ESCAPE, true);
    EXPECT_EQ(FadeFrame(), 0);
    TransitionPlay(TRANSITION_FADE_BLACK, nullptr, 0);
    for (int i = 1; i < 256; i++) {
        EXPECT_LE(HeadlessFramePalette()[i].red, 15) << "entry " << i << " faded";
    }
    FadeTeardown();
    EXPECT_EQ(HostLiveObjects(), 0);
}

TEST_F(ExampleTest, BallsMoveBounceAndShowTheSkyAroundThem) {
    BounceStartup();
    BounceFrame();
    const int x0 = bounce_balls[1].x;
    const int dx0 = bounce_balls[1].dx;
    EXPECT_GT(Count(BALL_DARK, BALL_DARK), 0);
    EXPECT_GT(Count(BALL_LIGHT, BALL_LIGHT), 0);
    // A disc in a square frame: the corners are index 0, so the sky shows there.
    const BOB& ball = bounce_balls[0];
    EXPECT_EQ(Count(BOUNCE_SKY, BOUNCE_SKY, ball.x, ball.y, ball.x + 4, ball.y + 4), 16);
    EXPECT_EQ(Count(0, 0), 0) << "the transparent index never reaches the screen";
    BounceFrame();
    EXPECT_EQ(bounce_balls[1].x, x0 + dx0) << "moved by its velocity";
    bool turned = false;
    for (int i = 0; i < 200 && !turned; i++) {
        BounceFrame();
        turned = bounce_balls[1].dx == -dx0;
    }
    EXPECT_TRUE(turned) << "it bounced off an edge";
    for (const BOB& b : bounce_balls) {
        EXPECT_GE(b.x, -BALL_SIZE);
        EXPECT_LE(b.x, 640);
    }
    BounceTeardown();
    EXPECT_EQ(HostLiveObjects(), 0) << "copies destroyed before their owner, nothing left";
}

TEST_F(ExampleTest, KeysMovesPaintsAndPlaysItsTone) {
    ASSERT_EQ(KeysStartup(), 1);
    ASSERT_GE(keys_tone, 0) << "the tone was written and loaded";
    KeysFrame();
    const int x = keys_x;
    HostInputMouseMotion(30, 10);
    KeysFrame();
    EXPECT_EQ(keys_x, x + 30);
    Key(DIK_LEFT, true);
    KeysFrame();
    Key(DIK_LEFT, false);
    EXPECT_EQ(keys_x, x + 26) << "an arrow key moves 4 pixels a frame";
    EXPECT_EQ(Count(TRAIL, TRAIL), 0);
    HostInputMouseButton(0, 1);
    KeysFrame();
    HostInputMouseMotion(40, 0);
    KeysFrame();
    HostInputMouseButton(0, 0);
    EXPECT_GT(Count(TRAIL, TRAIL), MARKER * MARKER / 2) << "the button left a trail";
    Key(DIK_SPACE, true);
    KeysFrame();
    EXPECT_EQ(SoundGetStatus(keys_tone), static_cast<int>(DSBSTATUS_PLAYING));
    Key(DIK_SPACE, false);
    Key(DIK_RETURN, true);
    KeysFrame();
    EXPECT_EQ(SoundGetStatus(keys_tone), static_cast<int>(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
    HostInputMouseWheel(-HOST_WHEEL_NOTCH);
    KeysFrame();
    EXPECT_EQ(keys_volume, 90);
    Key(DIK_ESCAPE, true);
    KeysFrame();
    EXPECT_TRUE(CloseRequested());
    KeysTeardown();
    EXPECT_EQ(HostLiveObjects(), 0);
}

}  // namespace
