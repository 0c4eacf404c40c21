// The present conversion: a 640x480 8-bit frame through its palette to 32-bit pixels, ours
// beside SDL2's own INDEX8 -> ARGB8888 blit of the same frame and beside a memcpy of the
// 1.2 MB the conversion writes; then each of our paths on its own, the one chosen at start-up
// as "qent", so the table shows whether the choice was the fastest.

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/present.h"

namespace {

constexpr int PRESENT_WIDTH = 640;
constexpr int PRESENT_HEIGHT = 480;
constexpr size_t PRESENT_OUT_BYTES = size_t{PRESENT_WIDTH} * PRESENT_HEIGHT * 4;

struct PresentFrame {
    std::vector<uint8_t> pixels;  // random indexes, pitch = width
    PaletteEntry palette[256];
};

const PresentFrame& Frame() {
    static PresentFrame frame = [] {
        PresentFrame f{};
        f.pixels.resize(PRESENT_WIDTH * PRESENT_HEIGHT);
        std::mt19937 rng(11);
        for (uint8_t& p : f.pixels) {
            p = static_cast<uint8_t>(rng());
        }
        for (int i = 0; i < 256; i++) {
            f.palette[i] = PaletteEntry{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                        static_cast<uint8_t>(i * 7), 0};
        }
        return f;
    }();
    return frame;
}

void ReportPixels(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * PRESENT_WIDTH * PRESENT_HEIGHT);
}

void BM_OursConvert(benchmark::State& state) {
    const PresentFrame& frame = Frame();
    std::vector<uint32_t> out(PRESENT_WIDTH * PRESENT_HEIGHT);
    state.SetLabel(HostConvertPathName(HostConvertPathChosen()));
    for (auto _ : state) {
        HostConvertFrame(frame.pixels.data(), PRESENT_WIDTH, PRESENT_WIDTH, PRESENT_HEIGHT,
                         frame.palette, out.data(), PRESENT_WIDTH * 4);
        benchmark::ClobberMemory();
    }
    ReportPixels(state);
}

void BM_PathConvert(benchmark::State& state, int path) {
    if (!HostConvertPathRuns(path)) {
        state.SkipWithError("this processor cannot run the path");
        return;
    }
    const PresentFrame& frame = Frame();
    std::vector<uint32_t> out(PRESENT_WIDTH * PRESENT_HEIGHT);
    for (auto _ : state) {
        HostConvertFrameWith(path, frame.pixels.data(), PRESENT_WIDTH, PRESENT_WIDTH,
                             PRESENT_HEIGHT, frame.palette, out.data(), PRESENT_WIDTH * 4);
        benchmark::ClobberMemory();
    }
    ReportPixels(state);
}

void BM_MemcpyOut(benchmark::State& state) {
    std::vector<uint8_t> from(PRESENT_OUT_BYTES, 7);
    std::vector<uint8_t> to(PRESENT_OUT_BYTES);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    ReportPixels(state);
}

// The window-surface present's own work: the frame converted and enlarged 2x (4.9 MB), beside
// a memcpy of the 4.9 MB it writes.
void BM_OursScaled(benchmark::State& state) {
    const PresentFrame& frame = Frame();
    std::vector<uint32_t> out(size_t{4} * PRESENT_WIDTH * PRESENT_HEIGHT);
    for (auto _ : state) {
        HostConvertFrameScaled(frame.pixels.data(), PRESENT_WIDTH, PRESENT_WIDTH, PRESENT_HEIGHT,
                               frame.palette, 2, out.data(), 2 * PRESENT_WIDTH * 4);
        benchmark::ClobberMemory();
    }
    ReportPixels(state);
}

void BM_MemcpyScaledOut(benchmark::State& state) {
    std::vector<uint8_t> from(4 * PRESENT_OUT_BYTES, 7);
    std::vector<uint8_t> to(4 * PRESENT_OUT_BYTES);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    ReportPixels(state);
}

void BM_SdlConvert(benchmark::State& state) {
    const PresentFrame& frame = Frame();
    SDL_Surface* src =
        SDL_CreateRGBSurfaceWithFormat(0, PRESENT_WIDTH, PRESENT_HEIGHT, 8, SDL_PIXELFORMAT_INDEX8);
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormat(0, PRESENT_WIDTH, PRESENT_HEIGHT, 32,
                                                      SDL_PIXELFORMAT_ARGB8888);
    if (src == nullptr || dst == nullptr) {
        state.SkipWithError(SDL_GetError());
        SDL_FreeSurface(src);
        SDL_FreeSurface(dst);
        return;
    }
    SDL_Color colors[256];
    for (int i = 0; i < 256; i++) {
        colors[i] =
            SDL_Color{frame.palette[i].red, frame.palette[i].green, frame.palette[i].blue, 255};
    }
    SDL_SetPaletteColors(src->format->palette, colors, 0, 256);
    for (int y = 0; y < PRESENT_HEIGHT; y++) {
        std::copy_n(frame.pixels.data() + y * PRESENT_WIDTH, PRESENT_WIDTH,
                    static_cast<uint8_t*>(src->pixels) + y * src->pitch);
    }
    SDL_BlitSurface(src, nullptr, dst, nullptr);  // builds SDL's colour map before timing
    for (auto _ : state) {
        SDL_BlitSurface(src, nullptr, dst, nullptr);
        benchmark::ClobberMemory();
    }
    ReportPixels(state);
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

// Each path under its own name, and the chosen one again as ours.
[[maybe_unused]] const bool paths_registered = [] {
    benchmark::RegisterBenchmark("BM_PresentPath640x480/qent", BM_OursConvert);
    for (int path = 0; path < PRESENT_PATH_COUNT; path++) {
        const std::string name = std::string("BM_PresentPath640x480/") + HostConvertPathName(path);
        benchmark::RegisterBenchmark(name.c_str(), BM_PathConvert, path);
    }
    return true;
}();

}  // namespace

BENCHMARK(BM_OursConvert)->Name("BM_PresentConvert640x480/qent");
BENCHMARK(BM_SdlConvert)->Name("BM_PresentConvert640x480/sdl2");
BENCHMARK(BM_MemcpyOut)->Name("BM_PresentConvert640x480/memcpy");
BENCHMARK(BM_OursScaled)->Name("BM_PresentScale2x/qent");
BENCHMARK(BM_MemcpyScaledOut)->Name("BM_PresentScale2x/memcpy");
