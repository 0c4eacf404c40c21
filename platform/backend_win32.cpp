// The Windows backend: a window of Windows' own showing the 8-bit frame through GDI as an
// 8-bit DIB with the palette as its colour table, stretched by a whole number with
// nearest-neighbour pixels and letterboxed; full screen is a borderless window over the
// whole monitor. Window messages become host messages and input.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32_internal.h"

namespace {

constexpr int WIN32_WINDOW_SCALE = 2;            // --window: twice the frame each way
constexpr uint32_t WIN32_REFRESH_MS = 16;        // busy waits pump and refresh this often
constexpr uint32_t WIN32_BOUNDS_CHECK_MS = 250;  // full screen checks it still covers the monitor
constexpr int32_t WIN32_DEFAULT_WIDTH = 640;     // the frame size until a mode is set
constexpr int32_t WIN32_DEFAULT_HEIGHT = 480;
constexpr const char* WIN32_CLASS_NAME = "QentWindow";
constexpr WORD WIN32_ICON_ID = 1;  // the icon resource, when the program has one
constexpr LPARAM KEY_ALT_DOWN = 1 << 29;
constexpr LPARAM KEY_REPEAT = 1 << 30;

struct Win32Dib {  // BITMAPINFO with a whole colour table
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

struct Win32State {
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    int class_registered = 0;
    int timer_period = 0;  // timeBeginPeriod(1) is in force
    int32_t frame_width = WIN32_DEFAULT_WIDTH;
    int32_t frame_height = WIN32_DEFAULT_HEIGHT;
    int scale = 1;           // screen pixels per frame pixel, as last presented
    int windowed = 0;        // 1: a normal window; 0: borderless over the monitor
    int shown = 0;           // the program has made its window
    int cursor_hidden = 0;   // the program hid the cursor, so the mouse is held relative
    int mouse_held = 0;      // the cursor is hidden and kept inside the window
    int mouse_released = 0;  // the focus was lost: the mouse is free until it comes back
    int refreshing = 0;      // a refresh from the clock is under way
    uint32_t last_pump = 0;
    uint32_t last_present = 0;
    uint32_t last_bounds_check = 0;
    Win32Dib dib{};
    std::vector<uint8_t> rows;  // the frame with rows padded to 4 bytes, when its pitch is not
};

Win32State win;

// A program without a console of its own writes to the one it was started from, if there
// is one, so that --help, --version and failures read there as they do on Linux.
struct Win32Console {
    Win32Console() {
        const bool out = GetStdHandle(STD_OUTPUT_HANDLE) != nullptr &&
                         GetStdHandle(STD_OUTPUT_HANDLE) != INVALID_HANDLE_VALUE;
        const bool err = GetStdHandle(STD_ERROR_HANDLE) != nullptr &&
                         GetStdHandle(STD_ERROR_HANDLE) != INVALID_HANDLE_VALUE;
        if ((out && err) || !AttachConsole(ATTACH_PARENT_PROCESS)) {
            return;
        }
        if (!out) {
            std::freopen("CONOUT$", "w", stdout);
        }
        if (!err) {
            std::freopen("CONOUT$", "w", stderr);
        }
    }
};

Win32Console win_console;

// The hidden cursor waits in the middle of the window, so that clicks stay inside it and
// motion never stops at a screen edge (Wine derives raw motion from the cursor's moves).
void Win32CentreCursor() {
    RECT client;
    GetClientRect(win.window, &client);
    POINT centre{(client.left + client.right) / 2, (client.top + client.bottom) / 2};
    ClientToScreen(win.window, &centre);
    POINT cursor;
    if (!GetCursorPos(&cursor) || cursor.x != centre.x || cursor.y != centre.y) {
        SetCursorPos(centre.x, centre.y);
    }
}

void Win32ClipToClient() {
    RECT client;
    GetClientRect(win.window, &client);
    MapWindowPoints(win.window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    ClipCursor(&client);
    Win32CentreCursor();
}

void Win32HoldMouse(int hold) {
    win.mouse_held = hold;
    if (hold) {
        Win32ClipToClient();
        SetCursor(nullptr);
    } else {
        ClipCursor(nullptr);
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    }
}

RECT Win32MonitorRect(bool work_area) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromWindow(win.window, MONITOR_DEFAULTTOPRIMARY);
    if (monitor == nullptr || !GetMonitorInfoA(monitor, &info)) {
        return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return work_area ? info.rcWork : info.rcMonitor;
}

// Sizes the window for the current mode: a framed window holding the frame at twice its
// size, centred on the work area, or a borderless one over the whole monitor.
void Win32ApplyWindowMode() {
    if (win.window == nullptr) {
        return;
    }
    DWORD style = win.windowed ? WS_OVERLAPPEDWINDOW : WS_POPUP;
    RECT bounds;
    if (win.windowed) {
        RECT area = Win32MonitorRect(true);
        bounds =
            RECT{0, 0, win.frame_width * WIN32_WINDOW_SCALE, win.frame_height * WIN32_WINDOW_SCALE};
        AdjustWindowRectEx(&bounds, style, FALSE, 0);
        const LONG width = bounds.right - bounds.left;
        const LONG height = bounds.bottom - bounds.top;
        bounds.left = area.left + ((area.right - area.left) - width) / 2;
        bounds.top = area.top + ((area.bottom - area.top) - height) / 2;
        if (bounds.top < area.top) {
            bounds.top = area.top;  // the title bar stays reachable
        }
        bounds.right = bounds.left + width;
        bounds.bottom = bounds.top + height;
    } else {
        bounds = Win32MonitorRect(false);
    }
    if (win.shown) {
        style |= WS_VISIBLE;
    }
    SetWindowLongPtrA(win.window, GWL_STYLE, static_cast<LONG_PTR>(style));
    SetWindowPos(win.window, HWND_TOP, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, SWP_FRAMECHANGED | SWP_NOACTIVATE);
    if (win.mouse_held) {
        Win32ClipToClient();
    }
}

void Win32ToggleFullScreen() {
    win.windowed = !win.windowed;
    Win32ApplyWindowMode();
    HostVideoPresentNow();
}

void Win32FocusChanged(int active) {
    if (!active) {
        // Keys released elsewhere never reach this window: they are let go here.
        Win32InputReleaseKeys();
        if (win.mouse_held) {
            win.mouse_released = 1;
            Win32HoldMouse(0);
        }
        return;
    }
    // Full screen takes the mouse back at once; a window waits for a click into it.
    if (win.cursor_hidden && win.mouse_released && !win.windowed) {
        win.mouse_released = 0;
        Win32HoldMouse(1);
    }
}

void Win32MouseButton(int button, int down) {
    if (down && win.cursor_hidden && win.mouse_released) {
        // The click that takes the mouse back is not a shot.
        win.mouse_released = 0;
        Win32HoldMouse(1);
        return;
    }
    HostInputMouseButton(button, down);
}

LRESULT CALLBACK Win32WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CLOSE:
            // The close box or Alt+F4 is a close request the game handles.
            if (HostMainWindow() != nullptr) {
                HostPostMessage(HostMainWindow(), WM_CLOSE, 0, 0);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            HostRequestPaint(HostMainWindow());
            HostVideoPresentNow();
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // every present paints the whole client area, bars included
        case WM_SIZE:
            HostVideoPresentNow();
            if (win.mouse_held) {
                Win32ClipToClient();
            }
            return 0;
        case WM_DISPLAYCHANGE:
            Win32ApplyWindowMode();
            return 0;
        case WM_ACTIVATE:
            Win32FocusChanged(LOWORD(wparam) != WA_INACTIVE);
            return 0;
        case WM_SETCURSOR:
            if (win.mouse_held && LOWORD(lparam) == HTCLIENT) {
                SetCursor(nullptr);
                return TRUE;
            }
            break;
        case WM_SYSCOMMAND:
            // No menu from Alt or F10, and no screen saver while the game runs.
            if ((wparam & 0xFFF0) == SC_KEYMENU || (wparam & 0xFFF0) == SC_SCREENSAVE ||
                (wparam & 0xFFF0) == SC_MONITORPOWER) {
                return 0;
            }
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            const int down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
            if (wparam == VK_RETURN && (lparam & KEY_ALT_DOWN)) {
                if (down && !(lparam & KEY_REPEAT)) {
                    Win32ToggleFullScreen();
                }
                return 0;  // Alt+Enter belongs to the window, not to the game's Enter
            }
            // Auto-repeat changes nothing in a state array.
            if (!(down && (lparam & KEY_REPEAT))) {
                Win32InputKey(wparam, lparam, down);
            }
            if (message == WM_SYSKEYDOWN && wparam == VK_F4) {
                break;  // Alt+F4 closes, through WM_CLOSE
            }
            return 0;
        }
        case WM_INPUT:
            if (win.mouse_held) {
                Win32InputRawMouse(reinterpret_cast<HRAWINPUT>(lparam), win.scale);
                Win32CentreCursor();
            }
            break;  // DefWindowProc frees the input
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            Win32MouseButton(0, message == WM_LBUTTONDOWN);
            return 0;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            Win32MouseButton(1, message == WM_RBUTTONDOWN);
            return 0;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            Win32MouseButton(2, message == WM_MBUTTONDOWN);
            return 0;
        case WM_XBUTTONDOWN:
        case WM_XBUTTONUP:
            if (GET_XBUTTON_WPARAM(wparam) == XBUTTON1) {
                Win32MouseButton(3, message == WM_XBUTTONDOWN);
            }
            return TRUE;
        case WM_MOUSEWHEEL:
            // WHEEL_DELTA per notch, away from the user positive: the host's own units.
            HostInputMouseWheel(GET_WHEEL_DELTA_WPARAM(wparam));
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// Full screen keeps covering the monitor when the screen changes under it (a new mode, a
// monitor plugged in, or the display still settling when the window was placed).
void Win32KeepFullScreen(uint32_t now) {
    if (win.windowed || !win.shown || IsIconic(win.window) ||
        now - win.last_bounds_check < WIN32_BOUNDS_CHECK_MS) {
        return;
    }
    win.last_bounds_check = now;
    RECT bounds;
    const RECT monitor = Win32MonitorRect(false);
    if (GetWindowRect(win.window, &bounds) && !EqualRect(&bounds, &monitor)) {
        Win32ApplyWindowMode();
        HostVideoPresentNow();
    }
}

void Win32Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
    win.last_pump = timeGetTime();
    Win32KeepFullScreen(win.last_pump);
}

// Keeps the window alive while the program busy-waits or sleeps: messages are pumped, and
// while the screen's own pixels are locked (an effect painted straight onto it) they are
// presented again.
void Win32Refresh(uint32_t now) {
    if (win.refreshing || now - win.last_pump < WIN32_REFRESH_MS) {
        return;
    }
    win.refreshing = 1;
    Win32Pump();
    if (HostVideoScreenLocked() && now - win.last_present >= WIN32_REFRESH_MS) {
        HostVideoPresentNow();
        win.last_present = now;
    }
    win.refreshing = 0;
}

void Win32Close();

int Win32Open(const HostOptions* options, std::string* error) {
    win = Win32State{};
    win.windowed = options->windowed ? 1 : 0;
    win.instance = GetModuleHandleA(nullptr);

    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = Win32WindowProc;
    window_class.hInstance = win.instance;
    window_class.hIcon = LoadIconA(win.instance, MAKEINTRESOURCEA(WIN32_ICON_ID));
    if (window_class.hIcon == nullptr) {
        window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    }
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = WIN32_CLASS_NAME;
    if (!RegisterClassExA(&window_class)) {
        *error = "the window could not be opened (RegisterClassEx: error " +
                 std::to_string(GetLastError()) + ")";
        return 0;
    }
    win.class_registered = 1;

    // Hidden until the program makes its window; sized for the real mode when it is shown.
    win.window = CreateWindowExA(
        0, WIN32_CLASS_NAME, "Qent", WS_POPUP, 0, 0, win.frame_width * WIN32_WINDOW_SCALE,
        win.frame_height * WIN32_WINDOW_SCALE, nullptr, nullptr, win.instance, nullptr);
    if (win.window == nullptr) {
        *error = "no display could be opened (CreateWindowEx: error " +
                 std::to_string(GetLastError()) + ")";
        Win32Close();
        return 0;
    }
    win.timer_period = timeBeginPeriod(1) == TIMERR_NOERROR;  // a 1 ms clock, not 15.6 ms
    Win32InputRegisterMouse(win.window);

    win.dib.header.biSize = sizeof win.dib.header;
    win.dib.header.biPlanes = 1;
    win.dib.header.biBitCount = 8;
    win.dib.header.biCompression = BI_RGB;
    win.dib.header.biClrUsed = 256;
    return 1;
}

void Win32Close() {
    if (win.mouse_held) {
        ClipCursor(nullptr);
    }
    Win32InputUnregisterMouse();
    if (win.window != nullptr) {
        DestroyWindow(win.window);
    }
    if (win.class_registered) {
        UnregisterClassA(WIN32_CLASS_NAME, win.instance);
    }
    if (win.timer_period) {
        timeEndPeriod(1);
    }
    win = Win32State{};
}

void Win32WindowCreated(HostWindow*, const char* title) {
    if (win.window == nullptr) {
        return;
    }
    SetWindowTextA(win.window, title != nullptr ? title : "");
    win.shown = 1;
    Win32ApplyWindowMode();
    ShowWindow(win.window, SW_SHOW);
    SetForegroundWindow(win.window);
    UpdateWindow(win.window);
}

void Win32ModeSet(int32_t width, int32_t height) {
    win.frame_width = width;
    win.frame_height = height;
    if (win.windowed) {
        Win32ApplyWindowMode();
    }
}

void Win32Present(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height,
                  const PaletteEntry* palette) {
    if (win.window == nullptr || pixels == nullptr || width <= 0 || height <= 0) {
        return;
    }
    for (int i = 0; i < 256; ++i) {
        win.dib.colours[i] = RGBQUAD{palette[i].blue, palette[i].green, palette[i].red, 0};
    }
    // A DIB's rows are whole 4-byte words: a frame with another pitch is copied first.
    const uint8_t* rows = pixels;
    int32_t row_bytes = pitch;
    if (pitch < width || pitch % 4 != 0) {
        row_bytes = (width + 3) & ~3;
        win.rows.resize(static_cast<size_t>(row_bytes) * static_cast<size_t>(height));
        for (int32_t y = 0; y < height; ++y) {
            std::copy(pixels + static_cast<ptrdiff_t>(y) * pitch,
                      pixels + static_cast<ptrdiff_t>(y) * pitch + width,
                      win.rows.data() + static_cast<size_t>(y) * row_bytes);
        }
        rows = win.rows.data();
    }
    win.dib.header.biWidth = row_bytes;
    win.dib.header.biHeight = -height;  // top-down, as the frame is stored

    RECT client;
    GetClientRect(win.window, &client);
    const int client_width = client.right - client.left;
    const int client_height = client.bottom - client.top;
    int scale = client_width / width < client_height / height ? client_width / width
                                                              : client_height / height;
    int shown_width = width * scale;
    int shown_height = height * scale;
    if (scale < 1) {
        // Smaller than the frame: fit it, keeping its shape.
        scale = 1;
        shown_width = client_width;
        shown_height = MulDiv(client_width, height, width);
        if (shown_height > client_height) {
            shown_height = client_height;
            shown_width = MulDiv(client_height, width, height);
        }
    }
    win.scale = scale;
    const int left = (client_width - shown_width) / 2;
    const int top = (client_height - shown_height) / 2;

    HDC dc = GetDC(win.window);
    if (dc == nullptr) {
        return;
    }
    SetStretchBltMode(dc, COLORONCOLOR);  // nearest neighbour
    StretchDIBits(dc, left, top, shown_width, shown_height, 0, 0, width, height, rows,
                  reinterpret_cast<const BITMAPINFO*>(&win.dib), DIB_RGB_COLORS, SRCCOPY);
    // The letterbox bars.
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const RECT bars[] = {
        {0, 0, client_width, top},
        {0, top + shown_height, client_width, client_height},
        {0, top, left, top + shown_height},
        {left + shown_width, top, client_width, top + shown_height},
    };
    for (const RECT& bar : bars) {
        if (bar.right > bar.left && bar.bottom > bar.top) {
            FillRect(dc, &bar, black);
        }
    }
    ReleaseDC(win.window, dc);
    win.last_present = timeGetTime();
}

uint32_t Win32Ticks() {
    const uint32_t now = timeGetTime();
    Win32Refresh(now);
    return now;
}

void Win32Sleep(uint32_t ms) {
    // Slept in short pieces so the window keeps answering during long pauses.
    const uint32_t start = timeGetTime();
    for (;;) {
        const uint32_t slept = timeGetTime() - start;
        if (slept >= ms) {
            break;
        }
        const uint32_t left = ms - slept;
        Sleep(left < WIN32_REFRESH_MS ? left : WIN32_REFRESH_MS);
        Win32Refresh(timeGetTime());
    }
}

void Win32ShowCursor(int visible) {
    win.cursor_hidden = visible ? 0 : 1;
    if (visible) {
        win.mouse_released = 0;
        Win32HoldMouse(0);
        return;
    }
    // A window without the focus waits for it (or a click) before it takes the mouse.
    if (win.window == nullptr || GetForegroundWindow() != win.window) {
        win.mouse_released = 1;
        return;
    }
    Win32HoldMouse(1);
}

void Win32Report(const char* line) {
    MessageBoxA(nullptr, line, "Qent", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace

const HostBackendOps host_backend_win32 = {
    "win32",        Win32Open,      Win32Close,      Win32WindowCreated, Win32ModeSet,
    Win32Present,   Win32Pump,      Win32Ticks,      Win32Sleep,         Win32ShowCursor,
    Win32AudioOpen, Win32AudioRate, Win32AudioClose, Win32Report,
};

const HostBackendOps* HostDeviceBackend() {
    return &host_backend_win32;
}
