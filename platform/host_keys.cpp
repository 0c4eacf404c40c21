// Keys by USB HID usage (the keyboard page), the numbering SDL's scancodes and the browser's
// key codes come down to, to the host's key numbers.

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/host_input.h"

namespace {

// Every key of a standard keyboard (and the common media and language keys) at its key
// number; the two orders differ throughout.
constexpr std::pair<int, uint8_t> USAGE_KEYS[] = {
    {41, DIK_ESCAPE},         // escape
    {30, DIK_1},              // 1
    {31, DIK_2},              // 2
    {32, DIK_3},              // 3
    {33, DIK_4},              // 4
    {34, DIK_5},              // 5
    {35, DIK_6},              // 6
    {36, DIK_7},              // 7
    {37, DIK_8},              // 8
    {38, DIK_9},              // 9
    {39, DIK_0},              // 0
    {45, DIK_MINUS},          // minus
    {46, DIK_EQUALS},         // equals
    {42, DIK_BACK},           // backspace
    {43, DIK_TAB},            // tab
    {20, DIK_Q},              // q
    {26, DIK_W},              // w
    {8, DIK_E},               // e
    {21, DIK_R},              // r
    {23, DIK_T},              // t
    {28, DIK_Y},              // y
    {24, DIK_U},              // u
    {12, DIK_I},              // i
    {18, DIK_O},              // o
    {19, DIK_P},              // p
    {47, DIK_LBRACKET},       // leftbracket
    {48, DIK_RBRACKET},       // rightbracket
    {40, DIK_RETURN},         // return
    {224, DIK_LCONTROL},      // lctrl
    {4, DIK_A},               // a
    {22, DIK_S},              // s
    {7, DIK_D},               // d
    {9, DIK_F},               // f
    {10, DIK_G},              // g
    {11, DIK_H},              // h
    {13, DIK_J},              // j
    {14, DIK_K},              // k
    {15, DIK_L},              // l
    {51, DIK_SEMICOLON},      // semicolon
    {52, DIK_APOSTROPHE},     // apostrophe
    {53, DIK_GRAVE},          // grave
    {225, DIK_LSHIFT},        // lshift
    {49, DIK_BACKSLASH},      // backslash
    {50, DIK_BACKSLASH},      // nonushash
    {29, DIK_Z},              // z
    {27, DIK_X},              // x
    {6, DIK_C},               // c
    {25, DIK_V},              // v
    {5, DIK_B},               // b
    {17, DIK_N},              // n
    {16, DIK_M},              // m
    {54, DIK_COMMA},          // comma
    {55, DIK_PERIOD},         // period
    {56, DIK_SLASH},          // slash
    {229, DIK_RSHIFT},        // rshift
    {85, DIK_MULTIPLY},       // kp_multiply
    {226, DIK_LMENU},         // lalt
    {44, DIK_SPACE},          // space
    {57, DIK_CAPITAL},        // capslock
    {58, DIK_F1},             // f1
    {59, DIK_F2},             // f2
    {60, DIK_F3},             // f3
    {61, DIK_F4},             // f4
    {62, DIK_F5},             // f5
    {63, DIK_F6},             // f6
    {64, DIK_F7},             // f7
    {65, DIK_F8},             // f8
    {66, DIK_F9},             // f9
    {67, DIK_F10},            // f10
    {83, DIK_NUMLOCK},        // numlockclear
    {71, DIK_SCROLL},         // scrolllock
    {95, DIK_NUMPAD7},        // kp_7
    {96, DIK_NUMPAD8},        // kp_8
    {97, DIK_NUMPAD9},        // kp_9
    {86, DIK_SUBTRACT},       // kp_minus
    {92, DIK_NUMPAD4},        // kp_4
    {93, DIK_NUMPAD5},        // kp_5
    {94, DIK_NUMPAD6},        // kp_6
    {87, DIK_ADD},            // kp_plus
    {89, DIK_NUMPAD1},        // kp_1
    {90, DIK_NUMPAD2},        // kp_2
    {91, DIK_NUMPAD3},        // kp_3
    {98, DIK_NUMPAD0},        // kp_0
    {99, DIK_DECIMAL},        // kp_period
    {100, DIK_OEM_102},       // nonusbackslash
    {68, DIK_F11},            // f11
    {69, DIK_F12},            // f12
    {104, DIK_F13},           // f13
    {105, DIK_F14},           // f14
    {106, DIK_F15},           // f15
    {136, DIK_KANA},          // international2
    {135, DIK_ABNT_C1},       // international1
    {138, DIK_CONVERT},       // international4
    {139, DIK_NOCONVERT},     // international5
    {137, DIK_YEN},           // international3
    {103, DIK_NUMPADEQUALS},  // kp_equals
    {259, DIK_PREVTRACK},     // audioprev
    {258, DIK_NEXTTRACK},     // audionext
    {88, DIK_NUMPADENTER},    // kp_enter
    {228, DIK_RCONTROL},      // rctrl
    {127, DIK_MUTE},          // mute
    {262, DIK_MUTE},          // audiomute
    {266, DIK_CALCULATOR},    // calculator
    {261, DIK_PLAYPAUSE},     // audioplay
    {260, DIK_MEDIASTOP},     // audiostop
    {129, DIK_VOLUMEDOWN},    // volumedown
    {128, DIK_VOLUMEUP},      // volumeup
    {269, DIK_WEBHOME},       // ac_home
    {264, DIK_WEBHOME},       // www
    {133, DIK_NUMPADCOMMA},   // kp_comma
    {84, DIK_DIVIDE},         // kp_divide
    {70, DIK_SYSRQ},          // printscreen
    {154, DIK_SYSRQ},         // sysreq
    {230, DIK_RMENU},         // ralt
    {72, DIK_PAUSE},          // pause
    {74, DIK_HOME},           // home
    {82, DIK_UP},             // up
    {75, DIK_PRIOR},          // pageup
    {80, DIK_LEFT},           // left
    {79, DIK_RIGHT},          // right
    {77, DIK_END},            // end
    {81, DIK_DOWN},           // down
    {78, DIK_NEXT},           // pagedown
    {73, DIK_INSERT},         // insert
    {76, DIK_DELETE},         // delete
    {227, DIK_LWIN},          // lgui
    {231, DIK_RWIN},          // rgui
    {101, DIK_APPS},          // application
    {102, DIK_POWER},         // power
    {282, DIK_SLEEP},         // sleep
    {268, DIK_WEBSEARCH},     // ac_search
    {274, DIK_WEBFAVORITES},  // ac_bookmarks
    {273, DIK_WEBREFRESH},    // ac_refresh
    {272, DIK_WEBSTOP},       // ac_stop
    {271, DIK_WEBFORWARD},    // ac_forward
    {270, DIK_WEBBACK},       // ac_back
    {267, DIK_MYCOMPUTER},    // computer
    {265, DIK_MAIL},          // mail
    {263, DIK_MEDIASELECT},   // mediaselect
};

constexpr std::array<uint8_t, HOST_USB_USAGE_COUNT> MakeUsageTable() {
    std::array<uint8_t, HOST_USB_USAGE_COUNT> table{};
    for (const auto& [usage, key] : USAGE_KEYS) {
        table[static_cast<size_t>(usage)] = key;
    }
    return table;
}

constexpr std::array<uint8_t, HOST_USB_USAGE_COUNT> USAGE_TABLE = MakeUsageTable();

// The browser's key codes name the key's place on a US keyboard, whatever the layout; the
// media keys take SDL's numbers past the keyboard page, as the table above does. "OSLeft",
// "OSRight" and "Volume*" are older browsers' names.
struct BrowserCode {
    const char* code;
    int usage;
};

constexpr BrowserCode BROWSER_CODES[] = {
    {"KeyA", 4},
    {"KeyB", 5},
    {"KeyC", 6},
    {"KeyD", 7},
    {"KeyE", 8},
    {"KeyF", 9},
    {"KeyG", 10},
    {"KeyH", 11},
    {"KeyI", 12},
    {"KeyJ", 13},
    {"KeyK", 14},
    {"KeyL", 15},
    {"KeyM", 16},
    {"KeyN", 17},
    {"KeyO", 18},
    {"KeyP", 19},
    {"KeyQ", 20},
    {"KeyR", 21},
    {"KeyS", 22},
    {"KeyT", 23},
    {"KeyU", 24},
    {"KeyV", 25},
    {"KeyW", 26},
    {"KeyX", 27},
    {"KeyY", 28},
    {"KeyZ", 29},
    {"Digit1", 30},
    {"Digit2", 31},
    {"Digit3", 32},
    {"Digit4", 33},
    {"Digit5", 34},
    {"Digit6", 35},
    {"Digit7", 36},
    {"Digit8", 37},
    {"Digit9", 38},
    {"Digit0", 39},
    {"Enter", 40},
    {"Escape", 41},
    {"Backspace", 42},
    {"Tab", 43},
    {"Space", 44},
    {"Minus", 45},
    {"Equal", 46},
    {"BracketLeft", 47},
    {"BracketRight", 48},
    {"Backslash", 49},
    {"Semicolon", 51},
    {"Quote", 52},
    {"Backquote", 53},
    {"Comma", 54},
    {"Period", 55},
    {"Slash", 56},
    {"CapsLock", 57},
    {"F1", 58},
    {"F2", 59},
    {"F3", 60},
    {"F4", 61},
    {"F5", 62},
    {"F6", 63},
    {"F7", 64},
    {"F8", 65},
    {"F9", 66},
    {"F10", 67},
    {"F11", 68},
    {"F12", 69},
    {"PrintScreen", 70},
    {"ScrollLock", 71},
    {"Pause", 72},
    {"Insert", 73},
    {"Home", 74},
    {"PageUp", 75},
    {"Delete", 76},
    {"End", 77},
    {"PageDown", 78},
    {"ArrowRight", 79},
    {"ArrowLeft", 80},
    {"ArrowDown", 81},
    {"ArrowUp", 82},
    {"NumLock", 83},
    {"NumpadDivide", 84},
    {"NumpadMultiply", 85},
    {"NumpadSubtract", 86},
    {"NumpadAdd", 87},
    {"NumpadEnter", 88},
    {"Numpad1", 89},
    {"Numpad2", 90},
    {"Numpad3", 91},
    {"Numpad4", 92},
    {"Numpad5", 93},
    {"Numpad6", 94},
    {"Numpad7", 95},
    {"Numpad8", 96},
    {"Numpad9", 97},
    {"Numpad0", 98},
    {"NumpadDecimal", 99},
    {"IntlBackslash", 100},
    {"ContextMenu", 101},
    {"Power", 102},
    {"NumpadEqual", 103},
    {"F13", 104},
    {"F14", 105},
    {"F15", 106},
    {"F16", 107},
    {"F17", 108},
    {"F18", 109},
    {"F19", 110},
    {"F20", 111},
    {"F21", 112},
    {"F22", 113},
    {"F23", 114},
    {"F24", 115},
    {"Help", 117},
    {"AudioVolumeMute", 127},
    {"VolumeMute", 127},
    {"AudioVolumeUp", 128},
    {"VolumeUp", 128},
    {"AudioVolumeDown", 129},
    {"VolumeDown", 129},
    {"NumpadComma", 133},
    {"IntlRo", 135},
    {"KanaMode", 136},
    {"IntlYen", 137},
    {"Convert", 138},
    {"NonConvert", 139},
    {"Lang1", 144},
    {"Lang2", 145},
    {"ControlLeft", 224},
    {"ShiftLeft", 225},
    {"AltLeft", 226},
    {"MetaLeft", 227},
    {"OSLeft", 227},
    {"ControlRight", 228},
    {"ShiftRight", 229},
    {"AltRight", 230},
    {"MetaRight", 231},
    {"OSRight", 231},
    {"MediaTrackNext", 258},
    {"MediaTrackPrevious", 259},
    {"MediaStop", 260},
    {"MediaPlayPause", 261},
    {"MediaSelect", 263},
    {"LaunchMail", 265},
    {"LaunchApp2", 266},
    {"LaunchApp1", 267},
    {"BrowserSearch", 268},
    {"BrowserHome", 269},
    {"BrowserBack", 270},
    {"BrowserForward", 271},
    {"BrowserStop", 272},
    {"BrowserRefresh", 273},
    {"BrowserFavorites", 274},
    {"Sleep", 282},
};

}  // namespace

int HostInputUsbUsageToKey(int usage) {
    if (usage < 0 || usage >= HOST_USB_USAGE_COUNT) {
        return 0;
    }
    return USAGE_TABLE[static_cast<size_t>(usage)];
}

int HostInputBrowserCodeToUsage(const char* code) {
    if (code == nullptr) {
        return 0;
    }
    for (const BrowserCode& entry : BROWSER_CODES) {
        if (std::strcmp(entry.code, code) == 0) {
            return entry.usage;
        }
    }
    return 0;
}
