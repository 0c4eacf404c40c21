#ifndef QENT_PLATFORM_AUDIO_INTERNAL_H
#define QENT_PLATFORM_AUDIO_INTERNAL_H

// Between the mixer and SDL's audio output. Only platform/ sees this header.

#include "platform/host_audio.h"

struct HostAudioOutput;  // an open SDL audio device that mixes one HostAudioDevice

// Opens SDL's default output (16-bit stereo at 48000 Hz, or the rate the output insists on)
// and starts calling HostAudioMix for device from its callback. Null when there is no output.
HostAudioOutput* HostAudioOutputOpen(HostAudioDevice* device);
int HostAudioOutputRate(const HostAudioOutput* output);
// Stops the callback (it has returned when this does) and closes the output.
void HostAudioOutputClose(HostAudioOutput* output);

#endif
