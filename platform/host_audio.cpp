// The mixer: sound buffers with their playback state, and the mixing of every playing buffer
// into 16-bit stereo. The game thread changes buffers while SDL's callback mixes them, so
// one mutex guards every buffer and device field; sample bytes written under a buffer lock
// are not mixed until the unlock.
//
// Nothing jumps: a buffer that is stopped, or moved while it plays, hands what it was playing
// to a tail that fades to silence over HOST_AUDIO_RAMP_MS, and a buffer that starts away from
// silence fades in over the same time (one that starts at silence needs no fade, so a
// gunshot keeps its crack). The buffer itself reports stopped at once. A sum beyond the
// 16-bit range is bent smoothly towards full scale instead of being cut flat.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "platform/backend.h"
#include "platform/headless.h"
#include "platform/host_audio.h"

namespace {

constexpr uint32_t DESC_SIZE = 36;
constexpr int MIX_CHUNK = 1024;  // frames mixed per pass into the device's accumulator
constexpr int32_t UNITY_GAIN = 1 << 15;
constexpr int32_t UNITY_LEVEL = 1 << 15;  // a fade's full level
// A start this close to silence (two steps of an 8-bit sample) does not fade in.
constexpr int32_t QUIET_START = 512;
// The limiter: sums within the knee pass unchanged; above it they bend towards full scale.
constexpr int32_t LIMIT_KNEE = 24576;
constexpr int32_t LIMIT_FULL = 32767;

// Sample bytes, shared by a buffer and its duplicates.
struct Samples {
    std::vector<uint8_t> bytes;
    int locks = 0;  // outstanding buffer locks on these bytes
};

}  // namespace

struct HostAudioDevice {
    uint32_t cooperative_level = 0;  // 0 until set
    std::vector<HostAudioBuffer*> buffers;
    std::vector<int32_t> accumulator;   // 2 x MIX_CHUNK, allocated with the device
    HostAudioOutput* output = nullptr;  // the device's sound output, null headless
};

struct HostAudioBuffer {
    HostAudioDevice* device = nullptr;
    std::shared_ptr<Samples> samples;
    uint32_t size = 0;  // bytes = samples
    uint32_t caps = 0;  // DSBCAPS_*
    uint32_t original_frequency = 0;
    uint32_t frequency = 0;
    int32_t volume = 0;
    int32_t pan = 0;
    int32_t gain_left = UNITY_GAIN;  // from volume and pan; UNITY_GAIN is 0 dB
    int32_t gain_right = UNITY_GAIN;
    uint64_t position = 0;  // in samples, 32.32 fixed point
    int playing = 0;
    int looping = 0;
    int heard = 0;     // frames were mixed since the last start: a stop has something to fade
    int fade_in = -1;  // frames of the fade-in mixed so far; -1: at full level
    int32_t level = UNITY_LEVEL;  // the fade-in's level at the last frame mixed
    // What was playing when the buffer was stopped or moved, fading out.
    uint64_t tail_position = 0;
    int tail_looping = 0;
    int tail_done = -1;                // frames of the fade mixed so far; -1: no tail
    int32_t tail_level = UNITY_LEVEL;  // the level the sound had when its tail began
    int locked = 0;
    void* lock_ptr1 = nullptr;  // what the outstanding lock gave
    void* lock_ptr2 = nullptr;
    uint32_t lock_len1 = 0;
    uint32_t lock_len2 = 0;
};

namespace {

struct AudioState {
    std::mutex mutex;
    int live_buffers = 0;
};

AudioState& Audio() {
    static AudioState state;
    return state;
}

bool Refused(uint32_t operation) {
    return (HostRefused() & operation) != 0;
}

// Gain for an attenuation in hundredths of a decibel; -10000 and below is silence.
int32_t Gain(int32_t attenuation) {
    if (attenuation <= DSBVOLUME_MIN) {
        return 0;
    }
    if (attenuation >= 0) {
        return UNITY_GAIN;
    }
    return static_cast<int32_t>(std::lround(UNITY_GAIN * std::pow(10.0, attenuation / 2000.0)));
}

void UpdateGains(HostAudioBuffer* buffer) {
    int32_t left = buffer->volume + (buffer->pan > 0 ? -buffer->pan : 0);
    int32_t right = buffer->volume + (buffer->pan < 0 ? buffer->pan : 0);
    buffer->gain_left = Gain(left);
    buffer->gain_right = Gain(right);
}

bool FormatAccepted(const HostWaveFormat* format) {
    return format != nullptr && format->wFormatTag == WAVE_FORMAT_PCM && format->nChannels == 1 &&
           format->wBitsPerSample == 8 && format->nBlockAlign == 1 &&
           format->nSamplesPerSec >= DSBFREQUENCY_MIN &&
           format->nSamplesPerSec <= DSBFREQUENCY_MAX &&
           format->nAvgBytesPerSec == format->nSamplesPerSec;
}

HostAudioBuffer* NewBuffer(HostAudioDevice* device) {
    HostAudioBuffer* buffer = new (std::nothrow) HostAudioBuffer;
    if (buffer == nullptr) {
        return nullptr;
    }
    try {
        device->buffers.push_back(buffer);
    } catch (const std::bad_alloc&) {
        delete buffer;
        return nullptr;
    }
    buffer->device = device;
    ++Audio().live_buffers;
    return buffer;
}

void DeleteBuffer(HostAudioBuffer* buffer) {
    auto& list = buffer->device->buffers;
    list.erase(std::remove(list.begin(), list.end(), buffer), list.end());
    if (buffer->locked) {
        --buffer->samples->locks;
    }
    delete buffer;
    --Audio().live_buffers;
}

int RampFrames(int rate) {
    return std::max(1, static_cast<int>(int64_t{rate} * HOST_AUDIO_RAMP_MS / 1000));
}

// The 16-bit value at a play position, as the mixer's first frame there would give it.
int32_t ValueAt(const HostAudioBuffer* buffer, uint64_t position) {
    const uint64_t index = position >> 32;
    return index < buffer->size ? (buffer->samples->bytes[index] - 128) * 256 : 0;
}

// The sound that is heard now goes on as a tail, fading out. Nothing is left when nothing
// was mixed since the start. A tail still fading is replaced.
void StartTail(HostAudioBuffer* buffer) {
    if (!buffer->playing || !buffer->heard) {
        return;
    }
    buffer->tail_position = buffer->position;
    buffer->tail_looping = buffer->looping;
    buffer->tail_done = 0;
    buffer->tail_level = buffer->fade_in >= 0 ? buffer->level : UNITY_LEVEL;
}

// A start from position fades in unless it is at silence already.
void PrepareStart(HostAudioBuffer* buffer) {
    buffer->heard = 0;
    buffer->fade_in = std::abs(ValueAt(buffer, buffer->position)) > QUIET_START ? 0 : -1;
    buffer->level = buffer->fade_in >= 0 ? 0 : UNITY_LEVEL;
}

// Adds frames of one playback of buffer's samples, from *position, into acc (stereo pairs),
// resampled from its frequency to rate by linear interpolation and scaled by level(frame)
// (UNITY_LEVEL is full). Returns the frames mixed; when a one-shot playback reaches its end
// that may be fewer than asked, *ended is set and *position is back at 0.
template <typename LevelFn>
int MixVoice(const HostAudioBuffer* buffer, uint64_t* position_io, int looping, int32_t* acc,
             int frames, int rate, LevelFn level, bool* ended) {
    const uint8_t* s = buffer->samples->bytes.data();
    const uint64_t size = buffer->size;
    const uint64_t end = size << 32;
    const uint64_t step = (uint64_t{buffer->frequency} << 32) / static_cast<uint64_t>(rate);
    const int32_t gain_left = buffer->gain_left;
    const int32_t gain_right = buffer->gain_right;
    // What follows the last sample: the first again when looping, else silence.
    const int32_t after_last = looping ? s[0] - 128 : 0;
    uint64_t position = *position_io;
    int i = 0;
    while (i < frames) {
        const uint64_t index = position >> 32;
        const int32_t fraction = static_cast<int32_t>((position >> 16) & 0xFFFF);
        const int32_t a = s[index] - 128;
        const int32_t b = index + 1 < size ? s[index + 1] - 128 : after_last;
        const int32_t value = (a * 65536 + (b - a) * fraction) >> 8;  // 16-bit
        const int32_t l = level(i);
        acc[2 * i] += (((value * gain_left) >> 15) * l) >> 15;
        acc[2 * i + 1] += (((value * gain_right) >> 15) * l) >> 15;
        ++i;
        position += step;
        if (position >= end) {
            if (!looping) {
                *position_io = 0;
                *ended = true;
                return i;
            }
            position %= end;
        }
    }
    *position_io = position;
    return i;
}

// Mixes a playing buffer's sound, fading in while its fade-in lasts. A one-shot buffer stops
// after its last sample.
void MixBuffer(HostAudioBuffer* buffer, int32_t* acc, int frames, int rate) {
    int mixed = 0;
    bool ended = false;
    if (buffer->fade_in >= 0) {
        const int ramp = RampFrames(rate);
        const int first = buffer->fade_in;
        mixed = MixVoice(
            buffer, &buffer->position, buffer->looping, acc, frames, rate,
            [first, ramp](int i) {
                return static_cast<int32_t>(int64_t{UNITY_LEVEL} * std::min(first + i + 1, ramp) /
                                            ramp);
            },
            &ended);
        buffer->fade_in = first + mixed >= ramp ? -1 : first + mixed;
        buffer->level =
            static_cast<int32_t>(int64_t{UNITY_LEVEL} * std::min(first + mixed, ramp) / ramp);
    } else {
        mixed = MixVoice(
            buffer, &buffer->position, buffer->looping, acc, frames, rate,
            [](int) { return UNITY_LEVEL; }, &ended);
    }
    if (mixed > 0) {
        buffer->heard = 1;
    }
    if (ended) {
        buffer->playing = 0;
        buffer->fade_in = -1;
    }
}

// Mixes the fading tail of what a buffer played before its stop or move.
void MixTail(HostAudioBuffer* buffer, int32_t* acc, int frames, int rate) {
    const int ramp = RampFrames(rate);
    const int first = buffer->tail_done;
    const int count = std::min(frames, ramp - first);
    const int64_t start_level = buffer->tail_level;
    bool ended = false;
    const int mixed = MixVoice(
        buffer, &buffer->tail_position, buffer->tail_looping, acc, count, rate,
        [first, ramp, start_level](int i) {
            return static_cast<int32_t>(start_level * (ramp - 1 - (first + i)) / ramp);
        },
        &ended);
    buffer->tail_done = ended || first + mixed >= ramp ? -1 : first + mixed;
}

// The limiter's curve: the identity up to the knee, then a smooth bend that nears full scale
// without reaching it, continuous in value and slope.
int16_t Limit(int32_t sum) {
    const int32_t magnitude = sum < 0 ? -sum : sum;
    if (magnitude <= LIMIT_KNEE) {
        return static_cast<int16_t>(sum);
    }
    const double room = LIMIT_FULL - LIMIT_KNEE;
    const double bent = LIMIT_KNEE + room * std::tanh((magnitude - LIMIT_KNEE) / room);
    const int32_t limited = std::min(LIMIT_FULL, static_cast<int32_t>(std::lround(bent)));
    return static_cast<int16_t>(sum < 0 ? -limited : limited);
}

}  // namespace

// ---------------------------------------------------------------------------
// The device

HostAudioDevice* HostAudioDeviceCreate() {
    if (HostRefused() & HOST_REFUSE_AUDIO_DEVICE) {
        return nullptr;
    }
    HostAudioDevice* device = new (std::nothrow) HostAudioDevice;
    if (device == nullptr) {
        return nullptr;
    }
    try {
        device->accumulator.assign(2 * MIX_CHUNK, 0);
    } catch (const std::bad_alloc&) {
        delete device;
        return nullptr;
    }
    const HostBackendOps* backend = HostBackendCurrent();
    if (backend->audio_open != nullptr) {
        device->output = backend->audio_open(device);
        if (device->output == nullptr) {
            delete device;
            return nullptr;
        }
    }
    return device;
}

int HostAudioDeviceSetCooperativeLevel(HostAudioDevice* device, HostWindow*, uint32_t level) {
    if (device == nullptr || level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY ||
        (HostRefused() & HOST_REFUSE_COOPERATIVE)) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    device->cooperative_level = level;
    return 1;
}

void HostAudioDeviceRelease(HostAudioDevice* device) {
    if (device == nullptr) {
        return;
    }
    // Outside the mutex: the callback may be waiting for it.
    if (device->output != nullptr) {
        HostBackendCurrent()->audio_close(device->output);
        device->output = nullptr;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    while (!device->buffers.empty()) {
        DeleteBuffer(device->buffers.back());
    }
    delete device;
}

int HostAudioDeviceRate(const HostAudioDevice* device) {
    return device != nullptr && device->output != nullptr
               ? HostBackendCurrent()->audio_rate(device->output)
               : 0;
}

// ---------------------------------------------------------------------------
// Buffers

HostAudioBuffer* HostAudioBufferCreate(HostAudioDevice* device, const HostAudioBufferDesc* desc) {
    if (device == nullptr || desc == nullptr || desc->dwSize != DESC_SIZE ||
        desc->dwReserved != 0 || (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) ||
        ((desc->dwFlags & DSBCAPS_LOCHARDWARE) && (desc->dwFlags & DSBCAPS_LOCSOFTWARE)) ||
        desc->dwBufferBytes == 0 || desc->dwBufferBytes > DSBSIZE_MAX ||
        !FormatAccepted(desc->lpwfxFormat) || Refused(HOST_REFUSE_AUDIO_CREATE_BUFFER)) {
        return nullptr;
    }
    std::shared_ptr<Samples> samples;
    try {
        samples = std::make_shared<Samples>();
        samples->bytes.assign(desc->dwBufferBytes, 128);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    if (device->cooperative_level == 0) {
        return nullptr;
    }
    HostAudioBuffer* buffer = NewBuffer(device);
    if (buffer == nullptr) {
        return nullptr;
    }
    buffer->samples = std::move(samples);
    buffer->size = desc->dwBufferBytes;
    buffer->caps = desc->dwFlags;
    buffer->original_frequency = desc->lpwfxFormat->nSamplesPerSec;
    buffer->frequency = buffer->original_frequency;
    return buffer;
}

HostAudioBuffer* HostAudioBufferDuplicate(HostAudioDevice* device, HostAudioBuffer* source) {
    if (device == nullptr || source == nullptr || source->device != device ||
        Refused(HOST_REFUSE_AUDIO_DUPLICATE)) {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    HostAudioBuffer* buffer = NewBuffer(device);
    if (buffer == nullptr) {
        return nullptr;
    }
    buffer->samples = source->samples;
    buffer->size = source->size;
    buffer->caps = source->caps;
    buffer->original_frequency = source->original_frequency;
    buffer->frequency = source->frequency;
    buffer->volume = source->volume;
    buffer->pan = source->pan;
    UpdateGains(buffer);
    return buffer;
}

void HostAudioBufferRelease(HostAudioBuffer* buffer) {
    if (buffer == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    DeleteBuffer(buffer);
}

int HostAudioBufferLock(HostAudioBuffer* buffer, uint32_t offset, uint32_t bytes, void** ptr1,
                        uint32_t* len1, void** ptr2, uint32_t* len2, uint32_t flags) {
    if (buffer == nullptr || ptr1 == nullptr || len1 == nullptr ||
        Refused(HOST_REFUSE_AUDIO_LOCK)) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    const uint32_t size = buffer->size;
    if (flags & DSBLOCK_ENTIREBUFFER) {
        bytes = size;
    }
    if (buffer->locked || offset >= size || bytes == 0 || bytes > size) {
        return 0;
    }
    uint32_t start = offset;
    if (flags & DSBLOCK_FROMWRITECURSOR) {
        start = static_cast<uint32_t>(((buffer->position >> 32) + offset) % size);
    }
    const uint32_t first = std::min(bytes, size - start);
    const uint32_t second = bytes - first;
    if (second > 0 && (ptr2 == nullptr || len2 == nullptr)) {
        return 0;
    }
    uint8_t* base = buffer->samples->bytes.data();
    buffer->locked = 1;
    buffer->lock_ptr1 = base + start;
    buffer->lock_len1 = first;
    buffer->lock_ptr2 = second > 0 ? base : nullptr;
    buffer->lock_len2 = second;
    ++buffer->samples->locks;
    *ptr1 = buffer->lock_ptr1;
    *len1 = first;
    if (ptr2 != nullptr) {
        *ptr2 = buffer->lock_ptr2;
    }
    if (len2 != nullptr) {
        *len2 = second;
    }
    return 1;
}

int HostAudioBufferUnlock(HostAudioBuffer* buffer, void* ptr1, uint32_t len1, void* ptr2,
                          uint32_t len2) {
    if (buffer == nullptr || Refused(HOST_REFUSE_AUDIO_UNLOCK)) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    if (!buffer->locked || ptr1 != buffer->lock_ptr1 || len1 > buffer->lock_len1 ||
        ptr2 != buffer->lock_ptr2 || len2 > buffer->lock_len2) {
        return 0;
    }
    buffer->locked = 0;
    buffer->lock_ptr1 = nullptr;
    buffer->lock_ptr2 = nullptr;
    buffer->lock_len1 = 0;
    buffer->lock_len2 = 0;
    --buffer->samples->locks;
    return 1;
}

int HostAudioBufferPlay(HostAudioBuffer* buffer, uint32_t reserved, uint32_t priority,
                        uint32_t flags) {
    if (buffer == nullptr || reserved != 0 || priority != 0 || (flags & ~DSBPLAY_LOOPING) ||
        Refused(HOST_REFUSE_AUDIO_PLAY)) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    if (!buffer->playing) {
        PrepareStart(buffer);
    }
    buffer->playing = 1;
    buffer->looping = (flags & DSBPLAY_LOOPING) ? 1 : 0;
    return 1;
}

int HostAudioBufferStop(HostAudioBuffer* buffer) {
    if (buffer == nullptr) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    StartTail(buffer);
    buffer->playing = 0;
    buffer->fade_in = -1;
    return 1;
}

int HostAudioBufferSetCurrentPosition(HostAudioBuffer* buffer, uint32_t position) {
    if (buffer == nullptr || Refused(HOST_REFUSE_AUDIO_SET_POSITION)) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    if (position >= buffer->size) {
        return 0;
    }
    // Moving a playing buffer is a stop at the old place and a start at the new one.
    StartTail(buffer);
    buffer->position = uint64_t{position} << 32;
    if (buffer->playing) {
        PrepareStart(buffer);
    }
    return 1;
}

int HostAudioBufferGetCurrentPosition(HostAudioBuffer* buffer, uint32_t* play, uint32_t* write) {
    if (buffer == nullptr) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    const uint32_t position = static_cast<uint32_t>(buffer->position >> 32);
    if (play != nullptr) {
        *play = position;
    }
    if (write != nullptr) {
        *write = position;
    }
    return 1;
}

int HostAudioBufferGetStatus(HostAudioBuffer* buffer, uint32_t* status) {
    if (buffer == nullptr || status == nullptr || Refused(HOST_REFUSE_AUDIO_STATUS)) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    *status = 0;
    if (buffer->playing) {
        *status = DSBSTATUS_PLAYING | (buffer->looping ? DSBSTATUS_LOOPING : 0);
    }
    return 1;
}

int HostAudioBufferSetVolume(HostAudioBuffer* buffer, int32_t volume) {
    if (buffer == nullptr || !(buffer->caps & DSBCAPS_CTRLVOLUME) || volume < DSBVOLUME_MIN ||
        volume > DSBVOLUME_MAX) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    buffer->volume = volume;
    UpdateGains(buffer);
    return 1;
}

int HostAudioBufferGetVolume(HostAudioBuffer* buffer, int32_t* volume) {
    if (buffer == nullptr || volume == nullptr || !(buffer->caps & DSBCAPS_CTRLVOLUME)) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    *volume = buffer->volume;
    return 1;
}

int HostAudioBufferSetPan(HostAudioBuffer* buffer, int32_t pan) {
    if (buffer == nullptr || !(buffer->caps & DSBCAPS_CTRLPAN) || pan < DSBPAN_LEFT ||
        pan > DSBPAN_RIGHT) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    buffer->pan = pan;
    UpdateGains(buffer);
    return 1;
}

int HostAudioBufferGetPan(HostAudioBuffer* buffer, int32_t* pan) {
    if (buffer == nullptr || pan == nullptr || !(buffer->caps & DSBCAPS_CTRLPAN)) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    *pan = buffer->pan;
    return 1;
}

int HostAudioBufferSetFrequency(HostAudioBuffer* buffer, uint32_t frequency) {
    if (buffer == nullptr || !(buffer->caps & DSBCAPS_CTRLFREQUENCY) ||
        (frequency != DSBFREQUENCY_ORIGINAL &&
         (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    buffer->frequency = frequency == DSBFREQUENCY_ORIGINAL ? buffer->original_frequency : frequency;
    return 1;
}

int HostAudioBufferGetFrequency(HostAudioBuffer* buffer, uint32_t* frequency) {
    if (buffer == nullptr || frequency == nullptr || !(buffer->caps & DSBCAPS_CTRLFREQUENCY)) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    *frequency = buffer->frequency;
    return 1;
}

// ---------------------------------------------------------------------------
// Mixing

void HostAudioMix(HostAudioDevice* device, int16_t* stereo_out, int frames, int rate) {
    if (stereo_out == nullptr || frames <= 0) {
        return;
    }
    if (device == nullptr || rate <= 0) {
        std::memset(stereo_out, 0, sizeof(int16_t) * 2 * static_cast<size_t>(frames));
        return;
    }
    std::lock_guard<std::mutex> guard(Audio().mutex);
    int32_t* acc = device->accumulator.data();
    for (int done = 0; done < frames; done += MIX_CHUNK) {
        const int count = std::min(MIX_CHUNK, frames - done);
        std::fill(acc, acc + 2 * count, 0);
        for (HostAudioBuffer* buffer : device->buffers) {
            if (buffer->samples->locks != 0) {
                continue;
            }
            if (buffer->tail_done >= 0) {
                MixTail(buffer, acc, count, rate);
            }
            if (buffer->playing) {
                MixBuffer(buffer, acc, count, rate);
            }
        }
        int16_t* out = stereo_out + 2 * static_cast<ptrdiff_t>(done);
        for (int i = 0; i < 2 * count; ++i) {
            out[i] = Limit(acc[i]);
        }
    }
}

// ---------------------------------------------------------------------------
// For tests

int HostAudioLiveBuffers() {
    std::lock_guard<std::mutex> guard(Audio().mutex);
    return Audio().live_buffers;
}
