#ifndef QENT_LIB_SOUND_H
#define QENT_LIB_SOUND_H

// The sound table: 64 slots loaded from RIFF WAVE and Creative Voice files, played once or
// looped, stopped, and given a volume, frequency and pan. A sound's id is its slot index.

#include <cstdint>

#include "platform/host_audio.h"  // DSBCAPS_* flags and DSBSTATUS_* bits

constexpr int SOUND_TABLE_SIZE = 64;
constexpr int32_t SOUND_SLOT_FREE = 0;
constexpr int32_t SOUND_SLOT_LOADED = 1;
constexpr int SOUND_PLAY_LOOPING = static_cast<int>(DSBPLAY_LOOPING);

struct SoundSlot {
    HostAudioBuffer* buffer;  // owned; null when the slot holds no sound
    int32_t state;            // SOUND_SLOT_FREE or SOUND_SLOT_LOADED; loaders take only free
    int32_t rate;             // samples per second recorded from the file (playback is 11025)
    int32_t size;             // WAVE: the data chunk's size; voice: the block's length field
    int32_t id;               // the slot's own index
};

extern SoundSlot sound_table[SOUND_TABLE_SIZE];
extern HostAudioDevice* sound_device;  // null until SoundInit creates it
extern int sound_init_pending;         // 1 until the first SoundInit

// ---- Set-up and loading (ids are 0..63; -1 on any failure)
int SoundInit();  // first call: the device; every call: stops, frees and empties the table
// control_flags: DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME as wanted.
int SoundLoadWave(const char* filename, int control_flags);
// 1 when the file is a PCM RIFF WAVE whose data chunk lies inside it, the layout
// SoundLoadWave reads, with *data_size (may be null) the chunk's size; the loader also needs
// it to be 1..DSBSIZE_MAX. Needs no device and takes no slot; 0 for anything else.
int SoundCheckWave(const char* filename, uint32_t* data_size);
int SoundLoadVoice(const char* filename);  // all three controls
int SoundCopy(int source_id);              // plays the same samples with its own settings

// ---- Playback. An id outside 0..63 (as the -1 of a failed load) is a slot without a sound.
int SoundPlay(int id, int flags);       // flags 0 or SOUND_PLAY_LOOPING; rewinds first; 0: refused
int SoundStop(int id);                  // stops and rewinds; 1
int SoundStopAll();                     // 1
int SoundSetVolume(int id, int level);  // 100 full .. 0 = -30 dB; 0: refused or no sound
int SoundSetFrequency(int id, int frequency);  // 100..200000 Hz, 0 = 11025; 0: refused
int SoundSetPan(int id, int pan);              // -10000 left only .. 10000 right only
int SoundGetStatus(int id);  // DSBSTATUS_PLAYING | DSBSTATUS_LOOPING bits; -1: no sound
int SoundDelete(int id);     // frees the buffer; the slot stays taken until SoundInit; 1
int SoundDeleteAll();        // 1
int SoundShutdown();         // frees everything and empties the table; the last call; 1

#endif
