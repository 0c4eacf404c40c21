// Bitmap images: ImageDraw beside a plain memcpy of the same bytes.

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "lib/bitmap.h"

namespace {

// A loaded image of the given size at (0, 0) with random indices, zero_percent of them 0.
BitmapImage MakeImage(int width, int height, int zero_percent) {
    BitmapImage image{};
    ImageCreate(&image, 0, 0, width, height);
    std::mt19937 rng(7);
    for (int i = 0; i < image.size; i++) {
        const bool zero = static_cast<int>(rng() % 100) < zero_percent;
        image.pixels[i] = zero ? 0 : static_cast<uint8_t>(rng() % 255 + 1);
    }
    image.flags |= IMAGE_FLAG_LOADED;
    return image;
}

void BM_ImageDrawOpaque(benchmark::State& state, int pitch) {
    BitmapImage image = MakeImage(640, 480, 0);
    std::vector<uint8_t> dest(static_cast<size_t>(pitch) * 480);
    for (auto _ : state) {
        ImageDraw(&image, dest.data(), pitch, 0);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 640 * 480);
    ImageDestroy(&image);
}

// One memcpy of the whole 307,200 bytes, the length known only at run time.
void BM_Memcpy640x480(benchmark::State& state) {
    std::vector<uint8_t> src(640 * 480, 1);
    std::vector<uint8_t> dest(640 * 480);
    size_t bytes = src.size();
    benchmark::DoNotOptimize(bytes);
    for (auto _ : state) {
        std::memcpy(dest.data(), src.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 640 * 480);
}

// 480 row copies into a destination with 1024 bytes per row.
void BM_MemcpyRows1024(benchmark::State& state) {
    std::vector<uint8_t> src(640 * 480, 1);
    std::vector<uint8_t> dest(1024 * 480);
    size_t width = 640;
    benchmark::DoNotOptimize(width);
    for (auto _ : state) {
        for (size_t y = 0; y < 480; y++) {
            std::memcpy(dest.data() + y * 1024, src.data() + y * width, width);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 640 * 480);
}

void BM_ImageDrawKeyed(benchmark::State& state, int zero_percent) {
    BitmapImage image = MakeImage(128, 64, zero_percent);
    std::vector<uint8_t> dest(640 * 480, 5);
    for (auto _ : state) {
        ImageDraw(&image, dest.data(), 640, 1);
        benchmark::ClobberMemory();
    }
    ImageDestroy(&image);
}

// The plain per-pixel loop a keyed copy starts from.
void BM_KeyedLoop(benchmark::State& state, int zero_percent) {
    BitmapImage image = MakeImage(128, 64, zero_percent);
    std::vector<uint8_t> dest(640 * 480, 5);
    for (auto _ : state) {
        const uint8_t* src = image.pixels;
        for (int y = 0; y < image.height; y++) {
            uint8_t* out = dest.data() + y * 640;
            for (int x = 0; x < image.width; x++) {
                if (src[x] != 0) {
                    out[x] = src[x];
                }
            }
            src += image.width;
        }
        benchmark::ClobberMemory();
    }
    ImageDestroy(&image);
}

const int registered = [] {
    benchmark::RegisterBenchmark("BM_ImageDraw640x480/qent", BM_ImageDrawOpaque, 640);
    benchmark::RegisterBenchmark("BM_ImageDraw640x480/memcpy", BM_Memcpy640x480);
    benchmark::RegisterBenchmark("BM_ImageDraw640x480Pitch1024/qent", BM_ImageDrawOpaque, 1024);
    benchmark::RegisterBenchmark("BM_ImageDraw640x480Pitch1024/memcpy_rows", BM_MemcpyRows1024);
    benchmark::RegisterBenchmark("BM_ImageDrawKeyed128x64/qent", BM_ImageDrawKeyed, 0);
    benchmark::RegisterBenchmark("BM_ImageDrawKeyed128x64/loop", BM_KeyedLoop, 0);
    benchmark::RegisterBenchmark("BM_ImageDrawKeyed128x64Holes40/qent", BM_ImageDrawKeyed, 40);
    benchmark::RegisterBenchmark("BM_ImageDrawKeyed128x64Holes40/loop", BM_KeyedLoop, 40);
    return 0;
}();

}  // namespace
