// Keys by USB HID usage (the keyboard page), the numbering SDL's scancodes and the browser's
// key codes come down to, to the host's key numbers.

#include <array>
#include <cstdint>
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

}  // namespace

int HostInputUsbUsageToKey(int usage) {
    if (usage < 0 || usage >= HOST_USB_USAGE_COUNT) {
        return 0;
    }
    return USAGE_TABLE[static_cast<size_t>(usage)];
}
