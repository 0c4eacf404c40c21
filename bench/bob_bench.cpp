// Sprite drawing: BobDraw onto the clipped back buffer against SDL2's colour-keyed RLE blit
// between INDEX8 surfaces, with a solid shape and with noise, whole and half off the left.
// The Allegro 4 columns are in bob_allegro.cpp.

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/bob_frames.h"
#include "lib/bob.h"
#include "lib/display.h"

namespace {

// ---------------------------------------------------------------------------
// Ours: the display as the game sets it up, with the screen clipper on the back buffer.

struct OurSprites {
    BOB solid{};
    BOB noisy{};
    bool ready = false;
};

void LoadFrame(BOB* bob, int index, const BobBenchFrame& frame) {
    BitmapFile file{};
    file.info_header.biWidth = BOB_BENCH_WIDTH;
    file.info_header.biHeight = BOB_BENCH_HEIGHT;
    file.info_header.biBitCount = 8;
    file.pixels = const_cast<uint8_t*>(frame.data());
    BobLoadFrame(bob, &file, index, 0, 0, LOAD_BY_POSITION);
}

OurSprites* Ours() {
    static OurSprites sprites;
    if (!sprites.ready) {
        sprites.ready = true;
        if (DisplayInit(640, 480, 8) == 0) {
            std::fprintf(stderr, "bob bench: no display\n");
        }
        const HostRect screen{0, 0, display_width, display_height};
        display_clipper = ClipperAttach(back_surface, 1, &screen);
        BobCreate(&sprites.solid, BOB_BENCH_X, BOB_BENCH_Y, BOB_BENCH_WIDTH, BOB_BENCH_HEIGHT, 1,
                  BOB_FLAG_VISIBLE, DDSCAPS_SYSTEMMEMORY);
        LoadFrame(&sprites.solid, 0, BobBenchSolidFrame());
        const std::vector<BobBenchFrame> noisy = BobBenchNoisyFrames();
        BobCreate(&sprites.noisy, BOB_BENCH_X, BOB_BENCH_Y, BOB_BENCH_WIDTH, BOB_BENCH_HEIGHT,
                  BOB_BENCH_NOISY_FRAMES, BOB_FLAG_VISIBLE, DDSCAPS_SYSTEMMEMORY);
        for (int i = 0; i < BOB_BENCH_NOISY_FRAMES; ++i) {
            LoadFrame(&sprites.noisy, i, noisy[i]);
        }
    }
    return &sprites;
}

void DrawOurs(benchmark::State& state, BOB* bob, int x, int frames) {
    BobSetPosition(bob, x, BOB_BENCH_Y);
    int frame = 0;
    for (auto _ : state) {
        bob->frame_index = frame;
        frame = frame + 1 == frames ? 0 : frame + 1;
        if (BobDraw(bob, back_surface) == 0) {
            state.SkipWithError("BobDraw refused");
            break;
        }
        benchmark::ClobberMemory();
    }
}

void OursSolid(benchmark::State& state, int x) {
    DrawOurs(state, &Ours()->solid, x, 1);
    state.counters["transparent"] = BobBenchTransparentShare(BobBenchSolidFrame());
}

void OursNoisy(benchmark::State& state, int x) {
    DrawOurs(state, &Ours()->noisy, x, BOB_BENCH_NOISY_FRAMES);
    state.counters["transparent"] = BobBenchTransparentShare(BobBenchNoisyFrames()[0]);
}

// ---------------------------------------------------------------------------
// SDL2: INDEX8 surfaces sharing one palette (otherwise SDL remaps every pixel), colour key 0
// with RLE acceleration, each sprite blitted once before timing so its RLE form exists.

struct SdlSprites {
    SDL_Palette* palette = nullptr;
    SDL_Surface* screen = nullptr;
    SDL_Surface* solid = nullptr;
    std::vector<SDL_Surface*> noisy;
    bool ready = false;
};

SDL_Surface* SdlSprite(const BobBenchFrame& frame, SDL_Palette* palette, SDL_Surface* screen) {
    SDL_Surface* sprite = SDL_CreateRGBSurfaceWithFormat(
        0, BOB_BENCH_SHOWN_WIDTH, BOB_BENCH_SHOWN_HEIGHT, 8, SDL_PIXELFORMAT_INDEX8);
    SDL_SetSurfacePalette(sprite, palette);
    for (int y = 0; y < BOB_BENCH_SHOWN_HEIGHT; ++y) {
        std::memcpy(static_cast<uint8_t*>(sprite->pixels) + y * sprite->pitch,
                    frame.data() + y * BOB_BENCH_WIDTH, BOB_BENCH_SHOWN_WIDTH);
    }
    SDL_SetColorKey(sprite, SDL_TRUE, 0);
    SDL_SetSurfaceRLE(sprite, 1);
    SDL_Rect at{BOB_BENCH_X, BOB_BENCH_Y, 0, 0};
    SDL_BlitSurface(sprite, nullptr, screen, &at);  // encodes the RLE form
    return sprite;
}

SdlSprites* Sdl() {
    static SdlSprites sprites;
    if (!sprites.ready) {
        sprites.ready = true;
        sprites.palette = SDL_AllocPalette(256);
        std::vector<SDL_Color> colours(256);
        for (int i = 0; i < 256; ++i) {
            colours[i] = SDL_Color{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                   static_cast<uint8_t>(i * 7), 255};
        }
        SDL_SetPaletteColors(sprites.palette, colours.data(), 0, 256);
        sprites.screen = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 8, SDL_PIXELFORMAT_INDEX8);
        SDL_SetSurfacePalette(sprites.screen, sprites.palette);
        sprites.solid = SdlSprite(BobBenchSolidFrame(), sprites.palette, sprites.screen);
        for (const BobBenchFrame& frame : BobBenchNoisyFrames()) {
            sprites.noisy.push_back(SdlSprite(frame, sprites.palette, sprites.screen));
        }
    }
    return &sprites;
}

void DrawSdl(benchmark::State& state, SDL_Surface* const* sprites, int count, int x) {
    SDL_Surface* screen = Sdl()->screen;
    int frame = 0;
    for (auto _ : state) {
        SDL_Rect at{x, BOB_BENCH_Y, 0, 0};
        if (SDL_BlitSurface(sprites[frame], nullptr, screen, &at) != 0) {
            state.SkipWithError(SDL_GetError());
            break;
        }
        frame = frame + 1 == count ? 0 : frame + 1;
        benchmark::ClobberMemory();
    }
}

void SdlSolid(benchmark::State& state, int x) {
    DrawSdl(state, &Sdl()->solid, 1, x);
}

void SdlNoisy(benchmark::State& state, int x) {
    DrawSdl(state, Sdl()->noisy.data(), BOB_BENCH_NOISY_FRAMES, x);
}

// ---------------------------------------------------------------------------

void BM_OursSolid(benchmark::State& state) {
    OursSolid(state, BOB_BENCH_X);
}
void BM_OursSolidHalfLeft(benchmark::State& state) {
    OursSolid(state, BOB_BENCH_HALF_LEFT_X);
}
void BM_OursNoisy(benchmark::State& state) {
    OursNoisy(state, BOB_BENCH_X);
}
void BM_OursNoisyHalfLeft(benchmark::State& state) {
    OursNoisy(state, BOB_BENCH_HALF_LEFT_X);
}
void BM_SdlSolid(benchmark::State& state) {
    SdlSolid(state, BOB_BENCH_X);
}
void BM_SdlSolidHalfLeft(benchmark::State& state) {
    SdlSolid(state, BOB_BENCH_HALF_LEFT_X);
}
void BM_SdlNoisy(benchmark::State& state) {
    SdlNoisy(state, BOB_BENCH_X);
}
void BM_SdlNoisyHalfLeft(benchmark::State& state) {
    SdlNoisy(state, BOB_BENCH_HALF_LEFT_X);
}

}  // namespace

BENCHMARK(BM_OursSolid)->Name("BM_BobDrawSolid/qent");
BENCHMARK(BM_SdlSolid)->Name("BM_BobDrawSolid/sdl2");
BENCHMARK(BM_OursSolidHalfLeft)->Name("BM_BobDrawSolidHalfLeft/qent");
BENCHMARK(BM_SdlSolidHalfLeft)->Name("BM_BobDrawSolidHalfLeft/sdl2");
BENCHMARK(BM_OursNoisy)->Name("BM_BobDrawNoisy/qent");
BENCHMARK(BM_SdlNoisy)->Name("BM_BobDrawNoisy/sdl2");
BENCHMARK(BM_OursNoisyHalfLeft)->Name("BM_BobDrawNoisyHalfLeft/qent");
BENCHMARK(BM_SdlNoisyHalfLeft)->Name("BM_BobDrawNoisyHalfLeft/sdl2");
