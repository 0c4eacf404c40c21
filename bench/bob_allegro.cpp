// Sprite drawing by Allegro 4 on 8-bit memory bitmaps: draw_sprite (index 0 is its mask
// colour at 8 bits) and, as a further peer, its run-length sprites. Kept apart from the
// SDL benchmarks because the two libraries' headers clash.

#ifdef QENT_HAVE_ALLEGRO

#define ALLEGRO_NO_MAGIC_MAIN
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/bob_frames.h"

namespace {

struct AllegroSprites {
    BITMAP* screen = nullptr;
    BITMAP* solid = nullptr;
    std::vector<BITMAP*> noisy;
    RLE_SPRITE* solid_rle = nullptr;
    std::vector<RLE_SPRITE*> noisy_rle;
    bool ready = false;
};

BITMAP* AllegroSprite(const BobBenchFrame& frame) {
    BITMAP* sprite = create_bitmap(BOB_BENCH_SHOWN_WIDTH, BOB_BENCH_SHOWN_HEIGHT);
    for (int y = 0; y < BOB_BENCH_SHOWN_HEIGHT; ++y) {
        std::memcpy(sprite->line[y], frame.data() + y * BOB_BENCH_WIDTH, BOB_BENCH_SHOWN_WIDTH);
    }
    return sprite;
}

AllegroSprites* Allegro() {
    static AllegroSprites sprites;
    if (!sprites.ready) {
        sprites.ready = true;
        install_allegro(SYSTEM_NONE, &errno, atexit);
        set_color_depth(8);
        sprites.screen = create_bitmap(640, 480);
        clear_to_color(sprites.screen, 0);
        sprites.solid = AllegroSprite(BobBenchSolidFrame());
        sprites.solid_rle = get_rle_sprite(sprites.solid);
        for (const BobBenchFrame& frame : BobBenchNoisyFrames()) {
            sprites.noisy.push_back(AllegroSprite(frame));
            sprites.noisy_rle.push_back(get_rle_sprite(sprites.noisy.back()));
        }
    }
    return &sprites;
}

void DrawSprites(benchmark::State& state, BITMAP* const* sprites, int count, int x) {
    BITMAP* screen = Allegro()->screen;
    int frame = 0;
    for (auto _ : state) {
        draw_sprite(screen, sprites[frame], x, BOB_BENCH_Y);
        frame = frame + 1 == count ? 0 : frame + 1;
        benchmark::ClobberMemory();
    }
}

void DrawRle(benchmark::State& state, RLE_SPRITE* const* sprites, int count, int x) {
    BITMAP* screen = Allegro()->screen;
    int frame = 0;
    for (auto _ : state) {
        draw_rle_sprite(screen, sprites[frame], x, BOB_BENCH_Y);
        frame = frame + 1 == count ? 0 : frame + 1;
        benchmark::ClobberMemory();
    }
}

void BM_AllegroSolid(benchmark::State& state) {
    DrawSprites(state, &Allegro()->solid, 1, BOB_BENCH_X);
}
void BM_AllegroSolidHalfLeft(benchmark::State& state) {
    DrawSprites(state, &Allegro()->solid, 1, BOB_BENCH_HALF_LEFT_X);
}
void BM_AllegroNoisy(benchmark::State& state) {
    DrawSprites(state, Allegro()->noisy.data(), BOB_BENCH_NOISY_FRAMES, BOB_BENCH_X);
}
void BM_AllegroNoisyHalfLeft(benchmark::State& state) {
    DrawSprites(state, Allegro()->noisy.data(), BOB_BENCH_NOISY_FRAMES, BOB_BENCH_HALF_LEFT_X);
}
void BM_AllegroRleSolid(benchmark::State& state) {
    DrawRle(state, &Allegro()->solid_rle, 1, BOB_BENCH_X);
}
void BM_AllegroRleSolidHalfLeft(benchmark::State& state) {
    DrawRle(state, &Allegro()->solid_rle, 1, BOB_BENCH_HALF_LEFT_X);
}
void BM_AllegroRleNoisy(benchmark::State& state) {
    DrawRle(state, Allegro()->noisy_rle.data(), BOB_BENCH_NOISY_FRAMES, BOB_BENCH_X);
}
void BM_AllegroRleNoisyHalfLeft(benchmark::State& state) {
    DrawRle(state, Allegro()->noisy_rle.data(), BOB_BENCH_NOISY_FRAMES, BOB_BENCH_HALF_LEFT_X);
}

}  // namespace

BENCHMARK(BM_AllegroSolid)->Name("BM_BobDrawSolid/allegro4");
BENCHMARK(BM_AllegroRleSolid)->Name("BM_BobDrawSolid/allegro4_rle");
BENCHMARK(BM_AllegroSolidHalfLeft)->Name("BM_BobDrawSolidHalfLeft/allegro4");
BENCHMARK(BM_AllegroRleSolidHalfLeft)->Name("BM_BobDrawSolidHalfLeft/allegro4_rle");
BENCHMARK(BM_AllegroNoisy)->Name("BM_BobDrawNoisy/allegro4");
BENCHMARK(BM_AllegroRleNoisy)->Name("BM_BobDrawNoisy/allegro4_rle");
BENCHMARK(BM_AllegroNoisyHalfLeft)->Name("BM_BobDrawNoisyHalfLeft/allegro4");
BENCHMARK(BM_AllegroRleNoisyHalfLeft)->Name("BM_BobDrawNoisyHalfLeft/allegro4_rle");

#endif
