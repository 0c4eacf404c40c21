// Pixel loops for fills and copies. The keyed copy selects 16 pixels at a time with SSE2 (part
// of every x86-64): one compare and a blend, with no branch per pixel, so it is as fast on
// sprites full of holes as on solid ones.

#include <cstddef>
#include <cstring>

#include "platform/blit.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void BlitFill(uint8_t* dst, int32_t dst_pitch, int32_t w, int32_t h, uint8_t color) {
    if (w <= 0 || h <= 0) {
        return;
    }
    if (dst_pitch == w) {
        std::memset(dst, color, static_cast<size_t>(w) * static_cast<size_t>(h));
        return;
    }
    for (int32_t y = 0; y < h; ++y) {
        std::memset(dst + static_cast<ptrdiff_t>(y) * dst_pitch, color, static_cast<size_t>(w));
    }
}

void BlitCopy(uint8_t* dst, int32_t dst_pitch, const uint8_t* src, int32_t src_pitch, int32_t w,
              int32_t h) {
    if (w <= 0 || h <= 0) {
        return;
    }
    if (dst_pitch == w && src_pitch == w) {
        std::memcpy(dst, src, static_cast<size_t>(w) * static_cast<size_t>(h));
        return;
    }
    for (int32_t y = 0; y < h; ++y) {
        std::memcpy(dst + static_cast<ptrdiff_t>(y) * dst_pitch,
                    src + static_cast<ptrdiff_t>(y) * src_pitch, static_cast<size_t>(w));
    }
}

namespace {

inline bool InKey(uint8_t value, uint8_t key_low, uint8_t key_high) {
    return value >= key_low && value <= key_high;
}

void CopyKeyedRow(uint8_t* dst, const uint8_t* src, int32_t w, uint8_t key_low, uint8_t key_high) {
    int32_t x = 0;
#if defined(__SSE2__)
    if (key_low == key_high) {
        const __m128i key = _mm_set1_epi8(static_cast<char>(key_low));
        for (; x + 16 <= w; x += 16) {
            __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
            __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + x));
            __m128i transparent = _mm_cmpeq_epi8(s, key);
            __m128i out =
                _mm_or_si128(_mm_and_si128(transparent, d), _mm_andnot_si128(transparent, s));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), out);
        }
    }
#endif
    for (; x < w; ++x) {
        uint8_t value = src[x];
        if (!InKey(value, key_low, key_high)) {
            dst[x] = value;
        }
    }
}

}  // namespace

void BlitCopyKeyed(uint8_t* dst, int32_t dst_pitch, const uint8_t* src, int32_t src_pitch,
                   int32_t w, int32_t h, uint8_t key_low, uint8_t key_high) {
    for (int32_t y = 0; y < h; ++y) {
        CopyKeyedRow(dst + static_cast<ptrdiff_t>(y) * dst_pitch,
                     src + static_cast<ptrdiff_t>(y) * src_pitch, w, key_low, key_high);
    }
}
