// The mixer under load: 64 voices of 8-bit mono at scattered frequencies, resampled to a
// 48000 Hz stereo output in callback-sized chunks. One iteration is one second of audio,
// so the time per iteration is the CPU cost per second of sound (2% of a core = 20 ms).
// Beside it, SDL doing the same work: an audio stream per voice and SDL_MixAudioFormat.

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/host_audio.h"

namespace {

constexpr int VOICES = 64;
constexpr int OUTPUT_RATE = 48000;
constexpr int CHUNK_FRAMES = 1024;   // what the SDL callback asks for at a time
constexpr int SOURCE_BYTES = 11025;  // one second at the buffers' own rate

std::vector<uint8_t> VoiceSamples(int voice) {
    std::vector<uint8_t> samples(SOURCE_BYTES);
    uint32_t noise = 12345u + static_cast<uint32_t>(voice);
    for (int i = 0; i < SOURCE_BYTES; ++i) {
        noise = noise * 1103515245u + 12345u;
        samples[i] = static_cast<uint8_t>(128 + ((i * (voice + 3)) % 64) - 32 + (noise >> 28));
    }
    return samples;
}

uint32_t VoiceFrequency(int voice) {
    return 6000 + static_cast<uint32_t>(voice) * 450;  // 6000..34350 Hz
}

// Output frames per second of CPU: 48000 of them make one second of audio.
void ReportFrames(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * OUTPUT_RATE);
}

void BM_Mix64Voices_Ours(benchmark::State& state) {
    HostAudioDevice* device = HostAudioDeviceCreate();
    if (device == nullptr || !HostAudioDeviceSetCooperativeLevel(device, nullptr, DSSCL_NORMAL)) {
        state.SkipWithError("no audio device");
        return;
    }
    const HostWaveFormat format = {WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    HostAudioBufferDesc desc{};
    desc.dwSize = 36;
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN |
                   DSBCAPS_CTRLVOLUME;
    desc.dwBufferBytes = SOURCE_BYTES;
    desc.lpwfxFormat = &format;
    for (int voice = 0; voice < VOICES; ++voice) {
        HostAudioBuffer* buffer = HostAudioBufferCreate(device, &desc);
        void* p1 = nullptr;
        uint32_t l1 = 0;
        HostAudioBufferLock(buffer, 0, SOURCE_BYTES, &p1, &l1, nullptr, nullptr, 0);
        const std::vector<uint8_t> samples = VoiceSamples(voice);
        std::copy(samples.begin(), samples.end(), static_cast<uint8_t*>(p1));
        HostAudioBufferUnlock(buffer, p1, l1, nullptr, 0);
        HostAudioBufferSetFrequency(buffer, VoiceFrequency(voice));
        HostAudioBufferSetVolume(buffer, -(voice % 8) * 300);
        HostAudioBufferSetPan(buffer, (voice % 9 - 4) * 1000);
        HostAudioBufferPlay(buffer, 0, 0, DSBPLAY_LOOPING);
    }
    std::vector<int16_t> out(2 * CHUNK_FRAMES);
    for (auto _ : state) {
        for (int done = 0; done < OUTPUT_RATE; done += CHUNK_FRAMES) {
            HostAudioMix(device, out.data(), CHUNK_FRAMES, OUTPUT_RATE);
        }
        benchmark::DoNotOptimize(out.data());
    }
    ReportFrames(state);
    HostAudioDeviceRelease(device);
}
BENCHMARK(BM_Mix64Voices_Ours)->Name("BM_Mix64Voices/qent")->Unit(benchmark::kMillisecond);

// SDL: each voice converted by its own audio stream (U8 mono at its frequency to S16 stereo
// at 48000 Hz), then mixed in with SDL_MixAudioFormat at its volume.
void BM_Mix64Voices_Sdl(benchmark::State& state) {
    std::vector<SDL_AudioStream*> streams;
    std::vector<std::vector<uint8_t>> sources;
    for (int voice = 0; voice < VOICES; ++voice) {
        SDL_AudioStream* stream = SDL_NewAudioStream(
            AUDIO_U8, 1, static_cast<int>(VoiceFrequency(voice)), AUDIO_S16SYS, 2, OUTPUT_RATE);
        if (stream == nullptr) {
            state.SkipWithError("SDL_NewAudioStream failed");
            return;
        }
        streams.push_back(stream);
        sources.push_back(VoiceSamples(voice));
    }
    std::vector<size_t> read_at(VOICES, 0);
    std::vector<int16_t> out(2 * CHUNK_FRAMES);
    std::vector<int16_t> converted(2 * CHUNK_FRAMES);
    const int chunk_bytes = CHUNK_FRAMES * 4;
    for (auto _ : state) {
        for (int done = 0; done < OUTPUT_RATE; done += CHUNK_FRAMES) {
            std::fill(out.begin(), out.end(), 0);
            for (int voice = 0; voice < VOICES; ++voice) {
                SDL_AudioStream* stream = streams[voice];
                // Feed the looping source until a chunk's worth is ready.
                while (SDL_AudioStreamAvailable(stream) < chunk_bytes) {
                    const size_t n = std::min<size_t>(512, SOURCE_BYTES - read_at[voice]);
                    SDL_AudioStreamPut(stream, sources[voice].data() + read_at[voice],
                                       static_cast<int>(n));
                    read_at[voice] = (read_at[voice] + n) % SOURCE_BYTES;
                }
                SDL_AudioStreamGet(stream, converted.data(), chunk_bytes);
                SDL_MixAudioFormat(reinterpret_cast<Uint8*>(out.data()),
                                   reinterpret_cast<const Uint8*>(converted.data()), AUDIO_S16SYS,
                                   chunk_bytes, SDL_MIX_MAXVOLUME - (voice % 8) * 10);
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
    ReportFrames(state);
    for (SDL_AudioStream* stream : streams) {
        SDL_FreeAudioStream(stream);
    }
}
BENCHMARK(BM_Mix64Voices_Sdl)
    ->Name("BM_Mix64Voices/sdl2_stream_mix")
    ->Unit(benchmark::kMillisecond);

}  // namespace
