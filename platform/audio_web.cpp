// The mixer's sound through WebAudio. Browsers play nothing before the page has had a click
// or a key, so the output starts silent: the mixer runs on the clock and its samples are
// dropped. From the first gesture on, mixed chunks are queued back to back on an
// AudioContext, a few chunks ahead of what is heard; the program's waits keep the queue full.

#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "platform/web_internal.h"

struct HostAudioOutput {
    HostAudioDevice* device = nullptr;
    int playing = 0;             // the page's audio runs and takes our chunks
    double silent_since = 0;     // ms: when the silent mixing started counting
    int64_t silent_frames = 0;   // frames mixed and dropped since then
    std::vector<int16_t> chunk;  // one chunk, left and right
};

namespace {

constexpr int WEB_AUDIO_RATE = 48000;
constexpr int WEB_AUDIO_CHUNK = 512;          // frames: about 11 ms
constexpr int WEB_AUDIO_AHEAD = 4 * 512;      // frames queued ahead of the speakers: 43 ms
constexpr int64_t WEB_AUDIO_CATCH_UP = 4800;  // silent: at most 100 ms mixed at once

HostAudioOutput* web_output = nullptr;  // the one open output

// clang-format off
// The first click or key makes (or wakes) the page's AudioContext, kept for the page's later
// games. Until it runs, the output's state reads 0.
EM_JS(void, web_audio_listen, (int rate), {
    var audio = {rate: rate, next: 0, sources: new Set(), listeners: []};
    function start() {
        var context = globalThis['qentAudioContext'];
        if (!context) {
            var Context = globalThis.AudioContext || globalThis.webkitAudioContext;
            if (!Context) return;
            try {
                context = new Context({sampleRate: rate});
            } catch (e) {
                context = new Context();  // buffers at our rate are resampled by the browser
            }
            globalThis['qentAudioContext'] = context;
        }
        audio.context = context;
        if (context.state != 'running') context.resume();
    }
    ['mousedown', 'keydown', 'touchend'].forEach(function(type) {
        window.addEventListener(type, start, true);
        audio.listeners.push(type);
    });
    audio.start = start;
    Module['qentAudio'] = audio;
    // A page that woke the sound for an earlier game plays the next one at once. (The page's
    // own activation flag is not asked: a headless browser may report it set before any click.)
    if (globalThis['qentAudioContext']) start();
});

EM_JS(void, web_audio_unlisten, (), {
    var audio = Module['qentAudio'];
    if (!audio) return;
    audio.listeners.forEach(function(type) { window.removeEventListener(type, audio.start, true); });
    audio.sources.forEach(function(source) { source.stop(); });
    audio.sources.clear();
    Module['qentAudio'] = null;
});

EM_JS(int, web_audio_running, (), {
    var audio = Module['qentAudio'];
    return audio && audio.context && audio.context.state == 'running' ? 1 : 0;
});

// Frames queued and not yet heard.
EM_JS(int, web_audio_queued, (), {
    var audio = Module['qentAudio'];
    if (!audio || !audio.context) return 0;
    return Math.max(0, Math.round((audio.next - audio.context.currentTime) * audio.rate));
});

// Queues frames of 16-bit stereo right after the last chunk; after a gap, a little ahead of now.
EM_JS(void, web_audio_push, (const int16_t* samples, int frames), {
    var audio = Module['qentAudio'];
    if (!audio || !audio.context) return;
    var context = audio.context;
    var buffer = context.createBuffer(2, frames, audio.rate);
    var left = buffer.getChannelData(0);
    var right = buffer.getChannelData(1);
    var base = samples >> 1;
    for (var i = 0; i < frames; i++) {
        left[i] = HEAP16[base + 2 * i] / 32768;
        right[i] = HEAP16[base + 2 * i + 1] / 32768;
    }
    var source = context.createBufferSource();
    source.buffer = buffer;
    source.connect(context.destination);
    var lead = 0.01;
    var at = Math.max(audio.next, context.currentTime + lead);
    source.start(at);
    audio.next = at + frames / audio.rate;
    audio.sources.add(source);
    source.onended = function() { audio.sources.delete(source); };
});
// clang-format on

}  // namespace

HostAudioOutput* HostAudioWebOpen(HostAudioDevice* device) {
    if (web_output != nullptr) {
        return nullptr;  // one output at a time, as one speaker
    }
    HostAudioOutput* output = new (std::nothrow) HostAudioOutput;
    if (output == nullptr) {
        return nullptr;
    }
    output->device = device;
    output->silent_since = emscripten_get_now();
    output->chunk.assign(2 * WEB_AUDIO_CHUNK, 0);
    web_audio_listen(WEB_AUDIO_RATE);
    web_output = output;
    return output;
}

int HostAudioWebRate(const HostAudioOutput* output) {
    return output != nullptr ? WEB_AUDIO_RATE : 0;
}

void HostAudioWebClose(HostAudioOutput* output) {
    if (output == nullptr) {
        return;
    }
    web_audio_unlisten();
    if (web_output == output) {
        web_output = nullptr;
    }
    delete output;
}

void HostAudioWebService() {
    HostAudioOutput* output = web_output;
    if (output == nullptr) {
        return;
    }
    int16_t* chunk = output->chunk.data();
    if (web_audio_running()) {
        output->playing = 1;
        for (int queued = web_audio_queued(); queued < WEB_AUDIO_AHEAD; queued += WEB_AUDIO_CHUNK) {
            HostAudioMix(output->device, chunk, WEB_AUDIO_CHUNK, WEB_AUDIO_RATE);
            web_audio_push(chunk, WEB_AUDIO_CHUNK);
        }
        return;
    }
    const double now = emscripten_get_now();
    if (output->playing) {
        // The page's audio stopped (suspended): the clock takes over from here.
        output->playing = 0;
        output->silent_since = now;
        output->silent_frames = 0;
    }
    const int64_t due = static_cast<int64_t>((now - output->silent_since) * WEB_AUDIO_RATE / 1000);
    int64_t behind = due - output->silent_frames;
    if (behind > WEB_AUDIO_CATCH_UP) {
        // A long stall: what was missed is skipped, not mixed all at once.
        output->silent_frames += behind - WEB_AUDIO_CATCH_UP;
        behind = WEB_AUDIO_CATCH_UP;
    }
    while (behind > 0) {
        const int frames = static_cast<int>(std::min<int64_t>(behind, WEB_AUDIO_CHUNK));
        HostAudioMix(output->device, chunk, frames, WEB_AUDIO_RATE);
        output->silent_frames += frames;
        behind -= frames;
    }
}
