#ifndef QENT_PLATFORM_WIN32_INTERNAL_H
#define QENT_PLATFORM_WIN32_INTERNAL_H

// Between the parts of the Windows device: its window backend (backend_win32.cpp), its input
// (input_win32.cpp) and its sound output (audio_win32.cpp). Only these files see this header.

#include "platform/backend.h"
#include "platform/host_audio.h"
#include "platform/host_input.h"

// After the host's headers: Windows' macros share names with the host's constants (WM_CLOSE,
// TRANSPARENT), which stand for the same values once declared.
#include <windows.h>

// ---- Input from the window's messages
// A key message (WM_KEYDOWN, WM_KEYUP and their WM_SYS* twins) as the key number Linux gives.
void Win32InputKey(WPARAM virtual_key, LPARAM flags, int down);
void Win32InputReleaseKeys();  // every key the window saw go down goes up (focus lost)
// Relative motion of a WM_INPUT mouse record, in frame pixels: scale screen pixels make one.
void Win32InputRawMouse(HRAWINPUT input, int scale);
int Win32InputRegisterMouse(HWND window);  // raw mouse input to window; 1 when done
void Win32InputUnregisterMouse();

// ---- Sound: the default waveOut device in 16-bit stereo, fed from a thread of its own
// that calls HostAudioMix. Null when there is no output device.
HostAudioOutput* Win32AudioOpen(HostAudioDevice* device);
int Win32AudioRate(const HostAudioOutput* output);
// Stops the thread (it has mixed for the last time when this returns) and closes the device.
void Win32AudioClose(HostAudioOutput* output);

#endif
