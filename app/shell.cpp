// The application shell: one window, a polling message loop, one game frame per pass.
#include "app/shell.h"

#include "game/game.h"

HostWindow* app_window = nullptr;
void* app_instance = nullptr;

ShellGame shell_game = {GameStartup, GameFrame, GameTeardown};

namespace {

constexpr const char* SHELL_CLASS_NAME = "QENTCLASS";
constexpr const char* SHELL_WINDOW_TITLE = "Qent Game Console";
// The window itself draws nothing: the display set up by the game owns the screen.
constexpr int SHELL_WINDOW_WIDTH = 320;
constexpr int SHELL_WINDOW_HEIGHT = 240;

}  // namespace

int WinMain(void* instance, void*, const char*, int) {
    if (!HostRegisterClass(SHELL_CLASS_NAME, WindowProc)) {
        return 0;
    }
    HostWindow* window = HostCreateWindow(SHELL_CLASS_NAME, SHELL_WINDOW_TITLE, 0, 0,
                                          SHELL_WINDOW_WIDTH, SHELL_WINDOW_HEIGHT);
    if (window == nullptr) {
        return 0;
    }
    app_window = window;
    app_instance = instance;

    shell_game.startup();

    // Never blocks on the queue: the pass rate is the frame rate, which the game paces.
    HostMessage msg{};
    for (;;) {
        if (HostPeekMessage(&msg)) {
            if (msg.message == WM_QUIT) {
                break;
            }
            HostDispatchMessage(&msg);
        }
        shell_game.frame();
    }

    shell_game.teardown();
    return static_cast<int>(msg.wparam);
}

intptr_t WindowProc(HostWindow* window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    switch (message) {
        case WM_CREATE:
            return 0;
        case WM_PAINT:
            // Nothing to draw; validating the window stops the request from repeating.
            HostValidateWindow(window);
            return 0;
        case WM_DESTROY:
            HostPostQuitMessage(0);
            return 0;
        default:
            return HostDefWindowProc(window, message, wparam, lparam);
    }
}
