#ifndef QENT_PLATFORM_PRESENT_H
#define QENT_PLATFORM_PRESENT_H

// The present path's pixel work: an 8-bit frame through its palette to 32-bit pixels.

#include <cstdint>

#include "platform/host.h"

// The ways of converting; which of them a processor runs, and which is fastest on it, differ.
constexpr int PRESENT_PATH_SCALAR = 0;          // a 256-entry table; runs everywhere
constexpr int PRESENT_PATH_SCALAR_PAIRS = 1;    // the same, two pixels per store; everywhere
constexpr int PRESENT_PATH_AVX2_GATHER = 2;     // eight lookups per AVX2 gather
constexpr int PRESENT_PATH_AVX512_PERMUTE = 3;  // the table in sixteen registers (AVX-512 BW)
constexpr int PRESENT_PATH_AVX512_BYTES = 4;    // one byte table per channel (AVX-512 VBMI)
constexpr int PRESENT_PATH_COUNT = 5;

// Converts width x height palette indexes to XRGB8888 (alpha 0xFF), one uint32 per pixel, by
// the fastest path. Pitches are in bytes; the destination rows must hold width pixels. A null
// palette shows every index as black.
void HostConvertFrame(const uint8_t* src, int32_t src_pitch, int32_t width, int32_t height,
                      const PaletteEntry* palette, uint32_t* dst, int32_t dst_pitch);

// Converts by the fastest path and enlarges by a whole number, nearest neighbour: source pixel
// (x, y) fills the scale x scale block at (x * scale, y * scale), so the destination must hold
// width x scale by height x scale pixels. Nothing is written for a scale below 1 or a result
// wider or taller than 32768.
void HostConvertFrameScaled(const uint8_t* src, int32_t src_pitch, int32_t width, int32_t height,
                            const PaletteEntry* palette, int32_t scale, uint32_t* dst,
                            int32_t dst_pitch);

// The same by a given path: 0 (and nothing written) when this processor cannot run it.
int HostConvertFrameWith(int path, const uint8_t* src, int32_t src_pitch, int32_t width,
                         int32_t height, const PaletteEntry* palette, uint32_t* dst,
                         int32_t dst_pitch);

int HostConvertPathRuns(int path);          // 1 when this processor can run the path
const char* HostConvertPathName(int path);  // "scalar", "avx2-gather", ...; "" when unknown
// The path HostConvertFrame uses: each path that runs is timed on a small frame at the first
// call (well under a millisecond) and the fastest is kept for the rest of the run.
int HostConvertPathChosen();

#endif
