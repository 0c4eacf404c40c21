#ifndef QENT_PLATFORM_SDL_INTERNAL_H
#define QENT_PLATFORM_SDL_INTERNAL_H

// Between the parts of the SDL device: its window backend (backend_sdl.cpp), its input
// (input_sdl.cpp) and its sound output (audio_sdl.cpp). Only these files see this header.

#include "platform/backend.h"
#include "platform/host_audio.h"

// SDL events for the input devices. The argument is an SDL_Event.
void HostInputSdlEvent(const void* sdl_event);
int HostInputSdlOpen();  // opens the joystick subsystem; 1 when done
void HostInputSdlClose();

// Opens SDL's default output (16-bit stereo at 48000 Hz, or the rate the output insists on)
// and starts calling HostAudioMix for device from its callback. Null when there is no output.
HostAudioOutput* HostAudioSdlOpen(HostAudioDevice* device);
int HostAudioSdlRate(const HostAudioOutput* output);
// Stops the callback (it has returned when this does) and closes the output.
void HostAudioSdlClose(HostAudioOutput* output);

#endif
