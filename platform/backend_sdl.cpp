// The SDL2 backend: a real window showing the 8-bit frame scaled up by a whole number,
// nearest-neighbour and letterboxed, with events pumped into the host's message queue.
//
// Where there is a GPU the frame goes through SDL's renderer: a streaming texture, scaled on
// the GPU. Where the renderer would draw in software (SDL's software renderer, or OpenGL on a
// software rasteriser such as llvmpipe: a VM, remote desktop, no GPU driver) that costs 10 to
// 20 ms a frame, longer than a fade step, so the frame is converted and scaled by our own code
// straight into the window's surface instead, and only the frame's own rectangle is sent.

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/present.h"
#include "platform/sdl_internal.h"

namespace {

constexpr int SDL_WINDOW_SCALE = 2;         // --window: twice the frame each way
constexpr uint32_t SDL_REFRESH_MS = 16;     // busy waits pump and refresh this often
constexpr int32_t SDL_DEFAULT_WIDTH = 640;  // the frame size until a mode is set
constexpr int32_t SDL_DEFAULT_HEIGHT = 480;
constexpr uint32_t SDL_STATS_PERIOD_MS = 5000;  // QENT_PRESENT_STATS: one line this often

// Present timings for QENT_PRESENT_STATS, over one period.
struct SdlStats {
    int on = 0;
    uint32_t period_start = 0;
    std::vector<double> present_ms;
};

struct SdlState {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;      // null when presenting straight into the window
    SDL_Texture* texture = nullptr;        // streaming, frame_width x frame_height, ARGB8888
    int direct = 0;                        // 1: frames go into the window surface, no renderer
    const char* present_way = "";          // how frames are shown, for the statistics
    SDL_Surface* staging = nullptr;        // direct, window surface not XRGB: converted here first
    SDL_Surface* shown_surface = nullptr;  // the window surface the last present wrote
    int shown_width = 0;                   // its size then
    int shown_height = 0;
    int surface_whole = 0;  // 0: the whole window surface must be cleared and sent
    int32_t scale = 1;      // direct: the whole-number enlargement in use
    int motion_left_x = 0;  // direct: relative motion not yet passed on (below one frame pixel)
    int motion_left_y = 0;
    SdlStats stats;
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
        SDL_SetWindowMinimumSize(sdl.window, sdl.frame_width, sdl.frame_height);
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
    sdl.surface_whole = 0;
    if (sdl.direct) {
        return 1;
    }
    SDL_RenderSetLogicalSize(sdl.renderer, width, height);
    sdl.texture = SDL_CreateTexture(sdl.renderer, SDL_PIXELFORMAT_ARGB8888,
                                    SDL_TEXTUREACCESS_STREAMING, width, height);
    return sdl.texture != nullptr;
}

void SdlClear() {
    if (sdl.direct) {
        SDL_Surface* surface = SDL_GetWindowSurface(sdl.window);
        if (surface != nullptr) {
            SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
            SDL_UpdateWindowSurface(sdl.window);
        }
        sdl.surface_whole = 0;
        return;
    }
    SDL_SetRenderDrawColor(sdl.renderer, 0, 0, 0, 255);
    SDL_RenderClear(sdl.renderer);
    SDL_RenderPresent(sdl.renderer);
}

// SDL's renderer scales relative motion to frame pixels; without one we do it, carrying what
// is left below a whole pixel over to the next motion.
void SdlScaleMotion(SDL_Event* event) {
    if (!sdl.direct || sdl.scale <= 1) {
        return;
    }
    const int x = sdl.motion_left_x + event->motion.xrel;
    const int y = sdl.motion_left_y + event->motion.yrel;
    event->motion.xrel = x / sdl.scale;
    event->motion.yrel = y / sdl.scale;
    sdl.motion_left_x = x - event->motion.xrel * sdl.scale;
    sdl.motion_left_y = y - event->motion.yrel * sdl.scale;
}

// Handles what the backend itself answers to. 0 when the event is the backend's alone and
// must not reach the input devices.
int SdlHandleEvent(SDL_Event& event) {
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
                    sdl.surface_whole = 0;
                    HostRequestPaint(HostMainWindow());
                    HostVideoPresentNow();
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    sdl.surface_whole = 0;
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
        case SDL_MOUSEMOTION:
            SdlScaleMotion(&event);
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

// Whether the renderer draws in software: SDL's own software renderer, or OpenGL (ES) whose
// driver names a software rasteriser.
bool SdlRendererIsSoftware(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || info.name == nullptr) {
        return false;
    }
    const std::string name = info.name;
    if (name == "software" || (info.flags & SDL_RENDERER_SOFTWARE) != 0) {
        return true;
    }
    if (name.rfind("opengl", 0) != 0 || SDL_GL_GetCurrentContext() == nullptr) {
        return false;
    }
    typedef const unsigned char* (*GlGetString)(unsigned int);
    auto get_string = reinterpret_cast<GlGetString>(SDL_GL_GetProcAddress("glGetString"));
    constexpr unsigned int GL_RENDERER_NAME = 0x1F01;  // GL_RENDERER
    const unsigned char* text = get_string != nullptr ? get_string(GL_RENDERER_NAME) : nullptr;
    if (text == nullptr) {
        return false;
    }
    std::string gl = reinterpret_cast<const char*>(text);
    std::transform(gl.begin(), gl.end(), gl.begin(),
                   [](unsigned char c) { return static_cast<char>(SDL_tolower(c)); });
    for (const char* soft : {"llvmpipe", "softpipe", "swrast", "software"}) {
        if (gl.find(soft) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// QENT_PRESENT=surface or =renderer picks the way; otherwise the renderer decides.
bool SdlChooseDirect(SDL_Renderer* renderer) {
    const char* forced = SDL_getenv("QENT_PRESENT");
    if (forced != nullptr && std::strcmp(forced, "surface") == 0) {
        return true;
    }
    if (forced != nullptr && std::strcmp(forced, "renderer") == 0) {
        return false;
    }
    return renderer == nullptr || SdlRendererIsSoftware(renderer);
}

void SdlClose();

int SdlOpen(const HostOptions* options, std::string* error) {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // The window surface as the system's own framebuffer (shared memory on X11), not a
    // texture drawn by a renderer of SDL's choosing.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
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
        if (SdlChooseDirect(sdl.renderer)) {
            if (sdl.renderer != nullptr) {
                SDL_DestroyRenderer(sdl.renderer);
                sdl.renderer = nullptr;
            }
            sdl.direct = SDL_GetWindowSurface(sdl.window) != nullptr ? 1 : 0;
        }
        if (!sdl.direct && sdl.renderer == nullptr) {
            sdl.renderer = SDL_CreateRenderer(sdl.window, -1, SDL_RENDERER_SOFTWARE);
        }
    }
    if (sdl.window == nullptr || (!sdl.direct && sdl.renderer == nullptr) ||
        !SdlMakeTexture(sdl.frame_width, sdl.frame_height)) {
        *error = std::string("the window could not be opened (") + SDL_GetError() + ")";
        SdlClose();
        return 0;
    }
    if (sdl.direct) {
        sdl.present_way = "window surface";
    } else {
        SDL_RendererInfo info{};
        SDL_GetRendererInfo(sdl.renderer, &info);
        sdl.present_way = info.name != nullptr ? info.name : "renderer";
        SDL_RenderSetIntegerScale(sdl.renderer, SDL_TRUE);
    }
    sdl.stats.on = SDL_getenv("QENT_PRESENT_STATS") != nullptr ? 1 : 0;
    SdlApplyWindowMode();
    sdl.input_open = HostInputSdlOpen();
    return 1;
}

void SdlStatsReport(uint32_t now);

// Display servers take back a client's windows, grabs and cursor when it goes; on a console
// (kmsdrm) SDL itself must put the screen's mode back.
bool SdlServerFreesAtExit() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr &&
           (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0);
}

void SdlClose() {
    if (sdl.stats.on) {
        SdlStatsReport(SDL_GetTicks());
    }
    if (HostProcessEnding() && SdlServerFreesAtExit()) {
        // Leaving full screen waits up to 100 ms for a window manager's answer, and none
        // comes where there is none; the server drops the window with the connection.
        return;
    }
    if (sdl.input_open) {
        HostInputSdlClose();
    }
    if (sdl.staging != nullptr) {
        SDL_FreeSurface(sdl.staging);
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
    if (sdl.window == nullptr) {
        return;
    }
    SdlMakeTexture(width, height);
    if (sdl.windowed) {
        SdlApplyWindowMode();
    }
}

// QENT_PRESENT_STATS: how many presents a period held and how long they took.
void SdlStatsReport(uint32_t now) {
    SdlStats& stats = sdl.stats;
    if (!stats.present_ms.empty()) {
        std::vector<double> ms = stats.present_ms;
        std::sort(ms.begin(), ms.end());
        const double seconds = (now - stats.period_start) / 1000.0;
        std::fprintf(stderr,
                     "qent: %zu presents in %.1f s (%.1f a second) by %s, %s conversion: median "
                     "%.2f ms, 95%% within %.2f ms, longest %.2f ms\n",
                     ms.size(), seconds, seconds > 0 ? ms.size() / seconds : 0.0, sdl.present_way,
                     HostConvertPathName(HostConvertPathChosen()), ms[ms.size() / 2],
                     ms[(ms.size() * 95) / 100], ms.back());
    }
    stats.present_ms.clear();
    stats.period_start = now;
}

void SdlStatsAdd(uint64_t start_counter) {
    const uint64_t took = SDL_GetPerformanceCounter() - start_counter;
    sdl.stats.present_ms.push_back(1000.0 * static_cast<double>(took) /
                                   static_cast<double>(SDL_GetPerformanceFrequency()));
    const uint32_t now = SDL_GetTicks();
    if (sdl.stats.period_start == 0) {
        sdl.stats.period_start = now;
    } else if (now - sdl.stats.period_start >= SDL_STATS_PERIOD_MS) {
        SdlStatsReport(now);
    }
}

// Straight into the window surface: the frame enlarged by the largest whole number that fits,
// centred, black around. Only the frame's rectangle is sent, unless the surface is new or
// was exposed, when all of it is cleared and sent.
void SdlPresentDirect(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height,
                      const PaletteEntry* palette) {
    SDL_Surface* surface = SDL_GetWindowSurface(sdl.window);
    if (surface == nullptr || width <= 0 || height <= 0) {
        return;
    }
    if (surface != sdl.shown_surface || surface->w != sdl.shown_width ||
        surface->h != sdl.shown_height) {
        sdl.surface_whole = 0;
        sdl.shown_surface = surface;
        sdl.shown_width = surface->w;
        sdl.shown_height = surface->h;
    }
    const int32_t scale = std::max(1, std::min(surface->w / width, surface->h / height));
    if (scale != sdl.scale) {
        sdl.scale = scale;
        sdl.motion_left_x = 0;
        sdl.motion_left_y = 0;
    }
    // A window smaller than the frame shows its middle.
    const int32_t shown_w = std::min(width * scale, surface->w);
    const int32_t shown_h = std::min(height * scale, surface->h);
    SDL_Rect frame_rect{(surface->w - shown_w) / 2, (surface->h - shown_h) / 2, shown_w, shown_h};
    const int32_t skip_x = (width * scale - shown_w) / 2 / scale;
    const int32_t skip_y = (height * scale - shown_h) / 2 / scale;
    const uint8_t* from = pixels + static_cast<ptrdiff_t>(skip_y) * pitch + skip_x;
    const int32_t from_w = std::min(width - skip_x, shown_w / scale);
    const int32_t from_h = std::min(height - skip_y, shown_h / scale);

    const SDL_PixelFormat* f = surface->format;
    if (!sdl.surface_whole) {
        SDL_FillRect(surface, nullptr, SDL_MapRGB(f, 0, 0, 0));
    }
    const bool xrgb = f->BytesPerPixel == 4 && f->Rmask == 0x00FF0000u && f->Gmask == 0x0000FF00u &&
                      f->Bmask == 0x000000FFu;
    if (xrgb) {
        if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
            return;
        }
        auto* out = static_cast<uint8_t*>(surface->pixels) +
                    static_cast<ptrdiff_t>(frame_rect.y) * surface->pitch + frame_rect.x * 4;
        HostConvertFrameScaled(from, pitch, from_w, from_h, palette, scale,
                               reinterpret_cast<uint32_t*>(out), surface->pitch);
        if (SDL_MUSTLOCK(surface)) {
            SDL_UnlockSurface(surface);
        }
    } else {
        // Any other format: our pixels first, then SDL converts and enlarges them.
        if (sdl.staging == nullptr || sdl.staging->w != from_w || sdl.staging->h != from_h) {
            SDL_FreeSurface(sdl.staging);
            sdl.staging =
                SDL_CreateRGBSurfaceWithFormat(0, from_w, from_h, 32, SDL_PIXELFORMAT_XRGB8888);
        }
        if (sdl.staging == nullptr) {
            return;
        }
        HostConvertFrame(from, pitch, from_w, from_h, palette,
                         static_cast<uint32_t*>(sdl.staging->pixels), sdl.staging->pitch);
        SDL_Rect to = frame_rect;
        SDL_BlitScaled(sdl.staging, nullptr, surface, &to);
    }
    if (sdl.surface_whole) {
        SDL_UpdateWindowSurfaceRects(sdl.window, &frame_rect, 1);
    } else {
        SDL_UpdateWindowSurface(sdl.window);
        sdl.surface_whole = 1;
    }
}

void SdlPresent(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height,
                const PaletteEntry* palette) {
    if (sdl.window == nullptr || (!sdl.direct && sdl.renderer == nullptr)) {
        return;
    }
    const uint64_t start = sdl.stats.on ? SDL_GetPerformanceCounter() : 0;
    if (sdl.direct) {
        if (width != sdl.frame_width || height != sdl.frame_height) {
            SdlMakeTexture(width, height);
        }
        SdlPresentDirect(pixels, pitch, width, height, palette);
        sdl.last_present = SDL_GetTicks();
        if (sdl.stats.on) {
            SdlStatsAdd(start);
        }
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
    if (sdl.stats.on) {
        SdlStatsAdd(start);
    }
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
    nullptr,  // failures: stderr is enough
    SdlSetIcon,
};

const HostBackendOps* HostDeviceBackend() {
    return &host_backend_sdl;
}
