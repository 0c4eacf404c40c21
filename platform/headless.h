#ifndef QENT_PLATFORM_HEADLESS_H
#define QENT_PLATFORM_HEADLESS_H

// Controls of the headless backend, for tests and tools: a manual clock, refusals of
// chosen host operations, and the frame that was last presented.

#include <cstdint>

#include "platform/host.h"

// ---- Clock
void HeadlessSetTicks(uint32_t ticks);     // the counter reads this from now on
void HeadlessAdvance(uint32_t ms);         // moves the counter on
void HeadlessSetAutoAdvance(uint32_t ms);  // every HostTicks read moves it on by ms (0 = off)
uint32_t HeadlessTickReads();              // HostTicks calls since the last HeadlessReset
// Called with every value HostTicks returns, after the read (null: none; HeadlessReset clears
// it). Lets a test look at a blocking effect between its paced steps.
void HeadlessSetTickHook(void (*hook)(uint32_t ticks));

// ---- Refusals: while a bit is set, the host refuses that operation as a device would.
constexpr uint32_t HOST_REFUSE_DISPLAY_CREATE = 1u << 0;
constexpr uint32_t HOST_REFUSE_COOPERATIVE = 1u << 1;
constexpr uint32_t HOST_REFUSE_SET_MODE = 1u << 2;
constexpr uint32_t HOST_REFUSE_SURFACE_CREATE = 1u << 3;
constexpr uint32_t HOST_REFUSE_LOCK = 1u << 4;
constexpr uint32_t HOST_REFUSE_FLIP = 1u << 5;
constexpr uint32_t HOST_REFUSE_BLT = 1u << 6;
constexpr uint32_t HOST_REFUSE_PALETTE_CREATE = 1u << 7;
constexpr uint32_t HOST_REFUSE_SET_PALETTE = 1u << 8;
constexpr uint32_t HOST_REFUSE_CLIPPER = 1u << 9;
constexpr uint32_t HOST_REFUSE_GET_DC = 1u << 10;
constexpr uint32_t HOST_REFUSE_REGISTER_CLASS = 1u << 11;
constexpr uint32_t HOST_REFUSE_CREATE_WINDOW = 1u << 12;
constexpr uint32_t HOST_REFUSE_AUDIO_DEVICE = 1u << 13;
constexpr uint32_t HOST_REFUSE_INPUT = 1u << 14;
constexpr uint32_t HOST_REFUSE_AUDIO_CREATE_BUFFER = 1u << 15;
constexpr uint32_t HOST_REFUSE_AUDIO_DUPLICATE = 1u << 16;
constexpr uint32_t HOST_REFUSE_AUDIO_LOCK = 1u << 17;
constexpr uint32_t HOST_REFUSE_AUDIO_UNLOCK = 1u << 18;
constexpr uint32_t HOST_REFUSE_AUDIO_PLAY = 1u << 19;
constexpr uint32_t HOST_REFUSE_AUDIO_SET_POSITION = 1u << 20;
constexpr uint32_t HOST_REFUSE_AUDIO_STATUS = 1u << 21;
// Replaces the set of refused operations; HeadlessReset clears it.
void HostRefuse(uint32_t operations);
uint32_t HostRefused();

// ---- What was presented
// The frame last shown (at a flip or a palette change of the primary): pixels, width x height
// bytes with no padding, and the 256-entry palette they were shown with. Null before any.
const uint8_t* HeadlessFramePixels(int32_t* width, int32_t* height);
const PaletteEntry* HeadlessFramePalette();
uint32_t HeadlessPresentCount();
// Writes the last presented frame as an RGB PNG file. 1 when written.
int HeadlessSaveFramePng(const char* path);
// Writes any 8-bit picture through a palette as an RGB PNG file. 1 when written.
int HostWritePng(const char* path, const uint8_t* pixels, int32_t width, int32_t height,
                 int32_t pitch, const PaletteEntry* palette);
// Writes width x height RGBA pixels (4 bytes each, rows without padding) as a PNG file with
// transparency. 1 when written.
int HostWritePngRgba(const char* path, const uint8_t* rgba, int32_t width, int32_t height);

// ---- Between tests
// Empties the message queue, forgets windows and classes, resets the clock to 0 with no
// auto-advance, clears refusals and the presented frame, and releases every key and button.
// Display objects still alive stay alive (see HostLiveObjects).
void HeadlessReset();
int HostLiveObjects();  // display objects, palettes, clippers and surfaces not yet released

#endif
