// The sound table, the WAVE and voice loaders, and playback control over the host mixer.

#include "lib/sound.h"

#include <sys/types.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

#include "lib/app.h"
#include "lib/bytes.h"
#include "platform/host_file.h"

SoundSlot sound_table[SOUND_TABLE_SIZE];
HostAudioDevice* sound_device = nullptr;
int sound_init_pending = 1;

namespace {

constexpr uint32_t BUFFER_DESC_SIZE = 36;
constexpr uint32_t BUFFER_RATE = 11025;
constexpr uint32_t LOADER_CAPS = DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE;
constexpr uint32_t VOICE_CAPS =
    LOADER_CAPS | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
constexpr size_t WAVE_FORMAT_BYTES = 18;  // read from the format chunk whatever its size
constexpr uint64_t VOICE_MIN_BYTES = 21;  // up to and including H at offset 20
constexpr uint64_t VOICE_MAX_BYTES = 255 + 0x7FFFFF;  // the largest H plus the largest L

// Every buffer holds 8-bit mono at 11025 Hz, whatever the file recorded.
const HostWaveFormat buffer_format = {WAVE_FORMAT_PCM, 1, BUFFER_RATE, BUFFER_RATE, 1, 8, 0};

// Where a WAVE file keeps what the loader needs.
struct WaveChunks {
    uint32_t rate;         // the format chunk's samples per second
    uint64_t data_offset;  // the data chunk's first byte in the file
    uint32_t data_size;    // the data chunk's size field
};

bool ValidId(int id) {
    return id >= 0 && id < SOUND_TABLE_SIZE;
}

// The slot's buffer, or null for a slot without a sound and for ids outside the table.
HostAudioBuffer* SlotBuffer(int id) {
    return ValidId(id) ? sound_table[id].buffer : nullptr;
}

int FindFreeSlot() {
    for (int id = 0; id < SOUND_TABLE_SIZE; ++id) {
        if (sound_table[id].state == SOUND_SLOT_FREE) {
            return id;
        }
    }
    return -1;
}

// Where a load starts: a free slot and a device to put the sound in, and the file open.
// Null when any is missing; nothing is claimed yet. Only a regular file opens: a FIFO would
// wait for a writer and a device may never end.
FILE* OpenForLoad(const char* filename, int* id) {
    *id = FindFreeSlot();
    if (*id < 0 || sound_device == nullptr || filename == nullptr) {
        return nullptr;
    }
    return HostFileOpenRead(filename, "rb", nullptr);
}

void ClearSlot(int id) {
    sound_table[id] = SoundSlot{nullptr, SOUND_SLOT_FREE, 0, 0, id};
}

// Reads up to count bytes at offset; returns how many were read.
size_t ReadAt(FILE* file, uint64_t offset, void* out, size_t count) {
    if (offset > static_cast<uint64_t>(LLONG_MAX) ||
        fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) {
        return 0;
    }
    return fread(out, 1, count, file);
}

// The end of a chunk whose header starts at offset: its data padded to an even length.
uint64_t ChunkEnd(uint64_t offset, uint32_t size) {
    return offset + 8 + size + (size & 1);
}

// Finds the RIFF "WAVE" chunk, takes its first subchunk as the format, and finds "data"
// after it inside the RIFF chunk. 0 when the file of file_size bytes does not have them. Both
// searches end at the end of the file, whatever the size fields say.
int WaveFindChunks(FILE* file, uint64_t file_size, WaveChunks* chunks) {
    uint8_t header[12];
    uint64_t riff = 0;
    for (;;) {
        if (riff + 8 > file_size || ReadAt(file, riff, header, 8) != 8) {
            return 0;
        }
        if (std::memcmp(header, "RIFF", 4) == 0 && ReadAt(file, riff + 8, header + 8, 4) == 4 &&
            std::memcmp(header + 8, "WAVE", 4) == 0) {
            break;
        }
        riff = ChunkEnd(riff, BytesLe32(header + 4));
    }
    const uint64_t riff_end = std::min<uint64_t>(riff + 8 + BytesLe32(header + 4), file_size);

    const uint64_t format = riff + 12;
    uint8_t wfmtx[WAVE_FORMAT_BYTES];
    if (ReadAt(file, format, header, 8) != 8 ||
        ReadAt(file, format + 8, wfmtx, WAVE_FORMAT_BYTES) != WAVE_FORMAT_BYTES ||
        BytesLe16(wfmtx) != WAVE_FORMAT_PCM) {
        return 0;
    }
    chunks->rate = BytesLe32(wfmtx + 4);

    uint64_t chunk = ChunkEnd(format, BytesLe32(header + 4));
    for (;;) {
        if (chunk + 8 > riff_end || ReadAt(file, chunk, header, 8) != 8) {
            return 0;
        }
        if (std::memcmp(header, "data", 4) == 0) {
            chunks->data_offset = chunk + 8;
            chunks->data_size = BytesLe32(header + 4);
            return 1;
        }
        chunk = ChunkEnd(chunk, BytesLe32(header + 4));
    }
}

// The chunks of the open file, whose data chunk must lie inside it: one that runs past the
// end is refused like a missing one, so a few bytes cannot make the loader set aside the
// 256 MB a size field can name.
int WaveLocate(FILE* file, WaveChunks* chunks) {
    off_t end = -1;
    if (fseeko(file, 0, SEEK_END) == 0) {
        end = ftello(file);
    }
    return end >= 0 && WaveFindChunks(file, static_cast<uint64_t>(end), chunks) &&
           static_cast<uint64_t>(end) >= chunks->data_offset + chunks->data_size;
}

// Creates the claimed slot's buffer and copies count bytes into it through a lock from the
// write cursor. The slot's id, or -1 with the slot left claimed.
int SlotFill(int id, const uint8_t* bytes, uint32_t count, uint32_t flags) {
    HostAudioBufferDesc desc{};
    desc.dwSize = BUFFER_DESC_SIZE;
    desc.dwFlags = flags;
    desc.dwBufferBytes = count;
    desc.lpwfxFormat = &buffer_format;
    sound_table[id].buffer = HostAudioBufferCreate(sound_device, &desc);
    HostAudioBuffer* buffer = sound_table[id].buffer;
    if (buffer == nullptr) {
        return -1;
    }
    void* audio_ptr_1 = nullptr;
    void* audio_ptr_2 = nullptr;
    uint32_t audio_length_1 = 0;
    uint32_t audio_length_2 = 0;
    if (!HostAudioBufferLock(buffer, 0, count, &audio_ptr_1, &audio_length_1, &audio_ptr_2,
                             &audio_length_2, DSBLOCK_FROMWRITECURSOR)) {
        return -1;
    }
    // The two regions together are the count bytes asked for.
    if (audio_length_1 > 0) {
        std::memcpy(audio_ptr_1, bytes, audio_length_1);
    }
    if (audio_length_2 > 0) {
        std::memcpy(audio_ptr_2, bytes + audio_length_1, audio_length_2);
    }
    if (!HostAudioBufferUnlock(buffer, audio_ptr_1, audio_length_1, audio_ptr_2, audio_length_2)) {
        return -1;
    }
    return id;
}

}  // namespace

// ---------------------------------------------------------------------------
// Set-up and loading

int SoundInit() {
    if (sound_init_pending) {
        for (int id = 0; id < SOUND_TABLE_SIZE; ++id) {
            sound_table[id] = SoundSlot{};
        }
        // Cleared first: a device that cannot be created is not tried again.
        sound_init_pending = 0;
        sound_device = HostAudioDeviceCreate();
        if (sound_device == nullptr) {
            return 0;
        }
        if (!HostAudioDeviceSetCooperativeLevel(sound_device, app_window, DSSCL_NORMAL)) {
            return 0;
        }
    }
    for (int id = 0; id < SOUND_TABLE_SIZE; ++id) {
        if (sound_table[id].buffer != nullptr) {
            HostAudioBufferStop(sound_table[id].buffer);
            HostAudioBufferRelease(sound_table[id].buffer);
        }
        ClearSlot(id);
    }
    return 1;
}

int SoundLoadWave(const char* filename, int control_flags) {
    int id = -1;
    FILE* file = OpenForLoad(filename, &id);
    if (file == nullptr) {
        return -1;
    }
    WaveChunks chunks{};
    if (!WaveLocate(file, &chunks)) {
        std::fclose(file);
        return -1;
    }
    // Sizes no buffer can have need no block: the device refuses them after the claim.
    uint8_t* block = nullptr;
    if (chunks.data_size > 0 && chunks.data_size <= DSBSIZE_MAX) {
        block = new (std::nothrow) uint8_t[chunks.data_size];
        if (block == nullptr ||
            ReadAt(file, chunks.data_offset, block, chunks.data_size) != chunks.data_size) {
            delete[] block;
            std::fclose(file);
            return -1;
        }
    }
    std::fclose(file);

    sound_table[id].rate = static_cast<int32_t>(chunks.rate);
    sound_table[id].size = static_cast<int32_t>(chunks.data_size);
    sound_table[id].state = SOUND_SLOT_LOADED;
    const uint32_t flags = static_cast<uint32_t>(control_flags) | LOADER_CAPS;
    const int result = SlotFill(id, block, chunks.data_size, flags);
    delete[] block;
    return result;
}

int SoundCheckWave(const char* filename, uint32_t* data_size) {
    FILE* file = filename == nullptr ? nullptr : HostFileOpenRead(filename, "rb", nullptr);
    if (file == nullptr) {
        return 0;
    }
    WaveChunks chunks{};
    const int found = WaveLocate(file, &chunks);
    std::fclose(file);
    if (found && data_size != nullptr) {
        *data_size = chunks.data_size;
    }
    return found;
}

int SoundLoadVoice(const char* filename) {
    int id = -1;
    FILE* file = OpenForLoad(filename, &id);
    if (file == nullptr) {
        return -1;
    }
    // Nothing past the largest H + L is ever used, so a longer file is read only that far.
    off_t end = -1;
    if (fseeko(file, 0, SEEK_END) == 0) {
        end = ftello(file);
    }
    if (end < static_cast<off_t>(VOICE_MIN_BYTES)) {
        std::fclose(file);
        return -1;
    }
    const size_t length = std::min<uint64_t>(static_cast<uint64_t>(end), VOICE_MAX_BYTES);
    uint8_t* block = new (std::nothrow) uint8_t[length];
    if (block == nullptr) {
        std::fclose(file);
        return -1;
    }
    const uint64_t got = ReadAt(file, 0, block, length);
    std::fclose(file);

    // Only the first block counts: its header at H, its samples from H + 6. Everything it
    // names must lie inside the bytes read.
    const uint64_t h = got >= VOICE_MIN_BYTES ? block[20] : got;
    int32_t l = 0;
    if (h + 6 <= got) {
        l = static_cast<int32_t>(block[h + 1] | (block[h + 2] << 8) | (block[h + 3] << 16));
        if (l & 0x800000) {
            l -= 0x1000000;  // the 24-bit field is signed
        }
    }
    if (got < VOICE_MIN_BYTES || l < 6 || h + static_cast<uint64_t>(l) > got) {
        delete[] block;
        return -1;
    }
    const int32_t tc = block[h + 4];

    sound_table[id].rate = 1000000 / (256 - tc);
    sound_table[id].size = l;
    sound_table[id].state = SOUND_SLOT_LOADED;
    const int result = SlotFill(id, block + h + 6, static_cast<uint32_t>(l - 6), VOICE_CAPS);
    delete[] block;
    return result;
}

int SoundCopy(int source_id) {
    if (!ValidId(source_id) || sound_device == nullptr) {
        return -1;
    }
    const int id = FindFreeSlot();
    if (id < 0) {
        return -1;
    }
    sound_table[id] = sound_table[source_id];
    sound_table[id].buffer = HostAudioBufferDuplicate(sound_device, sound_table[source_id].buffer);
    if (sound_table[id].buffer == nullptr) {
        sound_table[id].state = SOUND_SLOT_FREE;
        return -1;
    }
    sound_table[id].id = id;
    return id;
}

// ---------------------------------------------------------------------------
// Playback

int SoundPlay(int id, int flags) {
    HostAudioBuffer* buffer = SlotBuffer(id);
    if (buffer == nullptr) {
        return 1;
    }
    if (!HostAudioBufferSetCurrentPosition(buffer, 0)) {
        return 0;
    }
    return HostAudioBufferPlay(buffer, 0, 0, static_cast<uint32_t>(flags)) ? 1 : 0;
}

int SoundStop(int id) {
    HostAudioBuffer* buffer = SlotBuffer(id);
    if (buffer != nullptr) {
        HostAudioBufferStop(buffer);
        HostAudioBufferSetCurrentPosition(buffer, 0);
    }
    return 1;
}

int SoundStopAll() {
    for (int id = 0; id < SOUND_TABLE_SIZE; ++id) {
        SoundStop(id);
    }
    return 1;
}

int SoundSetVolume(int id, int level) {
    HostAudioBuffer* buffer = SlotBuffer(id);
    if (buffer == nullptr) {
        return 0;
    }
    // 0.3 dB per step below 100; levels far out of range still reach the device as refusals.
    int64_t volume = (static_cast<int64_t>(level) - 100) * 30;
    if (volume < INT32_MIN) {
        volume = INT32_MIN;
    } else if (volume > INT32_MAX) {
        volume = INT32_MAX;
    }
    return HostAudioBufferSetVolume(buffer, static_cast<int32_t>(volume)) ? 1 : 0;
}

int SoundSetFrequency(int id, int frequency) {
    HostAudioBuffer* buffer = SlotBuffer(id);
    if (buffer == nullptr) {
        return 0;
    }
    return HostAudioBufferSetFrequency(buffer, static_cast<uint32_t>(frequency)) ? 1 : 0;
}

int SoundSetPan(int id, int pan) {
    HostAudioBuffer* buffer = SlotBuffer(id);
    if (buffer == nullptr) {
        return 0;
    }
    return HostAudioBufferSetPan(buffer, pan) ? 1 : 0;
}

int SoundGetStatus(int id) {
    HostAudioBuffer* buffer = SlotBuffer(id);
    uint32_t status = 0;
    if (buffer == nullptr || !HostAudioBufferGetStatus(buffer, &status)) {
        return -1;
    }
    return static_cast<int>(status);
}

int SoundDelete(int id) {
    SoundStop(id);
    HostAudioBuffer* buffer = SlotBuffer(id);
    if (buffer != nullptr) {
        HostAudioBufferRelease(buffer);
        sound_table[id].buffer = nullptr;
    }
    return 1;
}

int SoundDeleteAll() {
    for (int id = 0; id < SOUND_TABLE_SIZE; ++id) {
        SoundDelete(id);
    }
    return 1;
}

int SoundShutdown() {
    SoundStopAll();
    for (int id = 0; id < SOUND_TABLE_SIZE; ++id) {
        if (sound_table[id].buffer != nullptr) {
            HostAudioBufferRelease(sound_table[id].buffer);
        }
        ClearSlot(id);
    }
    if (sound_device != nullptr) {
        HostAudioDeviceRelease(sound_device);
        sound_device = nullptr;
    }
    return 1;
}
