// Palette to 32-bit conversion for presenting a frame. Where the processor has AVX2 the
// lookups are done eight at a time by one gather; elsewhere eight indexes are read per load.
#include "platform/present.h"

#include <cstddef>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define QENT_PRESENT_AVX2 1
#endif

namespace {

constexpr uint32_t PRESENT_OPAQUE = 0xFF000000u;

void ConvertRow(const uint8_t* in, uint32_t* out, int32_t width, const uint32_t* lut) {
    int32_t x = 0;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Eight indexes per load: one memory read feeds eight independent lookups.
    for (; x + 8 <= width; x += 8) {
        uint64_t eight;
        std::memcpy(&eight, in + x, sizeof eight);
        out[x + 0] = lut[eight & 0xFF];
        out[x + 1] = lut[(eight >> 8) & 0xFF];
        out[x + 2] = lut[(eight >> 16) & 0xFF];
        out[x + 3] = lut[(eight >> 24) & 0xFF];
        out[x + 4] = lut[(eight >> 32) & 0xFF];
        out[x + 5] = lut[(eight >> 40) & 0xFF];
        out[x + 6] = lut[(eight >> 48) & 0xFF];
        out[x + 7] = lut[eight >> 56];
    }
#endif
    for (; x < width; x++) {
        out[x] = lut[in[x]];
    }
}

#if defined(QENT_PRESENT_AVX2)
__attribute__((target("avx2"))) void ConvertRowAvx2(const uint8_t* in, uint32_t* out, int32_t width,
                                                    const uint32_t* lut) {
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + x));
        __m256i indexes = _mm256_cvtepu8_epi32(bytes);
        __m256i colors = _mm256_i32gather_epi32(reinterpret_cast<const int*>(lut), indexes, 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), colors);
    }
    for (; x < width; x++) {
        out[x] = lut[in[x]];
    }
}
#endif

}  // namespace

void HostConvertFrame(const uint8_t* src, int32_t src_pitch, int32_t width, int32_t height,
                      const PaletteEntry* palette, uint32_t* dst, int32_t dst_pitch) {
    if (src == nullptr || dst == nullptr || width <= 0 || height <= 0) {
        return;
    }
    // The table is built per frame: 256 entries cost nothing beside 307,200 pixels.
    uint32_t lut[256];
    for (int i = 0; i < 256; i++) {
        lut[i] = PRESENT_OPAQUE;
        if (palette != nullptr) {
            lut[i] |= (uint32_t{palette[i].red} << 16) | (uint32_t{palette[i].green} << 8) |
                      uint32_t{palette[i].blue};
        }
    }
    void (*convert_row)(const uint8_t*, uint32_t*, int32_t, const uint32_t*) = ConvertRow;
#if defined(QENT_PRESENT_AVX2)
    if (__builtin_cpu_supports("avx2")) {
        convert_row = ConvertRowAvx2;
    }
#endif
    for (int32_t y = 0; y < height; y++) {
        const uint8_t* in = src + static_cast<ptrdiff_t>(y) * src_pitch;
        auto* out = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(dst) +
                                                static_cast<ptrdiff_t>(y) * dst_pitch);
        convert_row(in, out, width, lut);
    }
}
