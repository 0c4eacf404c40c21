// waveOut for the mixer: the default output in 16-bit stereo, a few blocks queued at once.
// A thread of the device's own waits for each block to come back and fills it again from
// HostAudioMix, which takes the mixer's own mutex; it allocates nothing while it plays.

#include <atomic>
#include <new>
#include <thread>
#include <vector>

#include "platform/win32_internal.h"

#include <mmsystem.h>  // needs windows.h first

namespace {

constexpr int OUTPUT_RATES[] = {48000, 44100, 22050};  // the first the device takes
constexpr int BLOCK_COUNT = 6;
constexpr int BLOCK_FRAMES = 1024;  // about 21 ms at 48000 Hz: 128 ms queued, for busy machines
constexpr int CHANNELS = 2;

}  // namespace

struct HostAudioOutput {
    HWAVEOUT wave = nullptr;
    HANDLE block_done = nullptr;  // set by waveOut whenever a block has played
    HostAudioDevice* device = nullptr;
    int rate = 0;
    std::vector<int16_t> samples;  // BLOCK_COUNT blocks of BLOCK_FRAMES stereo frames
    WAVEHDR blocks[BLOCK_COUNT]{};
    std::atomic<bool> stopping{false};
    std::thread feeder;
};

namespace {

void FillBlock(HostAudioOutput* output, WAVEHDR* block) {
    HostAudioMix(output->device, reinterpret_cast<int16_t*>(block->lpData), BLOCK_FRAMES,
                 output->rate);
    waveOutWrite(output->wave, block, sizeof *block);
}

void Feed(HostAudioOutput* output) {
    while (!output->stopping.load()) {
        WaitForSingleObject(output->block_done, INFINITE);
        for (WAVEHDR& block : output->blocks) {
            if (!output->stopping.load() && (block.dwFlags & WHDR_DONE)) {
                FillBlock(output, &block);
            }
        }
    }
}

HWAVEOUT OpenWave(HANDLE event, int* rate) {
    for (int candidate : OUTPUT_RATES) {
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = CHANNELS;
        format.nSamplesPerSec = static_cast<DWORD>(candidate);
        format.wBitsPerSample = 16;
        format.nBlockAlign = CHANNELS * 2;
        format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
        HWAVEOUT wave = nullptr;
        const MMRESULT result = waveOutOpen(&wave, WAVE_MAPPER, &format,
                                            reinterpret_cast<DWORD_PTR>(event), 0, CALLBACK_EVENT);
        if (result == MMSYSERR_NOERROR) {
            *rate = candidate;
            return wave;
        }
        if (result != WAVERR_BADFORMAT) {
            return nullptr;  // no device at all
        }
    }
    return nullptr;
}

}  // namespace

HostAudioOutput* Win32AudioOpen(HostAudioDevice* device) {
    HostAudioOutput* output = new (std::nothrow) HostAudioOutput;
    if (output == nullptr) {
        return nullptr;
    }
    output->device = device;
    output->block_done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (output->block_done != nullptr) {
        output->wave = OpenWave(output->block_done, &output->rate);
    }
    if (output->wave == nullptr) {
        if (output->block_done != nullptr) {
            CloseHandle(output->block_done);
        }
        delete output;
        return nullptr;
    }
    try {
        output->samples.assign(static_cast<size_t>(BLOCK_COUNT) * BLOCK_FRAMES * CHANNELS, 0);
        for (int i = 0; i < BLOCK_COUNT; ++i) {
            WAVEHDR& block = output->blocks[i];
            block.lpData = reinterpret_cast<LPSTR>(
                output->samples.data() + static_cast<size_t>(i) * BLOCK_FRAMES * CHANNELS);
            block.dwBufferLength = BLOCK_FRAMES * CHANNELS * sizeof(int16_t);
            waveOutPrepareHeader(output->wave, &block, sizeof block);
        }
        // The blocks start out silent (nothing plays yet) and come back one by one.
        for (WAVEHDR& block : output->blocks) {
            waveOutWrite(output->wave, &block, sizeof block);
        }
        output->feeder = std::thread(Feed, output);
    } catch (...) {
        waveOutReset(output->wave);
        for (WAVEHDR& block : output->blocks) {
            if (block.dwFlags & WHDR_PREPARED) {
                waveOutUnprepareHeader(output->wave, &block, sizeof block);
            }
        }
        waveOutClose(output->wave);
        CloseHandle(output->block_done);
        delete output;
        return nullptr;
    }
    return output;
}

int Win32AudioRate(const HostAudioOutput* output) {
    return output != nullptr ? output->rate : 0;
}

void Win32AudioClose(HostAudioOutput* output) {
    if (output == nullptr) {
        return;
    }
    output->stopping.store(true);
    SetEvent(output->block_done);
    if (output->feeder.joinable()) {
        output->feeder.join();
    }
    waveOutReset(output->wave);  // every queued block comes back done
    for (WAVEHDR& block : output->blocks) {
        waveOutUnprepareHeader(output->wave, &block, sizeof block);
    }
    waveOutClose(output->wave);
    CloseHandle(output->block_done);
    delete output;
}
