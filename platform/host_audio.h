#ifndef QENT_PLATFORM_HOST_AUDIO_H
#define QENT_PLATFORM_HOST_AUDIO_H

// The host's sound device: buffers of 8-bit mono samples, each with its own play position,
// frequency, volume and pan, mixed into 16-bit stereo. The calls and values are those a
// Windows program makes of DirectSound. Under the SDL backend the device plays through
// SDL's default audio output; headless, tests mix on request with HostAudioMix.

#include <cstdint>

#include "platform/host.h"

// ---------------------------------------------------------------------------
// Values (the DirectSound ones)

constexpr uint32_t DSSCL_NORMAL = 1;  // cooperative levels 1..4 are accepted
constexpr uint32_t DSSCL_WRITEPRIMARY = 4;

constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x01;  // refused: there is no primary buffer
constexpr uint32_t DSBCAPS_STATIC = 0x02;
constexpr uint32_t DSBCAPS_LOCHARDWARE = 0x04;
constexpr uint32_t DSBCAPS_LOCSOFTWARE = 0x08;
constexpr uint32_t DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr uint32_t DSBCAPS_CTRLPAN = 0x40;
constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x80;

constexpr uint32_t DSBPLAY_LOOPING = 0x1;

constexpr uint32_t DSBSTATUS_PLAYING = 0x1;
constexpr uint32_t DSBSTATUS_BUFFERLOST = 0x2;  // never reported: buffers are not lost
constexpr uint32_t DSBSTATUS_LOOPING = 0x4;

constexpr uint32_t DSBLOCK_FROMWRITECURSOR = 0x1;
constexpr uint32_t DSBLOCK_ENTIREBUFFER = 0x2;

constexpr int32_t DSBVOLUME_MIN = -10000;  // hundredths of a decibel; the minimum is silence
constexpr int32_t DSBVOLUME_MAX = 0;
constexpr int32_t DSBPAN_LEFT = -10000;  // the right channel silent
constexpr int32_t DSBPAN_CENTER = 0;
constexpr int32_t DSBPAN_RIGHT = 10000;  // the left channel silent
constexpr uint32_t DSBFREQUENCY_ORIGINAL = 0;
constexpr uint32_t DSBFREQUENCY_MIN = 100;
constexpr uint32_t DSBFREQUENCY_MAX = 200000;
constexpr uint32_t DSBSIZE_MAX = 0x0FFFFFFF;  // the largest buffer, in bytes

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// ---------------------------------------------------------------------------
// Records

struct HostWaveFormat {        // WAVEFORMATEX; only PCM, 1 channel, 8 bits is accepted
    uint16_t wFormatTag;       // WAVE_FORMAT_PCM
    uint16_t nChannels;        // 1
    uint32_t nSamplesPerSec;   // the buffer's original frequency, 100..200000
    uint32_t nAvgBytesPerSec;  // nSamplesPerSec x nBlockAlign
    uint16_t nBlockAlign;      // 1
    uint16_t wBitsPerSample;   // 8: unsigned samples, 128 is silence
    uint16_t cbSize;           // 0
};

struct HostAudioBufferDesc {            // DSBUFFERDESC
    uint32_t dwSize;                    // 36, the record's size on the original platform
    uint32_t dwFlags;                   // DSBCAPS_* bits
    uint32_t dwBufferBytes;             // 1..DSBSIZE_MAX
    uint32_t dwReserved;                // 0
    const HostWaveFormat* lpwfxFormat;  // the samples' format
    uint8_t guid3DAlgorithm[16];        // all zero
};

struct HostAudioDevice;  // the DirectSound object: owns the buffers created on it
struct HostAudioBuffer;  // a secondary buffer

// ---------------------------------------------------------------------------
// The device

// Null when HOST_REFUSE_AUDIO_DEVICE is set or, under SDL, no audio output opens.
HostAudioDevice* HostAudioDeviceCreate();
// HOST_REFUSE_COOPERATIVE refuses this as it does the display's. Buffers need a level first.
int HostAudioDeviceSetCooperativeLevel(HostAudioDevice* device, HostWindow* window, uint32_t level);
// Stops the output and frees the device with every buffer still created on it.
void HostAudioDeviceRelease(HostAudioDevice* device);
int HostAudioDeviceRate(const HostAudioDevice* device);  // SDL output rate; 0 when headless

// ---------------------------------------------------------------------------
// Buffers. Every call returns 1 when done and 0 when refused; a refusal changes nothing.

// Null when refused: a bad description, format or size, no cooperative level, no memory.
HostAudioBuffer* HostAudioBufferCreate(HostAudioDevice* device, const HostAudioBufferDesc* desc);
// The copy shares the samples; position, state, volume, pan and frequency are its own.
HostAudioBuffer* HostAudioBufferDuplicate(HostAudioDevice* device, HostAudioBuffer* source);
void HostAudioBufferRelease(HostAudioBuffer* buffer);

// bytes from offset (added to the write cursor with DSBLOCK_FROMWRITECURSOR; the whole
// buffer with DSBLOCK_ENTIREBUFFER). Gives the span as one region, or two when it wraps
// (ptr2 null and len2 0 otherwise). While locked the samples are not mixed.
int HostAudioBufferLock(HostAudioBuffer* buffer, uint32_t offset, uint32_t bytes, void** ptr1,
                        uint32_t* len1, void** ptr2, uint32_t* len2, uint32_t flags);
int HostAudioBufferUnlock(HostAudioBuffer* buffer, void* ptr1, uint32_t len1, void* ptr2,
                          uint32_t len2);  // the regions the lock gave

// reserved and priority must be 0; flags 0 (once) or DSBPLAY_LOOPING. Plays on from the
// current position; a one-shot buffer stops by itself after its last sample, back at 0.
int HostAudioBufferPlay(HostAudioBuffer* buffer, uint32_t reserved, uint32_t priority,
                        uint32_t flags);
int HostAudioBufferStop(HostAudioBuffer* buffer);  // keeps the position
int HostAudioBufferSetCurrentPosition(HostAudioBuffer* buffer, uint32_t position);  // < size
// Play and write cursors (bytes; equal here). Either pointer may be null.
int HostAudioBufferGetCurrentPosition(HostAudioBuffer* buffer, uint32_t* play, uint32_t* write);
int HostAudioBufferGetStatus(HostAudioBuffer* buffer, uint32_t* status);  // DSBSTATUS_* bits

// The setters need the matching DSBCAPS_CTRL* flag and refuse values outside their range.
int HostAudioBufferSetVolume(HostAudioBuffer* buffer, int32_t volume);  // -10000..0
int HostAudioBufferGetVolume(HostAudioBuffer* buffer, int32_t* volume);
// The far channel is attenuated by |pan| hundredths of a decibel.
int HostAudioBufferSetPan(HostAudioBuffer* buffer, int32_t pan);  // -10000..10000
int HostAudioBufferGetPan(HostAudioBuffer* buffer, int32_t* pan);
// 100..200000 samples per second; DSBFREQUENCY_ORIGINAL restores the format's rate.
int HostAudioBufferSetFrequency(HostAudioBuffer* buffer, uint32_t frequency);
int HostAudioBufferGetFrequency(HostAudioBuffer* buffer, uint32_t* frequency);

// ---------------------------------------------------------------------------
// Mixing

// Stops, moves of a playing buffer and starts away from silence fade over this long instead
// of jumping; a start at silence does not fade. Sums beyond the 16-bit range are limited
// smoothly above three quarters of full scale; below that the mix is exact.
constexpr int HOST_AUDIO_RAMP_MS = 4;

// Mixes frames of every playing buffer of the device into stereo_out (left, right, ...) at
// rate frames per second and moves their positions on. This is the SDL callback's work;
// tests and tools call it headless. It allocates nothing. Writes silence for a null device.
void HostAudioMix(HostAudioDevice* device, int16_t* stereo_out, int frames, int rate);

// ---------------------------------------------------------------------------
// For tests. Refusals are HostRefuse's HOST_REFUSE_AUDIO_* bits (platform/headless.h).

int HostAudioLiveBuffers();  // buffers created and not yet released

#endif
