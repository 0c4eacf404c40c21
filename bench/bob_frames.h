#ifndef QENT_BENCH_BOB_FRAMES_H
#define QENT_BENCH_BOB_FRAMES_H

// The sprite frames every drawer in the sprite benchmarks gets: the same bytes for ours and
// the peers, so each draws exactly the same pixels.

#include <cstdint>
#include <random>
#include <vector>

constexpr int BOB_BENCH_WIDTH = 128;  // the frame
constexpr int BOB_BENCH_HEIGHT = 64;
// What a draw shows: the frame less its last column and row, which our draw leaves out.
// The peers get sprites of exactly this size so that every drawer writes the same pixels.
constexpr int BOB_BENCH_SHOWN_WIDTH = BOB_BENCH_WIDTH - 1;
constexpr int BOB_BENCH_SHOWN_HEIGHT = BOB_BENCH_HEIGHT - 1;
constexpr int BOB_BENCH_NOISY_FRAMES = 8;  // drawn in turn so no branch pattern repeats
constexpr int BOB_BENCH_X = 256;           // whole on screen
constexpr int BOB_BENCH_Y = 208;
constexpr int BOB_BENCH_HALF_LEFT_X = -BOB_BENCH_WIDTH / 2;  // half off the left edge

// One 128x64 frame, rows of 128 bytes; index 0 is transparent.
using BobBenchFrame = std::vector<uint8_t>;

// A solid shape (an ellipse of varied colours) inside a transparent ring: about 40% is 0.
inline BobBenchFrame BobBenchSolidFrame() {
    BobBenchFrame frame(BOB_BENCH_WIDTH * BOB_BENCH_HEIGHT, 0);
    const double rx = 54.5;
    const double ry = 28.0;
    for (int y = 0; y < BOB_BENCH_HEIGHT; ++y) {
        for (int x = 0; x < BOB_BENCH_WIDTH; ++x) {
            const double u = (x + 0.5 - BOB_BENCH_WIDTH / 2.0) / rx;
            const double v = (y + 0.5 - BOB_BENCH_HEIGHT / 2.0) / ry;
            if (u * u + v * v <= 1.0) {
                frame[y * BOB_BENCH_WIDTH + x] = static_cast<uint8_t>(1 + (x * 3 + y * 7) % 255);
            }
        }
    }
    return frame;
}

// Noise: each pixel is 0 with probability 0.4, else a colour 1..255.
inline std::vector<BobBenchFrame> BobBenchNoisyFrames() {
    std::mt19937 random(20240611);
    std::bernoulli_distribution hole(0.4);
    std::uniform_int_distribution<int> colour(1, 255);
    std::vector<BobBenchFrame> frames(BOB_BENCH_NOISY_FRAMES);
    for (BobBenchFrame& frame : frames) {
        frame.resize(BOB_BENCH_WIDTH * BOB_BENCH_HEIGHT);
        for (uint8_t& pixel : frame) {
            pixel = hole(random) ? 0 : static_cast<uint8_t>(colour(random));
        }
    }
    return frames;
}

// The share of index 0 in what is shown, for the benchmark's counters.
inline double BobBenchTransparentShare(const BobBenchFrame& frame) {
    int zeros = 0;
    for (int y = 0; y < BOB_BENCH_SHOWN_HEIGHT; ++y) {
        for (int x = 0; x < BOB_BENCH_SHOWN_WIDTH; ++x) {
            zeros += frame[y * BOB_BENCH_WIDTH + x] == 0 ? 1 : 0;
        }
    }
    return static_cast<double>(zeros) / (BOB_BENCH_SHOWN_WIDTH * BOB_BENCH_SHOWN_HEIGHT);
}

#endif
