// The page's DOM events into the host's input state: keys by KeyboardEvent.code (USB usages,
// as SDL's scancodes), the mouse as relative motion under pointer lock, its buttons and wheel.
// The listeners only queue; the queue is emptied in order at each pump, so a key pressed and
// released between two pumps still reads down once.

#include <emscripten.h>

#include <cstdint>

#include "platform/host_input.h"
#include "platform/web_internal.h"

namespace {

// What the page's queue hands over (the numbers are shared with the script below).
constexpr int WEB_EVENT_NONE = 0;
constexpr int WEB_EVENT_KEY = 1;      // code text, down
constexpr int WEB_EVENT_MOTION = 2;   // dx, dy in frame pixels
constexpr int WEB_EVENT_BUTTON = 3;   // host button, down
constexpr int WEB_EVENT_WHEEL = 4;    // dz in HOST_WHEEL_NOTCH units
constexpr int WEB_EVENT_RELEASE = 5;  // the page lost the focus: every key and button up

constexpr int WEB_CODE_SIZE = 32;  // longer than any KeyboardEvent.code we map
constexpr int WEB_MOUSE_BUTTONS = 4;

struct WebInput {
    int open = 0;
    uint8_t keys_down[256] = {};
    uint8_t buttons_down[WEB_MOUSE_BUTTONS] = {};
};

WebInput input;

// clang-format off
EM_JS(void, web_input_listen, (), {
    var canvas = Module['canvas'];
    var queue = [];
    var state = {queue: queue, hold: 0, down: {}, rest_x: 0, rest_y: 0, rest_z: 0,
                 dropped: 0, listeners: []};
    var LIMIT = 4096;  // far more than a frame's worth; a stalled program stops queueing
    function push(event) {
        if (queue.length >= LIMIT) {
            if (state.dropped++ == 0) console.warn('qent: input queue full, events dropped');
            return;
        }
        queue.push(event);
    }
    function listen(target, type, handler, options) {
        target.addEventListener(type, handler, options);
        state.listeners.push([target, type, handler, options]);
    }
    function locked() {
        return document.pointerLockElement === canvas;
    }
    // Frame pixels per CSS pixel: motion is counted on the frame, as on the desktop.
    function scale() {
        var width = canvas.getBoundingClientRect().width;
        return width > 0 ? canvas.width / width : 1;
    }
    // Keys the browser keeps for itself; everything else is the game's alone.
    function browserKey(event) {
        return event.ctrlKey || event.metaKey || event.code == 'F5' || event.code == 'F11' ||
               event.code == 'F12';
    }
    function key(event, down) {
        if (down && event.altKey && (event.code == 'Enter' || event.code == 'NumpadEnter')) {
            // Alt+Enter is the screen's, as on the desktop: full screen and back.
            event.preventDefault();
            if (!event.repeat) {
                var box = canvas.parentElement || canvas;
                if (document.fullscreenElement) document.exitFullscreen();
                else if (box.requestFullscreen) box.requestFullscreen();
            }
            return;
        }
        if (!browserKey(event)) event.preventDefault();
        if (event.repeat || !event.code) return;  // a state array does not repeat
        push([1, event.code, down]);
    }
    function button(event) {
        // DOM order: left, middle, right, back; the host's: left, right, middle, X1.
        return [0, 2, 1, 3][event.button];
    }
    listen(window, 'keydown', function(event) { key(event, 1); });
    listen(window, 'keyup', function(event) { key(event, 0); });
    listen(window, 'blur', function() { push([5]); });
    listen(document, 'mousedown', function(event) {
        var index = button(event);
        if (state.hold && !locked()) {
            // The click that takes the mouse is not a shot.
            if (canvas.requestPointerLock) canvas.requestPointerLock();
            return;
        }
        if (index === undefined) return;
        state.down[index] = 1;
        push([3, index, 1]);
    });
    listen(document, 'mouseup', function(event) {
        var index = button(event);
        if (index === undefined || !state.down[index]) return;
        delete state.down[index];
        push([3, index, 0]);
    });
    listen(document, 'mousemove', function(event) {
        if (state.hold && !locked()) return;  // the sight stays put while the mouse is free
        var s = scale();
        state.rest_x += (event.movementX || 0) * s;
        state.rest_y += (event.movementY || 0) * s;
        var dx = Math.trunc(state.rest_x);
        var dy = Math.trunc(state.rest_y);
        if (dx == 0 && dy == 0) return;
        state.rest_x -= dx;
        state.rest_y -= dy;
        var last = queue[queue.length - 1];
        if (last && last[0] == 2) {
            last[1] += dx;
            last[2] += dy;
        } else {
            push([2, dx, dy]);
        }
    });
    listen(document, 'wheel', function(event) {
        if (state.hold && !locked()) return;
        event.preventDefault();
        // One notch is about 100 pixels, or 3 lines; away from the user is positive.
        var per_notch = event.deltaMode == 1 ? 3 : (event.deltaMode == 2 ? 1 : 100);
        state.rest_z += -event.deltaY / per_notch * 120;
        var dz = Math.trunc(state.rest_z);
        if (dz == 0) return;
        state.rest_z -= dz;
        push([4, dz]);
    }, {passive: false});
    listen(document, 'contextmenu', function(event) { event.preventDefault(); });
    listen(document, 'pointerlockchange', function() {
        if (locked()) return;
        // The mouse was given back (Escape): its buttons cannot come up where we see them.
        for (var index in state.down) push([3, +index, 0]);
        state.down = {};
    });
    Module['qentInput'] = state;
});

EM_JS(void, web_input_unlisten, (), {
    var state = Module['qentInput'];
    if (!state) return;
    state.listeners.forEach(function(l) { l[0].removeEventListener(l[1], l[2], l[3]); });
    if (document.pointerLockElement === Module['canvas']) document.exitPointerLock();
    Module['qentInput'] = null;
});

EM_JS(void, web_input_hold, (int hold), {
    var state = Module['qentInput'];
    if (!state) return;
    state.hold = hold;
    if (!hold && document.pointerLockElement === Module['canvas']) document.exitPointerLock();
});

// The oldest queued event: its kind, with two numbers and (for a key) its code in text.
EM_JS(int, web_input_next, (int32_t* numbers, char* code, int code_size), {
    var state = Module['qentInput'];
    if (!state || state.queue.length == 0) return 0;
    var event = state.queue.shift();
    if (event[0] == 1) {
        stringToUTF8(event[1], code, code_size);
        HEAP32[numbers >> 2] = event[2];
    } else {
        HEAP32[numbers >> 2] = event[1] | 0;
        HEAP32[(numbers >> 2) + 1] = event[2] | 0;
    }
    return event[0];
});
// clang-format on

void ReleaseEverything() {
    for (int key = 1; key < 256; key++) {
        if (input.keys_down[key]) {
            input.keys_down[key] = 0;
            HostInputKey(key, 0);
        }
    }
    for (int button = 0; button < WEB_MOUSE_BUTTONS; button++) {
        if (input.buttons_down[button]) {
            input.buttons_down[button] = 0;
            HostInputMouseButton(button, 0);
        }
    }
}

}  // namespace

void HostInputWebOpen() {
    if (input.open) {
        return;
    }
    input = WebInput{};
    web_input_listen();
    input.open = 1;
}

void HostInputWebClose() {
    if (!input.open) {
        return;
    }
    web_input_unlisten();
    ReleaseEverything();
    input.open = 0;
}

void HostInputWebHoldMouse(int hold) {
    web_input_hold(hold);
}

void HostInputWebPump() {
    if (!input.open) {
        return;
    }
    int32_t numbers[2] = {0, 0};
    char code[WEB_CODE_SIZE];
    for (;;) {
        code[0] = '\0';
        const int kind = web_input_next(numbers, code, WEB_CODE_SIZE);
        if (kind == WEB_EVENT_NONE) {
            break;
        }
        switch (kind) {
            case WEB_EVENT_KEY: {
                const int key = HostInputUsbUsageToKey(HostInputBrowserCodeToUsage(code));
                if (key != 0) {
                    input.keys_down[key] = numbers[0] ? 1 : 0;
                    HostInputKey(key, numbers[0]);
                }
                break;
            }
            case WEB_EVENT_MOTION:
                HostInputMouseMotion(numbers[0], numbers[1]);
                break;
            case WEB_EVENT_BUTTON:
                if (numbers[0] >= 0 && numbers[0] < WEB_MOUSE_BUTTONS) {
                    input.buttons_down[numbers[0]] = numbers[1] ? 1 : 0;
                    HostInputMouseButton(numbers[0], numbers[1]);
                }
                break;
            case WEB_EVENT_WHEEL:
                HostInputMouseWheel(numbers[0]);
                break;
            case WEB_EVENT_RELEASE:
                ReleaseEverything();
                break;
            default:
                break;
        }
    }
}
