#ifndef QENT_LIB_INPUT_H
#define QENT_LIB_INPUT_H

// Input: the keyboard, mouse and joystick devices, and the buffers each read fills with a
// device's whole state. Key numbers (DIK_ESCAPE, DIK_RETURN, DIK_SPACE ...) come with
// platform/host_input.h.

#include <cstdint>

#include "platform/host_input.h"

// ---- Devices: null until created
extern HostInput* direct_input;                // the root, from InputInit
extern HostInputDevice* keyboard_device;       // the system keyboard
extern HostInputDevice* mouse_device;          // the system mouse
extern HostInputDevice* joystick_base_device;  // the joystick as first created
extern HostInputDevice* joystick_device;       // the joystick through the interface with Poll
extern int joystick_ready;                     // 1 once JoystickInit has succeeded
extern HostGuid joystick_guid;                 // the first attached joystick's; zero at start
extern char joystick_name[80];                 // its product name, cut to fit

// ---- What the reads fill
extern uint8_t key_states[256];           // by key number: non-zero (0x80) while down
extern HostMouseState mouse_reading;      // motion since the previous read, four button bytes
extern HostJoystickState joystick_state;  // X and Y in the range given to JoystickInit

// ---- Set-up: 1 on success, 0 at the first step that fails (what was made stays made)
int InputInit();  // the root, for app_instance
void InputShutdown();
int KeyboardInit();  // background, non-exclusive, on app_window; acquired
int MouseInit();
int JoystickInit(int32_t min_x, int32_t max_x, int32_t min_y, int32_t max_y);
// Keeps the first joystick enumerated: its GUID into *context, its name into joystick_name.
int JoystickEnumCallback(const HostDeviceInstance* instance, void* context);  // DIENUM_STOP

// ---- Reads: 1 when the buffer was filled. Without a device the keyboard and mouse buffers
// are cleared to zeros; a failed read leaves its buffer as it was.
int KeyboardRead();
int MouseRead();
int JoystickRead();  // before JoystickInit succeeded: 0, joystick_state untouched

// ---- Releases: each clears its device, so later reads see no device
void KeyboardRelease();
void MouseRelease();
void JoystickRelease();

#endif
