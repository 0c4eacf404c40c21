// SDL events into the host's input state: keys by scan code, relative mouse motion, the
// wheel and buttons, and every attached joystick through SDL's joystick API.

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/host_input.h"
#include "platform/sdl_internal.h"

static_assert(HOST_HAT_UP == SDL_HAT_UP && HOST_HAT_RIGHT == SDL_HAT_RIGHT &&
                  HOST_HAT_DOWN == SDL_HAT_DOWN && HOST_HAT_LEFT == SDL_HAT_LEFT,
              "hat directions pass through unchanged");

namespace {

// SDL scancodes are USB usages: the table is the host's (platform/host_keys.cpp).
static_assert(SDL_SCANCODE_A == 4 && SDL_SCANCODE_ESCAPE == 41 && SDL_SCANCODE_RGUI == 231 &&
                  SDL_NUM_SCANCODES == HOST_USB_USAGE_COUNT,
              "SDL scancodes are USB usages");

struct OpenJoystick {
    SDL_Joystick* handle;
    SDL_JoystickID instance;
    int host_id;  // the host's joystick id
};

struct SdlInput {
    int open = 0;
    std::vector<OpenJoystick> joysticks;
};

SdlInput& Sdl() {
    static SdlInput state;
    return state;
}

OpenJoystick* FindOpen(SDL_JoystickID instance) {
    for (OpenJoystick& joystick : Sdl().joysticks) {
        if (joystick.instance == instance) {
            return &joystick;
        }
    }
    return nullptr;
}

// Opens the joystick at device_index unless it is open already, and gives it to the host
// with its present state.
void OpenDevice(int device_index) {
    const SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(device_index);
    if (instance < 0 || FindOpen(instance) != nullptr) {
        return;
    }
    SDL_Joystick* handle = SDL_JoystickOpen(device_index);
    if (handle == nullptr) {
        return;
    }
    const char* name = SDL_JoystickName(handle);
    const int axes = std::max(SDL_JoystickNumAxes(handle), 0);
    const int hats = std::max(SDL_JoystickNumHats(handle), 0);
    const int buttons = std::max(SDL_JoystickNumButtons(handle), 0);
    const int host_id = HostInputJoystickAttach(name != nullptr ? name : "", axes, hats, buttons);
    for (int axis = 0; axis < axes; ++axis) {
        HostInputJoystickAxis(host_id, axis, SDL_JoystickGetAxis(handle, axis));
    }
    for (int hat = 0; hat < hats; ++hat) {
        HostInputJoystickHat(host_id, hat, SDL_JoystickGetHat(handle, hat));
    }
    for (int button = 0; button < buttons; ++button) {
        HostInputJoystickButton(host_id, button, SDL_JoystickGetButton(handle, button));
    }
    Sdl().joysticks.push_back(OpenJoystick{handle, SDL_JoystickInstanceID(handle), host_id});
}

void CloseDevice(SDL_JoystickID instance) {
    std::vector<OpenJoystick>& joysticks = Sdl().joysticks;
    for (auto it = joysticks.begin(); it != joysticks.end(); ++it) {
        if (it->instance == instance) {
            HostInputJoystickDetach(it->host_id);
            SDL_JoystickClose(it->handle);
            joysticks.erase(it);
            return;
        }
    }
}

int MouseButtonIndex(uint8_t sdl_button) {
    switch (sdl_button) {
        case SDL_BUTTON_LEFT:
            return 0;
        case SDL_BUTTON_RIGHT:
            return 1;
        case SDL_BUTTON_MIDDLE:
            return 2;
        case SDL_BUTTON_X1:
            return 3;
        default:
            return -1;
    }
}

int HostJoystickOf(SDL_JoystickID instance) {
    const OpenJoystick* joystick = FindOpen(instance);
    return joystick != nullptr ? joystick->host_id : 0;
}

}  // namespace

int HostInputSdlOpen() {
    SdlInput& state = Sdl();
    if (state.open) {
        return 1;
    }
    // The devices read in the background, so a joystick keeps reporting without focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        return 0;
    }
    state.open = 1;
    // Joysticks present now are opened at once, so a JoystickInit before the first pump
    // finds them; their queued added-events are then ignored.
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
        OpenDevice(index);
    }
    return 1;
}

void HostInputSdlClose() {
    SdlInput& state = Sdl();
    if (!state.open) {
        return;
    }
    while (!state.joysticks.empty()) {
        CloseDevice(state.joysticks.front().instance);
    }
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    state.open = 0;
}

void HostInputSdlEvent(const void* sdl_event) {
    if (sdl_event == nullptr) {
        return;
    }
    const SDL_Event& event = *static_cast<const SDL_Event*>(sdl_event);
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            // Auto-repeat changes nothing in a state array.
            if (!event.key.repeat) {
                const int key = HostInputUsbUsageToKey(event.key.keysym.scancode);
                HostInputKey(key, event.type == SDL_KEYDOWN ? 1 : 0);
            }
            break;
        case SDL_MOUSEMOTION:
            HostInputMouseMotion(event.motion.xrel, event.motion.yrel);
            break;
        case SDL_MOUSEWHEEL: {
            const int32_t limit = INT32_MAX / HOST_WHEEL_NOTCH;
            int32_t notches = std::clamp(event.wheel.y, -limit, limit);
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) {
                notches = -notches;
            }
            HostInputMouseWheel(notches * HOST_WHEEL_NOTCH);
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            HostInputMouseButton(MouseButtonIndex(event.button.button),
                                 event.type == SDL_MOUSEBUTTONDOWN ? 1 : 0);
            break;
        case SDL_JOYDEVICEADDED:
            if (Sdl().open) {
                OpenDevice(event.jdevice.which);
            }
            break;
        case SDL_JOYDEVICEREMOVED:
            CloseDevice(event.jdevice.which);
            break;
        case SDL_JOYAXISMOTION:
            HostInputJoystickAxis(HostJoystickOf(event.jaxis.which), event.jaxis.axis,
                                  event.jaxis.value);
            break;
        case SDL_JOYHATMOTION:
            HostInputJoystickHat(HostJoystickOf(event.jhat.which), event.jhat.hat,
                                 event.jhat.value);
            break;
        case SDL_JOYBUTTONDOWN:
        case SDL_JOYBUTTONUP:
            HostInputJoystickButton(HostJoystickOf(event.jbutton.which), event.jbutton.button,
                                    event.jbutton.state == SDL_PRESSED ? 1 : 0);
            break;
        default:
            break;
    }
}
