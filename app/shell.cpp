// The application shell: one window, a polling message loop, one game frame per pass.
#include "app/shell.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/headless.h"

ShellGame shell_game = {nullptr, nullptr, nullptr, nullptr};

namespace {

constexpr const char* SHELL_CLASS_NAME = "QENTCLASS";
constexpr const char* SHELL_DEFAULT_TITLE = "Qent";
// The window itself draws nothing: the display set up by the game owns the screen.
constexpr int SHELL_WINDOW_WIDTH = 320;
constexpr int SHELL_WINDOW_HEIGHT = 240;
constexpr int SHELL_BAD_FLAGS = 2;

int (*shell_counted_frame)() = nullptr;  // the game's own frame while ShellRun counts them
int shell_frames_left = 0;
int shell_process_ends = 0;

// Closes the window once the frames asked for have run, as the user's close would.
int ShellCountedFrame() {
    int result = shell_counted_frame != nullptr ? shell_counted_frame() : 1;
    if (shell_frames_left > 0 && --shell_frames_left == 0) {
        HostPostMessage(app_window, WM_CLOSE, 0, 0);
    }
    return result;
}

// The instance handle has no meaning here; the library only needs a non-null token.
char shell_instance_token;

}  // namespace

HostWindow* ShellCreateWindow(void* instance, const char* title) {
    if (!HostRegisterClass(SHELL_CLASS_NAME, WindowProc)) {
        return nullptr;
    }
    HostWindow* window =
        HostCreateWindow(SHELL_CLASS_NAME, title != nullptr ? title : SHELL_DEFAULT_TITLE, 0, 0,
                         SHELL_WINDOW_WIDTH, SHELL_WINDOW_HEIGHT);
    if (window == nullptr) {
        return nullptr;
    }
    app_window = window;
    app_instance = instance;
    return window;
}

int WinMain(void* instance, void*, const char*, int) {
    if (ShellCreateWindow(instance, shell_game.title) == nullptr) {
        return 0;
    }
    if (shell_game.startup != nullptr) {
        shell_game.startup();
    }

    // Never blocks on the queue: the pass rate is the frame rate, which the game paces.
    HostMessage msg{};
    for (;;) {
        if (HostPeekMessage(&msg)) {
            if (msg.message == WM_QUIT) {
                break;
            }
            HostDispatchMessage(&msg);
        }
        if (shell_game.frame != nullptr) {
            shell_game.frame();
        }
    }

    if (shell_process_ends) {
        HostSetProcessEnding();
    }
    if (shell_game.teardown != nullptr) {
        shell_game.teardown();
    }
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

int ShellRun(const ShellGame* game, const ShellOptions* options) {
    const ShellOptions none{};
    if (options == nullptr) {
        options = &none;
    }
    HostOptions host{};
    host.backend = options->headless ? HOST_BACKEND_HEADLESS : HOST_BACKEND_DEVICE;
    host.windowed = options->windowed;
    if (!HostStartup(&host)) {
        return SHELL_NO_SCREEN;
    }
    if (options->headless) {
        // Busy waits end on a clock that moves with every read.
        HeadlessSetAutoAdvance(1);
    }
    shell_game = game != nullptr ? *game : ShellGame{};
    shell_frames_left = options->frames > 0 ? options->frames : 0;
    if (shell_frames_left > 0) {
        shell_counted_frame = shell_game.frame;
        shell_game.frame = ShellCountedFrame;
    }
    shell_process_ends = options->process_ends;
    const int code = WinMain(&shell_instance_token, nullptr, "", 1);
    shell_counted_frame = nullptr;
    shell_frames_left = 0;
    shell_process_ends = 0;
    HostShutdown();
    return code;
}

int ShellMain(int argc, char** argv, const ShellGame* game) {
    const char* name = argc > 0 && argv[0] != nullptr ? argv[0] : "game";
    if (const char* slash = std::strrchr(name, '/')) {
        name = slash + 1;
    }
#ifdef _WIN32
    if (const char* backslash = std::strrchr(name, '\\')) {
        name = backslash + 1;
    }
#endif
    ShellOptions options{};
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        char* end = nullptr;
        if (std::strcmp(arg, "--window") == 0) {
            options.windowed = 1;
        } else if (std::strcmp(arg, "--headless") == 0) {
            options.headless = 1;
        } else if (std::strcmp(arg, "--frames") == 0 && i + 1 < argc &&
                   (options.frames = static_cast<int>(std::strtol(argv[i + 1], &end, 10))) > 0 &&
                   *end == '\0') {
            i++;
        } else {
            const bool help = std::strcmp(arg, "--help") == 0;
            std::fprintf(help ? stdout : stderr,
                         "%s%s%s%s"
                         "usage: %s [--window] [--headless] [--frames N] [--help]\n"
                         "  --window     play in a window instead of full screen\n"
                         "  --headless   run without a screen or sound (for tests)\n"
                         "  --frames N   close the window after N frames\n",
                         help ? "" : name, help ? "" : ": unknown flag or value '", help ? "" : arg,
                         help ? "" : "'\n", name);
            return help ? 0 : SHELL_BAD_FLAGS;
        }
    }
    options.process_ends = 1;  // main returns what this returns
    const int code = ShellRun(game, &options);
    if (code == SHELL_NO_SCREEN && HostError()[0] != '\0') {
        char line[1024];
        std::snprintf(line, sizeof line, "%s: %s", name, HostError());
        HostReportFailure(line);
    }
    return code;
}
