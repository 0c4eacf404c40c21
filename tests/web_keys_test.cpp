// Keys from a web page: KeyboardEvent.code names through their USB usages to the host's key
// numbers, so that the browser's keys land where the desktop's do.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/host_input.h"

namespace {

struct CodeCase {
    const char* code;
    int key;  // the key number it must reach
};

// Every key of a 104/105-key keyboard by its code name, and the keys beyond it that have a
// key number.
const CodeCase STANDARD_KEYS[] = {
    {"Escape", DIK_ESCAPE},
    {"F1", DIK_F1},
    {"F10", DIK_F10},
    {"F11", DIK_F11},
    {"F12", DIK_F12},
    {"F13", DIK_F13},
    {"F15", DIK_F15},
    {"PrintScreen", DIK_SYSRQ},
    {"ScrollLock", DIK_SCROLL},
    {"Pause", DIK_PAUSE},
    {"Backquote", DIK_GRAVE},
    {"Digit1", DIK_1},
    {"Digit9", DIK_9},
    {"Digit0", DIK_0},
    {"Minus", DIK_MINUS},
    {"Equal", DIK_EQUALS},
    {"Backspace", DIK_BACK},
    {"Tab", DIK_TAB},
    {"KeyQ", DIK_Q},
    {"KeyP", DIK_P},
    {"BracketLeft", DIK_LBRACKET},
    {"BracketRight", DIK_RBRACKET},
    {"Backslash", DIK_BACKSLASH},
    {"CapsLock", DIK_CAPITAL},
    {"KeyA", DIK_A},
    {"KeyL", DIK_L},
    {"Semicolon", DIK_SEMICOLON},
    {"Quote", DIK_APOSTROPHE},
    {"Enter", DIK_RETURN},
    {"ShiftLeft", DIK_LSHIFT},
    {"IntlBackslash", DIK_OEM_102},
    {"KeyZ", DIK_Z},
    {"KeyM", DIK_M},
    {"Comma", DIK_COMMA},
    {"Period", DIK_PERIOD},
    {"Slash", DIK_SLASH},
    {"ShiftRight", DIK_RSHIFT},
    {"ControlLeft", DIK_LCONTROL},
    {"MetaLeft", DIK_LWIN},
    {"AltLeft", DIK_LMENU},
    {"Space", DIK_SPACE},
    {"AltRight", DIK_RMENU},
    {"MetaRight", DIK_RWIN},
    {"ContextMenu", DIK_APPS},
    {"ControlRight", DIK_RCONTROL},
    {"Insert", DIK_INSERT},
    {"Home", DIK_HOME},
    {"PageUp", DIK_PRIOR},
    {"Delete", DIK_DELETE},
    {"End", DIK_END},
    {"PageDown", DIK_NEXT},
    {"ArrowUp", DIK_UP},
    {"ArrowLeft", DIK_LEFT},
    {"ArrowDown", DIK_DOWN},
    {"ArrowRight", DIK_RIGHT},
    {"NumLock", DIK_NUMLOCK},
    {"NumpadDivide", DIK_DIVIDE},
    {"NumpadMultiply", DIK_MULTIPLY},
    {"NumpadSubtract", DIK_SUBTRACT},
    {"Numpad7", DIK_NUMPAD7},
    {"Numpad5", DIK_NUMPAD5},
    {"Numpad1", DIK_NUMPAD1},
    {"Numpad0", DIK_NUMPAD0},
    {"NumpadDecimal", DIK_DECIMAL},
    {"NumpadAdd", DIK_ADD},
    {"NumpadEnter", DIK_NUMPADENTER},
    {"NumpadEqual", DIK_NUMPADEQUALS},
    {"NumpadComma", DIK_NUMPADCOMMA},
    {"IntlRo", DIK_ABNT_C1},
    {"IntlYen", DIK_YEN},
    {"KanaMode", DIK_KANA},
    {"Convert", DIK_CONVERT},
    {"NonConvert", DIK_NOCONVERT},
    {"AudioVolumeMute", DIK_MUTE},
    {"AudioVolumeDown", DIK_VOLUMEDOWN},
    {"AudioVolumeUp", DIK_VOLUMEUP},
    {"MediaTrackNext", DIK_NEXTTRACK},
    {"MediaTrackPrevious", DIK_PREVTRACK},
    {"MediaPlayPause", DIK_PLAYPAUSE},
    {"MediaStop", DIK_MEDIASTOP},
    {"MediaSelect", DIK_MEDIASELECT},
    {"LaunchMail", DIK_MAIL},
    {"LaunchApp1", DIK_MYCOMPUTER},
    {"LaunchApp2", DIK_CALCULATOR},
    {"BrowserSearch", DIK_WEBSEARCH},
    {"BrowserHome", DIK_WEBHOME},
    {"BrowserBack", DIK_WEBBACK},
    {"BrowserForward", DIK_WEBFORWARD},
    {"BrowserStop", DIK_WEBSTOP},
    {"BrowserRefresh", DIK_WEBREFRESH},
    {"BrowserFavorites", DIK_WEBFAVORITES},
    {"Power", DIK_POWER},
    {"Sleep", DIK_SLEEP},
    // Older browsers' names for the same keys.
    {"OSLeft", DIK_LWIN},
    {"OSRight", DIK_RWIN},
    {"VolumeMute", DIK_MUTE},
    {"VolumeDown", DIK_VOLUMEDOWN},
    {"VolumeUp", DIK_VOLUMEUP},
};

TEST(WebKeys, EveryKeyOfTheKeyboardReachesItsKeyNumber) {
    for (const CodeCase& c : STANDARD_KEYS) {
        const int usage = HostInputBrowserCodeToUsage(c.code);
        EXPECT_EQ(HostInputUsbUsageToKey(usage), c.key)
            << c.code << ": usage " << usage << ", expected key " << c.key;
    }
}

TEST(WebKeys, TheLettersAndDigitsFollowTheirUsagesInOrder) {
    // KeyA..KeyZ are usages 4..29, Digit1..Digit9 then Digit0 are 30..39.
    for (char letter = 'A'; letter <= 'Z'; letter++) {
        const std::string code = std::string("Key") + letter;
        EXPECT_EQ(HostInputBrowserCodeToUsage(code.c_str()), 4 + (letter - 'A')) << code;
    }
    for (int digit = 1; digit <= 10; digit++) {
        const std::string code = "Digit" + std::to_string(digit % 10);
        EXPECT_EQ(HostInputBrowserCodeToUsage(code.c_str()), 29 + digit) << code;
    }
}

TEST(WebKeys, TwoKeysShareANumberOnlyWhenTheyAreOneKeyUnderTwoNames) {
    const std::set<std::set<std::string>> twins = {
        {"MetaLeft", "OSLeft"},
        {"MetaRight", "OSRight"},
        {"AudioVolumeMute", "VolumeMute"},
        {"AudioVolumeDown", "VolumeDown"},
        {"AudioVolumeUp", "VolumeUp"},
    };
    std::set<std::set<std::string>> shared;
    for (const CodeCase& a : STANDARD_KEYS) {
        for (const CodeCase& b : STANDARD_KEYS) {
            if (std::string(a.code) < b.code &&
                HostInputBrowserCodeToUsage(a.code) == HostInputBrowserCodeToUsage(b.code)) {
                shared.insert({a.code, b.code});
            }
        }
    }
    EXPECT_EQ(shared, twins);
}

TEST(WebKeys, UnknownCodesAndNamesInOtherCasesHaveNoKey) {
    const char* const unknown[] = {"",    "keya",         "KEYA", "Key A",  "KeyAA", "Digit",
                                   "F25", "Unidentified", "Fn",   "Enter ", " Enter"};
    for (const char* code : unknown) {
        EXPECT_EQ(HostInputBrowserCodeToUsage(code), 0) << "'" << code << "'";
    }
    EXPECT_EQ(HostInputBrowserCodeToUsage(nullptr), 0);
}

}  // namespace
