// Drawing primitives: a 640-pixel row, a 200x100 rectangle fill and 100 random on-screen
// lines, ours against SDL2 on 8-bit surfaces (SDL_FillRect, and the software renderer for
// lines). The Allegro 4 columns are in draw_allegro.cpp.

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/draw_lines.h"
#include "lib/draw.h"
#include "platform/host.h"

namespace {

// ---------------------------------------------------------------------------
// Ours. Rectangles go through the host's colour fill on a surface of our own, so this does
// not depend on (or disturb) the display the other benchmarks set up.

struct OurCanvas {
    std::vector<uint8_t> buffer =
        std::vector<uint8_t>(static_cast<size_t>(DRAW_BENCH_WIDTH) * DRAW_BENCH_HEIGHT, 0);
    HostDisplay* display = nullptr;
    HostSurface* plain = nullptr;    // no clipper: the fill must lie inside
    HostSurface* clipped = nullptr;  // the screen rectangle as its clip list, as the game has
    std::vector<DrawBenchLine> lines = DrawBenchLines();
};

HostSurface* OurSurface(HostDisplay* display) {
    HostSurfaceDesc desc{};
    desc.dwSize = HOST_SURFACE_DESC_SIZE;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = DRAW_BENCH_WIDTH;
    desc.dwHeight = DRAW_BENCH_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    return HostSurfaceCreate(display, &desc);
}

OurCanvas* Ours() {
    static OurCanvas* canvas = nullptr;
    if (canvas == nullptr) {
        canvas = new OurCanvas;
        canvas->display = HostDisplayCreate();
        canvas->plain = OurSurface(canvas->display);
        canvas->clipped = OurSurface(canvas->display);
        struct {
            HostRegionHeader header;
            HostRect rect;
        } region{{32, RDH_RECTANGLES, 1, 16, {0, 0, DRAW_BENCH_WIDTH, DRAW_BENCH_HEIGHT}},
                 {0, 0, DRAW_BENCH_WIDTH, DRAW_BENCH_HEIGHT}};
        HostClipper* clipper = HostClipperCreate(canvas->display, 0);
        HostClipperSetClipList(clipper, &region.header, 0);
        HostSurfaceSetClipper(canvas->clipped, clipper);
        HostClipperRelease(clipper);
    }
    return canvas;
}

void BM_OursHLine(benchmark::State& state) {
    OurCanvas* canvas = Ours();
    for (auto _ : state) {
        HLineDraw(0, DRAW_BENCH_WIDTH - 1, DRAW_BENCH_ROW, DRAW_BENCH_COLOR, canvas->buffer.data(),
                  DRAW_BENCH_WIDTH);
        benchmark::ClobberMemory();
    }
}

void OursRectFill(benchmark::State& state, HostSurface* surface) {
    if (surface == nullptr) {
        state.SkipWithError("no surface");
        return;
    }
    for (auto _ : state) {
        RectFill(DRAW_BENCH_RECT_X, DRAW_BENCH_RECT_Y, DRAW_BENCH_RECT_X + DRAW_BENCH_RECT_W,
                 DRAW_BENCH_RECT_Y + DRAW_BENCH_RECT_H, DRAW_BENCH_COLOR, surface);
        benchmark::ClobberMemory();
    }
}

void BM_OursRectFill(benchmark::State& state) {
    OursRectFill(state, Ours()->plain);
}

void BM_OursRectFillClipped(benchmark::State& state) {
    OursRectFill(state, Ours()->clipped);
}

void BM_OursLines(benchmark::State& state) {
    OurCanvas* canvas = Ours();
    for (auto _ : state) {
        for (const DrawBenchLine& line : canvas->lines) {
            LineDrawClipped(line[0], line[1], line[2], line[3], DRAW_BENCH_COLOR,
                            canvas->buffer.data(), DRAW_BENCH_WIDTH);
        }
        benchmark::ClobberMemory();
    }
}

// ---------------------------------------------------------------------------
// SDL2 on an INDEX8 surface.

struct SdlCanvas {
    SDL_Surface* screen = nullptr;
    SDL_Renderer* renderer = nullptr;
    std::vector<DrawBenchLine> lines = DrawBenchLines();
};

SdlCanvas* Sdl() {
    static SdlCanvas* canvas = nullptr;
    if (canvas == nullptr) {
        canvas = new SdlCanvas;
        canvas->screen = SDL_CreateRGBSurfaceWithFormat(0, DRAW_BENCH_WIDTH, DRAW_BENCH_HEIGHT, 8,
                                                        SDL_PIXELFORMAT_INDEX8);
        canvas->renderer = SDL_CreateSoftwareRenderer(canvas->screen);
        if (canvas->renderer != nullptr) {
            SDL_SetRenderDrawColor(canvas->renderer, 255, 255, 255, 255);
        }
    }
    return canvas;
}

void BM_SdlHLine(benchmark::State& state) {
    SDL_Surface* screen = Sdl()->screen;
    for (auto _ : state) {
        SDL_Rect row{0, DRAW_BENCH_ROW, DRAW_BENCH_WIDTH, 1};
        SDL_FillRect(screen, &row, DRAW_BENCH_COLOR);
        benchmark::ClobberMemory();
    }
}

void BM_SdlRectFill(benchmark::State& state) {
    SDL_Surface* screen = Sdl()->screen;
    for (auto _ : state) {
        SDL_Rect rect{DRAW_BENCH_RECT_X, DRAW_BENCH_RECT_Y, DRAW_BENCH_RECT_W, DRAW_BENCH_RECT_H};
        SDL_FillRect(screen, &rect, DRAW_BENCH_COLOR);
        benchmark::ClobberMemory();
    }
}

void BM_SdlLines(benchmark::State& state) {
    SdlCanvas* canvas = Sdl();
    if (canvas->renderer == nullptr) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    for (auto _ : state) {
        for (const DrawBenchLine& line : canvas->lines) {
            SDL_RenderDrawLine(canvas->renderer, line[0], line[1], line[2], line[3]);
        }
        SDL_RenderFlush(canvas->renderer);  // the renderer batches: make it draw now
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_OursHLine)->Name("BM_HLineDraw640/qent");
BENCHMARK(BM_SdlHLine)->Name("BM_HLineDraw640/sdl2_fillrect");
BENCHMARK(BM_OursRectFill)->Name("BM_RectFill200x100/qent");
BENCHMARK(BM_SdlRectFill)->Name("BM_RectFill200x100/sdl2_fillrect");
BENCHMARK(BM_OursRectFillClipped)->Name("BM_RectFill200x100Clipped/qent");
BENCHMARK(BM_SdlRectFill)->Name("BM_RectFill200x100Clipped/sdl2_fillrect");
BENCHMARK(BM_OursLines)->Name("BM_Lines100/qent");
BENCHMARK(BM_SdlLines)->Name("BM_Lines100/sdl2_renderer");
