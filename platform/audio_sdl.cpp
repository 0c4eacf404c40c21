// SDL's audio output for the mixer: the default device in 16-bit stereo, fed from its
// callback. The callback only mixes, under the mixer's own mutex, and allocates nothing.

#include <SDL.h>

#include <new>

#include "platform/host.h"
#include "platform/sdl_internal.h"

struct HostAudioOutput {
    SDL_AudioDeviceID id = 0;
    HostAudioDevice* device = nullptr;
    int rate = 0;
};

namespace {

constexpr int OUTPUT_RATE = 48000;
constexpr Uint16 OUTPUT_FRAMES = 1024;  // about 21 ms per callback at 48000 Hz

void OutputCallback(void* userdata, Uint8* stream, int length) {
    const HostAudioOutput* output = static_cast<const HostAudioOutput*>(userdata);
    // 4 bytes per frame: two 16-bit channels.
    HostAudioMix(output->device, reinterpret_cast<int16_t*>(stream), length / 4, output->rate);
}

}  // namespace

HostAudioOutput* HostAudioSdlOpen(HostAudioDevice* device) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return nullptr;
    }
    HostAudioOutput* output = new (std::nothrow) HostAudioOutput;
    if (output == nullptr) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    output->device = device;
    SDL_AudioSpec want{};
    want.freq = OUTPUT_RATE;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = OUTPUT_FRAMES;
    want.callback = OutputCallback;
    want.userdata = output;
    SDL_AudioSpec have{};
    // Only the rate may differ from what we ask: SDL converts anything else for us.
    output->id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (output->id == 0 || have.freq <= 0) {
        if (output->id != 0) {
            SDL_CloseAudioDevice(output->id);
        }
        delete output;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    // The device opens paused, so the callback has not read the rate yet.
    output->rate = have.freq;
    SDL_PauseAudioDevice(output->id, 0);
    return output;
}

int HostAudioSdlRate(const HostAudioOutput* output) {
    return output != nullptr ? output->rate : 0;
}

void HostAudioSdlClose(HostAudioOutput* output) {
    if (output == nullptr) {
        return;
    }
    if (HostProcessEnding()) {
        // Pausing takes the device's lock, so no callback runs after it; closing would also
        // wait for SDL's sound thread to wake from its sleep, which the exit does not need.
        // The record stays, still the device's userdata, until the process ends.
        SDL_PauseAudioDevice(output->id, 1);
        return;
    }
    SDL_CloseAudioDevice(output->id);
    delete output;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
