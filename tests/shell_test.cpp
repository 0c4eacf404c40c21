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

TEST_F(ShellTest, QuitPassRunsNoFrameAndTeardownFollows) {
    // Frame 3 asks to quit directly: the pass that removes WM_QUIT is pass 4.
    rec.quit_code_frame = 3;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(rec.calls, Expected(3)) << "expected 3 frames, got " << rec.frames;
    EXPECT_EQ(rec.queue_empty_at_teardown, 1) << "teardown ran with messages still queued";
}

TEST_F(ShellTest, ReturnsTheQuitCode) {
    rec.quit_code_frame = 1;
    rec.quit_code = 7;
    EXPECT_EQ(Run(), 7);
    EXPECT_EQ(rec.calls, Expected(1));
}

TEST_F(ShellTest, CloseRequestFromTheFrameEndsWithCodeZero) {
    // The game's Escape: one WM_DESTROY posted to app_window after frame 1.
    rec.destroy_frames = 1;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(rec.calls, Expected(2)) << "expected 2 frames, got " << rec.frames;
}

TEST_F(ShellTest, RepeatedDestroyShutsDownOnceAfterTheLast) {
    // Escape held for 5 frames: five WM_DESTROY, each handled in the pass after its frame;
    // quit waits for the last one, so frame 6 still runs, and teardown runs once.
    rec.destroy_frames = 5;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(rec.calls, Expected(6)) << "expected 6 frames, got " << rec.frames;
}

TEST_F(ShellTest, WindowAndInstanceAreSetBeforeStartup) {
    rec.quit_code_frame = 1;
    Run();
    EXPECT_NE(rec.window_at_startup, nullptr);
    EXPECT_EQ(rec.instance_at_startup, &test_instance);
}

TEST_F(ShellTest, RefusedClassRunsNoGameCode) {
    HostRefuse(HOST_REFUSE_REGISTER_CLASS);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(rec.calls, "") << "no entry point may run without a window class";
}

TEST_F(ShellTest, RefusedWindowRunsNoGameCode) {
    HostRefuse(HOST_REFUSE_CREATE_WINDOW);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(rec.calls, "") << "no entry point may run without a window";
}

// ---- The window procedure

class WindowProcTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        ASSERT_EQ(HostRegisterClass("QENTCLASS", WindowProc), 1);
        window = HostCreateWindow("QENTCLASS", "Qent Game Console", 0, 0, 320, 240);
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

TEST_F(WindowProcTest, DestroyPostsQuitWithCodeZero) {
    HostMessage msg{};
    HostPeekMessage(&msg);  // the first paint
    HostDispatchMessage(&msg);
    EXPECT_EQ(WindowProc(window, WM_DESTROY, 0, 0), 0);
    ASSERT_EQ(HostPeekMessage(&msg), 1);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wparam, 0u);
}

TEST_F(WindowProcTest, CloseGoesThroughTheDefaultProcedureToQuit) {
    // The window manager's close button arrives as WM_CLOSE.
    HostMessage msg{};
    HostPeekMessage(&msg);
    HostDispatchMessage(&msg);
    HostPostMessage(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(HostPeekMessage(&msg), 1);
    HostDispatchMessage(&msg);
    ASSERT_EQ(HostPeekMessage(&msg), 1);
    EXPECT_EQ(msg.message, WM_QUIT);
}

TEST_F(WindowProcTest, CreateAndOtherMessagesAnswerZero) {
    EXPECT_EQ(WindowProc(window, WM_CREATE, 0, 0), 0);
    EXPECT_EQ(WindowProc(window, WM_USER_TEST, 1, 2), 0);
}

}  // namespace
