#ifndef QENT_BENCH_DRAW_LINES_H
#define QENT_BENCH_DRAW_LINES_H

// The work every drawer in the drawing benchmarks gets: the same 100 on-screen lines, the
// same row and the same rectangle, so ours and the peers write the same pixels.

#include <array>
#include <random>
#include <vector>

constexpr int DRAW_BENCH_WIDTH = 640;
constexpr int DRAW_BENCH_HEIGHT = 480;
constexpr int DRAW_BENCH_LINES = 100;
// One row, always the same: a row that moves measures the memory, not the routine.
constexpr int DRAW_BENCH_ROW = 240;
constexpr int DRAW_BENCH_RECT_X = 100;  // the 200x100 rectangle's top-left corner
constexpr int DRAW_BENCH_RECT_Y = 120;
constexpr int DRAW_BENCH_RECT_W = 200;
constexpr int DRAW_BENCH_RECT_H = 100;
constexpr int DRAW_BENCH_COLOR = 37;

using DrawBenchLine = std::array<int, 4>;  // x0, y0, x1, y1, all on screen

inline std::vector<DrawBenchLine> DrawBenchLines() {
    std::mt19937 random(4242);
    std::uniform_int_distribution<int> x(0, DRAW_BENCH_WIDTH - 1);
    std::uniform_int_distribution<int> y(0, DRAW_BENCH_HEIGHT - 1);
    std::vector<DrawBenchLine> lines(DRAW_BENCH_LINES);
    for (DrawBenchLine& line : lines) {
        line = {x(random), y(random), x(random), y(random)};
    }
    return lines;
}

#endif
