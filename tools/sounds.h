#ifndef QENT_TOOLS_SOUNDS_H
#define QENT_TOOLS_SOUNDS_H

// The game's two sounds, synthesised as 8-bit unsigned mono samples at 11025 per second.

#include <cstdint>
#include <vector>

constexpr int SOUND_RATE = 11025;
constexpr int RIFLE_SAMPLES = 4410;  // 0.4 s
constexpr int BEEP_PERIOD = 11;      // samples per cycle: 11025 / 11 = 1002.27 Hz
constexpr int BEEP_CYCLES = 200;     // whole cycles, so the loop joins without a click

std::vector<uint8_t> AssetSoundRifle();  // a crack of filtered noise over a falling low thump
std::vector<uint8_t> AssetSoundBeep();   // BEEP_CYCLES x BEEP_PERIOD samples of a sine

#endif
