// Pixel loops for fills and copies. The keyed copy selects many pixels at a time, with no
// branch per pixel, so it is as fast on sprites full of holes as on solid ones: with AVX-512
// a byte-masked store writes only the pixels outside the key; with AVX2 or SSE2 (part of every
// x86-64) a compare and a blend pick source or destination. The widest unit the processor
// has is chosen once, at the first keyed copy.

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/blit.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QENT_BLIT_X86 1
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

// Whether the bytes the copy reads and the bytes it writes can meet (a blit within one
// surface). Such copies go pixel by pixel, front to back; the vector paths need not look.
bool SpansMeet(const uint8_t* dst, int32_t dst_pitch, const uint8_t* src, int32_t src_pitch,
               int32_t w, int32_t h) {
    auto span = [w, h](const uint8_t* p, int32_t pitch, uintptr_t* first, uintptr_t* end) {
        const auto start = reinterpret_cast<uintptr_t>(p);
        const auto reach = static_cast<uintptr_t>(static_cast<intptr_t>(pitch) * (h - 1));
        const uintptr_t last = pitch >= 0 ? start + reach : start - (0 - reach);
        *first = std::min(start, last);
        *end = std::max(start, last) + static_cast<uintptr_t>(w);
    };
    uintptr_t dst_first = 0;
    uintptr_t dst_end = 0;
    uintptr_t src_first = 0;
    uintptr_t src_end = 0;
    span(dst, dst_pitch, &dst_first, &dst_end);
    span(src, src_pitch, &src_first, &src_end);
    return dst_first < src_end && src_first < dst_end;
}

void CopyKeyedRowScalar(uint8_t* dst, const uint8_t* src, int32_t w, uint8_t key_low,
                        uint8_t key_high) {
    for (int32_t x = 0; x < w; ++x) {
        const uint8_t value = src[x];
        if (!InKey(value, key_low, key_high)) {
            dst[x] = value;
        }
    }
}

using KeyedRowsFn = void (*)(uint8_t* dst, int32_t dst_pitch, const uint8_t* src, int32_t src_pitch,
                             int32_t w, int32_t h, uint8_t key_low, uint8_t key_high);

void CopyKeyedRowsScalar(uint8_t* dst, int32_t dst_pitch, const uint8_t* src, int32_t src_pitch,
                         int32_t w, int32_t h, uint8_t key_low, uint8_t key_high) {
    for (int32_t y = 0; y < h; ++y) {
        CopyKeyedRowScalar(dst + static_cast<ptrdiff_t>(y) * dst_pitch,
                           src + static_cast<ptrdiff_t>(y) * src_pitch, w, key_low, key_high);
    }
}

#if defined(QENT_BLIT_X86)

// ---- SSE2: 16 pixels per step. A row's ragged end is one more group ending at the row's
// end. Its destination is read before the row is written, so it blends the original pixels
// (giving the same bytes where it overlaps the group before) and no load waits on a store.

inline __m128i KeyMask16(__m128i v, __m128i low, __m128i high, bool single) {
    if (single) {
        return _mm_cmpeq_epi8(v, low);
    }
    return _mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(v, low), v),
                         _mm_cmpeq_epi8(_mm_min_epu8(v, high), v));
}

inline __m128i Select16(__m128i keyed, __m128i d, __m128i s) {
    return _mm_or_si128(_mm_and_si128(keyed, d), _mm_andnot_si128(keyed, s));
}

void CopyKeyedRowsSse2(uint8_t* dst, int32_t dst_pitch, const uint8_t* src, int32_t src_pitch,
                       int32_t w, int32_t h, uint8_t key_low, uint8_t key_high) {
    const __m128i low = _mm_set1_epi8(static_cast<char>(key_low));
    const __m128i high = _mm_set1_epi8(static_cast<char>(key_high));
    const bool single = key_low == key_high;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* d = dst + static_cast<ptrdiff_t>(y) * dst_pitch;
        const uint8_t* s = src + static_cast<ptrdiff_t>(y) * src_pitch;
        if (w < 16) {
            CopyKeyedRowScalar(d, s, w, key_low, key_high);
            continue;
        }
        const __m128i tail_s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + w - 16));
        const __m128i tail_d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + w - 16));
        for (int32_t x = 0; x + 16 <= w; x += 16) {
            const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x));
            const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + x));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x),
                             Select16(KeyMask16(sv, low, high, single), dv, sv));
        }
        if (w % 16 != 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + w - 16),
                             Select16(KeyMask16(tail_s, low, high, single), tail_d, tail_s));
        }
    }
}

// ---- AVX2: 32 pixels per step, the ragged end as with SSE2. Groups wholly in the key are
// skipped and groups wholly outside it stored without reading the destination, which makes
// the transparent ring and the solid middle of a shape cheap.

__attribute__((target("avx2"))) inline __m256i KeyMask32(__m256i v, __m256i low, __m256i high,
                                                         bool single) {
    if (single) {
        return _mm256_cmpeq_epi8(v, low);
    }
    return _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_max_epu8(v, low), v),
                            _mm256_cmpeq_epi8(_mm256_min_epu8(v, high), v));
}

__attribute__((target("avx2"))) void CopyKeyedRowsAvx2(uint8_t* dst, int32_t dst_pitch,
                                                       const uint8_t* src, int32_t src_pitch,
                                                       int32_t w, int32_t h, uint8_t key_low,
                                                       uint8_t key_high) {
    if (w < 32) {
        CopyKeyedRowsSse2(dst, dst_pitch, src, src_pitch, w, h, key_low, key_high);
        return;
    }
    const __m256i low = _mm256_set1_epi8(static_cast<char>(key_low));
    const __m256i high = _mm256_set1_epi8(static_cast<char>(key_high));
    const bool single = key_low == key_high;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* d = dst + static_cast<ptrdiff_t>(y) * dst_pitch;
        const uint8_t* s = src + static_cast<ptrdiff_t>(y) * src_pitch;
        const __m256i tail_s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + w - 32));
        const __m256i tail_d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + w - 32));
        for (int32_t x = 0; x + 32 <= w; x += 32) {
            const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + x));
            const __m256i keyed = KeyMask32(sv, low, high, single);
            const uint32_t mask = static_cast<uint32_t>(_mm256_movemask_epi8(keyed));
            if (mask == 0xFFFFFFFFu) {
                continue;
            }
            __m256i out = sv;
            if (mask != 0) {
                const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + x));
                out = _mm256_blendv_epi8(sv, dv, keyed);
            }
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x), out);
        }
        if (w % 32 != 0) {
            const __m256i keyed = KeyMask32(tail_s, low, high, single);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + w - 32),
                                _mm256_blendv_epi8(tail_s, tail_d, keyed));
        }
    }
}

// ---- AVX-512 (BW and VL): 32 pixels per step with a byte-masked store that writes only the
// pixels outside the key, so the destination is never read; the ragged end is a masked load.

#define QENT_AVX512_TARGET __attribute__((target("avx512f,avx512bw,avx512vl,bmi2")))

template <bool single>
QENT_AVX512_TARGET inline __mmask32 OutsideKey32(__m256i v, __m256i low, __m256i high) {
    if (single) {
        return _mm256_cmpneq_epi8_mask(v, low);
    }
    return _mm256_cmplt_epu8_mask(v, low) | _mm256_cmpgt_epu8_mask(v, high);
}

template <bool single>
QENT_AVX512_TARGET void CopyKeyedRowsAvx512Key(uint8_t* dst, int32_t dst_pitch, const uint8_t* src,
                                               int32_t src_pitch, int32_t w, int32_t h,
                                               uint8_t key_low, uint8_t key_high) {
    const __m256i low = _mm256_set1_epi8(static_cast<char>(key_low));
    const __m256i high = _mm256_set1_epi8(static_cast<char>(key_high));
    const int32_t whole = w & ~31;
    const __mmask32 tail = _bzhi_u32(0xFFFFFFFFu, static_cast<uint32_t>(w & 31));
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* d = dst + static_cast<ptrdiff_t>(y) * dst_pitch;
        const uint8_t* s = src + static_cast<ptrdiff_t>(y) * src_pitch;
        int32_t x = 0;
        for (; x < whole; x += 32) {
            const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + x));
            _mm256_mask_storeu_epi8(d + x, OutsideKey32<single>(sv, low, high), sv);
        }
        if (tail != 0) {
            const __m256i sv = _mm256_maskz_loadu_epi8(tail, s + x);
            _mm256_mask_storeu_epi8(d + x, OutsideKey32<single>(sv, low, high) & tail, sv);
        }
    }
}

void CopyKeyedRowsAvx512(uint8_t* dst, int32_t dst_pitch, const uint8_t* src, int32_t src_pitch,
                         int32_t w, int32_t h, uint8_t key_low, uint8_t key_high) {
    if (key_low == key_high) {
        CopyKeyedRowsAvx512Key<true>(dst, dst_pitch, src, src_pitch, w, h, key_low, key_high);
    } else {
        CopyKeyedRowsAvx512Key<false>(dst, dst_pitch, src, src_pitch, w, h, key_low, key_high);
    }
}

#endif

struct KeyedPath {
    const char* name;
    KeyedRowsFn rows;
    bool (*supported)();
};

bool Always() {
    return true;
}

#if defined(QENT_BLIT_X86)
bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
bool HasAvx512() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("bmi2");
}
#endif

// Narrowest first; the index is the BLIT_KEYED_* level.
const KeyedPath keyed_paths[] = {
    {"scalar", CopyKeyedRowsScalar, Always},
#if defined(QENT_BLIT_X86)
    {"sse2", CopyKeyedRowsSse2, Always},
    {"avx2", CopyKeyedRowsAvx2, HasAvx2},
    {"avx512", CopyKeyedRowsAvx512, HasAvx512},
#endif
};
constexpr int keyed_path_count = static_cast<int>(sizeof(keyed_paths) / sizeof(keyed_paths[0]));

int BestKeyedLevel() {
    static const int best = [] {
        int level = 0;
        for (int i = 0; i < keyed_path_count; ++i) {
            if (keyed_paths[i].supported()) {
                level = i;
            }
        }
        return level;
    }();
    return best;
}

int& KeyedLevel() {
    static int level = BestKeyedLevel();
    return level;
}

}  // namespace

int BlitKeyedBest() {
    return BestKeyedLevel();
}

int BlitKeyedUse(int level) {
    if (level >= 0 && level <= BestKeyedLevel()) {
        KeyedLevel() = level;
    }
    return KeyedLevel();
}

const char* BlitKeyedName(int level) {
    return level >= 0 && level < keyed_path_count ? keyed_paths[level].name : "";
}

void BlitCopyKeyed(uint8_t* dst, int32_t dst_pitch, const uint8_t* src, int32_t src_pitch,
                   int32_t w, int32_t h, uint8_t key_low, uint8_t key_high) {
    if (w <= 0 || h <= 0) {
        return;
    }
    const KeyedRowsFn rows = SpansMeet(dst, dst_pitch, src, src_pitch, w, h)
                                 ? CopyKeyedRowsScalar
                                 : keyed_paths[KeyedLevel()].rows;
    rows(dst, dst_pitch, src, src_pitch, w, h, key_low, key_high);
}
