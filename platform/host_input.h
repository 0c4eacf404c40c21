#ifndef QENT_PLATFORM_HOST_INPUT_H
#define QENT_PLATFORM_HOST_INPUT_H

// The host's input devices: a root object, keyboard, mouse and joystick devices with
// cooperative levels, data formats, axis ranges, acquisition and whole-state reads, as a
// DirectInput program uses them. The device state lives here, backend-neutral: the SDL
// backend feeds it from its events, tests feed it directly through the same calls.

#include <cstdint>

#include "platform/host.h"

// ---------------------------------------------------------------------------
// Key numbers: the classic PC scan codes, extended keys at 0x80 + their second byte.

constexpr uint8_t DIK_ESCAPE = 0x01;
constexpr uint8_t DIK_1 = 0x02;
constexpr uint8_t DIK_2 = 0x03;
constexpr uint8_t DIK_3 = 0x04;
constexpr uint8_t DIK_4 = 0x05;
constexpr uint8_t DIK_5 = 0x06;
constexpr uint8_t DIK_6 = 0x07;
constexpr uint8_t DIK_7 = 0x08;
constexpr uint8_t DIK_8 = 0x09;
constexpr uint8_t DIK_9 = 0x0A;
constexpr uint8_t DIK_0 = 0x0B;
constexpr uint8_t DIK_MINUS = 0x0C;
constexpr uint8_t DIK_EQUALS = 0x0D;
constexpr uint8_t DIK_BACK = 0x0E;  // Backspace
constexpr uint8_t DIK_TAB = 0x0F;
constexpr uint8_t DIK_Q = 0x10;
constexpr uint8_t DIK_W = 0x11;
constexpr uint8_t DIK_E = 0x12;
constexpr uint8_t DIK_R = 0x13;
constexpr uint8_t DIK_T = 0x14;
constexpr uint8_t DIK_Y = 0x15;
constexpr uint8_t DIK_U = 0x16;
constexpr uint8_t DIK_I = 0x17;
constexpr uint8_t DIK_O = 0x18;
constexpr uint8_t DIK_P = 0x19;
constexpr uint8_t DIK_LBRACKET = 0x1A;
constexpr uint8_t DIK_RBRACKET = 0x1B;
constexpr uint8_t DIK_RETURN = 0x1C;  // Enter on the main keyboard
constexpr uint8_t DIK_LCONTROL = 0x1D;
constexpr uint8_t DIK_A = 0x1E;
constexpr uint8_t DIK_S = 0x1F;
constexpr uint8_t DIK_D = 0x20;
constexpr uint8_t DIK_F = 0x21;
constexpr uint8_t DIK_G = 0x22;
constexpr uint8_t DIK_H = 0x23;
constexpr uint8_t DIK_J = 0x24;
constexpr uint8_t DIK_K = 0x25;
constexpr uint8_t DIK_L = 0x26;
constexpr uint8_t DIK_SEMICOLON = 0x27;
constexpr uint8_t DIK_APOSTROPHE = 0x28;
constexpr uint8_t DIK_GRAVE = 0x29;
constexpr uint8_t DIK_LSHIFT = 0x2A;
constexpr uint8_t DIK_BACKSLASH = 0x2B;
constexpr uint8_t DIK_Z = 0x2C;
constexpr uint8_t DIK_X = 0x2D;
constexpr uint8_t DIK_C = 0x2E;
constexpr uint8_t DIK_V = 0x2F;
constexpr uint8_t DIK_B = 0x30;
constexpr uint8_t DIK_N = 0x31;
constexpr uint8_t DIK_M = 0x32;
constexpr uint8_t DIK_COMMA = 0x33;
constexpr uint8_t DIK_PERIOD = 0x34;
constexpr uint8_t DIK_SLASH = 0x35;
constexpr uint8_t DIK_RSHIFT = 0x36;
constexpr uint8_t DIK_MULTIPLY = 0x37;  // * on the keypad
constexpr uint8_t DIK_LMENU = 0x38;     // left Alt
constexpr uint8_t DIK_SPACE = 0x39;
constexpr uint8_t DIK_CAPITAL = 0x3A;  // Caps Lock
constexpr uint8_t DIK_F1 = 0x3B;
constexpr uint8_t DIK_F2 = 0x3C;
constexpr uint8_t DIK_F3 = 0x3D;
constexpr uint8_t DIK_F4 = 0x3E;
constexpr uint8_t DIK_F5 = 0x3F;
constexpr uint8_t DIK_F6 = 0x40;
constexpr uint8_t DIK_F7 = 0x41;
constexpr uint8_t DIK_F8 = 0x42;
constexpr uint8_t DIK_F9 = 0x43;
constexpr uint8_t DIK_F10 = 0x44;
constexpr uint8_t DIK_NUMLOCK = 0x45;
constexpr uint8_t DIK_SCROLL = 0x46;  // Scroll Lock
constexpr uint8_t DIK_NUMPAD7 = 0x47;
constexpr uint8_t DIK_NUMPAD8 = 0x48;
constexpr uint8_t DIK_NUMPAD9 = 0x49;
constexpr uint8_t DIK_SUBTRACT = 0x4A;  // - on the keypad
constexpr uint8_t DIK_NUMPAD4 = 0x4B;
constexpr uint8_t DIK_NUMPAD5 = 0x4C;
constexpr uint8_t DIK_NUMPAD6 = 0x4D;
constexpr uint8_t DIK_ADD = 0x4E;  // + on the keypad
constexpr uint8_t DIK_NUMPAD1 = 0x4F;
constexpr uint8_t DIK_NUMPAD2 = 0x50;
constexpr uint8_t DIK_NUMPAD3 = 0x51;
constexpr uint8_t DIK_NUMPAD0 = 0x52;
constexpr uint8_t DIK_DECIMAL = 0x53;  // . on the keypad
constexpr uint8_t DIK_OEM_102 = 0x56;  // the extra key beside left Shift on 102-key keyboards
constexpr uint8_t DIK_F11 = 0x57;
constexpr uint8_t DIK_F12 = 0x58;
constexpr uint8_t DIK_F13 = 0x64;
constexpr uint8_t DIK_F14 = 0x65;
constexpr uint8_t DIK_F15 = 0x66;
constexpr uint8_t DIK_KANA = 0x70;
constexpr uint8_t DIK_ABNT_C1 = 0x73;  // the /? key of Brazilian and the Ro key of Japanese
constexpr uint8_t DIK_CONVERT = 0x79;
constexpr uint8_t DIK_NOCONVERT = 0x7B;
constexpr uint8_t DIK_YEN = 0x7D;
constexpr uint8_t DIK_NUMPADEQUALS = 0x8D;
constexpr uint8_t DIK_PREVTRACK = 0x90;
constexpr uint8_t DIK_NEXTTRACK = 0x99;
constexpr uint8_t DIK_NUMPADENTER = 0x9C;
constexpr uint8_t DIK_RCONTROL = 0x9D;
constexpr uint8_t DIK_MUTE = 0xA0;
constexpr uint8_t DIK_CALCULATOR = 0xA1;
constexpr uint8_t DIK_PLAYPAUSE = 0xA2;
constexpr uint8_t DIK_MEDIASTOP = 0xA4;
constexpr uint8_t DIK_VOLUMEDOWN = 0xAE;
constexpr uint8_t DIK_VOLUMEUP = 0xB0;
constexpr uint8_t DIK_WEBHOME = 0xB2;
constexpr uint8_t DIK_NUMPADCOMMA = 0xB3;
constexpr uint8_t DIK_DIVIDE = 0xB5;  // / on the keypad
constexpr uint8_t DIK_SYSRQ = 0xB7;   // Print Screen
constexpr uint8_t DIK_RMENU = 0xB8;   // right Alt
constexpr uint8_t DIK_PAUSE = 0xC5;
constexpr uint8_t DIK_HOME = 0xC7;
constexpr uint8_t DIK_UP = 0xC8;
constexpr uint8_t DIK_PRIOR = 0xC9;  // Page Up
constexpr uint8_t DIK_LEFT = 0xCB;
constexpr uint8_t DIK_RIGHT = 0xCD;
constexpr uint8_t DIK_END = 0xCF;
constexpr uint8_t DIK_DOWN = 0xD0;
constexpr uint8_t DIK_NEXT = 0xD1;  // Page Down
constexpr uint8_t DIK_INSERT = 0xD2;
constexpr uint8_t DIK_DELETE = 0xD3;
constexpr uint8_t DIK_LWIN = 0xDB;
constexpr uint8_t DIK_RWIN = 0xDC;
constexpr uint8_t DIK_APPS = 0xDD;  // the menu key
constexpr uint8_t DIK_POWER = 0xDE;
constexpr uint8_t DIK_SLEEP = 0xDF;
constexpr uint8_t DIK_WEBSEARCH = 0xE5;
constexpr uint8_t DIK_WEBFAVORITES = 0xE6;
constexpr uint8_t DIK_WEBREFRESH = 0xE7;
constexpr uint8_t DIK_WEBSTOP = 0xE8;
constexpr uint8_t DIK_WEBFORWARD = 0xE9;
constexpr uint8_t DIK_WEBBACK = 0xEA;
constexpr uint8_t DIK_MYCOMPUTER = 0xEB;
constexpr uint8_t DIK_MAIL = 0xEC;
constexpr uint8_t DIK_MEDIASELECT = 0xED;

// ---------------------------------------------------------------------------
// Identifiers, flags and records (values as a DirectInput 7 program passes them)

struct HostGuid {  // GUID
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

constexpr HostGuid GUID_SYS_MOUSE = {
    0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr HostGuid GUID_SYS_KEYBOARD = {
    0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// The second device interface, the one with Poll.
constexpr HostGuid IID_INPUT_DEVICE2 = {
    0x5944E682, 0xC92E, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

constexpr uint32_t DIRECTINPUT_VERSION = 0x0700;  // the newest version the host accepts

constexpr uint32_t DISCL_EXCLUSIVE = 0x1;
constexpr uint32_t DISCL_NONEXCLUSIVE = 0x2;
constexpr uint32_t DISCL_FOREGROUND = 0x4;
constexpr uint32_t DISCL_BACKGROUND = 0x8;

constexpr uint32_t DIDEVTYPE_MOUSE = 2;
constexpr uint32_t DIDEVTYPE_KEYBOARD = 3;
constexpr uint32_t DIDEVTYPE_JOYSTICK = 4;
constexpr uint32_t DIEDFL_ALLDEVICES = 0;
constexpr uint32_t DIEDFL_ATTACHEDONLY = 1;
constexpr int DIENUM_STOP = 0;
constexpr int DIENUM_CONTINUE = 1;

constexpr uint32_t DIDF_ABSAXIS = 1;
constexpr uint32_t DIDF_RELAXIS = 2;

constexpr uint32_t DIPROP_RANGE = 4;
constexpr uint32_t DIPH_DEVICE = 0;    // the property of every axis (dwObj 0)
constexpr uint32_t DIPH_BYOFFSET = 1;  // the axis at byte offset dwObj of the joystick state

// Byte offsets of the joystick axes in HostJoystickState.
constexpr uint32_t DIJOFS_X = 0;
constexpr uint32_t DIJOFS_Y = 4;
constexpr uint32_t DIJOFS_Z = 8;
constexpr uint32_t DIJOFS_RX = 12;
constexpr uint32_t DIJOFS_RY = 16;
constexpr uint32_t DIJOFS_RZ = 20;
constexpr uint32_t DIJOFS_SLIDER0 = 24;
constexpr uint32_t DIJOFS_SLIDER1 = 28;

constexpr uint8_t HOST_KEY_DOWN = 0x80;             // a down key or button byte
constexpr uint32_t HOST_POV_CENTERED = 0xFFFFFFFF;  // a hat at rest
constexpr int32_t HOST_AXIS_MIN = -32768;           // a joystick axis's own range
constexpr int32_t HOST_AXIS_MAX = 32767;
constexpr int32_t HOST_WHEEL_NOTCH = 120;  // lZ per notch of the mouse wheel

// Hat directions as the backends report them; combinations are diagonals.
constexpr uint8_t HOST_HAT_UP = 0x1;
constexpr uint8_t HOST_HAT_RIGHT = 0x2;
constexpr uint8_t HOST_HAT_DOWN = 0x4;
constexpr uint8_t HOST_HAT_LEFT = 0x8;

struct HostDataFormat {   // DIDATAFORMAT, reduced to what tells the standard formats apart
    uint32_t dwSize;      // 24, the record's size on the original platform
    uint32_t dwObjSize;   // 16
    uint32_t dwFlags;     // DIDF_RELAXIS or DIDF_ABSAXIS
    uint32_t dwDataSize;  // bytes of state a read returns
    uint32_t dwNumObjs;   // objects described
};

extern const HostDataFormat host_format_keyboard;  // 256 objects, 256 bytes
extern const HostDataFormat host_format_mouse;     // 7 objects, relative axes, 16 bytes
extern const HostDataFormat host_format_joystick;  // 44 objects, absolute axes, 80 bytes

struct HostMouseState {     // DIMOUSESTATE: what a mouse read returns
    int32_t lX;             // motion to the right since the previous read
    int32_t lY;             // motion downwards since the previous read
    int32_t lZ;             // wheel turned away from the user, HOST_WHEEL_NOTCH per notch
    uint8_t rgbButtons[4];  // left, right, middle, X1: 0x80 when down
};

struct HostJoystickState {   // DIJOYSTATE: what a joystick read returns
    int32_t lX;              // axis 0, in its range (the device's own until one is set)
    int32_t lY;              // axis 1
    int32_t lZ;              // axis 2
    int32_t lRx;             // axis 3
    int32_t lRy;             // axis 4
    int32_t lRz;             // axis 5
    int32_t rglSlider[2];    // axes 6 and 7
    uint32_t rgdwPOV[4];     // hats: hundredths of degrees clockwise from north, or centred
    uint8_t rgbButtons[32];  // 0x80 when down
};

struct HostPropertyHeader {  // DIPROPHEADER
    uint32_t dwSize;         // the whole property record: 24 for a range
    uint32_t dwHeaderSize;   // 16
    uint32_t dwObj;          // DIJOFS_* with DIPH_BYOFFSET, 0 with DIPH_DEVICE
    uint32_t dwHow;          // DIPH_*
};

struct HostPropertyRange {  // DIPROPRANGE
    HostPropertyHeader diph;
    int32_t lMin;  // what the axis reads at one end
    int32_t lMax;  // and at the other; not below lMin
};

struct HostDeviceInstance {     // DIDEVICEINSTANCE: one device as an enumeration reports it
    uint32_t dwSize;            // sizeof(HostDeviceInstance)
    HostGuid guidInstance;      // what HostInputCreateDevice takes to open this device
    HostGuid guidProduct;       // the kind of device
    uint32_t dwDevType;         // DIDEVTYPE_*
    char tszInstanceName[260];  // the name of this device
    char tszProductName[260];   // the name of its product, cut to fit
};

// Return DIENUM_CONTINUE for the next device or DIENUM_STOP to end the enumeration.
typedef int (*HostEnumDevicesCallback)(const HostDeviceInstance* instance, void* context);

struct HostInput;        // the root object (the DirectInput interface)
struct HostInputDevice;  // one keyboard, mouse or joystick device, reference counted

// ---------------------------------------------------------------------------
// The root object

// Versions 0x0300 to DIRECTINPUT_VERSION; null when refused.
HostInput* HostInputCreate(void* instance, uint32_t version);
void HostInputRelease(HostInput* input);
// GUID_SYS_KEYBOARD, GUID_SYS_MOUSE or an attached joystick's guidInstance; null otherwise.
HostInputDevice* HostInputCreateDevice(HostInput* input, const HostGuid* guid);
// Lists attached devices of dev_type (0 = all: mouse, keyboard, joysticks in attach order)
// until the callback stops it. 1 when the arguments were valid.
int HostInputEnumDevices(HostInput* input, uint32_t dev_type, HostEnumDevicesCallback callback,
                         void* context, uint32_t flags);

// ---------------------------------------------------------------------------
// Devices. Every call but Release returns 1 on success and 0 when refused.

// IID_INPUT_DEVICE2: *out gets the same device with one more reference.
int HostInputDeviceQueryInterface(HostInputDevice* device, const HostGuid* iid,
                                  HostInputDevice** out);
void HostInputDeviceRelease(HostInputDevice* device);  // the last reference frees it
// One of EXCLUSIVE/NONEXCLUSIVE and one of FOREGROUND/BACKGROUND, on a window; not while
// acquired. The host reads devices in the background whatever the level.
int HostInputDeviceSetCooperativeLevel(HostInputDevice* device, HostWindow* window, uint32_t flags);
// The standard format of the device's kind; not while acquired.
int HostInputDeviceSetDataFormat(HostInputDevice* device, const HostDataFormat* format);
// DIPROP_RANGE with a HostPropertyRange, joysticks only, not while acquired.
int HostInputDeviceSetProperty(HostInputDevice* device, uint32_t property,
                               const HostPropertyHeader* header);
// Needs a data format. Motion, presses and releases count from here on.
int HostInputDeviceAcquire(HostInputDevice* device);
int HostInputDeviceUnacquire(HostInputDevice* device);  // 0 when it was not acquired
int HostInputDevicePoll(HostInputDevice* device);       // 0 when not acquired
// Copies the whole state: size must be the format's data size and the device acquired.
// A key or button pressed since the previous read reads down even if already released;
// mouse motion is the sum since the previous read. A joystick that was detached leaves its
// device unacquired for good.
int HostInputDeviceGetState(HostInputDevice* device, uint32_t size, void* data);

// ---------------------------------------------------------------------------
// Feeding the devices: the SDL backend turns its events into these calls; tests under the
// headless backend call them directly to script input.

void HostInputKey(int key, int down);               // key number 1..255
void HostInputMouseMotion(int32_t dx, int32_t dy);  // relative motion in pixels
void HostInputMouseWheel(int32_t dz);               // HOST_WHEEL_NOTCH per notch
void HostInputMouseButton(int button, int down);    // 0 left, 1 right, 2 middle, 3 X1
// A new joystick, last in the enumeration order; its axes start at 0, hats centred, buttons
// up. Returns its id (from 1), or 0 for a negative count.
int HostInputJoystickAttach(const char* name, int axes, int hats, int buttons);
void HostInputJoystickDetach(int joystick);
void HostInputJoystickAxis(int joystick, int axis, int32_t value);     // HOST_AXIS_MIN..MAX
void HostInputJoystickHat(int joystick, int hat, uint8_t directions);  // HOST_HAT_* bits
void HostInputJoystickButton(int joystick, int button, int down);
// Out-of-range key numbers, buttons, axes, hats and unknown joysticks are ignored.

// Between tests: every key and button up, no motion pending, every joystick detached.
void HostInputReset();
int HostInputLiveObjects();  // root objects and devices not yet released

// The key number of a USB keyboard usage (SDL's scancodes are these), 0 for keys without one.
constexpr int HOST_USB_USAGE_COUNT = 512;
int HostInputUsbUsageToKey(int usage);
// The USB usage of a browser's KeyboardEvent.code ("KeyA", "Enter", "NumpadEnter"...), in the
// numbering above; 0 for a null, empty or unknown code.
int HostInputBrowserCodeToUsage(const char* code);

#endif
