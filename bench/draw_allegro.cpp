// Drawing primitives by Allegro 4 on an 8-bit memory bitmap: hline, rectfill and line on the
// same row, rectangle and lines as ours. Kept apart from the SDL benchmarks because the two
// libraries' headers clash.

#ifdef QENT_HAVE_ALLEGRO

#define ALLEGRO_NO_MAGIC_MAIN
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "bench/draw_lines.h"

namespace {

struct AllegroCanvas {
    BITMAP* screen = nullptr;
    std::vector<DrawBenchLine> lines = DrawBenchLines();
};

AllegroCanvas* Allegro() {
    static AllegroCanvas* canvas = nullptr;
    if (canvas == nullptr) {
        canvas = new AllegroCanvas;
        install_allegro(SYSTEM_NONE, &errno, atexit);
        set_color_depth(8);
        canvas->screen = create_bitmap(DRAW_BENCH_WIDTH, DRAW_BENCH_HEIGHT);
        clear_to_color(canvas->screen, 0);
    }
    return canvas;
}

void BM_AllegroHLine(benchmark::State& state) {
    BITMAP* screen = Allegro()->screen;
    for (auto _ : state) {
        hline(screen, 0, DRAW_BENCH_ROW, DRAW_BENCH_WIDTH - 1, DRAW_BENCH_COLOR);
        benchmark::ClobberMemory();
    }
}

void BM_AllegroRectFill(benchmark::State& state) {
    BITMAP* screen = Allegro()->screen;
    for (auto _ : state) {
        rectfill(screen, DRAW_BENCH_RECT_X, DRAW_BENCH_RECT_Y,
                 DRAW_BENCH_RECT_X + DRAW_BENCH_RECT_W - 1,
                 DRAW_BENCH_RECT_Y + DRAW_BENCH_RECT_H - 1, DRAW_BENCH_COLOR);
        benchmark::ClobberMemory();
    }
}

void BM_AllegroLines(benchmark::State& state) {
    AllegroCanvas* canvas = Allegro();
    for (auto _ : state) {
        for (const DrawBenchLine& l : canvas->lines) {
            line(canvas->screen, l[0], l[1], l[2], l[3], DRAW_BENCH_COLOR);
        }
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_AllegroHLine)->Name("BM_HLineDraw640/allegro4");
BENCHMARK(BM_AllegroRectFill)->Name("BM_RectFill200x100/allegro4");
BENCHMARK(BM_AllegroRectFill)->Name("BM_RectFill200x100Clipped/allegro4");
BENCHMARK(BM_AllegroLines)->Name("BM_Lines100/allegro4");

#endif
