// The browser device: the 8-bit frame on the page's canvas through the palette, scaled by a
// whole number with crisp pixels and centred in its box; the page's millisecond clock; and
// waits that give the thread back to the browser (ASYNCIFY unwinds the C++ stack and resumes
// it), so the page draws, takes input and plays sound while the program busy-waits.

#include <emscripten.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/present.h"
#include "platform/web_internal.h"

namespace {

constexpr uint32_t WEB_REFRESH_MS = 16;     // waits pump events this often, as on the desktop
constexpr double WEB_YIELD_EVERY_MS = 2;    // a busy wait gives the browser its turn this often
constexpr double WEB_TIMER_PIECE_MS = 8;    // longest timer sleep: sound is mixed between them
constexpr double WEB_TIMER_SLACK_MS = 2;    // a timer may wake this late: the rest is yielded
constexpr int32_t WEB_DEFAULT_WIDTH = 640;  // the frame size until a mode is set
constexpr int32_t WEB_DEFAULT_HEIGHT = 480;

struct WebState {
    int open = 0;
    int32_t frame_width = WEB_DEFAULT_WIDTH;
    int32_t frame_height = WEB_DEFAULT_HEIGHT;
    std::vector<uint32_t> rgba;  // the converted frame, in the canvas's byte order
    uint32_t last_pump = 0;
    uint32_t last_present = 0;
    double last_yield = 0;  // ms: when the browser last gave the thread back
    int refreshing = 0;
};

WebState web;

// clang-format off
// 1 when the page gave the module a canvas and it draws in 2D. The canvas is fitted into its
// parent box whenever the box or the frame changes size.
EM_JS(int, web_screen_open, (), {
    var canvas = Module['canvas'];
    if (!canvas || !canvas.getContext) return 0;
    var context = canvas.getContext('2d', {alpha: false});
    if (!context) return 0;
    var screen = {canvas: canvas, context: context, image: null};
    screen.fit = function() {
        var box = canvas.parentElement || document.body;
        var ratio = window.devicePixelRatio || 1;
        // A whole number of device pixels per frame pixel, as large as the box allows.
        var scale = Math.floor(Math.min(box.clientWidth * ratio / canvas.width,
                                        box.clientHeight * ratio / canvas.height));
        scale = Math.max(1, scale);
        canvas.style.width = (canvas.width * scale / ratio) + 'px';
        canvas.style.height = (canvas.height * scale / ratio) + 'px';
    };
    canvas.style.imageRendering = 'pixelated';
    if (typeof ResizeObserver != 'undefined') {
        screen.observer = new ResizeObserver(screen.fit);
        screen.observer.observe(canvas.parentElement || document.body);
    }
    window.addEventListener('resize', screen.fit);
    Module['qentScreen'] = screen;
    Module['qentFrames'] = 0;
    return 1;
});

EM_JS(void, web_screen_close, (), {
    var screen = Module['qentScreen'];
    if (!screen) return;
    if (screen.observer) screen.observer.disconnect();
    window.removeEventListener('resize', screen.fit);
    screen.canvas.style.cursor = "";
    Module['qentScreen'] = null;
});

EM_JS(void, web_screen_size, (int width, int height), {
    var screen = Module['qentScreen'];
    if (!screen) return;
    screen.canvas.width = width;
    screen.canvas.height = height;
    screen.image = screen.context.createImageData(width, height);
    screen.fit();
});

// Shows width x height RGBA pixels from the program's memory.
EM_JS(void, web_screen_put, (const uint8_t* rgba, int width, int height), {
    var screen = Module['qentScreen'];
    if (!screen) return;
    if (!screen.image || screen.image.width != width || screen.image.height != height) {
        screen.canvas.width = width;
        screen.canvas.height = height;
        screen.image = screen.context.createImageData(width, height);
        screen.fit();
    }
    screen.image.data.set(HEAPU8.subarray(rgba, rgba + width * height * 4));
    screen.context.putImageData(screen.image, 0, 0);
    Module['qentFrames']++;
});

EM_JS(void, web_screen_cursor, (int visible), {
    var screen = Module['qentScreen'];
    if (screen) screen.canvas.style.cursor = visible ? "" : 'none';
});

EM_JS(void, web_set_title, (const char* title), {
    document.title = UTF8ToString(title);
});

// Gives the thread to the browser until its queued work is done: a message to ourselves
// comes back after the events, timers and drawing already waiting, without a timer's clamp.
EM_JS(void, web_yield, (), {
    Asyncify.handleSleep(function(wake) {
        var channel = Module['qentYield'];
        if (!channel) {
            channel = Module['qentYield'] = new MessageChannel();
            channel.port1.onmessage = function() {
                var resume = channel.resume;
                channel.resume = null;
                resume();
            };
        }
        channel.resume = wake;
        channel.port2.postMessage(0);
    });
});

// Sleeps on a timer. It wakes through a message, so the next timer is not a nested one, which
// browsers hold back to 4 ms.
EM_JS(void, web_timer, (double ms), {
    Asyncify.handleSleep(function(wake) {
        setTimeout(function() {
            var channel = Module['qentYield'];
            if (!channel) {
                wake();
                return;
            }
            channel.resume = wake;
            channel.port2.postMessage(0);
        }, ms);
    });
});
// clang-format on

uint32_t WebNow() {
    // A 32-bit millisecond count that wraps, as the desktop's.
    return static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now()));
}

// Between the program's steps while it waits: sound is topped up, events are pumped and an
// effect drawn straight onto the screen is shown, as the desktop device does.
void WebRefresh() {
    if (web.refreshing) {
        return;
    }
    web.refreshing = 1;
    HostAudioWebService();
    const uint32_t now = WebNow();
    if (now - web.last_pump >= WEB_REFRESH_MS) {
        HostInputWebPump();
        web.last_pump = now;
        if (HostVideoScreenLocked() && now - web.last_present >= WEB_REFRESH_MS) {
            HostVideoPresentNow();
            web.last_present = now;
        }
    }
    web.refreshing = 0;
}

void WebClose();

int WebOpen(const HostOptions*, std::string* error) {
    web = WebState{};
    if (!web_screen_open()) {
        *error = "the page has no canvas to draw on (Module.canvas)";
        return 0;
    }
    web.open = 1;
    web_screen_size(web.frame_width, web.frame_height);
    HostInputWebOpen();
    return 1;
}

void WebClose() {
    if (!web.open) {
        return;
    }
    HostInputWebClose();
    web_screen_close();
    web = WebState{};
}

void WebWindowCreated(HostWindow*, const char* title) {
    web_set_title(title != nullptr ? title : "");
    // The page shows black until the first frame.
    web.rgba.assign(static_cast<size_t>(web.frame_width) * web.frame_height, 0xFF000000u);
    web_screen_put(reinterpret_cast<const uint8_t*>(web.rgba.data()), web.frame_width,
                   web.frame_height);
}

void WebModeSet(int32_t width, int32_t height) {
    web.frame_width = width;
    web.frame_height = height;
    web_screen_size(width, height);
}

void WebPresent(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height,
                const PaletteEntry* palette) {
    if (!web.open || pixels == nullptr || width <= 0 || height <= 0) {
        return;
    }
    // The canvas takes red, green, blue, alpha in that byte order: the conversion's 0xAARRGGBB
    // words come out so when red and blue change places in the palette.
    PaletteEntry swapped[256];
    const PaletteEntry* colours = nullptr;
    if (palette != nullptr) {
        for (int i = 0; i < 256; i++) {
            swapped[i] = {palette[i].blue, palette[i].green, palette[i].red, palette[i].flags};
        }
        colours = swapped;
    }
    web.rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    HostConvertFrame(pixels, pitch, width, height, colours, web.rgba.data(),
                     width * static_cast<int32_t>(sizeof(uint32_t)));
    web_screen_put(reinterpret_cast<const uint8_t*>(web.rgba.data()), width, height);
    web.last_present = WebNow();
}

void WebPump() {
    HostInputWebPump();
    web.last_pump = WebNow();
}

// A read of the clock is a moment the program may be busy-waiting in, so the browser gets its
// turn, but at most every WEB_YIELD_EVERY_MS: the reads that end a wait and mark the next
// frame come right after one another and must not be parted by the browser's work, or every
// frame would last that much longer. The time is read before the yield for the same reason:
// a mark taken now holds even if the browser then draws for a while; the wait's next read
// sees the real time.
uint32_t WebTicks() {
    const double now = emscripten_get_now();
    if (!web.refreshing && now - web.last_yield >= WEB_YIELD_EVERY_MS) {
        web_yield();
        web.last_yield = emscripten_get_now();
        WebRefresh();
    }
    return static_cast<uint32_t>(static_cast<uint64_t>(now));
}

void WebSleep(uint32_t ms) {
    const double end = emscripten_get_now() + ms;
    for (;;) {
        const double left = end - emscripten_get_now();
        if (left <= 0) {
            break;
        }
        if (left > WEB_TIMER_SLACK_MS) {
            web_timer(std::fmin(left - WEB_TIMER_SLACK_MS, WEB_TIMER_PIECE_MS));
        } else {
            web_yield();
        }
        WebRefresh();
    }
}

void WebShowCursor(int visible) {
    web_screen_cursor(visible);
    HostInputWebHoldMouse(visible ? 0 : 1);
}

}  // namespace

const HostBackendOps host_backend_web = {
    "web",
    WebOpen,
    WebClose,
    WebWindowCreated,
    WebModeSet,
    WebPresent,
    WebPump,
    WebTicks,
    WebSleep,
    WebShowCursor,
    HostAudioWebOpen,
    HostAudioWebRate,
    HostAudioWebClose,
};

const HostBackendOps* HostDeviceBackend() {
    return &host_backend_web;
}
