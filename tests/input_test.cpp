// Input devices on the headless host: what each read of the keyboard, the mouse and the
// joystick fills in, the key-number table of the SDL backend, and the device rules behind.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "lib/app.h"
#include "lib/input.h"
#include "platform/headless.h"
#include "platform/host_input.h"

namespace {

intptr_t QuietProc(HostWindow* window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    return HostDefWindowProc(window, message, wparam, lparam);
}

int instance_token = 0;  // stands in for the module instance

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        HostInputReset();
        ASSERT_EQ(HostInputLiveObjects(), 0) << "an earlier test leaked input objects";
        ASSERT_EQ(HostRegisterClass("INPUTTEST", QuietProc), 1);
        app_window = HostCreateWindow("INPUTTEST", "input", 0, 0, 640, 480);
        ASSERT_NE(app_window, nullptr);
        app_instance = &instance_token;
        joystick_ready = 0;
        joystick_guid = HostGuid{};
        std::memset(joystick_name, 0, sizeof(joystick_name));
    }
    void TearDown() override {
        JoystickRelease();
        MouseRelease();
        KeyboardRelease();
        InputShutdown();
        HostInputReset();
        EXPECT_EQ(HostInputLiveObjects(), 0) << "input objects leaked";
        app_window = nullptr;
        app_instance = nullptr;
    }
    void OpenKeyboardAndMouse() {
        ASSERT_EQ(InputInit(), 1);
        ASSERT_EQ(KeyboardInit(), 1);
        ASSERT_EQ(MouseInit(), 1);
    }
};

// The key numbers that read down, for messages that show the whole picture.
std::vector<int> DownKeys() {
    std::vector<int> down;
    for (int key = 0; key < 256; ++key) {
        if (key_states[key] != 0) {
            down.push_back(key);
        }
    }
    return down;
}

bool AllZero(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Set-up

TEST_F(InputTest, ARefusedHostFailsTheRootAndEveryDevice) {
    HostRefuse(HOST_REFUSE_INPUT);
    EXPECT_EQ(InputInit(), 0);
    EXPECT_EQ(direct_input, nullptr);
    HostRefuse(0);
    ASSERT_EQ(InputInit(), 1);
    HostRefuse(HOST_REFUSE_INPUT);
    EXPECT_EQ(KeyboardInit(), 0);
    EXPECT_EQ(MouseInit(), 0);
    EXPECT_EQ(keyboard_device, nullptr);
    EXPECT_EQ(mouse_device, nullptr);
    HostRefuse(0);
    InputShutdown();
    EXPECT_EQ(std::vector<int>({KeyboardInit(), MouseInit(), JoystickInit(0, 100, 0, 100)}),
              std::vector<int>({0, 0, 0}))
        << "without the root, devices fail instead of crashing";
    EXPECT_EQ(joystick_ready, 0);
}

TEST_F(InputTest, ADeviceWithoutAWindowStaysUnacquiredAndItsReadsFail) {
    ASSERT_EQ(InputInit(), 1);
    app_window = nullptr;
    EXPECT_EQ(KeyboardInit(), 0);
    EXPECT_NE(keyboard_device, nullptr) << "what was created stays created";
    std::memset(key_states, 0x5A, sizeof(key_states));
    HostInputKey(DIK_SPACE, 1);
    EXPECT_EQ(KeyboardRead(), 0);
    EXPECT_EQ(key_states[0], 0x5A) << "a failed read leaves the buffer alone";
    EXPECT_EQ(key_states[DIK_SPACE], 0x5A);
}

TEST_F(InputTest, ASecondSetUpReplacesTheFirstDevice) {
    OpenKeyboardAndMouse();
    const int live = HostInputLiveObjects();
    ASSERT_EQ(KeyboardInit(), 1);
    ASSERT_EQ(MouseInit(), 1);
    ASSERT_EQ(InputInit(), 1);
    EXPECT_EQ(HostInputLiveObjects(), live);
}

// ---------------------------------------------------------------------------
// Without devices

TEST_F(InputTest, WithoutAMouseEveryReadIsAllZeroAndFails) {
    ASSERT_EQ(InputInit(), 1);
    ASSERT_EQ(KeyboardInit(), 1);
    for (int frame = 0; frame < 3; ++frame) {
        std::memset(&mouse_reading, 0x77, sizeof(mouse_reading));
        HostInputMouseMotion(15, -9);
        HostInputMouseWheel(HOST_WHEEL_NOTCH);
        HostInputMouseButton(0, 1);
        EXPECT_EQ(MouseRead(), 0);
        EXPECT_TRUE(AllZero(&mouse_reading, sizeof(mouse_reading)))
            << "frame " << frame << ": lX " << mouse_reading.lX << " lY " << mouse_reading.lY
            << " button 0 " << int{mouse_reading.rgbButtons[0]};
    }
}

TEST_F(InputTest, WithoutAKeyboardNoKeyIsDown) {
    std::memset(key_states, 0x77, sizeof(key_states));
    HostInputKey(DIK_ESCAPE, 1);
    EXPECT_EQ(KeyboardRead(), 0);
    EXPECT_TRUE(AllZero(key_states, sizeof(key_states)));
}

// ---------------------------------------------------------------------------
// Keyboard

TEST_F(InputTest, APressShowsInTheNextReadAndAReleaseInTheOneAfter) {
    OpenKeyboardAndMouse();
    ASSERT_EQ(KeyboardRead(), 1);
    EXPECT_EQ(DownKeys(), std::vector<int>{});

    HostInputKey(DIK_ESCAPE, 1);
    EXPECT_EQ(key_states[DIK_ESCAPE], 0) << "the buffer changes only when read";
    ASSERT_EQ(KeyboardRead(), 1);
    EXPECT_EQ(key_states[DIK_ESCAPE], HOST_KEY_DOWN);
    EXPECT_EQ(DownKeys(), std::vector<int>{DIK_ESCAPE});

    ASSERT_EQ(KeyboardRead(), 1);
    EXPECT_EQ(key_states[DIK_ESCAPE], HOST_KEY_DOWN) << "a held key stays down";

    HostInputKey(DIK_ESCAPE, 0);
    ASSERT_EQ(KeyboardRead(), 1);
    EXPECT_EQ(DownKeys(), std::vector<int>{});

    // A tap between two reads shows in exactly one read.
    HostInputKey(DIK_RETURN, 1);
    HostInputKey(DIK_RETURN, 0);
    ASSERT_EQ(KeyboardRead(), 1);
    EXPECT_EQ(DownKeys(), std::vector<int>{DIK_RETURN});
    ASSERT_EQ(KeyboardRead(), 1);
    EXPECT_EQ(DownKeys(), std::vector<int>{});
}

TEST_F(InputTest, SeveralKeysAtOnceIncludingExtendedOnes) {
    OpenKeyboardAndMouse();
    const std::vector<int> keys = {DIK_SPACE, DIK_LCONTROL, DIK_RCONTROL, DIK_NUMPADENTER, DIK_UP};
    for (int key : keys) {
        HostInputKey(key, 1);
    }
    ASSERT_EQ(KeyboardRead(), 1);
    EXPECT_EQ(DownKeys(),
              (std::vector<int>{DIK_LCONTROL, DIK_SPACE, DIK_NUMPADENTER, DIK_RCONTROL, DIK_UP}));
    HostInputKey(DIK_LCONTROL, 0);
    ASSERT_EQ(KeyboardRead(), 1);
    EXPECT_EQ(key_states[DIK_LCONTROL], 0);
    EXPECT_EQ(key_states[DIK_RCONTROL], HOST_KEY_DOWN) << "right Ctrl is a key of its own";
}

TEST_F(InputTest, AKeyHeldAtSetUpReadsDownAndNumbersOutsideTheArrayAreIgnored) {
    HostInputKey(DIK_SPACE, 1);
    OpenKeyboardAndMouse();
    for (int key : {0, 256, -1}) {
        HostInputKey(key, 1);
    }
    ASSERT_EQ(KeyboardRead(), 1);
    EXPECT_EQ(DownKeys(), std::vector<int>{DIK_SPACE});
}

// ---------------------------------------------------------------------------
// Mouse

// lX, lY and lZ of the last mouse read.
std::string Motion() {
    return std::to_string(mouse_reading.lX) + "," + std::to_string(mouse_reading.lY) + "," +
           std::to_string(mouse_reading.lZ);
}

TEST_F(InputTest, MotionAndWheelSumBetweenReadsAndStartAgainAfterEach) {
    ASSERT_EQ(InputInit(), 1);
    HostInputMouseMotion(50, 50);  // before the mouse is opened: never reported
    ASSERT_EQ(MouseInit(), 1);
    HostInputMouseMotion(3, 4);
    HostInputMouseMotion(-10, 2);
    HostInputMouseMotion(1, -1);
    HostInputMouseWheel(2 * HOST_WHEEL_NOTCH);
    HostInputMouseWheel(-HOST_WHEEL_NOTCH);
    ASSERT_EQ(MouseRead(), 1);
    EXPECT_EQ(Motion(), "-6,5," + std::to_string(HOST_WHEEL_NOTCH));
    ASSERT_EQ(MouseRead(), 1);
    EXPECT_EQ(Motion(), "0,0,0") << "motion is reported once";

    // Beyond 32 bits the sum is held at the limit.
    HostInputMouseMotion(INT32_MAX, INT32_MIN);
    HostInputMouseMotion(INT32_MAX, INT32_MIN);
    ASSERT_EQ(MouseRead(), 1);
    EXPECT_EQ(mouse_reading.lX, INT32_MAX);
    EXPECT_EQ(mouse_reading.lY, INT32_MIN);
}

TEST_F(InputTest, EachButtonHasItsOwnByte) {
    OpenKeyboardAndMouse();
    for (int button = 0; button < 4; ++button) {
        HostInputMouseButton(button, 1);
        ASSERT_EQ(MouseRead(), 1);
        for (int byte = 0; byte < 4; ++byte) {
            EXPECT_EQ(mouse_reading.rgbButtons[byte], byte == button ? HOST_KEY_DOWN : 0)
                << "button " << button << " down, byte " << byte;
        }
        HostInputMouseButton(button, 0);
        ASSERT_EQ(MouseRead(), 1);
        EXPECT_EQ(mouse_reading.rgbButtons[button], 0) << "button " << button << " released";
    }
    HostInputMouseButton(4, 1);
    HostInputMouseButton(-1, 1);
    ASSERT_EQ(MouseRead(), 1);
    EXPECT_TRUE(AllZero(mouse_reading.rgbButtons, 4));

    // A click between two reads shows in exactly one read.
    HostInputMouseButton(0, 1);
    HostInputMouseButton(0, 0);
    ASSERT_EQ(MouseRead(), 1);
    EXPECT_EQ(mouse_reading.rgbButtons[0], HOST_KEY_DOWN);
    ASSERT_EQ(MouseRead(), 1);
    EXPECT_EQ(mouse_reading.rgbButtons[0], 0);
}

// ---------------------------------------------------------------------------
// Releases

TEST_F(InputTest, AReleasedDeviceReadsNothingAndFails) {
    OpenKeyboardAndMouse();
    KeyboardRelease();
    MouseRelease();
    EXPECT_EQ(keyboard_device, nullptr);
    EXPECT_EQ(mouse_device, nullptr);
    EXPECT_EQ(HostInputLiveObjects(), 1) << "only the root is left";
    HostInputKey(DIK_ESCAPE, 1);
    HostInputMouseMotion(5, 5);
    HostInputMouseButton(0, 1);
    EXPECT_EQ(KeyboardRead(), 0);
    EXPECT_EQ(MouseRead(), 0);
    EXPECT_TRUE(AllZero(key_states, sizeof(key_states)));
    EXPECT_TRUE(AllZero(&mouse_reading, sizeof(mouse_reading)));
    KeyboardRelease();  // a second release does nothing
    MouseRelease();
    InputShutdown();
    EXPECT_EQ(direct_input, nullptr);
    EXPECT_EQ(HostInputLiveObjects(), 0);
}

// ---------------------------------------------------------------------------
// The key table by USB usage (SDL scancodes)

TEST(InputKeyTable, SampleKeysLandOnTheirKeyNumbers) {
    // SDL's numbers (USB usages) and ours, extended keys and the keypad included.
    const int cases[][2] = {
        {41, DIK_ESCAPE},    {40, DIK_RETURN},    {44, DIK_SPACE},       {4, DIK_A},
        {29, DIK_Z},         {30, DIK_1},         {39, DIK_0},           {53, DIK_GRAVE},
        {49, DIK_BACKSLASH}, {58, DIK_F1},        {67, DIK_F10},         {68, DIK_F11},
        {69, DIK_F12},       {224, DIK_LCONTROL}, {228, DIK_RCONTROL},   {226, DIK_LMENU},
        {230, DIK_RMENU},    {225, DIK_LSHIFT},   {229, DIK_RSHIFT},     {227, DIK_LWIN},
        {82, DIK_UP},        {81, DIK_DOWN},      {80, DIK_LEFT},        {79, DIK_RIGHT},
        {74, DIK_HOME},      {77, DIK_END},       {75, DIK_PRIOR},       {78, DIK_NEXT},
        {73, DIK_INSERT},    {76, DIK_DELETE},    {88, DIK_NUMPADENTER}, {84, DIK_DIVIDE},
        {85, DIK_MULTIPLY},  {86, DIK_SUBTRACT},  {87, DIK_ADD},         {95, DIK_NUMPAD7},
        {98, DIK_NUMPAD0},   {99, DIK_DECIMAL},   {83, DIK_NUMLOCK},     {57, DIK_CAPITAL},
        {70, DIK_SYSRQ},     {71, DIK_SCROLL},    {72, DIK_PAUSE},       {100, DIK_OEM_102},
        {101, DIK_APPS}};
    for (const auto& [scancode, key] : cases) {
        EXPECT_EQ(HostInputUsbUsageToKey(scancode), key) << "scancode " << scancode;
    }
}

TEST(InputKeyTable, EveryKeyOfAStandardKeyboardHasANumberAndNothingElse) {
    for (int scancode : {-1, 0, 1, 115 /* F24 */, 511, 512, 100000}) {
        EXPECT_EQ(HostInputUsbUsageToKey(scancode), 0) << "scancode " << scancode;
    }
    // A to the keypad's '.', the 102nd key and Menu, then the eight modifiers.
    for (int scancode = 4; scancode <= 231; scancode = scancode == 101 ? 224 : scancode + 1) {
        EXPECT_NE(HostInputUsbUsageToKey(scancode), 0) << "scancode " << scancode;
    }
}

TEST(InputKeyTable, NoTwoKeysShareANumberBeyondTheKnownTwins) {
    // Scancodes of one physical key that SDL names twice.
    const std::set<std::set<int>> twins = {
        {49, 50},    // backslash and the 102-key keyboard's key in its place
        {70, 154},   // Print Screen and SysRq
        {127, 262},  // mute, from the keyboard and the media page
        {264, 269},  // the browser key and web home
    };
    std::map<int, std::set<int>> by_key;
    for (int scancode = 0; scancode < 512; ++scancode) {
        const int key = HostInputUsbUsageToKey(scancode);
        if (key != 0) {
            by_key[key].insert(scancode);
        }
    }
    for (const auto& [key, scancodes] : by_key) {
        if (scancodes.size() > 1) {
            EXPECT_TRUE(twins.count(scancodes) == 1)
                << "key " << key << " comes from " << scancodes.size() << " scancodes, first "
                << *scancodes.begin();
        }
    }
}

// ---------------------------------------------------------------------------
// Joystick

class JoystickTest : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        ASSERT_EQ(InputInit(), 1);
    }
};

TEST_F(JoystickTest, WithNoJoystickInitFailsAndReadsLeaveTheStateAlone) {
    EXPECT_EQ(JoystickInit(0, 639, 0, 479), 0);
    EXPECT_EQ(joystick_ready, 0);
    std::memset(&joystick_state, 0xAB, sizeof(joystick_state));
    EXPECT_EQ(JoystickRead(), 0);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&joystick_state);
    for (size_t i = 0; i < sizeof(joystick_state); ++i) {
        ASSERT_EQ(bytes[i], 0xAB) << "byte " << i << " was touched";
    }
}

TEST_F(JoystickTest, WithTwoJoysticksOnlyTheFirstIsUsed) {
    const int first = HostInputJoystickAttach("First Pad", 2, 0, 4);
    const int second = HostInputJoystickAttach("Second Pad", 2, 0, 4);
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    ASSERT_EQ(JoystickInit(-100, 100, -100, 100), 1);
    EXPECT_EQ(joystick_ready, 1);
    EXPECT_STREQ(joystick_name, "First Pad");

    HostInputJoystickAxis(second, 0, HOST_AXIS_MAX);
    HostInputJoystickButton(second, 1, 1);
    ASSERT_EQ(JoystickRead(), 1);
    EXPECT_EQ(joystick_state.lX, 0) << "the second joystick moved the first's X";
    EXPECT_EQ(joystick_state.rgbButtons[1], 0);

    HostInputJoystickAxis(first, 0, HOST_AXIS_MAX);
    HostInputJoystickButton(first, 1, 1);
    ASSERT_EQ(JoystickRead(), 1);
    EXPECT_EQ(joystick_state.lX, 100);
    EXPECT_EQ(joystick_state.rgbButtons[1], HOST_KEY_DOWN);
}

TEST_F(JoystickTest, ProductNamesAreCutToFitWithTheirTerminator) {
    const struct {
        size_t length;
        size_t kept;
    } cases[] = {{0, 0}, {78, 78}, {79, 79}, {80, 79}, {200, 79}, {300, 79}};
    for (const auto& c : cases) {
        std::string name;
        for (size_t i = 0; i < c.length; ++i) {
            name += static_cast<char>('a' + i % 26);
        }
        const int id = HostInputJoystickAttach(name.c_str(), 2, 0, 0);
        std::memset(joystick_name, 'X', sizeof(joystick_name));
        JoystickRelease();
        ASSERT_EQ(JoystickInit(0, 10, 0, 10), 1) << "name of " << c.length;
        EXPECT_EQ(std::strlen(joystick_name), c.kept) << "name of " << c.length;
        EXPECT_EQ(std::string(joystick_name), name.substr(0, c.kept));
        HostInputJoystickDetach(id);
    }
}

TEST_F(JoystickTest, XAndYScaleIntoTheirRangesAtBothEndsAndTheCentre) {
    const int pad = HostInputJoystickAttach("Pad", 3, 0, 0);
    ASSERT_EQ(JoystickInit(0, 639, -50, 50), 1);
    const struct {
        int32_t raw, x, y;
    } cases[] = {{HOST_AXIS_MIN, 0, -50},
                 {HOST_AXIS_MAX, 639, 50},
                 {0, 320, 0},
                 {-1, 319, 0},
                 {16384, 479, 25}};
    for (const auto& c : cases) {
        for (int axis = 0; axis < 3; ++axis) {
            HostInputJoystickAxis(pad, axis, c.raw);
        }
        ASSERT_EQ(JoystickRead(), 1);
        EXPECT_EQ(joystick_state.lX, c.x) << "raw " << c.raw;
        EXPECT_EQ(joystick_state.lY, c.y) << "raw " << c.raw;
        EXPECT_EQ(joystick_state.lZ, c.raw) << "Z keeps the device's own range";
    }
}

TEST_F(JoystickTest, HatsReadInHundredthsOfDegreesClockwiseFromNorth) {
    const int pad = HostInputJoystickAttach("Pad", 2, 2, 0);
    ASSERT_EQ(JoystickInit(0, 10, 0, 10), 1);
    const struct {
        uint8_t directions;
        uint32_t pov;
    } cases[] = {{0, HOST_POV_CENTERED},
                 {HOST_HAT_UP, 0},
                 {HOST_HAT_UP | HOST_HAT_RIGHT, 4500},
                 {HOST_HAT_RIGHT, 9000},
                 {HOST_HAT_DOWN | HOST_HAT_RIGHT, 13500},
                 {HOST_HAT_DOWN, 18000},
                 {HOST_HAT_DOWN | HOST_HAT_LEFT, 22500},
                 {HOST_HAT_LEFT, 27000},
                 {HOST_HAT_UP | HOST_HAT_LEFT, 31500}};
    for (const auto& c : cases) {
        HostInputJoystickHat(pad, 1, c.directions);
        ASSERT_EQ(JoystickRead(), 1);
        EXPECT_EQ(joystick_state.rgdwPOV[1], c.pov) << "directions " << int{c.directions};
        EXPECT_EQ(joystick_state.rgdwPOV[0], HOST_POV_CENTERED) << "hat 0 untouched";
        EXPECT_EQ(joystick_state.rgdwPOV[2], HOST_POV_CENTERED) << "a missing hat is centred";
    }
}

TEST_F(JoystickTest, ButtonsBeyondThirtyTwoDoNotShow) {
    const int pad = HostInputJoystickAttach("Pad", 2, 0, 40);
    ASSERT_EQ(JoystickInit(0, 10, 0, 10), 1);
    for (int button : {0, 31, 32, 39}) {
        HostInputJoystickButton(pad, button, 1);
    }
    ASSERT_EQ(JoystickRead(), 1);
    for (int button = 0; button < 32; ++button) {
        EXPECT_EQ(joystick_state.rgbButtons[button],
                  button == 0 || button == 31 ? HOST_KEY_DOWN : 0)
            << "button " << button;
    }
}

// A detached joystick's reads fail and leave the state; a released one's read zeros.
TEST_F(JoystickTest, ADetachedJoystickIsNeverReadAgainAndAReleasedOneReadsZeros) {
    const int pad = HostInputJoystickAttach("Pad", 2, 0, 1);
    ASSERT_EQ(JoystickInit(0, 10, 0, 10), 1);
    HostInputJoystickAxis(pad, 0, HOST_AXIS_MAX);
    HostInputJoystickButton(pad, 0, 1);
    ASSERT_EQ(JoystickRead(), 1);
    HostInputJoystickDetach(pad);
    const HostJoystickState before = joystick_state;
    EXPECT_EQ(JoystickRead(), 0);
    EXPECT_EQ(std::memcmp(&before, &joystick_state, sizeof(before)), 0);
    HostInputJoystickAttach("Pad", 2, 0, 1);
    EXPECT_EQ(JoystickRead(), 0) << "a lost device is not acquired again";
    JoystickRelease();
    EXPECT_EQ(joystick_device, nullptr);
    std::memset(&joystick_state, 0xAB, sizeof(joystick_state));
    EXPECT_EQ(JoystickRead(), 0);
    EXPECT_TRUE(AllZero(&joystick_state, sizeof(joystick_state)));
}

// ---------------------------------------------------------------------------
// The device rules under the library

class HostInputDeviceTest : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        root = HostInputCreate(nullptr, DIRECTINPUT_VERSION);
        ASSERT_NE(root, nullptr);
    }
    void TearDown() override {
        HostInputRelease(root);
        InputTest::TearDown();
    }
    HostInput* root = nullptr;
};

TEST_F(HostInputDeviceTest, AReadNeedsTheFormatsSizeAndAnAcquiredDevice) {
    HostInputDevice* keyboard = HostInputCreateDevice(root, &GUID_SYS_KEYBOARD);
    ASSERT_NE(keyboard, nullptr);
    uint8_t buffer[256];
    std::memset(buffer, 0x33, sizeof(buffer));
    EXPECT_EQ(HostInputDeviceAcquire(keyboard), 0) << "no format yet";
    EXPECT_EQ(HostInputDeviceSetDataFormat(keyboard, &host_format_mouse), 0);
    ASSERT_EQ(HostInputDeviceSetDataFormat(keyboard, &host_format_keyboard), 1);
    EXPECT_EQ(HostInputDeviceGetState(keyboard, 256, buffer), 0) << "not acquired";
    ASSERT_EQ(HostInputDeviceAcquire(keyboard), 1);
    EXPECT_EQ(HostInputDeviceSetDataFormat(keyboard, &host_format_keyboard), 0)
        << "no format change while acquired";
    EXPECT_EQ(HostInputDeviceGetState(keyboard, 255, buffer), 0);
    EXPECT_EQ(buffer[0], 0x33) << "a refused read writes nothing";
    EXPECT_EQ(HostInputDeviceGetState(keyboard, 256, buffer), 1);
    EXPECT_EQ(HostInputDeviceUnacquire(keyboard), 1);
    EXPECT_EQ(HostInputDeviceUnacquire(keyboard), 0);
    HostInputDeviceRelease(keyboard);
}

TEST_F(HostInputDeviceTest, CooperativeLevelsTakeOneOfEachPair) {
    HostInputDevice* mouse = HostInputCreateDevice(root, &GUID_SYS_MOUSE);
    ASSERT_NE(mouse, nullptr);
    const struct {
        uint32_t flags;
        int result;
    } cases[] = {{DISCL_BACKGROUND | DISCL_NONEXCLUSIVE, 1},
                 {DISCL_FOREGROUND | DISCL_EXCLUSIVE, 1},
                 {DISCL_BACKGROUND, 0},
                 {DISCL_NONEXCLUSIVE, 0},
                 {DISCL_BACKGROUND | DISCL_FOREGROUND | DISCL_NONEXCLUSIVE, 0},
                 {DISCL_BACKGROUND | DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE, 0},
                 {DISCL_BACKGROUND | DISCL_NONEXCLUSIVE | 0x100, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(HostInputDeviceSetCooperativeLevel(mouse, app_window, c.flags), c.result)
            << "flags 0x" << std::hex << c.flags;
    }
    HostInputDeviceRelease(mouse);
}

TEST_F(HostInputDeviceTest, RangesAreForJoystickAxesThatExist) {
    const int pad = HostInputJoystickAttach("Pad", 2, 0, 0);
    HostGuid guid{};
    HostInputEnumDevices(root, DIDEVTYPE_JOYSTICK, JoystickEnumCallback, &guid,
                         DIEDFL_ATTACHEDONLY);
    HostInputDevice* joystick = HostInputCreateDevice(root, &guid);
    ASSERT_NE(joystick, nullptr);
    HostPropertyRange range{{24, 16, DIJOFS_X, DIPH_BYOFFSET}, -10, 10};
    EXPECT_EQ(HostInputDeviceSetProperty(joystick, DIPROP_RANGE, &range.diph), 1);
    range.diph.dwObj = DIJOFS_Z;
    EXPECT_EQ(HostInputDeviceSetProperty(joystick, DIPROP_RANGE, &range.diph), 0)
        << "a two-axis joystick has no Z";
    range.diph.dwObj = 2;
    EXPECT_EQ(HostInputDeviceSetProperty(joystick, DIPROP_RANGE, &range.diph), 0);
    range.diph.dwObj = DIJOFS_Y;
    range.lMin = 5;
    range.lMax = 4;
    EXPECT_EQ(HostInputDeviceSetProperty(joystick, DIPROP_RANGE, &range.diph), 0);
    range.lMax = 5;
    range.diph.dwSize = 20;
    EXPECT_EQ(HostInputDeviceSetProperty(joystick, DIPROP_RANGE, &range.diph), 0);
    HostInputDeviceRelease(joystick);
    HostInputJoystickDetach(pad);
}

TEST_F(HostInputDeviceTest, EnumerationListsMouseKeyboardThenJoysticksInAttachOrder) {
    HostInputJoystickAttach("One", 2, 0, 0);
    HostInputJoystickAttach("Two", 2, 0, 0);
    std::vector<std::string> names;
    auto collect = [](const HostDeviceInstance* instance, void* context) {
        static_cast<std::vector<std::string>*>(context)->push_back(instance->tszProductName);
        return DIENUM_CONTINUE;
    };
    ASSERT_EQ(HostInputEnumDevices(root, 0, collect, &names, DIEDFL_ATTACHEDONLY), 1);
    EXPECT_EQ(names, (std::vector<std::string>{"Mouse", "Keyboard", "One", "Two"}));
    EXPECT_EQ(HostInputEnumDevices(root, 9, collect, &names, 0), 0) << "an unknown type";
}

}  // namespace
