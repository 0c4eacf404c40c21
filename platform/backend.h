#ifndef QENT_PLATFORM_BACKEND_H
#define QENT_PLATFORM_BACKEND_H

// What a backend supplies to the host: only the work that needs a real device. The host
// core keeps every object's memory semantics; the backend opens the screen, presents
// frames, pumps its events into the host, reads the clock and plays the mixed sound.

#include <cstdint>
#include <string>

#include "platform/host.h"

struct HostAudioDevice;
struct HostAudioOutput;  // a device's open sound output

struct HostBackendOps {
    const char* name;
    int (*open)(const HostOptions* options, std::string* error);  // 1 ready, 0 with error
    void (*close)();
    // The program's main window was created (title as given).
    void (*window_created)(HostWindow* window, const char* title);
    // The display mode was set: the frame to present is width x height.
    void (*mode_set)(int32_t width, int32_t height);
    // Shows an 8-bit frame through a 256-entry palette.
    void (*present)(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height,
                    const PaletteEntry* palette);
    void (*pump)();  // turns pending device events into host messages and input state
    uint32_t (*ticks)();
    void (*sleep)(uint32_t ms);
    void (*show_cursor)(int visible);
    // Opens the sound output and starts pulling HostAudioMix for device from it; null when
    // there is none. Null entries: the backend has no sound.
    HostAudioOutput* (*audio_open)(HostAudioDevice* device);
    int (*audio_rate)(const HostAudioOutput* output);  // frames per second
    void (*audio_close)(HostAudioOutput* output);      // no more mixing once it returns
    // Shows the line that ends the program where stderr may go unseen (a message box); any
    // time, also before open. Null: stderr is enough.
    void (*report)(const char* line);
    // Shows the program's icon (HostSetIcon's RGBA picture); null: the backend has none.
    void (*set_icon)(const uint8_t* rgba, int32_t width, int32_t height);
};

extern const HostBackendOps host_backend_headless;

// The real device this program was linked with (platform/device_*.cpp), or null.
const HostBackendOps* HostDeviceBackend();

// The backend in use (headless until HostStartup picks another).
const HostBackendOps* HostBackendCurrent();

// Presents the primary's front pixels again (busy waits keep the window fresh with this).
// Does nothing before a mode is set.
void HostVideoPresentNow();
// Presents once if a palette change is waiting to be shown (the host core calls it from
// every clock read, sleep and message pump).
void HostVideoPresentPending();
// 1 while the primary's pixels are locked: effects drawn straight onto the screen are under way.
int HostVideoScreenLocked();

// Between tests: the headless clock and the presented frame go back to their start.
void HeadlessResetClock();
void HeadlessResetFrame();

// The window the host created for the program (null before HostCreateWindow).
HostWindow* HostMainWindow();

#endif
