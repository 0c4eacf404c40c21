// The shell's loop: one message and one frame per pass, the quit message ends it without a
// frame, teardown runs once, and the quit code comes back from WinMain.

#include <gtest/gtest.h>

#include <string>

#include "app/shell.h"
#include "platform/headless.h"
#include "platform/host.h"

namespace {

constexpr uint32_t WM_USER_TEST = 0x0400;

// What the test entry points saw; one static record because the shell calls plain functions.
struct Recorder {
    std::string calls;         // 'S' startup, 'F' frame, 'T' teardown, in order
    int frames = 0;            // frames run so far
    int destroy_frames = 0;    // frames 1..destroy_frames post WM_DESTROY (Escape held)
    int quit_code_frame = 0;   // this frame posts the quit message itself
    int quit_code = 0;         // with this code
    int startup_messages = 0;  // startup posts this many user messages
    int close_at_startup = 0;  // then WM_DESTROY
    HostWindow* window_at_startup = nullptr;
    void* instance_at_startup = nullptr;
    int queue_empty_at_teardown = -1;
    int ending_in_frames = 0;     // frames that saw HostProcessEnding() == 1
    int ending_at_teardown = -1;  // HostProcessEnding() in teardown
};

Recorder rec;

int TestStartup() {
    rec.calls += 'S';
    rec.window_at_startup = app_window;
    rec.instance_at_startup = app_instance;
    for (int i = 0; i < rec.startup_messages; i++) {
        HostPostMessage(app_window, WM_USER_TEST + static_cast<uint32_t>(i), 0, 0);
    }
    if (rec.close_at_startup) {
        HostPostMessage(app_window, WM_DESTROY, 0, 0);
    }
    return 1;
}

int TestFrame() {
    rec.calls += 'F';
    rec.frames++;
    rec.ending_in_frames += HostProcessEnding();
    if (rec.frames <= rec.destroy_frames) {
        HostPostMessage(app_window, WM_DESTROY, 0, 0);
    }
    if (rec.frames == rec.quit_code_frame) {
        HostPostQuitMessage(rec.quit_code);
    }
    // A runaway loop fails the test instead of hanging it.
    if (rec.frames > 1000) {
        HostPostQuitMessage(99);
    }
    return 1;
}

int TestTeardown() {
    rec.calls += 'T';
    rec.ending_at_teardown = HostProcessEnding();
    HostMessage msg{};
    rec.queue_empty_at_teardown = HostPeekMessage(&msg) ? 0 : 1;
    return 1;
}

char test_instance;

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        rec = Recorder{};
        saved = shell_game;
        shell_game = ShellGame{TestStartup, TestFrame, TestTeardown};
    }
    void TearDown() override {
        shell_game = saved;
    }
    int Run() {
        return WinMain(&test_instance, nullptr, "", 1);
    }
    ShellGame saved{};
};

std::string Expected(int frames, bool teardown = true) {
    return "S" + std::string(static_cast<size_t>(frames), 'F') + (teardown ? "T" : "");
}

TEST_F(ShellTest, QueuedMessagesTakeOnePassEach) {
    // N user messages and then WM_DESTROY, all queued before the loop: N + 1 passes each
    // run a frame; the next pass removes the quit message and runs none.
    for (int n : {0, 1, 5, 40}) {
        HeadlessReset();
        rec = Recorder{};
        rec.startup_messages = n;
        rec.close_at_startup = 1;
        EXPECT_EQ(Run(), 0) << "n = " << n;
        EXPECT_EQ(rec.calls, Expected(n + 1))
            << "n = " << n << ": expected " << n + 1 << " frames, got " << rec.frames;
    }
}

TEST_F(ShellTest, EachWayOutRunsItsFramesThenTeardownOnceAndReturnsTheQuitCode) {
    struct Case {
        const char* what;
        int quit_code_frame, quit_code, destroy_frames;
        int frames;  // expected
    };
    const Case cases[] = {
        // The pass that removes WM_QUIT runs no frame: frame 3's quit ends after frame 3.
        {"quit posted by frame 3", 3, 0, 0, 3},
        {"quit code 7 from frame 1", 1, 7, 0, 1},
        // The game's Escape: WM_DESTROY after frame 1 is handled in pass 2, which runs frame 2.
        {"close request after frame 1", 0, 0, 1, 2},
        // Escape held for 5 frames: quit waits for the last WM_DESTROY, so frame 6 still runs.
        {"WM_DESTROY after each of frames 1..5", 0, 0, 5, 6},
    };
    for (const Case& c : cases) {
        HeadlessReset();
        rec = Recorder{};
        rec.quit_code_frame = c.quit_code_frame;
        rec.quit_code = c.quit_code;
        rec.destroy_frames = c.destroy_frames;
        EXPECT_EQ(Run(), c.quit_code) << c.what;
        EXPECT_EQ(rec.calls, Expected(c.frames)) << c.what << ": got " << rec.frames << " frames";
        EXPECT_EQ(rec.queue_empty_at_teardown, 1) << c.what << ": messages left at teardown";
        EXPECT_NE(rec.window_at_startup, nullptr) << c.what;
        EXPECT_EQ(rec.instance_at_startup, &test_instance) << c.what;
    }
}

// A program that ends with ShellRun lets the device skip its slow teardown, but only once the
// loop is over; one that goes on keeps the whole teardown, and a new start clears the mark.
TEST_F(ShellTest, ProcessEndingIsMarkedOnlyAfterTheLoopAndOnlyWhenAsked) {
    for (int ends : {1, 0}) {
        SCOPED_TRACE(ends ? "process ends" : "process goes on");
        HeadlessReset();
        rec = Recorder{};
        rec.quit_code_frame = 3;
        ShellOptions options{};
        options.headless = 1;
        options.process_ends = ends;
        const ShellGame game{TestStartup, TestFrame, TestTeardown, nullptr};
        EXPECT_EQ(ShellRun(&game, &options), 0);
        EXPECT_EQ(rec.calls, Expected(3));
        EXPECT_EQ(rec.ending_in_frames, 0);
        EXPECT_EQ(rec.ending_at_teardown, ends);
        const HostOptions headless{HOST_BACKEND_HEADLESS, 0};
        ASSERT_EQ(HostStartup(&headless), 1);
        EXPECT_EQ(HostProcessEnding(), 0);
    }
}

// The usage line names the program without its folder, in the system's own path form.
TEST_F(ShellTest, UsageNamesTheProgramWithoutItsFolder) {
    struct Case {
        const char* argv0;
        const char* usage;
    };
    const Case cases[] = {
        {"/usr/games/duckling", "usage: duckling [--window]"},
        {"duckling", "usage: duckling [--window]"},
#ifdef _WIN32
        {"C:\\Games\\Duckling\\duckling.exe", "usage: duckling.exe [--window]"},
        {"C:/Games\\duckling.exe", "usage: duckling.exe [--window]"},
#endif
    };
    const ShellGame game{TestStartup, TestFrame, TestTeardown, nullptr};
    for (const Case& c : cases) {
        std::string argv0 = c.argv0;
        std::string bogus = "--bogus";
        char* argv[] = {argv0.data(), bogus.data(), nullptr};
        testing::internal::CaptureStderr();
        EXPECT_EQ(ShellMain(2, argv, &game), 2) << c.argv0;
        const std::string said = testing::internal::GetCapturedStderr();
#ifndef __EMSCRIPTEN__  // node's stderr is not a descriptor GoogleTest can capture
        EXPECT_NE(said.find(c.usage), std::string::npos) << c.argv0 << " printed:\n" << said;
#endif
        EXPECT_EQ(rec.calls, "") << "no game code runs on a bad flag";
    }
}

TEST_F(ShellTest, RefusedClassOrWindowRunsNoGameCode) {
    for (uint32_t refuse : {HOST_REFUSE_REGISTER_CLASS, HOST_REFUSE_CREATE_WINDOW}) {
        HeadlessReset();
        HostRefuse(refuse);
        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(rec.calls, "") << "refusal " << refuse;
    }
}

// ---- The window procedure

class WindowProcTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        window = ShellCreateWindow(&test_instance, nullptr);
        ASSERT_NE(window, nullptr);
    }
    HostWindow* window = nullptr;
};

TEST_F(WindowProcTest, PaintIsAnsweredOnceAndDoesNotRepeat) {
    // A new window needs painting: the request comes once and, validated, never again.
    HostMessage msg{};
    ASSERT_EQ(HostPeekMessage(&msg), 1);
    ASSERT_EQ(msg.message, WM_PAINT);
    EXPECT_EQ(HostDispatchMessage(&msg), 0);
    for (int pass = 0; pass < 3; pass++) {
        EXPECT_EQ(HostPeekMessage(&msg), 0) << "WM_PAINT repeated on pass " << pass;
    }
    HostRequestPaint(window);
    ASSERT_EQ(HostPeekMessage(&msg), 1);
    EXPECT_EQ(msg.message, WM_PAINT);
    HostDispatchMessage(&msg);
    EXPECT_EQ(HostPeekMessage(&msg), 0);
}

// The window manager's close button arrives as WM_CLOSE and goes through the default
// procedure to WM_DESTROY, whose answer is the quit message with code 0.
TEST_F(WindowProcTest, CloseAndDestroyEndInQuitWithCodeZero) {
    HostMessage msg{};
    HostPeekMessage(&msg);  // the first paint
    HostDispatchMessage(&msg);
    EXPECT_EQ(WindowProc(window, WM_CREATE, 0, 0), 0);
    EXPECT_EQ(WindowProc(window, WM_USER_TEST, 1, 2), 0);
    for (bool close : {false, true}) {
        if (close) {
            HostPostMessage(window, WM_CLOSE, 0, 0);
            ASSERT_EQ(HostPeekMessage(&msg), 1);
            HostDispatchMessage(&msg);
        } else {
            EXPECT_EQ(WindowProc(window, WM_DESTROY, 0, 0), 0);
        }
        ASSERT_EQ(HostPeekMessage(&msg), 1);
        EXPECT_EQ(msg.message, WM_QUIT) << (close ? "WM_CLOSE" : "WM_DESTROY");
        EXPECT_EQ(msg.wparam, 0u);
    }
}

}  // namespace
