// The mixer with the game's own two sounds, as the generator makes them, rendered headless at
// the SDL output's 48000 Hz: the lock-on tone started and stopped at every phase, the rifle
// shot, shot again while it sounds and cut off by a quit, and a shot over the looping tone.
// No start or stop may jump (a click), and a shot over the tone may not clip harder than the
// shot alone. QENT_MIXER_WAV=<prefix> also writes each render as <prefix>-<name>.wav.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lib/sound.h"
#include "platform/headless.h"
#include "platform/host_audio.h"
#include "tests/support/game_support.h"

namespace {

constexpr int OUTPUT_RATE = 48000;
constexpr int GAME_CONTROLS = 0xE0;  // the controls the game loads its sounds with
constexpr int CLICK_STEP = 3000;     // of 32768: a larger jump from one frame to the next
constexpr int FRAME_MS = 33;         // the game starts and stops sounds once a frame
constexpr int RAMP_FRAMES = OUTPUT_RATE * HOST_AUDIO_RAMP_MS / 1000;

// A render: stereo frames, left and right interleaved, with the frames where events fell.
struct Render {
    std::vector<int16_t> stereo;
    std::vector<int> events;
};

// Mixes up to frame `until` in callback-sized pieces; the next event happens there.
void MixTo(Render* r, int until) {
    const int done = static_cast<int>(r->stereo.size() / 2);
    r->stereo.resize(2 * static_cast<size_t>(until));
    for (int at = done; at < until;) {
        const int count = std::min(1024, until - at);
        HostAudioMix(sound_device, r->stereo.data() + 2 * static_cast<size_t>(at), count,
                     OUTPUT_RATE);
        at += count;
    }
}

void Event(Render* r, int frame) {
    MixTo(r, frame);
    r->events.push_back(frame);
}

// The largest change from one frame to the next, either channel, over frames [from, to).
int LargestStep(const Render& r, int from, int to) {
    int largest = 0;
    const int frames = static_cast<int>(r.stereo.size() / 2);
    for (int i = std::max(from, 1); i < std::min(to, frames); ++i) {
        for (int c = 0; c < 2; ++c) {
            const int step = r.stereo[2 * i + c] - r.stereo[2 * (i - 1) + c];
            largest = std::max(largest, step < 0 ? -step : step);
        }
    }
    return largest;
}

int FullScale(const Render& r) {
    return static_cast<int>(std::count_if(r.stereo.begin(), r.stereo.end(),
                                          [](int16_t v) { return v >= 32767 || v <= -32767; }));
}

void WriteWave(const Render& r, const char* name) {
    const char* prefix = std::getenv("QENT_MIXER_WAV");
    if (prefix == nullptr) {
        return;
    }
    const std::string path = std::string(prefix) + "-" + name + ".wav";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        ADD_FAILURE() << "cannot write " << path;
        return;
    }
    const uint32_t data = static_cast<uint32_t>(r.stereo.size() * 2);
    auto put32 = [file](uint32_t v) {
        const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                              static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
        std::fwrite(b, 1, 4, file);
    };
    auto put16 = [file](uint16_t v) {
        const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
        std::fwrite(b, 1, 2, file);
    };
    std::fwrite("RIFF", 1, 4, file);
    put32(36 + data);
    std::fwrite("WAVEfmt ", 1, 8, file);
    put32(16);
    put16(1);
    put16(2);
    put32(OUTPUT_RATE);
    put32(OUTPUT_RATE * 4);
    put16(4);
    put16(16);
    std::fwrite("data", 1, 4, file);
    put32(data);
    for (int16_t v : r.stereo) {
        put16(static_cast<uint16_t>(v));
    }
    std::fclose(file);
}

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string& folder = GameAssetFolder();
        ASSERT_FALSE(folder.empty()) << "the asset generator did not run";
        HeadlessReset();
        SoundShutdown();
        sound_init_pending = 1;
        ASSERT_EQ(SoundInit(), 1);
        rifle = SoundLoadWave((folder + "/Rifle.WAV").c_str(), GAME_CONTROLS);
        tone = SoundLoadWave((folder + "/Beep.wav").c_str(), GAME_CONTROLS);
        ASSERT_GE(rifle, 0);
        ASSERT_GE(tone, 0);
    }
    void TearDown() override {
        SoundShutdown();
        sound_init_pending = 1;
    }
    int rifle = -1;
    int tone = -1;
};

// The tone comes on and goes off as the sight crosses the duck: every frame or so, at every
// phase of its wave. Its own wave changes by at most about 2,400 a frame, so any larger step
// anywhere is a start or stop jumping.
TEST_F(MixerTest, TheLockToneStartsAndStopsWithoutAClick) {
    Render r;
    uint32_t seed = 12345;
    int at = 100;
    for (int i = 0; i < 60; ++i) {
        seed = seed * 1664525u + 1013904223u;
        Event(&r, at);
        SoundPlay(tone, SOUND_PLAY_LOOPING);
        at += OUTPUT_RATE * FRAME_MS / 1000 * static_cast<int>(1 + (seed >> 16) % 4) +
              static_cast<int>((seed >> 8) % 97);
        Event(&r, at);
        SoundStop(tone);
        EXPECT_EQ(SoundGetStatus(tone), 0) << "stopped at once";
        at += OUTPUT_RATE * FRAME_MS / 1000 + static_cast<int>(seed % 89);
    }
    MixTo(&r, at + RAMP_FRAMES);
    WriteWave(r, "tone");
    const int largest = LargestStep(r, 0, static_cast<int>(r.stereo.size() / 2));
    std::printf("lock tone, 60 starts and stops: largest step %d of 32768\n", largest);
    EXPECT_LT(largest, CLICK_STEP);
}

// A shot, a second shot 60 ms into the first, and a quit (every sound stopped) 60 ms into
// the second: each event lands where the shot before is loud (about 23,800) but changes by
// less than a click's step from frame to frame, and none may jump there.
TEST_F(MixerTest, ARifleShotRestartsAndStopsWithoutAClick) {
    Render plain;
    SoundPlay(rifle, 0);
    MixTo(&plain, OUTPUT_RATE / 2);
    const int shot = OUTPUT_RATE * 60 / 1000;
    const int premise = LargestStep(plain, shot - 2, shot + RAMP_FRAMES + 2);
    ASSERT_LT(premise, CLICK_STEP) << "the shot's own steps at 60 ms";

    Render r;
    Event(&r, 0);
    SoundPlay(rifle, 0);
    Event(&r, shot);
    SoundPlay(rifle, 0);  // the second shot rewinds the first
    Event(&r, 2 * shot);
    SoundStopAll();
    MixTo(&r, 3 * shot);
    WriteWave(r, "rifle");
    int largest = 0;
    for (size_t i = 0; i < r.events.size(); ++i) {
        // A new shot starts from silence, so its first frames are quiet; a stop fades.
        const int e = r.events[i];
        const int to = i == 2 ? e + RAMP_FRAMES + 2 : e + 3;
        const int step = LargestStep(r, e, to);
        EXPECT_LT(step, CLICK_STEP) << "at event " << i << ", frame " << e;
        largest = std::max(largest, step);
    }
    std::printf("rifle start, restart and stop: largest step %d of 32768\n", largest);
}

// A hit while the tone loops: the sum may not reach full scale more often than the shot
// alone does, at whatever phase of the tone the shot falls.
TEST_F(MixerTest, AShotOverTheToneClipsNoMoreThanTheShotAlone) {
    Render alone;
    SoundPlay(rifle, 0);
    MixTo(&alone, OUTPUT_RATE / 2);
    WriteWave(alone, "rifle-alone");
    const int alone_full = FullScale(alone);
    int worst = 0;
    for (int offset : {0, 13, 29, 41}) {
        SoundStopAll();
        Render warm;
        MixTo(&warm, RAMP_FRAMES * 2);  // the last case's fades are over
        Render both;
        SoundPlay(tone, SOUND_PLAY_LOOPING);
        MixTo(&both, offset);
        SoundPlay(rifle, 0);
        both.stereo.clear();
        MixTo(&both, OUTPUT_RATE / 2);
        if (offset == 0) {
            WriteWave(both, "overlap");
        }
        const int full = FullScale(both);
        EXPECT_LE(full, alone_full) << "the shot " << offset << " frames into the tone";
        worst = std::max(worst, full);
    }
    std::printf("full-scale samples: the shot alone %d, over the tone at most %d\n", alone_full,
                worst);
}

}  // namespace
