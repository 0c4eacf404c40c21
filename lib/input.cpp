// Input: one root object and up to three devices, each read whole into its buffer.
#include "lib/input.h"

#include <cstring>

#include "lib/app.h"

HostInput* direct_input = nullptr;
HostInputDevice* keyboard_device = nullptr;
HostInputDevice* mouse_device = nullptr;
HostInputDevice* joystick_base_device = nullptr;
HostInputDevice* joystick_device = nullptr;
int joystick_ready = 0;
HostGuid joystick_guid{};
char joystick_name[80]{};

uint8_t key_states[256]{};
HostMouseState mouse_reading{};
HostJoystickState joystick_state{};

namespace {

constexpr uint32_t INPUT_COOPERATIVE_FLAGS = DISCL_BACKGROUND | DISCL_NONEXCLUSIVE;  // 0x0A
constexpr uint32_t RANGE_HEADER_SIZE = 16;
constexpr uint32_t RANGE_SIZE = 24;

static_assert(sizeof(key_states) == 256, "the keyboard state is 256 bytes");
static_assert(sizeof(HostMouseState) == 16, "the mouse state is 16 bytes");
static_assert(sizeof(HostJoystickState) == 80, "the joystick state is 80 bytes");
static_assert(sizeof(HostPropertyRange) == RANGE_SIZE, "a range record is 24 bytes");

// The four steps the keyboard and the mouse share: create, cooperate, format, acquire.
int InputDeviceInit(HostInputDevice** device, const HostGuid& guid, const HostDataFormat& format) {
    // A second set-up would otherwise lose the first one's device.
    if (*device != nullptr) {
        HostInputDeviceUnacquire(*device);
        HostInputDeviceRelease(*device);
    }
    *device = HostInputCreateDevice(direct_input, &guid);
    if (*device == nullptr) {
        return 0;
    }
    if (!HostInputDeviceSetCooperativeLevel(*device, app_window, INPUT_COOPERATIVE_FLAGS)) {
        return 0;
    }
    if (!HostInputDeviceSetDataFormat(*device, &format)) {
        return 0;
    }
    return HostInputDeviceAcquire(*device) ? 1 : 0;
}

void InputDeviceRelease(HostInputDevice** device) {
    if (*device == nullptr) {
        return;
    }
    HostInputDeviceUnacquire(*device);
    HostInputDeviceRelease(*device);
    // Cleared so that a later read finds no device instead of a released one.
    *device = nullptr;
}

void JoystickSetAxisRange(uint32_t axis_offset, int32_t min, int32_t max) {
    HostPropertyRange joy_axis_range{};
    joy_axis_range.diph.dwSize = RANGE_SIZE;
    joy_axis_range.diph.dwHeaderSize = RANGE_HEADER_SIZE;
    joy_axis_range.diph.dwObj = axis_offset;
    joy_axis_range.diph.dwHow = DIPH_BYOFFSET;
    joy_axis_range.lMin = min;
    joy_axis_range.lMax = max;
    HostInputDeviceSetProperty(joystick_device, DIPROP_RANGE, &joy_axis_range.diph);
}

}  // namespace

// ---------------------------------------------------------------------------
// Set-up

int InputInit() {
    if (direct_input != nullptr) {
        InputShutdown();
    }
    direct_input = HostInputCreate(app_instance, DIRECTINPUT_VERSION);
    return direct_input != nullptr ? 1 : 0;
}

void InputShutdown() {
    if (direct_input != nullptr) {
        HostInputRelease(direct_input);
        direct_input = nullptr;
    }
}

int KeyboardInit() {
    return InputDeviceInit(&keyboard_device, GUID_SYS_KEYBOARD, host_format_keyboard);
}

int MouseInit() {
    return InputDeviceInit(&mouse_device, GUID_SYS_MOUSE, host_format_mouse);
}

int JoystickInit(int32_t min_x, int32_t max_x, int32_t min_y, int32_t max_y) {
    JoystickRelease();
    HostInputEnumDevices(direct_input, DIDEVTYPE_JOYSTICK, JoystickEnumCallback, &joystick_guid,
                         DIEDFL_ATTACHEDONLY);
    // A GUID still zero (no joystick found) opens nothing.
    joystick_base_device = HostInputCreateDevice(direct_input, &joystick_guid);
    if (joystick_base_device == nullptr) {
        return 0;
    }
    const int has_poll =
        HostInputDeviceQueryInterface(joystick_base_device, &IID_INPUT_DEVICE2, &joystick_device);
    HostInputDeviceRelease(joystick_base_device);
    if (!has_poll) {
        joystick_base_device = nullptr;
        return 0;
    }
    if (!HostInputDeviceSetCooperativeLevel(joystick_device, app_window, INPUT_COOPERATIVE_FLAGS)) {
        return 0;
    }
    if (!HostInputDeviceSetDataFormat(joystick_device, &host_format_joystick)) {
        return 0;
    }
    JoystickSetAxisRange(DIJOFS_X, min_x, max_x);
    JoystickSetAxisRange(DIJOFS_Y, min_y, max_y);
    if (!HostInputDeviceAcquire(joystick_device)) {
        return 0;
    }
    joystick_ready = 1;
    return 1;
}

int JoystickEnumCallback(const HostDeviceInstance* instance, void* context) {
    if (instance == nullptr) {
        return DIENUM_STOP;
    }
    if (context != nullptr) {
        *static_cast<HostGuid*>(context) = instance->guidInstance;
    }
    // The instance's name is terminated within its buffer; ours keeps room for the end.
    const size_t limit = sizeof(joystick_name) - 1;
    size_t length = 0;
    while (length < limit && length < sizeof(instance->tszProductName) &&
           instance->tszProductName[length] != '\0') {
        ++length;
    }
    std::memcpy(joystick_name, instance->tszProductName, length);
    joystick_name[length] = '\0';
    return DIENUM_STOP;
}

// ---------------------------------------------------------------------------
// Reads

int KeyboardRead() {
    if (keyboard_device == nullptr) {
        std::memset(key_states, 0, sizeof(key_states));
        return 0;
    }
    return HostInputDeviceGetState(keyboard_device, sizeof(key_states), key_states) ? 1 : 0;
}

int MouseRead() {
    if (mouse_device == nullptr) {
        std::memset(&mouse_reading, 0, sizeof(mouse_reading));
        return 0;
    }
    return HostInputDeviceGetState(mouse_device, sizeof(mouse_reading), &mouse_reading) ? 1 : 0;
}

int JoystickRead() {
    if (!joystick_ready) {
        return 0;
    }
    if (joystick_device == nullptr) {
        std::memset(&joystick_state, 0, sizeof(joystick_state));
        return 0;
    }
    if (!HostInputDevicePoll(joystick_device)) {
        return 0;
    }
    return HostInputDeviceGetState(joystick_device, sizeof(joystick_state), &joystick_state) ? 1
                                                                                             : 0;
}

// ---------------------------------------------------------------------------
// Releases

void KeyboardRelease() {
    InputDeviceRelease(&keyboard_device);
}

void MouseRelease() {
    InputDeviceRelease(&mouse_device);
}

void JoystickRelease() {
    InputDeviceRelease(&joystick_device);
    // The base device was the same object, released with it.
    joystick_base_device = nullptr;
}
