// The host's input devices: device objects and the backend-neutral state behind them.
// Backends and tests feed key, button, motion and joystick changes in; each device turns
// them into the whole-state reads a program asks for.

#include "platform/host_input.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/headless.h"

const HostDataFormat host_format_keyboard = {24, 16, DIDF_RELAXIS, 256, 256};
const HostDataFormat host_format_mouse = {24, 16, DIDF_RELAXIS, 16, 7};
const HostDataFormat host_format_joystick = {24, 16, DIDF_ABSAXIS, 80, 44};

static_assert(sizeof(HostMouseState) == 16, "the mouse state is 16 bytes");
static_assert(sizeof(HostJoystickState) == 80, "the joystick state is 80 bytes");
static_assert(sizeof(HostPropertyRange) == 24, "a range property is 24 bytes");

namespace {

constexpr int KIND_KEYBOARD = 0;
constexpr int KIND_MOUSE = 1;
constexpr int KIND_JOYSTICK = 2;

constexpr int JOYSTICK_AXES = 8;  // six axes and two sliders
constexpr int JOYSTICK_HATS = 4;
constexpr int JOYSTICK_BUTTONS = 32;
constexpr int MOUSE_BUTTONS = 4;

// Instance GUIDs of joysticks differ in data1, which holds the joystick's id.
constexpr HostGuid JOYSTICK_GUID_BASE = {
    0, 0x7A3C, 0x4E1D, {0x9B, 0x51, 0x4A, 0x4F, 0x59, 0x53, 0x54, 0x4B}};

struct AxisRange {
    int32_t min = HOST_AXIS_MIN;
    int32_t max = HOST_AXIS_MAX;
};

struct Joystick {
    int id = 0;
    std::string name;
    std::vector<int32_t> axes;     // in the device's own range
    std::vector<uint8_t> hats;     // HOST_HAT_* bits
    std::vector<uint8_t> buttons;  // 1 while down
};

}  // namespace

struct HostInput {
    int refs = 1;
};

struct HostInputDevice {
    int refs = 1;
    int kind = KIND_KEYBOARD;
    int joystick = 0;  // the joystick's id, for a joystick device
    HostWindow* window = nullptr;
    int format_set = 0;
    int acquired = 0;
    int lost = 0;  // its joystick went away: it can never be acquired again
    // Keys or buttons pressed since the last read, so that a tap between two reads shows.
    uint8_t pressed[256] = {};
    int64_t dx = 0;  // mouse motion since the last read
    int64_t dy = 0;
    int64_t dz = 0;
    AxisRange ranges[JOYSTICK_AXES];
};

namespace {

struct InputState {
    uint8_t keys[256] = {};  // 1 while down
    uint8_t mouse_buttons[MOUSE_BUTTONS] = {};
    std::vector<Joystick> joysticks;  // attach order
    int next_joystick = 1;
    std::vector<HostInputDevice*> devices;  // every live device
    int roots = 0;
};

InputState& State() {
    static InputState state;
    return state;
}

bool SameGuid(const HostGuid& a, const HostGuid& b) {
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
           std::memcmp(a.data4, b.data4, sizeof(a.data4)) == 0;
}

HostGuid JoystickGuid(int id) {
    HostGuid guid = JOYSTICK_GUID_BASE;
    guid.data1 = static_cast<uint32_t>(id);
    return guid;
}

Joystick* FindJoystick(int id) {
    for (Joystick& joystick : State().joysticks) {
        if (joystick.id == id) {
            return &joystick;
        }
    }
    return nullptr;
}

const HostDataFormat& FormatOf(int kind) {
    if (kind == KIND_KEYBOARD) {
        return host_format_keyboard;
    }
    return kind == KIND_MOUSE ? host_format_mouse : host_format_joystick;
}

bool SameFormat(const HostDataFormat& a, const HostDataFormat& b) {
    return a.dwSize == b.dwSize && a.dwObjSize == b.dwObjSize && a.dwFlags == b.dwFlags &&
           a.dwDataSize == b.dwDataSize && a.dwNumObjs == b.dwNumObjs;
}

// A joystick device whose joystick is gone stays unacquired for good.
bool JoystickPresent(HostInputDevice* device) {
    if (device->lost || FindJoystick(device->joystick) == nullptr) {
        device->lost = 1;
        device->acquired = 0;
        return false;
    }
    return true;
}

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Maps the device's own range linearly onto [range.min, range.max], rounding to nearest,
// so that both ends land exactly on the range's ends.
int32_t ScaleAxis(int32_t raw, const AxisRange& range) {
    const int64_t own_span = int64_t{HOST_AXIS_MAX} - HOST_AXIS_MIN;
    const int64_t span = int64_t{range.max} - range.min;
    const int64_t offset = int64_t{raw} - HOST_AXIS_MIN;
    return static_cast<int32_t>(range.min + (offset * span * 2 + own_span) / (own_span * 2));
}

uint32_t HatToPov(uint8_t directions) {
    const int vertical =
        ((directions & HOST_HAT_UP) ? 1 : 0) - ((directions & HOST_HAT_DOWN) ? 1 : 0);
    const int horizontal =
        ((directions & HOST_HAT_RIGHT) ? 1 : 0) - ((directions & HOST_HAT_LEFT) ? 1 : 0);
    // Indexed by (vertical + 1) * 3 + (horizontal + 1): down row, level row, up row.
    static const uint32_t povs[9] = {22500, 18000, 13500, 27000, HOST_POV_CENTERED,
                                     9000,  31500, 0,     4500};
    return povs[(vertical + 1) * 3 + (horizontal + 1)];
}

void ReadKeyboard(HostInputDevice* device, uint8_t* out) {
    const InputState& state = State();
    for (int key = 0; key < 256; ++key) {
        out[key] = (state.keys[key] || device->pressed[key]) ? HOST_KEY_DOWN : 0;
    }
}

void ReadMouse(HostInputDevice* device, HostMouseState* out) {
    const InputState& state = State();
    out->lX = ClampToInt32(device->dx);
    out->lY = ClampToInt32(device->dy);
    out->lZ = ClampToInt32(device->dz);
    for (int button = 0; button < MOUSE_BUTTONS; ++button) {
        out->rgbButtons[button] =
            (state.mouse_buttons[button] || device->pressed[button]) ? HOST_KEY_DOWN : 0;
    }
    device->dx = 0;
    device->dy = 0;
    device->dz = 0;
}

void ReadJoystick(HostInputDevice* device, const Joystick& joystick, HostJoystickState* out) {
    int32_t axes[JOYSTICK_AXES] = {};
    for (int axis = 0; axis < JOYSTICK_AXES; ++axis) {
        if (axis < static_cast<int>(joystick.axes.size())) {
            axes[axis] = ScaleAxis(joystick.axes[axis], device->ranges[axis]);
        }
    }
    out->lX = axes[0];
    out->lY = axes[1];
    out->lZ = axes[2];
    out->lRx = axes[3];
    out->lRy = axes[4];
    out->lRz = axes[5];
    out->rglSlider[0] = axes[6];
    out->rglSlider[1] = axes[7];
    for (int hat = 0; hat < JOYSTICK_HATS; ++hat) {
        out->rgdwPOV[hat] = hat < static_cast<int>(joystick.hats.size())
                                ? HatToPov(joystick.hats[hat])
                                : HOST_POV_CENTERED;
    }
    for (int button = 0; button < JOYSTICK_BUTTONS; ++button) {
        const bool down =
            button < static_cast<int>(joystick.buttons.size()) && joystick.buttons[button];
        out->rgbButtons[button] = (down || device->pressed[button]) ? HOST_KEY_DOWN : 0;
    }
}

void FillInstance(HostDeviceInstance* instance, const HostGuid& guid, const HostGuid& product,
                  uint32_t dev_type, const char* name) {
    *instance = HostDeviceInstance{};
    instance->dwSize = sizeof(HostDeviceInstance);
    instance->guidInstance = guid;
    instance->guidProduct = product;
    instance->dwDevType = dev_type;
    const size_t length = std::min(std::strlen(name), sizeof(instance->tszProductName) - 1);
    std::memcpy(instance->tszInstanceName, name, length);
    std::memcpy(instance->tszProductName, name, length);
}

}  // namespace

// ---------------------------------------------------------------------------
// The root object

HostInput* HostInputCreate(void*, uint32_t version) {
    if ((HostRefused() & HOST_REFUSE_INPUT) || version < 0x0300 || version > DIRECTINPUT_VERSION) {
        return nullptr;
    }
    State().roots += 1;
    return new HostInput;
}

void HostInputRelease(HostInput* input) {
    if (input == nullptr) {
        return;
    }
    input->refs -= 1;
    if (input->refs == 0) {
        State().roots -= 1;
        delete input;
    }
}

HostInputDevice* HostInputCreateDevice(HostInput* input, const HostGuid* guid) {
    if (input == nullptr || guid == nullptr || (HostRefused() & HOST_REFUSE_INPUT)) {
        return nullptr;
    }
    int kind = 0;
    int joystick = 0;
    if (SameGuid(*guid, GUID_SYS_KEYBOARD)) {
        kind = KIND_KEYBOARD;
    } else if (SameGuid(*guid, GUID_SYS_MOUSE)) {
        kind = KIND_MOUSE;
    } else {
        HostGuid base = *guid;
        base.data1 = 0;
        const int id = static_cast<int>(guid->data1 & 0x7FFFFFFF);
        if (!SameGuid(base, JOYSTICK_GUID_BASE) || guid->data1 != static_cast<uint32_t>(id) ||
            FindJoystick(id) == nullptr) {
            return nullptr;
        }
        kind = KIND_JOYSTICK;
        joystick = id;
    }
    auto* device = new HostInputDevice;
    device->kind = kind;
    device->joystick = joystick;
    State().devices.push_back(device);
    return device;
}

int HostInputEnumDevices(HostInput* input, uint32_t dev_type, HostEnumDevicesCallback callback,
                         void* context, uint32_t flags) {
    if (input == nullptr || callback == nullptr || (flags & ~DIEDFL_ATTACHEDONLY) != 0) {
        return 0;
    }
    if (dev_type != 0 && dev_type != DIDEVTYPE_MOUSE && dev_type != DIDEVTYPE_KEYBOARD &&
        dev_type != DIDEVTYPE_JOYSTICK) {
        return 0;
    }
    // Taken before the first callback, which may attach or detach joysticks.
    std::vector<HostDeviceInstance> list;
    HostDeviceInstance instance;
    if (dev_type == 0 || dev_type == DIDEVTYPE_MOUSE) {
        FillInstance(&instance, GUID_SYS_MOUSE, GUID_SYS_MOUSE, DIDEVTYPE_MOUSE, "Mouse");
        list.push_back(instance);
    }
    if (dev_type == 0 || dev_type == DIDEVTYPE_KEYBOARD) {
        FillInstance(&instance, GUID_SYS_KEYBOARD, GUID_SYS_KEYBOARD, DIDEVTYPE_KEYBOARD,
                     "Keyboard");
        list.push_back(instance);
    }
    if (dev_type == 0 || dev_type == DIDEVTYPE_JOYSTICK) {
        for (const Joystick& joystick : State().joysticks) {
            FillInstance(&instance, JoystickGuid(joystick.id), JOYSTICK_GUID_BASE,
                         DIDEVTYPE_JOYSTICK, joystick.name.c_str());
            list.push_back(instance);
        }
    }
    for (const HostDeviceInstance& each : list) {
        if (callback(&each, context) == DIENUM_STOP) {
            break;
        }
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Devices

int HostInputDeviceQueryInterface(HostInputDevice* device, const HostGuid* iid,
                                  HostInputDevice** out) {
    if (out == nullptr) {
        return 0;
    }
    *out = nullptr;
    if (device == nullptr || iid == nullptr || !SameGuid(*iid, IID_INPUT_DEVICE2)) {
        return 0;
    }
    device->refs += 1;
    *out = device;
    return 1;
}

void HostInputDeviceRelease(HostInputDevice* device) {
    if (device == nullptr) {
        return;
    }
    device->refs -= 1;
    if (device->refs == 0) {
        std::vector<HostInputDevice*>& devices = State().devices;
        devices.erase(std::remove(devices.begin(), devices.end(), device), devices.end());
        delete device;
    }
}

int HostInputDeviceSetCooperativeLevel(HostInputDevice* device, HostWindow* window,
                                       uint32_t flags) {
    const uint32_t sharing = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
    const uint32_t focus = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
    if (device == nullptr || window == nullptr || device->acquired ||
        (flags & ~(DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND)) !=
            0 ||
        (sharing != DISCL_EXCLUSIVE && sharing != DISCL_NONEXCLUSIVE) ||
        (focus != DISCL_FOREGROUND && focus != DISCL_BACKGROUND)) {
        return 0;
    }
    device->window = window;
    return 1;
}

int HostInputDeviceSetDataFormat(HostInputDevice* device, const HostDataFormat* format) {
    if (device == nullptr || format == nullptr || device->acquired ||
        !SameFormat(*format, FormatOf(device->kind))) {
        return 0;
    }
    device->format_set = 1;
    return 1;
}

int HostInputDeviceSetProperty(HostInputDevice* device, uint32_t property,
                               const HostPropertyHeader* header) {
    if (device == nullptr || header == nullptr || property != DIPROP_RANGE ||
        device->kind != KIND_JOYSTICK || device->acquired ||
        header->dwSize != sizeof(HostPropertyRange) ||
        header->dwHeaderSize != sizeof(HostPropertyHeader)) {
        return 0;
    }
    // The header is the first member of the range record the caller built.
    const auto* range = reinterpret_cast<const HostPropertyRange*>(header);
    if (range->lMin > range->lMax) {
        return 0;
    }
    int first = 0;
    int last = JOYSTICK_AXES - 1;
    if (header->dwHow == DIPH_BYOFFSET) {
        const Joystick* joystick = FindJoystick(device->joystick);
        const uint32_t axis = header->dwObj / 4;
        if (header->dwObj % 4 != 0 || axis >= JOYSTICK_AXES || joystick == nullptr ||
            axis >= joystick->axes.size()) {
            return 0;
        }
        first = static_cast<int>(axis);
        last = first;
    } else if (header->dwHow != DIPH_DEVICE || header->dwObj != 0) {
        return 0;
    }
    for (int axis = first; axis <= last; ++axis) {
        device->ranges[axis].min = range->lMin;
        device->ranges[axis].max = range->lMax;
    }
    return 1;
}

int HostInputDeviceAcquire(HostInputDevice* device) {
    if (device == nullptr || !device->format_set) {
        return 0;
    }
    if (device->kind == KIND_JOYSTICK && !JoystickPresent(device)) {
        return 0;
    }
    if (!device->acquired) {
        device->acquired = 1;
        std::memset(device->pressed, 0, sizeof(device->pressed));
        device->dx = 0;
        device->dy = 0;
        device->dz = 0;
    }
    return 1;
}

int HostInputDeviceUnacquire(HostInputDevice* device) {
    if (device == nullptr || !device->acquired) {
        return 0;
    }
    device->acquired = 0;
    return 1;
}

int HostInputDevicePoll(HostInputDevice* device) {
    if (device == nullptr || !device->acquired) {
        return 0;
    }
    return device->kind != KIND_JOYSTICK || JoystickPresent(device) ? 1 : 0;
}

int HostInputDeviceGetState(HostInputDevice* device, uint32_t size, void* data) {
    if (device == nullptr || data == nullptr || !device->acquired ||
        size != FormatOf(device->kind).dwDataSize) {
        return 0;
    }
    if (device->kind == KIND_KEYBOARD) {
        ReadKeyboard(device, static_cast<uint8_t*>(data));
    } else if (device->kind == KIND_MOUSE) {
        HostMouseState state;
        ReadMouse(device, &state);
        std::memcpy(data, &state, sizeof(state));
    } else {
        if (!JoystickPresent(device)) {
            return 0;
        }
        HostJoystickState state;
        ReadJoystick(device, *FindJoystick(device->joystick), &state);
        std::memcpy(data, &state, sizeof(state));
    }
    std::memset(device->pressed, 0, sizeof(device->pressed));
    return 1;
}

// ---------------------------------------------------------------------------
// Feeding the devices

void HostInputKey(int key, int down) {
    if (key < 1 || key > 255) {
        return;
    }
    InputState& state = State();
    state.keys[key] = down ? 1 : 0;
    if (down) {
        for (HostInputDevice* device : state.devices) {
            if (device->kind == KIND_KEYBOARD && device->acquired) {
                device->pressed[key] = 1;
            }
        }
    }
}

void HostInputMouseMotion(int32_t dx, int32_t dy) {
    for (HostInputDevice* device : State().devices) {
        if (device->kind == KIND_MOUSE && device->acquired) {
            device->dx += dx;
            device->dy += dy;
        }
    }
}

void HostInputMouseWheel(int32_t dz) {
    for (HostInputDevice* device : State().devices) {
        if (device->kind == KIND_MOUSE && device->acquired) {
            device->dz += dz;
        }
    }
}

void HostInputMouseButton(int button, int down) {
    if (button < 0 || button >= MOUSE_BUTTONS) {
        return;
    }
    InputState& state = State();
    state.mouse_buttons[button] = down ? 1 : 0;
    if (down) {
        for (HostInputDevice* device : state.devices) {
            if (device->kind == KIND_MOUSE && device->acquired) {
                device->pressed[button] = 1;
            }
        }
    }
}

int HostInputJoystickAttach(const char* name, int axes, int hats, int buttons) {
    if (axes < 0 || hats < 0 || buttons < 0) {
        return 0;
    }
    InputState& state = State();
    Joystick joystick;
    joystick.id = state.next_joystick++;
    joystick.name = name != nullptr ? name : "";
    joystick.axes.assign(static_cast<size_t>(axes), 0);
    joystick.hats.assign(static_cast<size_t>(hats), 0);
    joystick.buttons.assign(static_cast<size_t>(buttons), 0);
    state.joysticks.push_back(std::move(joystick));
    return state.joysticks.back().id;
}

void HostInputJoystickDetach(int joystick) {
    InputState& state = State();
    auto found = std::find_if(state.joysticks.begin(), state.joysticks.end(),
                              [joystick](const Joystick& each) { return each.id == joystick; });
    if (found == state.joysticks.end()) {
        return;
    }
    state.joysticks.erase(found);
    for (HostInputDevice* device : state.devices) {
        if (device->kind == KIND_JOYSTICK && device->joystick == joystick) {
            device->lost = 1;
            device->acquired = 0;
        }
    }
}

void HostInputJoystickAxis(int joystick, int axis, int32_t value) {
    Joystick* found = FindJoystick(joystick);
    if (found != nullptr && axis >= 0 && axis < static_cast<int>(found->axes.size())) {
        found->axes[axis] = std::clamp(value, HOST_AXIS_MIN, HOST_AXIS_MAX);
    }
}

void HostInputJoystickHat(int joystick, int hat, uint8_t directions) {
    Joystick* found = FindJoystick(joystick);
    if (found != nullptr && hat >= 0 && hat < static_cast<int>(found->hats.size())) {
        found->hats[hat] = directions;
    }
}

void HostInputJoystickButton(int joystick, int button, int down) {
    Joystick* found = FindJoystick(joystick);
    if (found == nullptr || button < 0 || button >= static_cast<int>(found->buttons.size())) {
        return;
    }
    found->buttons[button] = down ? 1 : 0;
    if (down && button < JOYSTICK_BUTTONS) {
        for (HostInputDevice* device : State().devices) {
            if (device->kind == KIND_JOYSTICK && device->joystick == joystick && device->acquired) {
                device->pressed[button] = 1;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Between tests

void HostInputReset() {
    InputState& state = State();
    std::memset(state.keys, 0, sizeof(state.keys));
    std::memset(state.mouse_buttons, 0, sizeof(state.mouse_buttons));
    while (!state.joysticks.empty()) {
        HostInputJoystickDetach(state.joysticks.front().id);
    }
    for (HostInputDevice* device : state.devices) {
        std::memset(device->pressed, 0, sizeof(device->pressed));
        device->dx = 0;
        device->dy = 0;
        device->dz = 0;
    }
}

int HostInputLiveObjects() {
    const InputState& state = State();
    return state.roots + static_cast<int>(state.devices.size());
}
