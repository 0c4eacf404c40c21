// Window messages into the host's input state: keys by their scan codes, which are the
// key numbers themselves (extended keys at 0x80 + the second byte), and relative mouse
// motion from raw input, scaled to frame pixels as the Linux device scales it.

#include <array>
#include <cstdint>

#include "platform/win32_internal.h"

namespace {

constexpr LPARAM KEY_EXTENDED = 1 << 24;  // the second byte of an E0 scan code sequence
constexpr USHORT USAGE_PAGE_GENERIC = 0x01;
constexpr USHORT USAGE_MOUSE = 0x02;

struct Win32Input {
    std::array<uint8_t, 256> down{};  // keys the window saw go down and not up
    HWND mouse_window = nullptr;      // raw mouse input goes here
    int32_t carry_x = 0;              // screen pixels not yet a whole frame pixel
    int32_t carry_y = 0;
    int have_absolute = 0;  // devices that report positions (remote desktops, tablets)
    LONG last_x = 0;
    LONG last_y = 0;
};

Win32Input win_input;

// The key number of a key message: its scan code, with the two keys whose codes Windows
// gives the other way round (Pause arrives unextended, Num Lock extended).
int KeyNumber(WPARAM virtual_key, LPARAM flags) {
    if (virtual_key == VK_PAUSE) {
        return DIK_PAUSE;
    }
    if (virtual_key == VK_NUMLOCK) {
        return DIK_NUMLOCK;
    }
    UINT scan = (static_cast<UINT>(flags) >> 16) & 0xFF;
    if (scan == 0) {
        // Keys sent by programs may come with the virtual key alone.
        scan = MapVirtualKeyA(static_cast<UINT>(virtual_key), MAPVK_VK_TO_VSC) & 0xFF;
    }
    if (scan == 0 || scan >= 0x80) {
        return 0;
    }
    return static_cast<int>(scan | ((flags & KEY_EXTENDED) ? 0x80 : 0));
}

// Whole frame pixels of motion; the rest waits for the next report in carry.
int32_t FramePixels(int32_t screen_pixels, int scale, int32_t* carry) {
    if (scale <= 1) {
        return screen_pixels;
    }
    const int64_t total = static_cast<int64_t>(*carry) + screen_pixels;
    const int64_t pixels = total / scale;  // toward zero: a turn back gives back the rest
    *carry = static_cast<int32_t>(total - pixels * scale);
    return static_cast<int32_t>(pixels);
}

}  // namespace

void Win32InputKey(WPARAM virtual_key, LPARAM flags, int down) {
    const int key = KeyNumber(virtual_key, flags);
    if (key == 0) {
        return;
    }
    win_input.down[static_cast<size_t>(key)] = down ? 1 : 0;
    HostInputKey(key, down);
}

void Win32InputReleaseKeys() {
    for (size_t key = 1; key < win_input.down.size(); ++key) {
        if (win_input.down[key]) {
            win_input.down[key] = 0;
            HostInputKey(static_cast<int>(key), 0);
        }
    }
}

void Win32InputRawMouse(HRAWINPUT input, int scale) {
    RAWINPUT raw{};
    UINT size = sizeof raw;
    if (GetRawInputData(input, RID_INPUT, &raw, &size, sizeof(RAWINPUTHEADER)) == (UINT)-1 ||
        raw.header.dwType != RIM_TYPEMOUSE) {
        return;
    }
    const RAWMOUSE& mouse = raw.data.mouse;
    LONG dx = mouse.lLastX;
    LONG dy = mouse.lLastY;
    if (mouse.usFlags & MOUSE_MOVE_ABSOLUTE) {
        // Positions from 0 to 65535 across the (virtual) screen: motion is their difference.
        const bool virtual_desktop = (mouse.usFlags & MOUSE_VIRTUAL_DESKTOP) != 0;
        const int width = GetSystemMetrics(virtual_desktop ? SM_CXVIRTUALSCREEN : SM_CXSCREEN);
        const int height = GetSystemMetrics(virtual_desktop ? SM_CYVIRTUALSCREEN : SM_CYSCREEN);
        const LONG x = MulDiv(mouse.lLastX, width, 65535);
        const LONG y = MulDiv(mouse.lLastY, height, 65535);
        dx = win_input.have_absolute ? x - win_input.last_x : 0;
        dy = win_input.have_absolute ? y - win_input.last_y : 0;
        win_input.last_x = x;
        win_input.last_y = y;
        win_input.have_absolute = 1;
    }
    const int32_t x = FramePixels(dx, scale, &win_input.carry_x);
    const int32_t y = FramePixels(dy, scale, &win_input.carry_y);
    if (x != 0 || y != 0) {
        HostInputMouseMotion(x, y);
    }
}

int Win32InputRegisterMouse(HWND window) {
    RAWINPUTDEVICE device{};
    device.usUsagePage = USAGE_PAGE_GENERIC;
    device.usUsage = USAGE_MOUSE;
    device.dwFlags = 0;  // only while the window is in the foreground
    device.hwndTarget = window;
    if (!RegisterRawInputDevices(&device, 1, sizeof device)) {
        return 0;
    }
    win_input = Win32Input{};
    win_input.mouse_window = window;
    return 1;
}

void Win32InputUnregisterMouse() {
    if (win_input.mouse_window == nullptr) {
        return;
    }
    RAWINPUTDEVICE device{};
    device.usUsagePage = USAGE_PAGE_GENERIC;
    device.usUsage = USAGE_MOUSE;
    device.dwFlags = RIDEV_REMOVE;
    device.hwndTarget = nullptr;
    RegisterRawInputDevices(&device, 1, sizeof device);
    Win32InputReleaseKeys();
    win_input = Win32Input{};
}
