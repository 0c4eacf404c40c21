// Palette to 32-bit conversion for presenting a frame. There are several ways to do the
// lookups, and which is fastest depends on the processor more than on its feature flags (AVX2
// gathers are quick on some and slow on others), so every way the processor can run is timed
// once on a small frame and the fastest is kept.
//
//   scalar         a 256-entry table, eight indexes read per load
//   scalar-pairs   the same with two pixels per store, for processors that store one value
//                  per cycle whatever its width
//   avx2-gather    eight table lookups per gather
//   avx512-permute the table as sixteen registers of sixteen entries: two-register permutes
//                  look up 32 entries each, and three bits of the index pick among eight
//   avx512-bytes   red, green and blue as three 256-byte tables of four registers each:
//                  byte permutes look up 64 pixels a channel at a time, then the channels are
//                  interleaved into pixels
#include "platform/present.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QENT_PRESENT_X86 1
#endif

namespace {

constexpr uint32_t PRESENT_OPAQUE = 0xFF000000u;

// The trial frame the paths are timed on: small enough to take well under a millisecond.
constexpr int32_t TRIAL_WIDTH = 640;
constexpr int32_t TRIAL_HEIGHT = 16;
constexpr int TRIAL_ROUNDS = 7;

// No screen is wider or taller than this; larger enlargements are refused.
constexpr int64_t PRESENT_MAX_SCALED_SIDE = 1 << 15;

// The palette in the forms the paths read.
struct ConvertTables {
    alignas(64) uint32_t lut[256];  // XRGB with alpha 0xFF
    uint64_t lut_low[256];          // the same in the low half of a pixel pair
    uint64_t lut_high[256];         // and in the high half
    alignas(64) uint8_t red[256];
    alignas(64) uint8_t green[256];
    alignas(64) uint8_t blue[256];
};

typedef void (*ConvertRowFn)(const uint8_t* in, uint32_t* out, int32_t width,
                             const ConvertTables& tables);

void BuildTables(const PaletteEntry* palette, ConvertTables* tables) {
    for (int i = 0; i < 256; i++) {
        const PaletteEntry e = palette != nullptr ? palette[i] : PaletteEntry{0, 0, 0, 0};
        tables->red[i] = e.red;
        tables->green[i] = e.green;
        tables->blue[i] = e.blue;
        tables->lut[i] =
            PRESENT_OPAQUE | (uint32_t{e.red} << 16) | (uint32_t{e.green} << 8) | uint32_t{e.blue};
        tables->lut_low[i] = tables->lut[i];
        tables->lut_high[i] = uint64_t{tables->lut[i]} << 32;
    }
}

void ConvertRowScalar(const uint8_t* in, uint32_t* out, int32_t width,
                      const ConvertTables& tables) {
    const uint32_t* lut = tables.lut;
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

void ConvertRowScalarPairs(const uint8_t* in, uint32_t* out, int32_t width,
                           const ConvertTables& tables) {
    int32_t x = 0;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    const uint64_t* low = tables.lut_low;
    const uint64_t* high = tables.lut_high;
    for (; x + 8 <= width; x += 8) {
        uint64_t eight;
        std::memcpy(&eight, in + x, sizeof eight);
        const uint64_t pairs[4] = {
            low[eight & 0xFF] | high[(eight >> 8) & 0xFF],
            low[(eight >> 16) & 0xFF] | high[(eight >> 24) & 0xFF],
            low[(eight >> 32) & 0xFF] | high[(eight >> 40) & 0xFF],
            low[(eight >> 48) & 0xFF] | high[eight >> 56],
        };
        std::memcpy(out + x, pairs, sizeof pairs);
    }
#endif
    for (; x < width; x++) {
        out[x] = tables.lut[in[x]];
    }
}

#if defined(QENT_PRESENT_X86)

__attribute__((target("avx2"))) void ConvertRowAvx2Gather(const uint8_t* in, uint32_t* out,
                                                          int32_t width,
                                                          const ConvertTables& tables) {
    const int* lut = reinterpret_cast<const int*>(tables.lut);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + x));
        __m256i indexes = _mm256_cvtepu8_epi32(bytes);
        __m256i colors = _mm256_i32gather_epi32(lut, indexes, 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), colors);
    }
    for (; x < width; x++) {
        out[x] = tables.lut[in[x]];
    }
}

// GCC 12's AVX-512 intrinsics start some results from a register it leaves undefined on
// purpose, and then warns about it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#define QENT_AVX512_TARGET __attribute__((target("avx512f,avx512bw,avx512vl")))
#define QENT_AVX512_VBMI_TARGET __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi")))

// Sixteen colours for sixteen indexes (each in the low byte of a 32-bit lane).
QENT_AVX512_TARGET inline __m512i LookUp16(__m512i idx, const __m512i* t) {
    // Bits 0-4 index a pair of registers; bits 5, 6 and 7 choose among the eight pairs.
    const __m512i r0 = _mm512_permutex2var_epi32(t[0], idx, t[1]);
    const __m512i r1 = _mm512_permutex2var_epi32(t[2], idx, t[3]);
    const __m512i r2 = _mm512_permutex2var_epi32(t[4], idx, t[5]);
    const __m512i r3 = _mm512_permutex2var_epi32(t[6], idx, t[7]);
    const __m512i r4 = _mm512_permutex2var_epi32(t[8], idx, t[9]);
    const __m512i r5 = _mm512_permutex2var_epi32(t[10], idx, t[11]);
    const __m512i r6 = _mm512_permutex2var_epi32(t[12], idx, t[13]);
    const __m512i r7 = _mm512_permutex2var_epi32(t[14], idx, t[15]);
    const __mmask16 b5 = _mm512_test_epi32_mask(idx, _mm512_set1_epi32(0x20));
    const __mmask16 b6 = _mm512_test_epi32_mask(idx, _mm512_set1_epi32(0x40));
    const __mmask16 b7 = _mm512_test_epi32_mask(idx, _mm512_set1_epi32(0x80));
    const __m512i s0 = _mm512_mask_blend_epi32(b5, r0, r1);
    const __m512i s1 = _mm512_mask_blend_epi32(b5, r2, r3);
    const __m512i s2 = _mm512_mask_blend_epi32(b5, r4, r5);
    const __m512i s3 = _mm512_mask_blend_epi32(b5, r6, r7);
    const __m512i u0 = _mm512_mask_blend_epi32(b6, s0, s1);
    const __m512i u1 = _mm512_mask_blend_epi32(b6, s2, s3);
    return _mm512_mask_blend_epi32(b7, u0, u1);
}

QENT_AVX512_TARGET void ConvertRowAvx512Permute(const uint8_t* in, uint32_t* out, int32_t width,
                                                const ConvertTables& tables) {
    __m512i t[16];
    for (int i = 0; i < 16; i++) {
        t[i] = _mm512_load_si512(tables.lut + 16 * i);
    }
    int32_t x = 0;
    for (; x + 32 <= width; x += 32) {
        const __m512i a =
            _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x)));
        const __m512i b =
            _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x + 16)));
        _mm512_storeu_si512(out + x, LookUp16(a, t));
        _mm512_storeu_si512(out + x + 16, LookUp16(b, t));
    }
    for (; x < width; x += 16) {
        const int32_t left = std::min<int32_t>(16, width - x);
        const __mmask16 keep = static_cast<__mmask16>((1u << left) - 1);
        const __m512i a = _mm512_cvtepu8_epi32(_mm_maskz_loadu_epi8(keep, in + x));
        _mm512_mask_storeu_epi32(out + x, keep, LookUp16(a, t));
    }
}

// Index positions such that, after the in-lane byte and word interleaves below, output
// register q lane l holds pixels 16q + 4l .. 16q + 4l + 3: byte 16l + 4q + r reads pixel
// 16q + 4l + r.
QENT_AVX512_VBMI_TARGET inline __m512i InterleaveOrder() {
    alignas(64) uint8_t order[64];
    for (int l = 0; l < 4; l++) {
        for (int q = 0; q < 4; q++) {
            for (int r = 0; r < 4; r++) {
                order[16 * l + 4 * q + r] = static_cast<uint8_t>(16 * q + 4 * l + r);
            }
        }
    }
    return _mm512_load_si512(order);
}

struct BytePlanes {
    __m512i red[4];
    __m512i green[4];
    __m512i blue[4];
    __m512i order;
};

// One channel of 64 pixels: two 128-entry byte permutes, the index's top bit picks.
QENT_AVX512_VBMI_TARGET inline __m512i LookUpBytes(__m512i idx, __mmask64 high, const __m512i* t) {
    const __m512i low_half = _mm512_permutex2var_epi8(t[0], idx, t[1]);
    const __m512i high_half = _mm512_permutex2var_epi8(t[2], idx, t[3]);
    return _mm512_mask_blend_epi8(high, low_half, high_half);
}

// 64 pixels into four registers of sixteen, in order. idx holds the indexes as read.
QENT_AVX512_VBMI_TARGET inline void LookUp64(__m512i idx, const BytePlanes& p, __m512i* out) {
    idx = _mm512_permutexvar_epi8(p.order, idx);
    const __mmask64 high = _mm512_movepi8_mask(idx);
    const __m512i r = LookUpBytes(idx, high, p.red);
    const __m512i g = LookUpBytes(idx, high, p.green);
    const __m512i b = LookUpBytes(idx, high, p.blue);
    const __m512i opaque = _mm512_set1_epi8(static_cast<char>(0xFF));
    const __m512i bg_low = _mm512_unpacklo_epi8(b, g);
    const __m512i bg_high = _mm512_unpackhi_epi8(b, g);
    const __m512i ra_low = _mm512_unpacklo_epi8(r, opaque);
    const __m512i ra_high = _mm512_unpackhi_epi8(r, opaque);
    out[0] = _mm512_unpacklo_epi16(bg_low, ra_low);
    out[1] = _mm512_unpackhi_epi16(bg_low, ra_low);
    out[2] = _mm512_unpacklo_epi16(bg_high, ra_high);
    out[3] = _mm512_unpackhi_epi16(bg_high, ra_high);
}

QENT_AVX512_VBMI_TARGET void ConvertRowAvx512Bytes(const uint8_t* in, uint32_t* out, int32_t width,
                                                   const ConvertTables& tables) {
    BytePlanes p;
    for (int i = 0; i < 4; i++) {
        p.red[i] = _mm512_load_si512(tables.red + 64 * i);
        p.green[i] = _mm512_load_si512(tables.green + 64 * i);
        p.blue[i] = _mm512_load_si512(tables.blue + 64 * i);
    }
    p.order = InterleaveOrder();
    int32_t x = 0;
    __m512i pixels[4];
    for (; x + 64 <= width; x += 64) {
        LookUp64(_mm512_loadu_si512(in + x), p, pixels);
        for (int q = 0; q < 4; q++) {
            _mm512_storeu_si512(out + x + 16 * q, pixels[q]);
        }
    }
    if (x < width) {
        // The last 1..63 pixels: masked loads and stores touch nothing past the row.
        const int32_t left = width - x;
        const __mmask64 keep = left >= 64 ? ~__mmask64{0} : ((__mmask64{1} << left) - 1);
        LookUp64(_mm512_maskz_loadu_epi8(keep, in + x), p, pixels);
        for (int q = 0; q < 4; q++) {
            const int32_t in_register = std::clamp(left - 16 * q, 0, 16);
            const __mmask16 part = static_cast<__mmask16>((1u << in_register) - 1);
            _mm512_mask_storeu_epi32(out + x + 16 * q, part, pixels[q]);
        }
    }
}

#pragma GCC diagnostic pop

#endif  // QENT_PRESENT_X86

// Every pixel of a converted row twice across, into two rows at once.
typedef void (*ExpandTwiceFn)(const uint32_t* row, int32_t width, uint32_t* out0, uint32_t* out1);

void ExpandTwiceScalar(const uint32_t* row, int32_t width, uint32_t* out0, uint32_t* out1) {
    for (int32_t x = 0; x < width; x++) {
        const uint64_t twice = uint64_t{row[x]} * 0x100000001ull;
        std::memcpy(out0 + 2 * x, &twice, sizeof twice);
        std::memcpy(out1 + 2 * x, &twice, sizeof twice);
    }
}

#if defined(QENT_PRESENT_X86)
__attribute__((target("avx2"))) void ExpandTwiceAvx2(const uint32_t* row, int32_t width,
                                                     uint32_t* out0, uint32_t* out1) {
    const __m256i low = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
    const __m256i high = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
        const __m256i a = _mm256_permutevar8x32_epi32(v, low);
        const __m256i b = _mm256_permutevar8x32_epi32(v, high);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out0 + 2 * x), a);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out0 + 2 * x + 8), b);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out1 + 2 * x), a);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out1 + 2 * x + 8), b);
    }
    ExpandTwiceScalar(row + x, width - x, out0 + 2 * x, out1 + 2 * x);
}
#endif

ExpandTwiceFn ChooseExpandTwice() {
#if defined(QENT_PRESENT_X86)
    if (__builtin_cpu_supports("avx2")) {
        return ExpandTwiceAvx2;
    }
#endif
    return ExpandTwiceScalar;
}

struct PathInfo {
    const char* name;
    ConvertRowFn row;
};

const PathInfo PATHS[PRESENT_PATH_COUNT] = {
    {"scalar", ConvertRowScalar},
    {"scalar-pairs", ConvertRowScalarPairs},
#if defined(QENT_PRESENT_X86)
    {"avx2-gather", ConvertRowAvx2Gather},
    {"avx512-permute", ConvertRowAvx512Permute},
    {"avx512-bytes", ConvertRowAvx512Bytes},
#else
    {"avx2-gather", nullptr},     {"avx512-permute", nullptr},
    {"avx512-bytes", nullptr},
#endif
};

bool PathRuns(int path) {
    if (path < 0 || path >= PRESENT_PATH_COUNT || PATHS[path].row == nullptr) {
        return false;
    }
#if defined(QENT_PRESENT_X86)
    switch (path) {
        case PRESENT_PATH_AVX2_GATHER:
            return __builtin_cpu_supports("avx2");
        case PRESENT_PATH_AVX512_PERMUTE:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512vl");
        case PRESENT_PATH_AVX512_BYTES:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
        default:
            return true;
    }
#else
    return true;  // the two scalar paths; the others have no row function here
#endif
}

void ConvertWith(ConvertRowFn row, const uint8_t* src, int32_t src_pitch, int32_t width,
                 int32_t height, const ConvertTables& tables, uint32_t* dst, int32_t dst_pitch) {
    for (int32_t y = 0; y < height; y++) {
        const uint8_t* in = src + static_cast<ptrdiff_t>(y) * src_pitch;
        auto* out = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(dst) +
                                                static_cast<ptrdiff_t>(y) * dst_pitch);
        row(in, out, width, tables);
    }
}

// Times every path the processor runs on the trial frame, several rounds taken in turn so that
// a disturbance hits them alike, and keeps the one with the best round.
int MeasurePaths() {
    std::vector<uint8_t> frame(static_cast<size_t>(TRIAL_WIDTH) * TRIAL_HEIGHT);
    uint32_t seed = 0x9E3779B9u;
    for (uint8_t& p : frame) {
        seed = seed * 1664525u + 1013904223u;
        p = static_cast<uint8_t>(seed >> 24);
    }
    std::vector<uint32_t> out(frame.size());
    ConvertTables tables;
    PaletteEntry palette[256];
    for (int i = 0; i < 256; i++) {
        palette[i] = PaletteEntry{static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3),
                                  static_cast<uint8_t>(i * 7), 0};
    }
    BuildTables(palette, &tables);
    double best[PRESENT_PATH_COUNT];
    std::fill(best, best + PRESENT_PATH_COUNT, -1.0);
    for (int round = 0; round < TRIAL_ROUNDS; round++) {
        for (int path = 0; path < PRESENT_PATH_COUNT; path++) {
            if (!PathRuns(path)) {
                continue;
            }
            const auto start = std::chrono::steady_clock::now();
            ConvertWith(PATHS[path].row, frame.data(), TRIAL_WIDTH, TRIAL_WIDTH, TRIAL_HEIGHT,
                        tables, out.data(), TRIAL_WIDTH * 4);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            // The first round only warms caches and clocks up.
            if (round > 0 && (best[path] < 0 || took.count() < best[path])) {
                best[path] = took.count();
            }
        }
    }
    int chosen = PRESENT_PATH_SCALAR;
    for (int path = 0; path < PRESENT_PATH_COUNT; path++) {
        if (best[path] >= 0 && best[path] < best[chosen]) {
            chosen = path;
        }
    }
    return chosen;
}

}  // namespace

int HostConvertPathRuns(int path) {
    return PathRuns(path) ? 1 : 0;
}

const char* HostConvertPathName(int path) {
    return path >= 0 && path < PRESENT_PATH_COUNT ? PATHS[path].name : "";
}

int HostConvertPathChosen() {
    static const int chosen = MeasurePaths();
    return chosen;
}

int HostConvertFrameWith(int path, const uint8_t* src, int32_t src_pitch, int32_t width,
                         int32_t height, const PaletteEntry* palette, uint32_t* dst,
                         int32_t dst_pitch) {
    if (!PathRuns(path)) {
        return 0;
    }
    if (src == nullptr || dst == nullptr || width <= 0 || height <= 0) {
        return 1;
    }
    // The tables are built per frame: 256 entries cost nothing beside 307,200 pixels.
    ConvertTables tables;
    BuildTables(palette, &tables);
    ConvertWith(PATHS[path].row, src, src_pitch, width, height, tables, dst, dst_pitch);
    return 1;
}

void HostConvertFrame(const uint8_t* src, int32_t src_pitch, int32_t width, int32_t height,
                      const PaletteEntry* palette, uint32_t* dst, int32_t dst_pitch) {
    HostConvertFrameWith(HostConvertPathChosen(), src, src_pitch, width, height, palette, dst,
                         dst_pitch);
}

void HostConvertFrameScaled(const uint8_t* src, int32_t src_pitch, int32_t width, int32_t height,
                            const PaletteEntry* palette, int32_t scale, uint32_t* dst,
                            int32_t dst_pitch) {
    if (src == nullptr || dst == nullptr || width <= 0 || height <= 0 || scale < 1 ||
        int64_t{width} * scale > PRESENT_MAX_SCALED_SIDE ||
        int64_t{height} * scale > PRESENT_MAX_SCALED_SIDE) {
        return;
    }
    if (scale == 1) {
        HostConvertFrame(src, src_pitch, width, height, palette, dst, dst_pitch);
        return;
    }
    ConvertTables tables;
    BuildTables(palette, &tables);
    const ConvertRowFn convert_row = PATHS[HostConvertPathChosen()].row;
    std::vector<uint32_t> row(static_cast<size_t>(width));
    const ExpandTwiceFn expand_twice = ChooseExpandTwice();
    const size_t out_bytes = sizeof(uint32_t) * static_cast<size_t>(width) * scale;
    for (int32_t y = 0; y < height; y++) {
        convert_row(src + static_cast<ptrdiff_t>(y) * src_pitch, row.data(), width, tables);
        auto* first =
            reinterpret_cast<uint8_t*>(dst) + static_cast<ptrdiff_t>(y) * scale * dst_pitch;
        auto* out = reinterpret_cast<uint32_t*>(first);
        if (scale == 2) {
            // Both rows of the block written from registers: no second pass over memory.
            expand_twice(row.data(), width, out,
                         reinterpret_cast<uint32_t*>(first + static_cast<ptrdiff_t>(dst_pitch)));
            continue;
        }
        for (int32_t x = 0; x < width; x++) {
            std::fill_n(out + static_cast<ptrdiff_t>(x) * scale, scale, row[x]);
        }
        // The other rows of the block repeat the first, still in the cache.
        for (int32_t k = 1; k < scale; k++) {
            std::memcpy(first + static_cast<ptrdiff_t>(k) * dst_pitch, first, out_bytes);
        }
    }
}
