// The SDL2 backend: a real window showing the 8-bit frame scaled up by a whole number,
// nearest-neighbour and letterboxed, with events pumped into the host's message queue.

#include <SDL.h>

#include <string>

#include "platform/present.h"
#include "platform/sdl_internal.h"

namespace {

constexpr int SDL_WINDOW_SCALE = 2;         // --window: twice the frame each way
constexpr uint32_t SDL_REFRESH_MS = 16;     // busy waits pump and refresh this often
constexpr int32_t SDL_DEFAULT_WIDTH = 640;  // the frame size until a mode is set
constexpr int32_t SDL_DEFAULT_HEIGHT = 480;

struct SdlState {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;  // streaming, frame_width x frame_height, ARGB8888
    int32_t frame_width = SDL_DEFAULT_WIDTH;
    int32_t frame_height = SDL_DEFAULT_HEIGHT;
    int windowed = 0;        // 1: a normal window; 0: full-screen desktop
    int cursor_hidden = 0;   // the program hid the cursor, so the mouse is held relative
    int mouse_released = 0;  // windowed and focus lost: the mouse is free until a click
    int input_open = 0;      // the input host's devices are open
    int refreshing = 0;      // a refresh from the clock is under way
    uint32_t last_pump = 0;
    uint32_t last_present = 0;
};

SdlState sdl;

void SdlHoldMouse(int hold) {
    SDL_ShowCursor(hold ? SDL_DISABLE : SDL_ENABLE);
    // Relative mode keeps reporting motion at the screen's edges, and hides the cursor.
    SDL_SetRelativeMouseMode(hold ? SDL_TRUE : SDL_FALSE);
}

// Sizes the window for the current mode. Without a window manager full-screen desktop is
// not applied, so the window is also made borderless and as large as the display itself.
void SdlApplyWindowMode() {
    if (sdl.window == nullptr) {
        return;
    }
    if (sdl.windowed) {
        SDL_SetWindowFullscreen(sdl.window, 0);
        SDL_SetWindowBordered(sdl.window, SDL_TRUE);
        SDL_SetWindowResizable(sdl.window, SDL_TRUE);
        SDL_SetWindowSize(sdl.window, sdl.frame_width * SDL_WINDOW_SCALE,
                          sdl.frame_height * SDL_WINDOW_SCALE);
        SDL_SetWindowPosition(sdl.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        return;
    }
    int display = SDL_GetWindowDisplayIndex(sdl.window);
    SDL_Rect bounds{0, 0, sdl.frame_width, sdl.frame_height};
    SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds);
    SDL_SetWindowResizable(sdl.window, SDL_FALSE);
    SDL_SetWindowBordered(sdl.window, SDL_FALSE);
    SDL_SetWindowPosition(sdl.window, bounds.x, bounds.y);
    SDL_SetWindowSize(sdl.window, bounds.w, bounds.h);
    SDL_SetWindowFullscreen(sdl.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void SdlToggleFullScreen() {
    sdl.windowed = !sdl.windowed;
    SdlApplyWindowMode();
    // Full screen always holds the mouse; a window holds it while it has the focus.
    if (sdl.cursor_hidden && !sdl.windowed && sdl.mouse_released) {
        sdl.mouse_released = 0;
        SdlHoldMouse(1);
    }
    HostVideoPresentNow();
}

int SdlMakeTexture(int32_t width, int32_t height) {
    if (sdl.texture != nullptr) {
        SDL_DestroyTexture(sdl.texture);
        sdl.texture = nullptr;
    }
    sdl.frame_width = width;
    sdl.frame_height = height;
    SDL_RenderSetLogicalSize(sdl.renderer, width, height);
    sdl.texture = SDL_CreateTexture(sdl.renderer, SDL_PIXELFORMAT_ARGB8888,
                                    SDL_TEXTUREACCESS_STREAMING, width, height);
    return sdl.texture != nullptr;
}

void SdlClear() {
    SDL_SetRenderDrawColor(sdl.renderer, 0, 0, 0, 255);
    SDL_RenderClear(sdl.renderer);
    SDL_RenderPresent(sdl.renderer);
}

// Handles what the backend itself answers to. 0 when the event is the backend's alone and
// must not reach the input devices.
int SdlHandleEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:
            // The window manager's close (or Ctrl+C) is a close request the game handles.
            if (HostMainWindow() != nullptr) {
                HostPostMessage(HostMainWindow(), WM_CLOSE, 0, 0);
            }
            return 1;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_EXPOSED:
                    HostRequestPaint(HostMainWindow());
                    HostVideoPresentNow();
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    HostVideoPresentNow();
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    if (sdl.windowed && sdl.cursor_hidden && !sdl.mouse_released) {
                        sdl.mouse_released = 1;
                        SdlHoldMouse(0);
                    }
                    break;
                default:
                    break;
            }
            return 1;
        case SDL_MOUSEBUTTONDOWN:
            if (sdl.mouse_released) {
                // The click that takes the mouse back is not a shot.
                sdl.mouse_released = 0;
                SdlHoldMouse(1);
                return 0;
            }
            return 1;
        case SDL_KEYDOWN:
            if ((event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER) &&
                (event.key.keysym.mod & KMOD_ALT) != 0) {
                if (!event.key.repeat) {
                    SdlToggleFullScreen();
                }
                return 0;  // Alt+Enter belongs to the window, not to the game's Enter
            }
            return 1;
        default:
            return 1;
    }
}

void SdlPump() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (SdlHandleEvent(event)) {
            HostInputSdlEvent(&event);
        }
    }
    sdl.last_pump = SDL_GetTicks();
}

// Keeps the window alive while the program busy-waits or sleeps: events are pumped, and
// while the screen's own pixels are locked (an effect painted straight onto it) they are
// presented again. Otherwise flips and palette changes present, and presenting once more
// per wait would only halve the frame rate on a slow renderer.
void SdlRefresh(uint32_t now) {
    if (sdl.refreshing || now - sdl.last_pump < SDL_REFRESH_MS) {
        return;
    }
    sdl.refreshing = 1;
    SdlPump();
    if (HostVideoScreenLocked() && now - sdl.last_present >= SDL_REFRESH_MS) {
        HostVideoPresentNow();
        sdl.last_present = now;  // also when no mode is set yet, so this stays rare
    }
    sdl.refreshing = 0;
}

// Left to itself SDL falls back to drivers that show nothing. Unless the user names a
// driver (SDL_VIDEODRIVER=dummy for a headless run), only real screens are tried.
void SdlChooseVideoDrivers() {
    if (SDL_getenv("SDL_VIDEODRIVER") != nullptr) {
        return;
    }
    std::string drivers;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); i++) {
        const std::string name = SDL_GetVideoDriver(i);
        if (name == "offscreen" || name == "dummy" || name == "evdev" ||
            (name == "wayland" && SDL_getenv("WAYLAND_DISPLAY") == nullptr)) {
            continue;
        }
        drivers += (drivers.empty() ? "" : ",") + name;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
}

void SdlClose();

int SdlOpen(const HostOptions* options, std::string* error) {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SdlChooseVideoDrivers();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        *error = std::string("no display could be opened (") + SDL_GetError() +
                 "); to run without a screen use a virtual one: "
                 "SDL_AUDIODRIVER=dummy xvfb-run -a ./qent";
        return 0;
    }
    sdl = SdlState{};
    sdl.windowed = options->windowed ? 1 : 0;

    // Hidden until the program makes its window; sized for the real mode right after.
    sdl.window = SDL_CreateWindow("Qent", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                  sdl.frame_width * SDL_WINDOW_SCALE,
                                  sdl.frame_height * SDL_WINDOW_SCALE, SDL_WINDOW_HIDDEN);
    if (sdl.window != nullptr) {
        sdl.renderer = SDL_CreateRenderer(sdl.window, -1, 0);
        if (sdl.renderer == nullptr) {
            sdl.renderer = SDL_CreateRenderer(sdl.window, -1, SDL_RENDERER_SOFTWARE);
        }
    }
    if (sdl.window == nullptr || sdl.renderer == nullptr ||
        !SdlMakeTexture(sdl.frame_width, sdl.frame_height)) {
        *error = std::string("the window could not be opened (") + SDL_GetError() + ")";
        SdlClose();
        return 0;
    }
    SDL_RenderSetIntegerScale(sdl.renderer, SDL_TRUE);
    SdlApplyWindowMode();
    sdl.input_open = HostInputSdlOpen();
    return 1;
}

void SdlClose() {
    if (sdl.input_open) {
        HostInputSdlClose();
    }
    if (sdl.texture != nullptr) {
        SDL_DestroyTexture(sdl.texture);
    }
    if (sdl.renderer != nullptr) {
        SDL_DestroyRenderer(sdl.renderer);
    }
    if (sdl.window != nullptr) {
        SDL_DestroyWindow(sdl.window);
    }
    sdl = SdlState{};
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) {
        SDL_Quit();
    }
}

void SdlWindowCreated(HostWindow*, const char* title) {
    if (sdl.window == nullptr) {
        return;
    }
    SDL_SetWindowTitle(sdl.window, title != nullptr ? title : "");
    SDL_ShowWindow(sdl.window);
    SdlApplyWindowMode();
    SdlClear();
}

void SdlModeSet(int32_t width, int32_t height) {
    if (sdl.renderer == nullptr) {
        return;
    }
    SdlMakeTexture(width, height);
    if (sdl.windowed) {
        SdlApplyWindowMode();
    }
}

void SdlPresent(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height,
                const PaletteEntry* palette) {
    if (sdl.renderer == nullptr) {
        return;
    }
    if (sdl.texture == nullptr || width != sdl.frame_width || height != sdl.frame_height) {
        if (!SdlMakeTexture(width, height)) {
            return;
        }
    }
    void* texels = nullptr;
    int texture_pitch = 0;
    if (SDL_LockTexture(sdl.texture, nullptr, &texels, &texture_pitch) == 0) {
        HostConvertFrame(pixels, pitch, width, height, palette, static_cast<uint32_t*>(texels),
                         texture_pitch);
        SDL_UnlockTexture(sdl.texture);
    }
    SDL_SetRenderDrawColor(sdl.renderer, 0, 0, 0, 255);
    SDL_RenderClear(sdl.renderer);
    SDL_RenderCopy(sdl.renderer, sdl.texture, nullptr, nullptr);
    SDL_RenderPresent(sdl.renderer);
    sdl.last_present = SDL_GetTicks();
}

uint32_t SdlTicks() {
    uint32_t now = SDL_GetTicks();
    SdlRefresh(now);
    return now;
}

void SdlSleep(uint32_t ms) {
    // Slept in short pieces so the window keeps answering during long pauses.
    uint32_t start = SDL_GetTicks();
    for (;;) {
        uint32_t now = SDL_GetTicks();
        uint32_t slept = now - start;
        if (slept >= ms) {
            break;
        }
        uint32_t left = ms - slept;
        SDL_Delay(left < SDL_REFRESH_MS ? left : SDL_REFRESH_MS);
        SdlRefresh(SDL_GetTicks());
    }
}

void SdlSetIcon(const uint8_t* rgba, int32_t width, int32_t height) {
    if (sdl.window == nullptr) {
        return;
    }
    // The bytes are R, G, B, A in memory whatever the machine's byte order.
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint8_t*>(rgba), width, height, 32, width * 4, SDL_PIXELFORMAT_RGBA32);
    if (icon != nullptr) {
        SDL_SetWindowIcon(sdl.window, icon);
        SDL_FreeSurface(icon);
    }
}

void SdlShowCursor(int visible) {
    sdl.cursor_hidden = visible ? 0 : 1;
    if (visible) {
        sdl.mouse_released = 0;
        SdlHoldMouse(0);
        return;
    }
    // A window without the focus waits for a click before it takes the mouse.
    int focused =
        sdl.window != nullptr && (SDL_GetWindowFlags(sdl.window) & SDL_WINDOW_INPUT_FOCUS) != 0;
    if (sdl.windowed && !focused) {
        sdl.mouse_released = 1;
        return;
    }
    SdlHoldMouse(1);
}

}  // namespace

const HostBackendOps host_backend_sdl = {
    "sdl",
    SdlOpen,
    SdlClose,
    SdlWindowCreated,
    SdlModeSet,
    SdlPresent,
    SdlPump,
    SdlTicks,
    SdlSleep,
    SdlShowCursor,
    HostAudioSdlOpen,
    HostAudioSdlRate,
    HostAudioSdlClose,
    SdlSetIcon,
};

const HostBackendOps* HostDeviceBackend() {
    return &host_backend_sdl;
}
