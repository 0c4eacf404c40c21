// The present end to end: from the flip of a 640x480 8-bit frame to its pixels on the screen,
// in a real full-screen SDL window (under Xvfb at 1920x1080 in `make bench`: enlarged 2x,
// centred). Ours is the SDL backend as the game runs it, choosing its own way; beside it the
// same backend made to go through SDL's OpenGL and software renderers. A fade step changes
// the palette and presents the same way, so one flip stands for both. Wall time: the display
// server's share of the work is not in our process's CPU time.

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/shell.h"
#include "lib/display.h"
#include "lib/palette.h"
#include "platform/headless.h"
#include "platform/host.h"

namespace {

char bench_instance;

struct Way {
    const char* present;  // QENT_PRESENT: null lets the backend choose
    const char* driver;   // SDL_RENDER_DRIVER, or null
};

void SetOrClear(const char* name, const char* value) {
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

// Opens the real screen and the game's display; the skip message when there is none.
std::string OpenScreen(const Way& way) {
    SetOrClear("QENT_PRESENT", way.present);
    SetOrClear("SDL_RENDER_DRIVER", way.driver);
    HeadlessReset();  // no window or class left from an earlier run
    const HostOptions options{HOST_BACKEND_SDL, 0};
    if (!HostStartup(&options)) {
        return std::string("no display (run under Xvfb, as `make bench` does): ") + HostError();
    }
    if (!HostRegisterClass("QENTBENCH", HostDefWindowProc)) {
        HostShutdown();
        return "the window class could not be registered";
    }
    app_window = HostCreateWindow("QENTBENCH", "Qent present bench", 0, 0, 640, 480);
    app_instance = &bench_instance;
    if (app_window == nullptr || !DisplayInit(640, 480, 8)) {
        HostShutdown();
        return "the display could not be set up";
    }
    return {};
}

void CloseScreen() {
    DisplayShutdown();
    HostShutdown();
    HeadlessReset();
    app_window = nullptr;
    unsetenv("QENT_PRESENT");
    unsetenv("SDL_RENDER_DRIVER");
}

// Both buffers hold a frame of every index, so each flip shows a full picture.
void PaintBuffers() {
    PaletteEntry palette[256];
    for (int i = 0; i < 256; i++) {
        palette[i] = PaletteEntry{static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3),
                                  static_cast<uint8_t>(255 - i), 0};
    }
    PaletteSetAll(palette);
    for (int buffer = 0; buffer < 2; buffer++) {
        uint8_t* pixels = BackLock();
        if (pixels != nullptr) {
            for (int32_t y = 0; y < 480; y++) {
                for (int32_t x = 0; x < 640; x++) {
                    pixels[y * back_pitch + x] = static_cast<uint8_t>(x + y * 3 + buffer * 40);
                }
            }
        }
        BackUnlock();
        DisplayFlip();
    }
}

void BM_Flip(benchmark::State& state, Way way) {
    // One screen per way for all its repetitions: after some dozen openings in one process
    // the X server stops taking SDL's connections.
    static const Way* open_way = nullptr;
    if (open_way != &way) {
        if (open_way != nullptr) {
            CloseScreen();
            open_way = nullptr;
        }
        const std::string problem = OpenScreen(way);
        if (!problem.empty()) {
            state.SkipWithError(problem.c_str());
            return;
        }
        open_way = &way;
        PaintBuffers();
    }
    SDL_DisplayMode mode{};
    SDL_GetDesktopDisplayMode(0, &mode);
    for (auto _ : state) {
        DisplayFlip();
    }
    state.SetLabel(std::to_string(mode.w) + "x" + std::to_string(mode.h));
}

// Without a screen there is nothing to measure: one line says so, and nothing is registered.
[[maybe_unused]] const bool registered = [] {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        std::fprintf(stderr,
                     "BM_PresentEndToEnd skipped: no display (`make bench` runs it under Xvfb "
                     "at 1920x1080)\n");
        return false;
    }
    const struct {
        const char* name;
        Way way;
    } ways[] = {
        {"BM_PresentEndToEnd/qent", {nullptr, nullptr}},
        {"BM_PresentEndToEnd/sdl2-opengl", {"renderer", "opengl"}},
        {"BM_PresentEndToEnd/sdl2-software", {"renderer", "software"}},
    };
    for (const auto& w : ways) {
        benchmark::RegisterBenchmark(w.name, BM_Flip, w.way)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
