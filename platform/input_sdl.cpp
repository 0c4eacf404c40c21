// SDL events into the host's input state: keys by scan code, relative mouse motion, the
// wheel and buttons, and every attached joystick through SDL's joystick API.

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/backend.h"
#include "platform/host_input.h"

static_assert(HOST_HAT_UP == SDL_HAT_UP && HOST_HAT_RIGHT == SDL_HAT_RIGHT &&
                  HOST_HAT_DOWN == SDL_HAT_DOWN && HOST_HAT_LEFT == SDL_HAT_LEFT,
              "hat directions pass through unchanged");

namespace {

// Every key of a standard keyboard (and the common media and language keys) at its key
// number; SDL scancodes are USB usages, so the two orders differ throughout.
constexpr std::pair<int, uint8_t> SCANCODE_KEYS[] = {
    {SDL_SCANCODE_ESCAPE, DIK_ESCAPE},
    {SDL_SCANCODE_1, DIK_1},
    {SDL_SCANCODE_2, DIK_2},
    {SDL_SCANCODE_3, DIK_3},
    {SDL_SCANCODE_4, DIK_4},
    {SDL_SCANCODE_5, DIK_5},
    {SDL_SCANCODE_6, DIK_6},
    {SDL_SCANCODE_7, DIK_7},
    {SDL_SCANCODE_8, DIK_8},
    {SDL_SCANCODE_9, DIK_9},
    {SDL_SCANCODE_0, DIK_0},
    {SDL_SCANCODE_MINUS, DIK_MINUS},
    {SDL_SCANCODE_EQUALS, DIK_EQUALS},
    {SDL_SCANCODE_BACKSPACE, DIK_BACK},
    {SDL_SCANCODE_TAB, DIK_TAB},
    {SDL_SCANCODE_Q, DIK_Q},
    {SDL_SCANCODE_W, DIK_W},
    {SDL_SCANCODE_E, DIK_E},
    {SDL_SCANCODE_R, DIK_R},
    {SDL_SCANCODE_T, DIK_T},
    {SDL_SCANCODE_Y, DIK_Y},
    {SDL_SCANCODE_U, DIK_U},
    {SDL_SCANCODE_I, DIK_I},
    {SDL_SCANCODE_O, DIK_O},
    {SDL_SCANCODE_P, DIK_P},
    {SDL_SCANCODE_LEFTBRACKET, DIK_LBRACKET},
    {SDL_SCANCODE_RIGHTBRACKET, DIK_RBRACKET},
    {SDL_SCANCODE_RETURN, DIK_RETURN},
    {SDL_SCANCODE_LCTRL, DIK_LCONTROL},
    {SDL_SCANCODE_A, DIK_A},
    {SDL_SCANCODE_S, DIK_S},
    {SDL_SCANCODE_D, DIK_D},
    {SDL_SCANCODE_F, DIK_F},
    {SDL_SCANCODE_G, DIK_G},
    {SDL_SCANCODE_H, DIK_H},
    {SDL_SCANCODE_J, DIK_J},
    {SDL_SCANCODE_K, DIK_K},
    {SDL_SCANCODE_L, DIK_L},
    {SDL_SCANCODE_SEMICOLON, DIK_SEMICOLON},
    {SDL_SCANCODE_APOSTROPHE, DIK_APOSTROPHE},
    {SDL_SCANCODE_GRAVE, DIK_GRAVE},
    {SDL_SCANCODE_LSHIFT, DIK_LSHIFT},
    {SDL_SCANCODE_BACKSLASH, DIK_BACKSLASH},
    {SDL_SCANCODE_NONUSHASH, DIK_BACKSLASH},  // the same key position on 102-key keyboards
    {SDL_SCANCODE_Z, DIK_Z},
    {SDL_SCANCODE_X, DIK_X},
    {SDL_SCANCODE_C, DIK_C},
    {SDL_SCANCODE_V, DIK_V},
    {SDL_SCANCODE_B, DIK_B},
    {SDL_SCANCODE_N, DIK_N},
    {SDL_SCANCODE_M, DIK_M},
    {SDL_SCANCODE_COMMA, DIK_COMMA},
    {SDL_SCANCODE_PERIOD, DIK_PERIOD},
    {SDL_SCANCODE_SLASH, DIK_SLASH},
    {SDL_SCANCODE_RSHIFT, DIK_RSHIFT},
    {SDL_SCANCODE_KP_MULTIPLY, DIK_MULTIPLY},
    {SDL_SCANCODE_LALT, DIK_LMENU},
    {SDL_SCANCODE_SPACE, DIK_SPACE},
    {SDL_SCANCODE_CAPSLOCK, DIK_CAPITAL},
    {SDL_SCANCODE_F1, DIK_F1},
    {SDL_SCANCODE_F2, DIK_F2},
    {SDL_SCANCODE_F3, DIK_F3},
    {SDL_SCANCODE_F4, DIK_F4},
    {SDL_SCANCODE_F5, DIK_F5},
    {SDL_SCANCODE_F6, DIK_F6},
    {SDL_SCANCODE_F7, DIK_F7},
    {SDL_SCANCODE_F8, DIK_F8},
    {SDL_SCANCODE_F9, DIK_F9},
    {SDL_SCANCODE_F10, DIK_F10},
    {SDL_SCANCODE_NUMLOCKCLEAR, DIK_NUMLOCK},
    {SDL_SCANCODE_SCROLLLOCK, DIK_SCROLL},
    {SDL_SCANCODE_KP_7, DIK_NUMPAD7},
    {SDL_SCANCODE_KP_8, DIK_NUMPAD8},
    {SDL_SCANCODE_KP_9, DIK_NUMPAD9},
    {SDL_SCANCODE_KP_MINUS, DIK_SUBTRACT},
    {SDL_SCANCODE_KP_4, DIK_NUMPAD4},
    {SDL_SCANCODE_KP_5, DIK_NUMPAD5},
    {SDL_SCANCODE_KP_6, DIK_NUMPAD6},
    {SDL_SCANCODE_KP_PLUS, DIK_ADD},
    {SDL_SCANCODE_KP_1, DIK_NUMPAD1},
    {SDL_SCANCODE_KP_2, DIK_NUMPAD2},
    {SDL_SCANCODE_KP_3, DIK_NUMPAD3},
    {SDL_SCANCODE_KP_0, DIK_NUMPAD0},
    {SDL_SCANCODE_KP_PERIOD, DIK_DECIMAL},
    {SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102},
    {SDL_SCANCODE_F11, DIK_F11},
    {SDL_SCANCODE_F12, DIK_F12},
    {SDL_SCANCODE_F13, DIK_F13},
    {SDL_SCANCODE_F14, DIK_F14},
    {SDL_SCANCODE_F15, DIK_F15},
    {SDL_SCANCODE_INTERNATIONAL2, DIK_KANA},
    {SDL_SCANCODE_INTERNATIONAL1, DIK_ABNT_C1},
    {SDL_SCANCODE_INTERNATIONAL4, DIK_CONVERT},
    {SDL_SCANCODE_INTERNATIONAL5, DIK_NOCONVERT},
    {SDL_SCANCODE_INTERNATIONAL3, DIK_YEN},
    {SDL_SCANCODE_KP_EQUALS, DIK_NUMPADEQUALS},
    {SDL_SCANCODE_AUDIOPREV, DIK_PREVTRACK},
    {SDL_SCANCODE_AUDIONEXT, DIK_NEXTTRACK},
    {SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER},
    {SDL_SCANCODE_RCTRL, DIK_RCONTROL},
    {SDL_SCANCODE_MUTE, DIK_MUTE},
    {SDL_SCANCODE_AUDIOMUTE, DIK_MUTE},
    {SDL_SCANCODE_CALCULATOR, DIK_CALCULATOR},
    {SDL_SCANCODE_AUDIOPLAY, DIK_PLAYPAUSE},
    {SDL_SCANCODE_AUDIOSTOP, DIK_MEDIASTOP},
    {SDL_SCANCODE_VOLUMEDOWN, DIK_VOLUMEDOWN},
    {SDL_SCANCODE_VOLUMEUP, DIK_VOLUMEUP},
    {SDL_SCANCODE_AC_HOME, DIK_WEBHOME},
    {SDL_SCANCODE_WWW, DIK_WEBHOME},
    {SDL_SCANCODE_KP_COMMA, DIK_NUMPADCOMMA},
    {SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE},
    {SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ},
    {SDL_SCANCODE_SYSREQ, DIK_SYSRQ},
    {SDL_SCANCODE_RALT, DIK_RMENU},
    {SDL_SCANCODE_PAUSE, DIK_PAUSE},
    {SDL_SCANCODE_HOME, DIK_HOME},
    {SDL_SCANCODE_UP, DIK_UP},
    {SDL_SCANCODE_PAGEUP, DIK_PRIOR},
    {SDL_SCANCODE_LEFT, DIK_LEFT},
    {SDL_SCANCODE_RIGHT, DIK_RIGHT},
    {SDL_SCANCODE_END, DIK_END},
    {SDL_SCANCODE_DOWN, DIK_DOWN},
    {SDL_SCANCODE_PAGEDOWN, DIK_NEXT},
    {SDL_SCANCODE_INSERT, DIK_INSERT},
    {SDL_SCANCODE_DELETE, DIK_DELETE},
    {SDL_SCANCODE_LGUI, DIK_LWIN},
    {SDL_SCANCODE_RGUI, DIK_RWIN},
    {SDL_SCANCODE_APPLICATION, DIK_APPS},
    {SDL_SCANCODE_POWER, DIK_POWER},
    {SDL_SCANCODE_SLEEP, DIK_SLEEP},
    {SDL_SCANCODE_AC_SEARCH, DIK_WEBSEARCH},
    {SDL_SCANCODE_AC_BOOKMARKS, DIK_WEBFAVORITES},
    {SDL_SCANCODE_AC_REFRESH, DIK_WEBREFRESH},
    {SDL_SCANCODE_AC_STOP, DIK_WEBSTOP},
    {SDL_SCANCODE_AC_FORWARD, DIK_WEBFORWARD},
    {SDL_SCANCODE_AC_BACK, DIK_WEBBACK},
    {SDL_SCANCODE_COMPUTER, DIK_MYCOMPUTER},
    {SDL_SCANCODE_MAIL, DIK_MAIL},
    {SDL_SCANCODE_MEDIASELECT, DIK_MEDIASELECT},
};

constexpr std::array<uint8_t, SDL_NUM_SCANCODES> MakeScancodeTable() {
    std::array<uint8_t, SDL_NUM_SCANCODES> table{};
    for (const auto& [scancode, key] : SCANCODE_KEYS) {
        table[static_cast<size_t>(scancode)] = key;
    }
    return table;
}

constexpr std::array<uint8_t, SDL_NUM_SCANCODES> SCANCODE_TABLE = MakeScancodeTable();

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

int HostInputSdlScancodeToKey(int scancode) {
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) {
        return 0;
    }
    return SCANCODE_TABLE[static_cast<size_t>(scancode)];
}

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
                const int key = HostInputSdlScancodeToKey(event.key.keysym.scancode);
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
