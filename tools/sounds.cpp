#include "tools/sounds.h"

#include <algorithm>
#include <cmath>

#include "tools/paint.h"

namespace {

const double TWO_PI = 6.283185307179586;

uint8_t ToSample(double v) {
    long s = std::lround(128.0 + 127.0 * v);
    return static_cast<uint8_t>(std::clamp(s, 0L, 255L));
}

}  // namespace

std::vector<uint8_t> AssetSoundRifle() {
    std::vector<uint8_t> out(RIFLE_SAMPLES);
    Rng rng = {0xB1A57ull};
    double prev = 0;
    double body = 0;
    double rumble = 0;
    double phase = 0;
    const int fade = SOUND_RATE / 50;  // the last 20 ms ease into silence
    for (int n = 0; n < RIFLE_SAMPLES; ++n) {
        double t = static_cast<double>(n) / SOUND_RATE;
        double white = RngFloat(&rng) * 2.0 - 1.0;
        double crack = (white - prev) * 0.5;
        prev = white;
        body += 0.25 * (white - body);
        rumble += 0.06 * (white - rumble);
        double attack = std::min(1.0, t / 0.0008);
        double burst = attack * (crack * std::exp(-t / 0.010) + body * 1.6 * std::exp(-t / 0.045));
        double tail = rumble * 1.05 * std::exp(-t / 0.16);
        double f = 48.0 + 110.0 * std::exp(-t / 0.025);
        phase += TWO_PI * f / SOUND_RATE;
        double thump = std::sin(phase) * 0.85 * std::exp(-t / 0.07) * std::min(1.0, t / 0.002);
        double v = std::tanh(1.6 * (burst + tail + thump)) / std::tanh(1.6);
        if (n >= RIFLE_SAMPLES - fade) {
            v *= static_cast<double>(RIFLE_SAMPLES - 1 - n) / fade;
        }
        out[static_cast<size_t>(n)] = ToSample(v);
    }
    return out;
}

std::vector<uint8_t> AssetSoundBeep() {
    std::vector<uint8_t> out(static_cast<size_t>(BEEP_PERIOD) * BEEP_CYCLES);
    for (size_t n = 0; n < out.size(); ++n) {
        double phase = TWO_PI * static_cast<double>(n % BEEP_PERIOD) / BEEP_PERIOD;
        out[n] = ToSample(0.56 * std::sin(phase));
    }
    return out;
}
